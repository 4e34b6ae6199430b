// Packaged focus steps: the lens moved many times by one Tetherhub request,
// so that a long focus pull is not slowed by a network round trip per move,
// and the focus step sizes in each vendor's lens steps. The driver builds the
// lens move and the hub repeats it, or the driver moves the lens the whole
// distance at once.
#include "comms/services.h"
#include "generic/driver.h"
#include "generic/focus.h"
#include "ptp_comms.h"
#include "ptp_focus.h"

namespace {

// The Tetherhub repeats one command at most this many times per request.
constexpr uint16_t kMaxRepeat = 300;

// Library focus mode 1: focus is held by the library (manual).
constexpr uint32_t kFocusModeManual = 1;

PtpResult send_package(const PtpDriver* d, int32_t step, uint16_t count) {
    uint8_t containers[kRepeatedCommandRoom];
    uint32_t length = 0;
    PtpResult rc = d->focus.repeatedLensMove(step, containers, sizeof containers, &length);
    if (rc != PtpResult_Ok) return rc;
    PtpResult camera = 0;
    rc = Comms_SendRepeatedCommand(containers, length, count, &camera);
    if (rc != PtpResult_Ok || camera == 0) return rc;
    // The lens was moved from the host: autofocus would undo it.
    if (camera == PtpResult_Ok) PtpGenericInterface_SetFocusMode(kFocusModeManual, 1);
    return camera;
}

} // namespace

uint16_t PtpFocus_StepsFromTable(const uint16_t (&steps)[3], uint16_t stepSize) {
    return stepSize >= 1 && stepSize <= 3 ? steps[stepSize - 1] : stepSize;
}

PtpResult Comms_SendPackagedFocusChange(int32_t step, uint16_t count) {
    const PtpDriver* d = PtpSession_Driver();
    if (d->focus.packagedLensMove) return d->focus.packagedLensMove(step, count);
    if (!d->focus.repeatedLensMove) return PtpResult_NotSupportedForCamera;
    // A session that ends meanwhile gets no further packages.
    while (count > kMaxRepeat && PtpSession_Driver() == d) {
        PtpResult rc = send_package(d, step, kMaxRepeat);
        if (rc != PtpResult_Ok) return rc;
        count = uint16_t(count - kMaxRepeat);
    }
    if (count == 0) return PtpResult_Ok;
    return send_package(d, step, count);
}

uint16_t Comms_ConvertFocusSteps(uint16_t stepSize) {
    const PtpDriver* d = PtpSession_Driver();
    return d->focus.focusStepsForSize ? d->focus.focusStepsForSize(stepSize) : stepSize;
}
