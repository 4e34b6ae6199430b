// Fujifilm half press: the autofocus step and its end. The half press runs
// without pausing the event loop, so nothing here resumes it.
#include <chrono>
#include <thread>

#include "fuji/fuji_capture.h"
#include "fuji/fuji_codes.h"
#include "fuji/live_view_restart.h"
#include "generic/capture.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

constexpr uint8_t kModelShootsInLiveView = 35;
constexpr uint32_t kAfFocusing = 1;
// Autofocus of a half press is waited for at most 50 polls, 5 s.
constexpr int kHalfPressAfPolls = 50;
constexpr auto kAfPollPause = std::chrono::milliseconds(100);

} // namespace

PtpResult PtpFuji_PollAfStatus(int polls, uint32_t* status) {
    *status = 0;
    for (int i = 0; i < polls; ++i) {
        if (i > 0) std::this_thread::sleep_for(kAfPollPause);
        PtpResult rc = PtpGenericInterface_RefreshPropertyValue(kFujiPropAfStatus);
        if (rc != PtpResult_Ok) return rc;
        if (!PtpReadCurrentValue(kFujiPropAfStatus, status)) return PtpResult_Failed;
        if (*status != kAfFocusing) break;
    }
    return PtpResult_Ok;
}

PtpResult PtpFuji_StartHalfPress() {
    if (PtpSession_LiveViewOn() && PtpGenericInterface_CameraModel() != kModelShootsInLiveView)
        PtpFuji_SetRestartLiveView();
    PtpResult rc = PtpFuji_RunStep(PtpFuji_HalfPressStep());
    if (rc == PtpResult_Ok) PtpCapture_SetShutterPressed(true);
    return rc;
}

PtpResult PtpFuji_EndHalfPress() {
    PtpResult rc = PtpFuji_RunStep(PtpFuji_HalfPressEndStep());
    if (rc == PtpResult_Ok) PtpCapture_SetShutterPressed(false);
    if (!PtpFuji_TakeRestartLiveView()) return rc;
    PtpResult restarted = PtpFuji_RestartLiveView(/*alsoVendorBusy=*/false);
    return rc == PtpResult_Ok ? restarted : rc;
}

PtpResult PtpFuji_ReleaseHalfPress() {
    if (!PtpGenericInterface_IsPropertySupported(kFujiPropAfStatus)) return PtpResult_Failed;
    uint32_t status = 0;
    PtpResult rc = PtpFuji_PollAfStatus(kHalfPressAfPolls, &status);
    if (rc != PtpResult_Ok) return rc;
    return PtpFuji_EndHalfPress();
}
