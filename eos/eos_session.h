// The Canon EOS driver's session, property values and event data: what the
// vendor-neutral layer calls for a Canon camera, and the session state the
// other Canon files read.
//
// Every camera operation here runs through PtpTransaction_ExecuteWithRetry in
// blocking mode (one retry after 100 ms when the camera answers busy).
#pragma once

#include <cstddef>
#include <cstdint>

#include "eos/eos_models.h"
#include "generic/driver.h"
#include "ptp_result.h"

// --- Session -----------------------------------------------------------------------

// Puts the camera into remote mode and event mode, asks for every property
// (0x913D when listed), then fetches the camera's first report twice (blocking,
// then with the try-lock) so the property store fills. Chooses the exposure-mode
// property. The host mode is not used: Canon bodies have none. Returns the first
// failing transaction's result, else the first failing fetch's, else
// PtpResult_Ok. Runs on the host's thread.
PtpResult PtpEos_StartSession(uint8_t hostMode);

// Vendor operation 0x9114 with (mode); the result is not reported.
void PtpEos_SetRemoteMode(uint32_t mode);

// The Canon keep-alive, vendor operation 0x911D.
PtpResult PtpEos_KeepAlive();

// The property that holds the current exposure mode: 0xD138 when the camera
// lists it, else 0xD105 (and 0xD105 before any Canon session).
uint32_t PtpEos_ExposureModePropertyCode();

// The camera's busy flag, as last reported in its event data (0xC18B).
bool PtpEos_IsBusy();
void PtpEos_SetBusy(bool busy);

// True when the camera's DeviceInfo lists the device property code.
bool PtpEos_CameraListsProperty(uint32_t code);

// --- Property values ---------------------------------------------------------------------

// Writes one value with vendor operation 0x9110. For 0xD120..0xD123 the value
// is a packed image-format code, sent as its compound; a packed code whose
// count is not 1 or 2 gives PtpResult_InvalidArgument and nothing is sent.
// PtpResult_OutOfMemory when the data cannot be built; else the camera's code.
PtpResult PtpEos_WritePropertyValue(uint32_t code, uint32_t value);

// Reads a property's raw value bytes with vendor operation 0x9127 (code).
// Out: *data is malloc'd and belongs to the caller (null on failure).
// PtpResult_InvalidArgument for null outputs.
PtpResult PtpEos_RequestPropertyValue(uint32_t code, uint8_t** data, uint32_t* length);

// Makes the camera report every property again (0x9115), and parses the report
// while holding the event-fetch lock. Returns 0x9115's failure, else the
// fetch's result. Runs on a host thread, never on the event-check thread.
PtpResult PtpEos_RefreshAllProperties();
// The same for the driver's description refresh: every property, whatever code.
PtpResult PtpEos_RefreshDescription(uint32_t code);

// Properties whose values the camera does not list: the viewfinder output and
// the lens zoom take any value.
bool PtpEos_IsUnlistedProperty(uint32_t code);

// Waits for a written value in the camera's event data: fetches events up to
// five times, 100 ms apart, until the store shows value.
PtpVerifyOutcome PtpEos_WaitForValue(uint32_t code, uint32_t value);

// --- Event data -------------------------------------------------------------------------

// Parses one block of Canon event data: updates the property store and queues
// events without notifying the host. PtpResult_InvalidArgument for a null or
// empty block, PtpResult_OutOfMemory when the pending list or an allowed-value
// list cannot be allocated, PtpResult_Failed when the property store is full;
// what was applied and queued before such a stop stays. A record that is
// malformed (shorter than its header or fixed fields, or running past the
// block) ends the walk like the end of the block. Borrows block for the call.
PtpResult PtpEos_ParseEventData(const uint8_t* block, uint32_t length);

// --- Encodings --------------------------------------------------------------------------

// True for the four image-format properties whose values are compounds.
inline bool PtpEos_IsImageFormatProperty(uint32_t code) {
    return code >= kEosPropImageFormat && code <= kEosPropImageFormatLast;
}

// The PTP data type the driver gives a property when its allowed values
// arrive, whatever the camera says elsewhere.
uint32_t PtpEos_DataTypeForProperty(uint32_t code);

// A compound image format in the camera's layout: u32 count, then per format
// u32 block size (16), kind, size, quality.
constexpr size_t kEosCompoundHeaderSize = 4;
constexpr size_t kEosCompoundBlockSize = 16;

// The bytes a compound of count formats takes.
inline size_t PtpEos_CompoundSize(uint32_t count) {
    return kEosCompoundHeaderSize + kEosCompoundBlockSize * count;
}

// Packs the compound at p (len bytes) into the library's 32-bit code. The
// caller checks the count and that the compound lies in len; a field outside
// len reads as 0, and the second format is read only for a count of 2.
uint32_t PtpEos_PackImageFormatCompound(const uint8_t* p, size_t len);
