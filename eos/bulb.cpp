// Canon EOS bulb exposures. Bodies without remote release open and close the
// shutter with the bulb operations (0x9125/0x9126); with remote release a held
// full press is the exposure.
#include "eos/eos_capture.h"
#include "eos/eos_session.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"

namespace {

// Exposure modes.
constexpr uint32_t kModeManual = 3;
constexpr uint32_t kModeBulb = 4;
// Shutter-speed codes that stand for bulb in manual mode.
constexpr uint32_t kShutterBulb = 0x04;
constexpr uint32_t kShutterBulbAlt = 0x0C;

bool has_remote_release() { return PtpIsOperationSupported(kEosOpRemoteReleaseOn); }

} // namespace

PtpResult PtpEos_StartBulb() {
    if (!has_remote_release()) return PtpTransaction_Run(kEosOpBulbStart);
    return PtpEosInterface_InitiateImageCapture(false);
}

PtpResult PtpEos_StopBulb() {
    PtpResult rc =
        has_remote_release() ? PtpEos_ReleaseShutter() : PtpTransaction_Run(kEosOpBulbEnd);
    // The camera is busy storing the exposure; the next call should find it
    // ready. How the wait ends does not change whether the shutter closed.
    if (rc == PtpResult_Ok) (void)PtpEos_ReassertAfterShot();
    return rc;
}

bool PtpEos_IsBulbAvailable() { return true; }

bool PtpEos_IsBulbMode() {
    uint32_t mode = 0;
    if (!PtpReadCurrentValue(PtpEos_ExposureModePropertyCode(), &mode)) return false;
    if (mode == kModeBulb) return true;
    if (mode != kModeManual) return false;
    uint32_t speed = 0;
    return PtpReadCurrentValue(kEosPropShutterSpeed, &speed) &&
           (speed == kShutterBulb || speed == kShutterBulbAlt);
}
