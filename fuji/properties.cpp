// Fujifilm writes: the camera checks values itself, every write is announced
// as a change, and live view a write had to stop is switched on again.
#include "fuji/fuji_driver.h"
#include "fuji/live_view_restart.h"
#include "generic/event_queue.h"
#include "ptp_liveview.h"

void PtpFuji_PropertyWritten(uint32_t code) { PtpQueuePropertyCodeChanged(code, /*notify=*/true); }

// A failed write or verification keeps its result; a successful one takes the
// restart's.
PtpResult PtpFuji_FinishWrite(PtpResult result) {
    if (!PtpFuji_TakeRestartLiveView()) return result;
    PtpResult restarted = PtpGenericInterface_ToggleLiveView(1);
    return result == PtpResult_Ok ? restarted : result;
}
