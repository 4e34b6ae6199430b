// The property store: up to 300 records, one per device property the camera
// offers, created by the vendor drivers at session start and kept current from
// events. Records never move, so their pointers stay valid for the session.
//
// Each record has its own (recursive) lock; the description parse holds it
// throughout. The store's slot list has a guard of its own for appending and
// lookup. Clearing the store takes every record's lock with the event loop
// paused.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ptp_properties.h"
#include "ptp_result.h"

constexpr uint16_t kPropertyStoreCapacity = 300;

// PTP data types.
constexpr uint32_t kPtpTypeInt8 = 1;
constexpr uint32_t kPtpTypeUint8 = 2;
constexpr uint32_t kPtpTypeInt16 = 3;
constexpr uint32_t kPtpTypeUint16 = 4;
constexpr uint32_t kPtpTypeInt32 = 5;
constexpr uint32_t kPtpTypeUint32 = 6;
constexpr uint32_t kPtpTypeInt64 = 7;
constexpr uint32_t kPtpTypeUint64 = 8;
constexpr uint32_t kPtpTypeString = 0xFFFF;

// A value count that means "list not checked on write" when no list was parsed.
constexpr uint16_t kValueListUnchecked = 255;

constexpr uint16_t kPtpOpGetDevicePropDesc = 0x1014;
constexpr uint16_t kPtpOpGetDevicePropValue = 0x1015;
constexpr uint16_t kPtpOpSetDevicePropValue = 0x1016;
constexpr uint16_t kPtpRespDevicePropNotSupported = 0x2006;

// Empties the store: every record's code 0, its value list freed, count 0.
void PtpClearPropertyStore();

// Appends a record for code (null when the store is full). With lockOnReturn
// the record is returned locked. Every slot's lock is recursive, so
// recursiveLock is accepted for the drivers' sake and changes nothing.
PtpPropertyRecord* PtpAddPropertyRecord(uint32_t code, bool lockOnReturn, bool recursiveLock);

// Removes the record just added when its creation failed (last slot only).
void PtpDiscardLastPropertyRecord(PtpPropertyRecord* record);

// PtpLockProperty and PtpUnlockProperty are exported (ptp_properties.h).

// Scoped hold of a record's lock.
struct PtpRecordHold {
    explicit PtpRecordHold(PtpPropertyRecord* r) : record(r) { PtpLockProperty(record); }
    ~PtpRecordHold() { PtpUnlockProperty(record); }
    PtpRecordHold(const PtpRecordHold&) = delete;
    PtpRecordHold& operator=(const PtpRecordHold&) = delete;
    PtpPropertyRecord* record;
};

// Reads a DevicePropDesc data set into the record: type, access, name, current
// value and the allowed values. False, with the record unchanged, when the
// data is malformed or does not fit.
bool PtpParsePropertyDescription(PtpPropertyRecord* record, const uint8_t* data, uint32_t length);

// Reads the record's description from the camera through the session's driver
// and parses it. False on any failure, or when the driver has no such read.
bool PtpFetchPropertyDescription(PtpPropertyRecord* record);

// Stores a raw current value for code. Returns the record's position, or -1
// when there is no record or the data is too short.
int PtpApplyPropertyValue(uint32_t code, const uint8_t* data, uint32_t length);

// Reads one value of dataType from data into *out (zero-extended); returns the
// bytes it takes on the wire, or 0 for an unknown type or short data.
size_t PtpReadTypedValue(uint32_t dataType, const uint8_t* data, size_t length, uint32_t* out);

size_t PtpDataTypeSize(uint32_t dataType);
size_t PtpPropertyValueSize(const PtpPropertyRecord* record);

// The current value of code's record, read under its lock. False when code is
// 0 or the store has no such record (*value untouched).
bool PtpReadCurrentValue(uint32_t code, uint32_t* value);

// The validation of a write, as a test (used by drivers that check values).
bool PtpIsPropertyValueAllowed(uint32_t code, uint32_t value);

// Reads the raw value bytes of a stored property from the camera. Out: *data
// belongs to the caller.
PtpResult PtpReadPropertyValueData(uint32_t code, uint8_t** data, uint32_t* length);

// Reloads every property through the session's driver.
PtpResult PtpReloadAllProperties();

// The plain-PTP bodies of the driver's property entries, for the plain driver
// and the vendor drivers whose cameras answer the standard operations.
// GetDevicePropDesc, parsed into the record; false on any failure.
bool PtpStandard_FetchDescription(PtpPropertyRecord* record);
// GetDevicePropValue. Out: *data belongs to the caller.
PtpResult PtpStandard_ReadValue(uint32_t code, uint8_t** data, uint32_t* length);
// The value bytes from the driver's readValue, stored in the record.
PtpResult PtpStandard_RefreshValue(uint32_t code);
// Plain PTP cannot refresh descriptions: 0 (not OK), with no camera traffic.
PtpResult PtpStandard_RefreshDescription(uint32_t code);
// Refreshes every stored property's value, stopping at the first failure;
// PtpResult_Failed for an empty store.
PtpResult PtpStandard_ReloadAll();

// The record at a position of the store, or null past the count.
PtpPropertyRecord* PtpPropertyAt(uint16_t index);
uint16_t PtpPropertyCount();
