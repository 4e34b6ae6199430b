// The Canon event-data parser: the walk over a block's records, the simple
// records, property values and the pending value list.
#include <cstdio>
#include <cstring>
#include <new>

#include "comms/bytes.h"
#include "eos/eos_session.h"
#include "eos/event_records.h"
#include "generic/event_queue.h"
#include "generic/property_names.h"

namespace {

// The parts of a value-changed record: property code, then its value bytes.
constexpr size_t kValueCodeAt = 8;
constexpr size_t kValueBytesAt = 12;
// Records that carry one u32 after the header.
constexpr size_t kWordAt = 8;

// What reading a property's compound image format gave.
enum class CompoundValue { Packed, Refused };

// A value-changed record for 0xD120..0xD123: the compound that fills the value
// becomes its packed code. A value shorter than its stated first block (or
// than the compound it announces) gives 0; a count other than 1 or 2 refuses
// the record.
CompoundValue pack_value(const uint8_t* value, size_t length, uint32_t* packed) {
    *packed = 0;
    ByteReader r = make_reader(value, length);
    uint32_t count = read_u32(r);
    uint32_t blockSize = read_u32(r);
    if (!r.ok || blockSize > length - 4) return CompoundValue::Packed;
    if (count == 0 || count > 2) return CompoundValue::Refused;
    if (length < PtpEos_CompoundSize(count)) return CompoundValue::Packed;
    *packed = PtpEos_PackImageFormatCompound(value, length);
    return CompoundValue::Packed;
}

void queue_word_event(uint32_t code, uint32_t word) {
    PtpEventData event{};
    event.code = code;
    put_u32(event.payload, word);
    PtpPushEvent(&event, /*notify=*/false);
}

// Handles one record whose size covers its fixed fields.
EosWalk handle_record(EosPendingList& pending, uint32_t type, const uint8_t* rec, uint32_t size) {
    switch (type) {
    case kEosRecordObjectAdded:
    case kEosRecordObjectAddedNamed:
    case kEosRecordObjectAddedNamedUcs2:
        PtpEos_HandleObjectAdded(type, rec, size);
        return EosWalk::Continue;
    case kEosRecordObjectRemoved:
        // The removed object's handle sits where an object record keeps it.
        queue_word_event(kPtpEventObjectRemoved, peek_u32(rec, size, kWordAt));
        return EosWalk::Continue;
    case kEosRecordRequestTransfer:
    case kEosRecordRequestTransferAlt:
        queue_word_event(type, peek_u32(rec, size, kWordAt));
        return EosWalk::Continue;
    case kEosRecordPropertyValue:
        PtpEos_HandleValueChanged(pending, rec, size);
        return EosWalk::Continue;
    case kEosRecordAllowedValues: return PtpEos_HandleAllowedValues(rec, size);
    case kEosRecordBusy:
        PtpEos_SetBusy(peek_u32(rec, size, kWordAt) != 0);
        return EosWalk::Continue;
    case kEosRecordCameraStatus: PtpEos_HandleCameraStatus(rec, size); return EosWalk::Continue;
    default: return EosWalk::Continue; // a type the library does not use
    }
}

} // namespace

size_t PtpEos_RecordFixedSize(uint32_t type) {
    switch (type) {
    case kEosRecordObjectAdded:
    case kEosRecordObjectRemoved:
    case kEosRecordRequestTransfer:
    case kEosRecordRequestTransferAlt:
    case kEosRecordPropertyValue:
    case kEosRecordBusy: return 12;
    case kEosRecordAllowedValues: return 20;    // code, a reserved word, the u16 count and its pad
    case kEosRecordCameraStatus: return 16;     // stated payload length and flags
    case kEosRecordObjectAddedNamed: return 44; // the name starts here and may be empty
    case kEosRecordObjectAddedNamedUcs2: return 49; // the name's count byte
    default: return kEosRecordHeaderSize;
    }
}

void PtpEos_InitPending(EosPendingList& list) {
    list.entries.reset(new (std::nothrow) EosPendingValue[kEosPendingCapacity]);
    list.count = 0;
    list.dropped = 0;
}

