// Capture: the vendor-neutral shot sequences the other sequences build on, the
// capture state the drivers share, and the answers of cameras that need no
// release or have no half press.
#pragma once

#include <cstdint>
#include <mutex>

#include "ptp_capture.h"
#include "ptp_result.h"

// The capture lock: held by the Canon and Fujifilm drivers while a press is
// being sent, so two presses never interleave. It guards no data of its own
// and is taken before the pause lock of the event loop; nothing that holds the
// pause lock or a lock after it may take it.
std::mutex& PtpCapture_Lock();

// The shutter-pressed flag: set by a driver after a successful full press that
// leaves the shutter held, cleared by the release.
void PtpCapture_SetShutterPressed(bool pressed);
bool PtpCapture_IsShutterPressed();

// One shot: the driver's single shot, or its capture followed by its shutter
// release. A capture that answers Device Busy is handed to the driver's busy
// wait when it has one. Returns PtpResult_Ok or the first failure. Runs on the
// calling thread.
PtpResult PtpTakeShot();

// As PtpGenericInterface_TakeAndWaitForShotToComplete, but the shot is tried
// again every 250 ms while the camera answers Device Busy, at most attempts
// times in all (40: ten seconds); still busy then gives PtpResult_DeviceBusy.
// Returns the first non-busy failure of the shot, PtpResult_CaptureFailed for a
// failure after it, PtpResult_NotSupportedForCamera when the driver has no
// take-and-wait.
PtpResult PtpTakeAndWaitWhileBusy(uint32_t attempts = 40);

// Driver entries shared by the plain-PTP driver and the vendors that behave
// the same: the standard InitiateCapture (0x100E, with the busy retry); the
// release of a camera whose capture completes the shot (PtpResult_Ok, no
// traffic); the half press of a camera that has none
// (PtpResult_OperationNotSupported, no traffic).
PtpResult PtpCapture_InitiateStandard();
PtpResult PtpCapture_ReleasedWithCapture();
PtpResult PtpCapture_NoHalfPress();

// A driver entry's answer; a null entry is a vendor without the operation
// (PtpResult_NotSupportedForCamera, false).
inline PtpResult PtpCapture_Run(PtpResult (*entry)()) {
    if (!entry) return PtpResult_NotSupportedForCamera;
    return entry();
}
inline bool PtpCapture_Test(bool (*entry)()) { return entry && entry(); }
