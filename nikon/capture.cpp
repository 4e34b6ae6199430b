// Nikon capture: the wait after a capture the camera answered busy, the drive
// mode that counts (live view keeps its own), and the double shot of a
// continuous drive mode with a burst count above one.
#include <chrono>
#include <thread>

#include "generic/driver.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_driver.h"
#include "ptp/transaction.h"
#include "ptp_properties.h"

namespace {

// A capture answered busy: the camera is asked whether it is ready this many
// times, this far apart.
constexpr int kStatusPolls = 5;
constexpr auto kStatusPause = std::chrono::milliseconds(500);

bool live_view_drive_mode() {
    return PtpSession_LiveViewOn() &&
           PtpGenericInterface_IsPropertySupported(kNikonPropLiveViewDriveMode);
}

// The Nikon continuous-mode test (code, value) is the driver's burst-picker
// entry; while the driver has none, no drive mode counts as continuous.
bool is_continuous(uint32_t code, uint32_t value) {
    bool (*test)(uint32_t, uint32_t) = kPtpNikonDriver.capture.shouldPresentBurstPicker;
    return test && test(code, value);
}

} // namespace

PtpResult PtpNikon_WaitBusyCapture() {
    for (int poll = 0; poll < kStatusPolls; ++poll) {
        std::this_thread::sleep_for(kStatusPause);
        if (PtpTransaction_Run(kNikonOpDeviceReady) == PtpResult_Ok) return PtpResult_Ok;
    }
    return PtpResult_CaptureFailed;
}

bool PtpNikon_IsDriveModeContinuous(uint32_t value) {
    return is_continuous(live_view_drive_mode() ? kNikonPropLiveViewDriveMode : kNikonPropDriveMode,
                         value);
}

bool PtpNikon_CouldDoubleShoot() {
    uint32_t code =
        live_view_drive_mode() ? kNikonPropLiveViewDriveMode : PtpGetDriveModePropertyCode();
    uint32_t drive = 0;
    if (!PtpReadCurrentValue(code, &drive)) return false;
    uint32_t burst = 0;
    return PtpNikon_IsDriveModeContinuous(drive) &&
           PtpReadCurrentValue(kNikonPropBurstCount, &burst) && burst > 1;
}

PtpResult PtpNikon_MitigateDoubleShoot() {
    return PtpGenericInterface_SetPropertyValue(kNikonPropBurstCount, 1, 1);
}
