// Fujifilm capture: the shutter is driven in steps, each a step code written to
// Capture Mode (0xD208) followed by InitiateCapture (0, 0). A press without
// release leaves the event loop paused until the release, which may run on
// another thread; the press records that it paused the loop, so each pause is
// resumed once and a pause held by the host is never ended here.
#pragma once

#include <cstdint>

#include "ptp_focus.h"
#include "ptp_result.h"

// --- Shots (fuji/capture.cpp) -----------------------------------------------------------------
// One press: live view is switched off where the body needs it (the objects it
// hands out are drained), the shutter steps run with the event loop paused,
// then, with releaseAfter, the release follows 250 ms later. A failed
// autofocus is cancelled and gives 0xA002 with the loop running again. A
// failed press is returned as is, never followed by a release.
PtpResult PtpFuji_Press(bool bulb, bool releaseAfter);
// Releases a completed press (0x000C after bulb, 0x0304 otherwise) and switches
// on live view the press stopped. Without a completed press: OK, nothing sent.
// A refused step is returned even when live view restarts.
PtpResult PtpFuji_Release(bool bulb);
// The driver table's forms: capture (a press) and shutter release.
PtpResult PtpFuji_InitiateCapture();
PtpResult PtpFuji_ReleaseShutter();
// A shot with release, then a wait for its exposure (doubled with long
// exposure noise reduction on).
PtpResult PtpFuji_WaitForShot();
// Writes Color Space back to itself, waiting while the camera is busy with the
// previous shot. PtpResult_OperationNotSupported without 0xD00A.
PtpResult PtpFuji_ReassertColorSpace();
// Every object handle of all storages. PtpResult_InvalidArgument for null
// outputs. Out: *handles belongs to the caller (free).
PtpResult PtpFuji_GetObjectHandles(uint32_t** handles, uint32_t* count);
// Whether the body has a bulb mode at all.
bool PtpFuji_IsBulbAvailable();

// --- Shutter steps (fuji/capture.cpp), shared by the half press and movie ---------------------
// Writes code to Capture Mode, then InitiateCapture (0, 0).
PtpResult PtpFuji_RunStep(uint32_t code);
// The half-press step (0x9300 where Capture Mode lists it, else 0x9100) and
// its end (0x0005 where listed, else 0x0001).
uint32_t PtpFuji_HalfPressStep();
uint32_t PtpFuji_HalfPressEndStep();
// Switches live view on, retrying every 250 ms while the camera answers one of
// the busy codes, a bounded number of times. Returns the last answer.
PtpResult PtpFuji_RestartLiveView(bool alsoVendorBusy);

// --- Bulb (fuji/bulb.cpp) ---------------------------------------------------------------------
PtpResult PtpFuji_StartBulb();
PtpResult PtpFuji_StopBulb();
// Manual exposure with the shutter speed at bulb (low 16 bits 0xFFFF).
bool PtpFuji_IsBulbMode();

// --- Half press (fuji/half_press.cpp) ---------------------------------------------------------
PtpResult PtpFuji_StartHalfPress();
// Waits for autofocus to end, then ends the half press. A failed AF Status
// read is returned and resumes nothing: the half press never pauses the loop.
PtpResult PtpFuji_ReleaseHalfPress();
// Refreshes AF Status until it is not 1 (focusing), at most polls times 100 ms
// apart. Returns the refresh's failure; *status the last value.
PtpResult PtpFuji_PollAfStatus(int polls, uint32_t* status);
// The end-of-half-press step, clearing the shutter-pressed flag, then the
// restart of live view the half press stopped; a refused step is returned.
PtpResult PtpFuji_EndHalfPress();

// --- Movie (fuji/movie.cpp) -------------------------------------------------------------------
PtpResult PtpFuji_StartMovieMode();
PtpResult PtpFuji_StopMovieMode();
PtpResult PtpFuji_StartRecordMovie();
PtpResult PtpFuji_StopRecordMovie();

// --- Focus stack (fuji/focus_stack.cpp) -------------------------------------------------------
// shots shots, the lens driven by step (lens-drive units before conversion)
// between them, pauseMs after each shot and each move; cancelled between
// shots (PtpResult_Aborted). callback, if given, gets each shot's number.
PtpResult PtpFuji_DoFocusStack(uint32_t shots, int32_t step, uint32_t pauseMs,
                               PtpFocusStackCallback callback);
// The driver table's stacking loop: the host's step is negated first.
PtpResult PtpFuji_FocusStackSteps(uint32_t shots, int32_t step, uint32_t delayMs,
                                  PtpFocusStackCallback callback);
