// The Fujifilm session and properties: the registered property set, camera and
// host priority, description refreshes with the exposure-mode rules, property
// writes and their verification, the Tetherhub's property records, the
// aperture list read from the lens and the driver's display strings. Host
// threads call the writers and refreshes; the event-check thread applies the
// Tetherhub's records.
#pragma once

#include <cstddef>
#include <cstdint>

#include "generic/driver.h"
#include "ptp_properties.h"
#include "ptp_result.h"

// --- Session (fuji/session.cpp) -------------------------------------------------------------
// Fills the store with the registered properties, in their order; a property
// the camera cannot describe is left out. Always OK: the media-recording write
// at the end is best effort. hostMode is not used (SetConnectionHostMode is).
PtpResult PtpFuji_StartSession(uint8_t hostMode);
// Camera priority (off) or host priority (on) through 0xD207, then every
// description again so access follows the mode. The write's failure is
// returned; option is not used.
PtpResult PtpFuji_SetConnectionHostMode(uint8_t on, uint8_t option);
// Whether the camera is in host priority (set only by SetConnectionHostMode).
bool PtpFuji_HostMode();
// Refreshes every stored description in store order; the library's own focus
// records, which no camera reports, are skipped. Failed at the first failure.
PtpResult PtpFuji_RefreshAllProperties();
// Reads code's description, applies the exposure-mode rules and queues the
// change (notifying the host). False when code is not stored or unread.
bool PtpFuji_RefreshPropertyDescription(uint32_t code);
// The driver table's form of the same: OK or PtpResult_Failed.
PtpResult PtpFuji_RefreshDescription(uint32_t code);
// Whether aperture / shutter speed / compensation can be set in exposure mode
// mode: only in host priority, each in its modes.
bool PtpFuji_IsApertureSettable(uint32_t mode);
bool PtpFuji_IsShutterSettable(uint32_t mode);
bool PtpFuji_IsCompensationSettable(uint32_t mode);
// Shots left on the card, from the label of 0xD20D; 0 when unknown.
uint32_t PtpFuji_GetSdAvailableShots();

// --- Properties (fuji/properties.cpp) -------------------------------------------------------
// SetDevicePropValue with value cut to the property's type. A property that is
// neither stored nor named by the driver: PtpResult_OperationNotSupported.
// Live view is switched off first where the body needs it, and flagged for
// the restart that ends every write.
PtpResult PtpFuji_WritePropertyValue(uint32_t code, uint32_t value);
// Writes text as a PTP string. PtpResult_OperationNotSupported when the store
// has no code, PtpResult_InvalidArgument for an empty or null text.
PtpResult PtpFuji_WriteStringProperty(uint32_t code, const char* text);
// Reads code until the store shows value (cut to the property's type), at most
// 10 times 100 ms apart.
bool PtpFuji_WaitForPropertyValue(uint32_t code, uint32_t value);
PtpVerifyOutcome PtpFuji_WaitForValue(uint32_t code, uint32_t value);
// GetDevicePropValue / GetDevicePropDesc for code. Out: *data belongs to the
// caller (free).
PtpResult PtpFuji_GetPropertyValueData(uint32_t code, uint8_t** data, uint32_t* length);
PtpResult PtpFuji_GetPropertyDescriptionData(uint32_t code, uint8_t** data, uint32_t* length);
// The description read of the driver table: GetDevicePropDesc, parsed.
bool PtpFuji_FetchDescription(PtpPropertyRecord* record);
// The labels the driver prints itself (aperture, compensation), in the calling
// thread's buffer; null for every other code.
const char* PtpFuji_PrintedLabel(uint32_t code, uint32_t value);

// --- Events (fuji/events.cpp) ---------------------------------------------------------------
// Stores one property record of the Tetherhub's event block; returns the
// record, or null when the store has no code. A text property is read from the
// camera instead. Access follows access only in host priority.
PtpPropertyRecord* PtpFuji_ApplyEventValue(uint32_t code, uint32_t value, uint8_t access);
// The driver table's hook for a Tetherhub property record: the exposure-mode
// rules, the store, the dependent descriptions and the change event.
void PtpFuji_HubPropertyChanged(uint32_t code, uint32_t value, uint8_t flag);

// --- Aperture list (fuji/aperture_list.cpp) -------------------------------------------------
// Asks the lens for its f-stops (0xD38C, then 0xD38D) and makes them 0x5007's
// allowed values. PtpResult_DataSetParseFailed for a value that holds no text
// or does not fit its data; 0x5007 is then unchanged.
PtpResult PtpFuji_RebuildApertureList();
// Decodes a PTP string value into out (size bytes, NUL-terminated), bounded by
// the count, the first NUL, 128 characters and length. False when the value is
// shorter than its count says or holds no text. Borrows data.
bool PtpFuji_DecodeValueText(const uint8_t* data, uint32_t length, char* out, size_t size);
// Replaces 0x5007's list with the comma-separated hundredths of text (at most
// 30 rows). The old list stays when the new one cannot be allocated.
PtpResult PtpFuji_SetApertureList(const char* text);
// Test hook: the allocator of the aperture list (null: calloc).
void PtpFuji_SetListAllocator(void* (*allocate)(size_t count, size_t size));
