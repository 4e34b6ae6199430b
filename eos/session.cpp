// The Canon session: remote mode, event mode, the first property report, the
// keep-alive and the session state the other Canon files read.
#include <atomic>
#include <chrono>
#include <thread>

#include "eos/eos_capture.h"
#include "eos/eos_live_view.h"
#include "eos/eos_session.h"
#include "generic/event_fetch.h"
#include "generic/session.h"
#include "ptp/transaction.h"

namespace {

// Asks the camera to report every property group in its event data.
constexpr uint32_t kEosAllPropertyGroups = 0x1FFF;
constexpr uint32_t kEosRemoteModeOn = 1;
constexpr uint32_t kEosEventModeOn = 1;
// The camera needs a moment after entering event mode before its first report.
constexpr auto kEosReportDelay = std::chrono::milliseconds(100);

struct EosSession {
    // Chosen at session start on the host's thread; read by any thread.
    std::atomic<uint32_t> exposureModeCode{kEosPropExposureMode};
    // Written by the event parser, read by the live-view switch.
    std::atomic<bool> busy{false};
};

EosSession g_eos;

} // namespace

PtpResult PtpEos_StartSession(uint8_t) {
    PtpEos_ResetCaptureState(); // the session start ended any pause a press held
    PtpEos_ResetLiveViewState();
    PtpResult rc = PtpTransaction_Run(kEosOpSetRemoteMode, {kEosRemoteModeOn});
    if (rc != PtpResult_Ok) return rc;
    rc = PtpTransaction_Run(kEosOpSetEventMode, {kEosEventModeOn});
    if (rc != PtpResult_Ok) return rc;
    if (PtpIsOperationSupported(kEosOpSetRequestedProperties)) {
        rc = PtpTransaction_Run(kEosOpSetRequestedProperties, {kEosAllPropertyGroups});
        if (rc != PtpResult_Ok) return rc;
    }
    std::this_thread::sleep_for(kEosReportDelay);

    // The camera's first report fills the property store; the second fetch
    // only takes what is left and does not wait for the event-check thread.
    rc = PtpFetchEventsOnce(/*wait=*/true, /*lockHeld=*/false);
    PtpResult second = PtpFetchEventsOnce(/*wait=*/false, /*lockHeld=*/false);
    if (rc == PtpResult_Ok) rc = second;

    g_eos.exposureModeCode.store(PtpEos_CameraListsProperty(kEosPropExposureModeDial)
                                     ? kEosPropExposureModeDial
                                     : kEosPropExposureMode);
    return rc;
}

void PtpEos_SetRemoteMode(uint32_t mode) { PtpTransaction_Run(kEosOpSetRemoteMode, {mode}); }

PtpResult PtpEos_KeepAlive() { return PtpTransaction_Run(kEosOpKeepDeviceOn); }

uint32_t PtpEos_ExposureModePropertyCode() { return g_eos.exposureModeCode.load(); }

bool PtpEos_IsBusy() { return g_eos.busy.load(); }

void PtpEos_SetBusy(bool busy) { g_eos.busy.store(busy); }

bool PtpEos_CameraListsProperty(uint32_t code) {
    return code <= 0xFFFF && PtpIsPropertyListed(uint16_t(code));
}
