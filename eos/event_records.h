// Internals of the Canon event-data parser, shared by its files: the record
// layout, the pending value list and the per-record handlers.
//
// A block is a sequence of records: u32 size (the whole record, these 8 header
// bytes included), u32 type, then the payload. Every handler gets one record
// whose size the walk has checked against the block and the type's fixed
// fields, and reads it only through the checked cursor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "eos/eos_codes.h"
#include "generic/property_store.h"
#include "ptp_properties.h"

constexpr size_t kEosRecordHeaderSize = 8;

// The smallest record a type can be handled from: its header and fixed fields.
size_t PtpEos_RecordFixedSize(uint32_t type);

// One value waiting for its property to appear in the store. Either value
// points at length bytes inside the block, or the value is a packed
// image-format code held in the entry itself.
struct EosPendingValue {
    uint32_t code;
    const uint8_t* value;
    uint32_t length;
    uint32_t packed;
    bool isPacked;
};

// The pending value list of one block: at most kEosPendingCapacity entries, one
// per property code, the last value winning.
constexpr size_t kEosPendingCapacity = 768;

struct EosPendingList {
    std::unique_ptr<EosPendingValue[]> entries; // null when the allocation failed
    size_t count = 0;
    size_t dropped = 0; // values for further codes, refused once the list was full
};

// Allocates the list; entries stays null when memory is short.
void PtpEos_InitPending(EosPendingList& list);

// Puts a value into the list, overwriting the entry of the same code. A new
// code beyond the capacity is dropped (counted in dropped).
void PtpEos_PutPending(EosPendingList& list, const EosPendingValue& value);

// How a record's handling ended: go on with the next record, or stop the walk
// with a failure.
enum class EosWalk { Continue, StoreFull, OutOfMemory };

// Handlers, one per record kind. rec points at the record's first byte and
// size is its checked size.
void PtpEos_HandleObjectAdded(uint32_t type, const uint8_t* rec, uint32_t size);
void PtpEos_HandleValueChanged(EosPendingList& pending, const uint8_t* rec, uint32_t size);
EosWalk PtpEos_HandleAllowedValues(const uint8_t* rec, uint32_t size);
void PtpEos_HandleCameraStatus(const uint8_t* rec, uint32_t size);

// Applies a value to the property's existing record and queues a
// DevicePropChanged event for it. False (nothing queued) without a record.
bool PtpEos_ApplyAndAnnounce(const EosPendingValue& value);

// After the walk: applies the pending values whose properties now exist and
// creates the synthetic records the camera never describes.
void PtpEos_FinishPending(const EosPendingList& list);

// Queues DevicePropChanged carrying the record's address, without notifying.
void PtpEos_QueuePropertyChanged(PtpPropertyRecord* record);

// The label of a value of a Canon property: its display string, else the value
// as a signed decimal; cut to the field.
void PtpEos_LabelValue(char* out, size_t size, uint32_t code, uint32_t value);

// Fixed lists, each ended by a row with an empty label.
extern const PtpValueLabel kEosBracketingHalfStops[];  // 7 rows
extern const PtpValueLabel kEosBracketingThirdStops[]; // 10 rows

// Gives a record (its lock held) a copy of count rows as its allowed values.
// False, with the list left empty, when memory is short.
bool PtpEos_SetValueList(PtpPropertyRecord* record, const PtpValueLabel* rows, size_t count);

// The rows of a list ended by a row with an empty label.
size_t PtpEos_CountRows(const PtpValueLabel* rows);

// Allowed-value lists are allocated through this function: malloc, unless a
// test installs one that fails. Null restores malloc.
using EosListAllocator = void* (*)(size_t bytes);
void PtpEos_SetListAllocator(EosListAllocator allocate);
