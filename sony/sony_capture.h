// Sony capture: virtual-button presses and releases, the shot and its waits,
// bulb, movie recording and the captures waiting behind the fixed capture
// handle. A Sony body is driven like a remote control: each action presses
// (2) or releases (1) a button through 0x9207. Calls block on the calling
// (host) thread; every transaction goes through the engine's lock.
#pragma once

#include <cstdint>

#include "ptp_result.h"

// --- Controls (sony/controls.cpp) --------------------------------------------------------

constexpr uint32_t kSonyPress = 2;
constexpr uint32_t kSonyRelease = 1;

// 0x9207 with parameter control and a data phase of size (1, 2 or 4) bytes
// holding value, little-endian. The camera's answer; PtpResult_InvalidArgument
// for another size.
PtpResult PtpSony_SendControl(uint32_t control, uint32_t value, uint8_t size);
PtpResult PtpSony_Press(uint32_t button);
PtpResult PtpSony_Release(uint32_t button);

// Reads code again up to attempts times, 250 ms apart, until its value is
// expected. False at once when a read fails or the store has no such record.
// The read is the driver's property refresh.
bool PtpSony_AwaitValue(uint32_t code, uint32_t expected, uint32_t attempts);

// Every pause of the capture and focus calls, scaled by percent (100: as
// written). Tests shorten them; never changed by the library itself.
void PtpSony_SetPauseScale(uint32_t percent);
void PtpSony_Pause(uint32_t ms);

// --- Shots (sony/capture.cpp) ------------------------------------------------------------

// Presses half press then shutter; a failed shutter press releases the half
// press again. The first failure is returned.
PtpResult PtpSony_InitiateCapture();
// Releases half press and shutter, both always; the first failure is returned.
PtpResult PtpSony_ReleaseShutter();
PtpResult PtpSony_StartHalfPress();
PtpResult PtpSony_ReleaseHalfPress();
// The press-and-release shot: press, wait for focus (unless manual focus) and
// for a bracket to be exposed, then release.
PtpResult PtpSony_Shoot();
// A shot, then the wait until the camera has handed the image over (0xD215
// back to 0). PtpResult_Ok once the shot went through.
PtpResult PtpSony_TakeShotAndWait();
// Waits until 0xD215 reads 0 (at most 200 reads 250 ms apart).
void PtpSony_WaitForImageTransfer();

// Drive modes (low 16 bits of 0x5013) that shoot a series, and the frames of
// a bracketing drive mode (0 for none).
bool PtpSony_IsDriveModeContinuous(uint32_t value);
uint32_t PtpSony_BracketFrames(uint32_t driveMode);
// The shutter time of value (0xD20D) in ms: 0 when it is not a fraction,
// never more than the longest exposure a wait allows for.
uint64_t PtpSony_ExposureMs(uint32_t value);

// --- Bulb and movie (sony/bulb.cpp, sony/movie.cpp) ------------------------------------------

PtpResult PtpSony_StartBulb();
PtpResult PtpSony_StopBulb();
bool PtpSony_IsBulbMode();
bool PtpSony_IsBulbAvailable();
bool PtpSony_CanStartBulb();
PtpResult PtpSony_StartRecordMovie();
PtpResult PtpSony_StopRecordMovie();

// --- Pending captures (sony/objects.cpp) -----------------------------------------------------

// The captures waiting on the camera, each under the fixed capture handle:
// 0xD215 read again (a failed read gives 0x2000, an absent one
// PtpResult_Failed); 0 gives none, a value below 0x8000 Device Busy (the
// camera is still processing), 0x8000 + N gives N handles. An N above 0x7FFF
// is more than the property can announce: PtpResult_InvalidData, no array.
// Out: *handles is malloc'd (null for none); the caller frees it.
PtpResult PtpSony_GetPendingObjectHandles(uint32_t** handles, uint32_t* count);
