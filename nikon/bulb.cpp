// Nikon bulb exposures: the shot is a capture taken with focus held, so the
// shutter stays open until 0x920C ends the exposure. Focus is found once
// before, unless the library holds it already.
#include <chrono>
#include <thread>

#include "generic/session.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_focus.h"
#include "nikon/nikon_models.h"
#include "nikon/nikon_session.h"
#include "ptp/transaction.h"

namespace {

// The D5000 and D90 switch their focus mode back only after this pause.
constexpr auto kAfSwitchSettle = std::chrono::milliseconds(500);

// Autofocus before the exposure; the D5000 and D90 need automatic focus
// selected around it, and manual again in live view.
PtpResult focus_before_bulb() {
    const bool afSwitch = PtpNikon_HasAfModeSwitch();
    if (afSwitch) PtpNikon_SetFocusMode(0);
    PtpResult rc = PtpTransaction_Run(kNikonOpAutofocus);
    if (rc == PtpResult_Ok) rc = PtpNikon_WaitDeviceReady();
    if (PtpSession_LiveViewOn() && afSwitch) {
        std::this_thread::sleep_for(kAfSwitchSettle);
        PtpNikon_SetFocusMode(1);
    }
    return rc;
}

} // namespace

PtpResult PtpNikon_StartBulb() {
    const uint32_t saved = PtpSession_ManualFocus();
    PtpSession_SetManualFocus(1);
    if (saved == 0) {
        PtpResult rc = focus_before_bulb();
        if (rc != PtpResult_Ok) return rc;
        // The focus-mode switches above may have cleared the flag: the
        // exposure itself must not focus again.
        PtpSession_SetManualFocus(1);
    }
    PtpResult rc = PtpNikon_InitiateCapture();
    PtpSession_SetManualFocus(saved);
    if (rc == kNikonRespBulbRefused) return PtpResult_DeviceBusy;
    if (rc != PtpResult_Ok) return rc;
    // 0xA200 here means the exposure is running.
    rc = PtpTransaction_Run(kNikonOpDeviceReady);
    if (rc == kNikonRespA200) return PtpResult_Ok;
    return rc;
}

PtpResult PtpNikon_StopBulb() { return PtpTransaction_Run(kNikonOpBulbCapture, {0, 0}); }
