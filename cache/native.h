// The host image API's internal side: the whole-object fetch from the camera,
// shared with the sharing functions, and its constants.
#pragma once

#include <cstdint>

#include "ptp_native.h"

// Objects of this size or more are fetched in parts.
constexpr uint32_t kWholeObjectLimit = 5120000;
// Part size, unless the session's driver names its own.
constexpr uint32_t kPartSize = 0x200000;
// Busy camera: each request is tried this many times, with this pause after
// every busy answer.
constexpr int kBusyAttempts = 5;
constexpr uint32_t kBusyPauseMillis = 1000;

// Fetches the whole camera object: below 5,120,000 bytes in one GetObject,
// else (or always, when the session's driver says so) in parts through the
// Tetherhub (Comms_GetPartialObject). A non-zero
// shareMode passes the data on to the other clients as it travels. Returns
// PtpResult_Ok with *data holding *length bytes (null and 0 under share mode
// 0xA0, and for an empty object), PtpResult_InvalidArgument for null
// arguments, PtpResult_BadReply for a part answered with more bytes than asked
// or with none, PtpResult_OutOfMemory, or the camera's or Tetherhub's code;
// on failure *data is null and *length 0. Each request is tried up to five
// times while the camera answers 0x2019. Out: *data is malloc'd; the caller
// releases it with FreeMemory.
PtpResult Native_FetchObject(const PtpObjectInfo* record, uint8_t** data, uint32_t* length,
                             uint8_t shareMode);

// Test seam: replaces the pause after a busy answer (milliseconds); null
// restores the real sleep.
using NativePauseFn = void (*)(uint32_t millis);
void Native_SetPauseForTest(NativePauseFn pause);

// The pause after a busy answer, through the seam.
void Native_PauseAfterBusy();

// A copy of the record with its file name cut to end in a NUL inside its 256
// bytes: records come from the camera, the Tetherhub and the host.
PtpObjectInfo Native_BoundedRecord(const PtpObjectInfo& record);
