// Capture: the vendor-neutral shot sequences the other sequences build on, and
// the capture state the Canon and Fujifilm drivers share.
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

// One shot: the vendor's capture followed by its shutter release (Sony: the
// Sony driver's single shot). Returns PtpResult_Ok, the capture's or the
// release's failure, or (Nikon, camera busy and still busy after five status
// polls 500 ms apart) PtpResult_CaptureFailed. Runs on the calling thread.
PtpResult PtpTakeShot();

// The Canon wait for the camera to finish a shot: writes the colour-space
// property (or the capture-destination one) back with its own value every
// 250 ms while the camera answers Device Busy. PtpResult_Ok once a write is
// accepted; PtpResult_CaptureFailed when neither property is writable or a
// write fails otherwise. Waits as long as the camera stays busy.
PtpResult PtpCanonBusyWait();

// As PtpGenericInterface_TakeAndWaitForShotToComplete, but the shot is tried
// again every 250 ms for as long as the camera answers Device Busy. Returns the
// first non-busy failure of the shot, PtpResult_CaptureFailed for a failure
// after it, PtpResult_NotSupportedForCamera without a vendor.
PtpResult PtpTakeAndWaitWhileBusy();