void PtpEos_PutPending(EosPendingList& list, const EosPendingValue& value) {
    for (size_t i = 0; i < list.count; ++i) {
        if (list.entries[i].code == value.code) {
            list.entries[i] = value;
            return;
        }
    }
    // More distinct missing properties than the list holds: the excess is
    // dropped rather than growing the list for a hostile block.
    if (list.count == kEosPendingCapacity) {
        ++list.dropped;
        return;
    }
    list.entries[list.count++] = value;
}

void PtpEos_QueuePropertyChanged(PtpPropertyRecord* record) {
    PtpQueuePropertyChanged(record, /*notify=*/false);
}

void PtpEos_LabelValue(char* out, size_t size, uint32_t code, uint32_t value) {
    // The driver speaks for a Canon camera whatever table the session chose.
    PtpLabelContext context = PtpNames_SessionContext();
    context.driver = &kPtpEosDriver;
    const char* label = PtpNames_ValueLabel(context, code, value);
    if (label && label[0])
        std::snprintf(out, size, "%s", label);
    else
        std::snprintf(out, size, "%d", static_cast<int32_t>(value));
}

bool PtpEos_ApplyAndAnnounce(const EosPendingValue& value) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(value.code, 0);
    if (!record) return false;
    uint8_t packed[4];
    const uint8_t* data = value.value;
    uint32_t length = value.length;
    if (value.isPacked) {
        put_u32(packed, value.packed);
        data = packed;
        length = sizeof packed;
    }

    bool text;
    {
        PtpRecordHold hold(record);
        text = record->dataType == kPtpTypeString;
        if (text) {
            // Canon sends texts as plain bytes, not as PTP strings; they end at
            // the first NUL or the value's end.
            size_t n = 0;
            while (n < length && n < sizeof record->currentLabel - 1 && data[n] != 0)
                ++n;
            std::memcpy(record->currentLabel, data, n);
            record->currentLabel[n] = '\0';
        }
    }
    // The store takes the record's lock itself; it is not held here so that
    // the store's slot guard is never waited for with a record locked.
    if (!text && PtpApplyPropertyValue(value.code, data, length) >= 0 &&
        value.code == kEosPropFocusMode) {
        // The camera reports the lens switch here; the host cannot change it.
        PtpRecordHold hold(record);
        record->access = 0;
    }
    PtpEos_QueuePropertyChanged(record);
    return true;
}

void PtpEos_HandleValueChanged(EosPendingList& pending, const uint8_t* rec, uint32_t size) {
    EosPendingValue value{};
    value.code = peek_u32(rec, size, kValueCodeAt);
    value.value = rec + kValueBytesAt;
    value.length = size - uint32_t(kValueBytesAt);
    if (PtpEos_IsImageFormatProperty(value.code)) {
        if (pack_value(value.value, value.length, &value.packed) == CompoundValue::Refused) return;
        value.isPacked = true;
    }
    if (!PtpEos_ApplyAndAnnounce(value)) PtpEos_PutPending(pending, value);
}

PtpResult PtpEos_ParseEventData(const uint8_t* block, uint32_t length) {
    if (!block || length == 0) return PtpResult_InvalidArgument;
    EosPendingList pending;
    PtpEos_InitPending(pending);
    if (!pending.entries) return PtpResult_OutOfMemory;

    EosWalk walk = EosWalk::Continue;
    size_t at = 0; // invariant: at <= length
    while (walk == EosWalk::Continue) {
        ByteReader r = make_reader(block + at, length - at);
        uint32_t size = read_u32(r);
        uint32_t type = read_u32(r);
        // A record that is cut short, runs past the block or is too small for
        // its type's fields ends the walk; a size below the header (the
        // camera's terminator is size 0) ends it too.
        if (!r.ok || size < kEosRecordHeaderSize || size > length - at) break;
        if (size < PtpEos_RecordFixedSize(type)) break;
        walk = handle_record(pending, type, block + at, size);
        at += size;
    }

    // What the walk gathered is applied even when it stopped on a failure.
    PtpEos_FinishPending(pending);
    switch (walk) {
    case EosWalk::StoreFull: return PtpResult_Failed;
    case EosWalk::OutOfMemory: return PtpResult_OutOfMemory;
    default: return PtpResult_Ok;
    }
}
