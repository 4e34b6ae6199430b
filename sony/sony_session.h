// The Sony session and properties: session start from the all-properties data
// (0x9209), the search and parse of that data into the store, re-reads,
// absolute writes on newer bodies and stepping on older ones, confirmation,
// and the property-change records the Tetherhub hands over with the events.
//
// Locks: the Sony property-data lock guards every search of the
// all-properties data and is taken before any record's lock, never while one
// is held by the same call chain; the Sony setting lock serialises stepped
// writes. Neither is held across a camera transaction.
#pragma once

#include <cstdint>

#include "generic/driver.h"
#include "ptp_properties.h"
#include "ptp_result.h"
#include "sony/sony_codes.h"

// The search's own answers: the code is not in the data / there is no data.
constexpr PtpResult kSonyPropertyNotFound = 0x2000;
constexpr PtpResult kSonyNoPropertyData = 0x201D;

// --- Session (sony/session.cpp) -------------------------------------------------------------
// The driver's session start: the all-properties data, then the 0xD2DC
// placeholder (newer bodies) or the fixed lists (older ones).
PtpResult PtpSony_StartSession(uint8_t hostMode);
// Empties the store and fills it from 0x9209. A failed 0x9209 gives its own
// result; a reply of 8 bytes or less counts as empty (PtpResult_Ok).
PtpResult PtpSony_LoadAllProperties();
// The fixed lists of older bodies; a list whose record is absent is skipped.
void PtpSony_BuildShutterSpeedList();
void PtpSony_BuildIsoList();
void PtpSony_BuildApertureList();
// Runs 0x9209 and parses every property of the vendor table from it, then
// adds the 0xD2DC placeholder on newer bodies (the change records' marker).
PtpResult PtpSony_ReloadFromCamera();

// --- All-properties data (sony/all_properties.cpp) -----------------------------------------
// Borrow data for the call. data starts after the 8-byte descriptor count.
// Searches every code of the vendor table, under the property-data lock; a
// record a descriptor changed is announced (queued, no notify). 0 for no data.
PtpResult PtpSony_LocateAndParseProperties(const uint8_t* data, uint32_t length);
// Searches the data for code's descriptor and parses it. PtpResult_Ok when
// found, kSonyPropertyNotFound when absent, kSonyNoPropertyData for none,
// PtpResult_InvalidArgument when every match was cut before its current
// value (the record then stays as it was). Takes the property-data lock.
PtpResult PtpSony_LocateProperty(uint32_t code, const uint8_t* data, uint32_t length,
                                 bool announce);
// Parses one descriptor (the record's lock held while it is written).
// *consumed: the bytes read; *stored: the current value reached the record.
// PtpResult_InvalidArgument when the descriptor is cut short,
// PtpResult_OutOfMemory when the store is full.
PtpResult PtpSony_ParsePropertyDescriptor(const uint8_t* desc, uint32_t available, uint32_t code,
                                          bool* changed, bool* stored, uint32_t* consumed);

// --- Properties (sony/properties.cpp) -------------------------------------------------------
// Re-reads code from 0x9209. A failed 0x9209 gives its own result; a reply of
// 8 bytes or less gives kSonyPropertyNotFound.
PtpResult PtpSony_RefreshProperty(uint32_t code, bool announce);
PtpResult PtpSony_RefreshValue(uint32_t code);
PtpResult PtpSony_SetPropertyValue(uint32_t code, uint32_t value);
PtpResult PtpSony_StepPropertyValue(uint32_t code, uint32_t target);
// Re-reads code until it shows expected, compared at the record's type width.
bool PtpSony_WaitForPropertyValue(uint32_t code, uint32_t expected);
PtpVerifyOutcome PtpSony_WaitForValue(uint32_t code, uint32_t value);
PtpResult PtpSony_IncrementProperty(uint32_t code, uint32_t direction);
// The generic setter's wait for the setting lock, counted as a waiting writer.
void PtpSony_BeforeWrite();
// 0x9204. Out: *data belongs to the caller.
PtpResult PtpSony_ReadValue(uint32_t code, uint8_t** data, uint32_t* length);
// Fetches the camera's events once and applies them.
PtpResult PtpSony_RefreshAllProperties();

// --- Change records (sony/events.cpp) -------------------------------------------------------
// The Tetherhub's event records, with one more fetch after a batch that
// changed the exposure mode.
PtpResult PtpSony_ParseEventData(const uint8_t* data, uint32_t length);
// Applies one property-change record; the record changed, or null.
PtpPropertyRecord* PtpSony_ApplyPropertyChange(uint32_t code, uint32_t value, uint8_t settable);
// The driver's hubPropertyChanged: applies the record and queues its change.
void PtpSony_HubPropertyChanged(uint32_t code, uint32_t value, uint8_t flag);
