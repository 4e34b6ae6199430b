// Fujifilm focus stacking: shots with the lens driven between them, through
// the vendor-neutral shot and lens drive, cancellable between steps.
#include "fuji/fuji_capture.h"
#include "fuji/fuji_focus.h"
#include "generic/focus.h"
#include "ptp_capture.h"
#include "ptp_focus.h"

PtpResult PtpFuji_DoFocusStack(uint32_t shots, int32_t step, uint32_t pauseMs,
                               PtpFocusStackCallback callback) {
    PtpFocusStack_ClearCancel();
    for (uint32_t shot = 1; shot <= shots; ++shot) {
        PtpResult rc = PtpGenericInterface_TakeAndWaitForShotToComplete();
        if (rc != PtpResult_Ok) return rc;
        if (callback) callback(shot);
        if (shot == shots) break;
        if (PtpFocusStack_IsCancelled() || PtpFocusStack_Wait(pauseMs)) return PtpResult_Aborted;
        rc = PtpGenericInterface_DriveLens(step);
        if (rc != PtpResult_Ok) return rc;
        if (PtpFocusStack_IsCancelled() || PtpFocusStack_Wait(pauseMs)) return PtpResult_Aborted;
    }
    return PtpResult_Ok;
}

PtpResult PtpFuji_FocusStackSteps(uint32_t shots, int32_t step, uint32_t delayMs,
                                  PtpFocusStackCallback callback) {
    return PtpFuji_DoFocusStack(shots, PtpFuji_StackStep(step), delayMs, callback);
}
