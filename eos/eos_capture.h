// The Canon EOS driver's capture functions: remote release, the shot
// sequences, half press and autofocus, bulb and the mirror tests (the object
// functions are in eos/eos_objects.h).
#pragma once

#include <cstdint>

#include "eos/eos_codes.h"
#include "ptp_eos.h"
#include "ptp_result.h"

// --- Capture ------------------------------------------------------------------------

// PtpEosInterface_InitiateImageCapture without the release: the driver's capture.
PtpResult PtpEos_InitiateCapture();

// Releases the shutter after PtpEosInterface_InitiateImageCapture: resumes the
// event-check loop if the press paused it, then (after a remote-release press)
// sends the two release steps. Returns the last step's result, PtpResult_Ok
// when the last press needed no release.
PtpResult PtpEos_ReleaseShutter();

// One shot: the capture, then on success the release.
PtpResult PtpEos_TakeShot();

// A shot and the wait for the camera to finish it. With mirror lock-up on the
// first release only raised the mirror: a second shot follows after 500 ms.
// The first shot's failure is returned as it is; any failure after it is
// PtpResult_CaptureFailed.
PtpResult PtpEos_TakeAndWait();

// A test shot: a capture with release, with the manual-focus flag set to 1 for
// it (so the camera does not autofocus) and restored afterwards.
PtpResult PtpEos_TakeTestShot();

// The double shot of a continuous drive mode with remote release and focus
// held, and its cure: the drive mode written to single shot (verified).
bool PtpEos_CouldDoubleShoot();
PtpResult PtpEos_MitigateDoubleShoot();

// Bulb: without remote release the bulb operations open and close the
// shutter; with it a held full press is the exposure. A successful stop waits
// for the camera to store the picture (the wait's outcome is not returned).
// Every EOS body has bulb. The exposure mode is bulb (mode 4), or manual
// (mode 3) with a bulb shutter speed; no camera traffic.
PtpResult PtpEos_StartBulb();
PtpResult PtpEos_StopBulb();
bool PtpEos_IsBulbAvailable();
bool PtpEos_IsBulbMode();

// Forgets a press's pause of the event loop: a new session starts with the
// loop running, so a release must not end a pause the host takes later.
void PtpEos_ResetCaptureState();

// Half press with the current focus flag, and its release.
PtpResult PtpEos_StartHalfPress();
PtpResult PtpEos_ReleaseHalfPress();

// Autofocus, and its cancellation.
PtpResult PtpEos_Focus();
PtpResult PtpEos_StopFocus();

// The wait for the camera to finish a shot: writes the colour-space (or
// capture-destination) property back with its own value, every 250 ms while
// the camera answers Device Busy. True once a write is accepted; false when
// neither property is writable or a write fails otherwise.
bool PtpEos_ReassertAfterShot();

// Mirror lock-up: the property is in the store with value 1; the camera lists
// the property in its DeviceInfo.
bool PtpEos_IsMirrorModeOn();
bool PtpEos_SupportsMirrorUp();

// Turns exposure bracketing off (unverified write) when it is on.
// PtpResult_OperationNotSupported when the camera has no such property.
PtpResult PtpEos_TurnOffBracketing();
