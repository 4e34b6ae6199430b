#include "generic/property_store.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "comms/bytes.h"
#include "generic/driver.h"
#include "generic/event_loop.h"
#include "generic/session.h"
#include "ptp_names.h"

namespace {

struct PropertyStore {
    // Guards the count and slot creation; never held while a record's lock is
    // taken by a lookup's caller.
    std::mutex guard;
    PtpPropertyRecord records[kPropertyStoreCapacity] = {};
    bool lockReady[kPropertyStoreCapacity] = {}; // a slot's lock is initialised once
    uint16_t count = 0;                          // guarded by guard
};

PropertyStore g_store;

// The largest list a range may expand to: valueCount is 16 bits.
constexpr int64_t kMaxRangeEntries = 0xFFFF;

void init_slot_lock(uint16_t i) {
    if (g_store.lockReady[i]) return;
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&g_store.records[i].lock, &attr);
    pthread_mutexattr_destroy(&attr);
    g_store.lockReady[i] = true;
}

// The value as the number it stands for: signed types are sign-extended.
int64_t numeric_value(uint32_t type, uint32_t raw) {
    switch (type) {
    case kPtpTypeInt8: return int8_t(raw);
    case kPtpTypeInt16: return int16_t(raw);
    case kPtpTypeInt32:
    case kPtpTypeInt64: return int32_t(raw);
    default: return raw;
    }
}

// The type's own bit pattern of a number, zero-extended to 32 bits.
uint32_t type_pattern(uint32_t type, int64_t number) {
    switch (PtpDataTypeSize(type)) {
    case 1: return uint32_t(number) & 0xFF;
    case 2: return uint32_t(number) & 0xFFFF;
    default: return uint32_t(number);
    }
}

template <size_t N> void copy_label(char (&out)[N], const char* text) {
    std::snprintf(out, N, "%s", text ? text : "");
}

template <size_t N> void print_number(char (&out)[N], uint32_t type, uint32_t raw) {
    std::snprintf(out, N, "%lld", static_cast<long long>(numeric_value(type, raw)));
}

// A label for a value: the label tables first (when asked), else the number.
template <size_t N>
void label_value(char (&out)[N], uint32_t code, uint32_t type, uint32_t raw, bool lookup) {
    const char* label =
        lookup ? PtpGenericInterface_StringForPropertyCodeValue(code, raw) : nullptr;
    if (label)
        copy_label(out, label);
    else
        print_number(out, type, raw);
}

// A PTP string: count byte N, then N UCS-2 units; the low bytes are kept, cut to
// the field. False (nothing consumed) when it does not fit.
template <size_t N> bool read_ptp_text(ByteReader& r, char (&out)[N]) {
    if (bytes_left(r) < 1) return false;
    size_t units = r.p[r.pos];
    if (bytes_left(r) - 1 < 2 * units) return false;
    skip(r, 1);
    std::memset(out, 0, N);
    for (size_t i = 0; i < units; ++i) {
        uint16_t unit = read_u16(r);
        if (i < N - 1) out[i] = char(unit & 0xFF);
    }
    out[N - 1] = '\0';
    return true;
}

int index_of(PtpPropertyRecord* record) { return int(record - g_store.records); }

// Stores a raw value into a record (its lock held). False when the data is too
// short; the record is then unchanged.
bool apply_value(PtpPropertyRecord* record, const uint8_t* data, size_t length) {
    const PtpDriverProperties& driver = PtpSession_Driver()->properties;
    ByteReader r = make_reader(data, length);
    if (record->dataType == kPtpTypeString) {
        char text[PTP_CURRENT_LABEL_SIZE];
        if (!read_ptp_text(r, text)) return bytes_left(r) > 0; // too long: unchanged
        copy_label(record->currentLabel, text);
        uint32_t value = 0;
        if (driver.textValue && driver.textValue(record->code, text, &value)) {
            record->currentValue = value;
            return true;
        }
        for (uint16_t i = 0; record->values && i < record->valueCount; ++i) {
            if (std::strcmp(record->values[i].label, text) == 0) {
                record->currentValue = record->values[i].value;
                break;
            }
        }
        return true;
    }
    size_t size = PtpDataTypeSize(record->dataType);
    uint32_t value = size == 1 ? read_u8(r) : size == 2 ? read_u16(r) : read_u32(r);
    if (!r.ok) return false;
    if (driver.storedValue) value = driver.storedValue(record->code, value);
    record->currentValue = value;
    label_value(record->currentLabel, record->code, record->dataType, value, true);
    return true;
}

} // namespace

// --- Store ---------------------------------------------------------------------

void PtpClearPropertyStore() {
    // The event thread must not be inside a record while its list is freed; it
    // already holds the pause when a driver clears from its own pass.
    PtpPauseHold paused;
    std::lock_guard<std::mutex> held(g_store.guard);
    for (uint16_t i = 0; i < kPropertyStoreCapacity; ++i) {
        PtpPropertyRecord& record = g_store.records[i];
        if (!g_store.lockReady[i]) continue; // never used: nothing to free
        pthread_mutex_lock(&record.lock);
        record.code = 0;
        std::free(record.values);
        record.values = nullptr;
        record.valueCount = 0;
        pthread_mutex_unlock(&record.lock);
    }
    g_store.count = 0;
}

PtpPropertyRecord* PtpAddPropertyRecord(uint32_t code, bool lockOnReturn, bool) {
    PtpPropertyRecord* record;
    {
        std::lock_guard<std::mutex> held(g_store.guard);
        if (g_store.count >= kPropertyStoreCapacity) return nullptr;
        uint16_t i = g_store.count;
        init_slot_lock(i);
        record = &g_store.records[i];
        pthread_mutex_lock(&record->lock);
        record->code = code;
        std::free(record->values);
        record->values = nullptr;
        record->valueCount = 0;
        ++g_store.count;
    }
    if (!lockOnReturn) pthread_mutex_unlock(&record->lock);
    return record;
}

void PtpDiscardLastPropertyRecord(PtpPropertyRecord* record) {
    std::lock_guard<std::mutex> held(g_store.guard);
    if (!record || g_store.count == 0 || record != &g_store.records[g_store.count - 1]) return;
    pthread_mutex_lock(&record->lock);
    record->code = 0;
    std::free(record->values);
    record->values = nullptr;
    record->valueCount = 0;
    pthread_mutex_unlock(&record->lock);
    --g_store.count;
}

bool PtpLockProperty(PtpPropertyRecord* record) {
    return !record || pthread_mutex_lock(&record->lock) == 0;
}

bool PtpUnlockProperty(PtpPropertyRecord* record) {
    return !record || pthread_mutex_unlock(&record->lock) == 0;
}

PtpPropertyRecord* PtpGenericInterface_GetProperty(uint32_t code, uint8_t lock) {
    PtpPropertyRecord* found = nullptr;
    {
        std::lock_guard<std::mutex> held(g_store.guard);
        for (uint16_t i = 0; i < g_store.count && !found; ++i)
            if (g_store.records[i].code == code) found = &g_store.records[i];
    }
    if (found && lock) PtpLockProperty(found);
    return found;
}

bool PtpGenericInterface_IsPropertySupported(uint32_t code) {
    return PtpGenericInterface_GetProperty(code, 0) != nullptr;
}

PtpPropertyRecord* PtpPropertyAt(uint16_t index) {
    std::lock_guard<std::mutex> held(g_store.guard);
    return index < g_store.count ? &g_store.records[index] : nullptr;
}

uint16_t PtpPropertyCount() {
    std::lock_guard<std::mutex> held(g_store.guard);
    return g_store.count;
}

// --- Values ----------------------------------------------------------------------

size_t PtpDataTypeSize(uint32_t dataType) {
    switch (dataType) {
    case kPtpTypeInt8:
    case kPtpTypeUint8: return 1;
    case kPtpTypeInt16:
    case kPtpTypeUint16: return 2;
    case 0:
    case kPtpTypeInt32:
    case kPtpTypeUint32: return 4;
    case kPtpTypeInt64:
    case kPtpTypeUint64: return 8;
    default: return 0;
    }
}

size_t PtpPropertyValueSize(const PtpPropertyRecord* record) {
    if (!record) return 0;
    if (record->dataType == kPtpTypeString) return std::strlen(record->currentLabel);
    if ((record->dataType & 0xFF) > 8) return 0;
    return PtpDataTypeSize(record->dataType);
}

size_t PtpReadTypedValue(uint32_t dataType, const uint8_t* data, size_t length, uint32_t* out) {
    ByteReader r = make_reader(data, length);
    uint32_t value = 0;
    size_t size = 0;
    switch (dataType) {
    case kPtpTypeInt8:
    case kPtpTypeUint8:
        value = read_u8(r);
        size = 1;
        break;
    case kPtpTypeInt16:
    case kPtpTypeUint16:
        value = read_u16(r);
        size = 2;
        break;
    case kPtpTypeInt32:
    case kPtpTypeUint32:
        value = read_u32(r);
        size = 4;
        break;
    case kPtpTypeInt64:
    case kPtpTypeUint64:
        // The upper half of the 8-byte field.
        skip(r, 4);
        value = read_u32(r);
        size = 8;
        break;
    case kPtpTypeString: {
        // A PTP string takes its count byte and two bytes per unit.
        uint8_t units = read_u8(r);
        if (!r.ok) return 0;
        size = units ? 1 + 2 * size_t(units) : 1;
        return size <= length ? size : 0;
    }
    default: return 0;
    }
    if (!r.ok) return 0;
    if (out) *out = value;
    return size;
}

int PtpApplyPropertyValue(uint32_t code, const uint8_t* data, uint32_t length) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) return -1;
    bool ok = data && apply_value(record, data, length);
    int position = index_of(record);
    PtpUnlockProperty(record);
    return ok ? position : -1;
}

// --- Descriptions -------------------------------------------------------------------

bool PtpParsePropertyDescription(PtpPropertyRecord* record, const uint8_t* data, uint32_t length) {
    if (!record || !data) return false;
    PtpRecordHold hold(record);
    const PtpDriverProperties& driver = PtpSession_Driver()->properties;
    const uint32_t code = record->code;

    // Everything is read into a scratch copy first: a field that does not fit
    // fails the parse and leaves the record as it was.
    ByteReader r = make_reader(data, length);
    read_u16(r); // the code, as the camera echoes it
    const uint32_t type = read_u16(r);
    const uint8_t access = read_u8(r);
    if (!r.ok) return false;
    const bool text = type == kPtpTypeString;
    const size_t size = PtpDataTypeSize(type);
    if (!text && (type == 0 || size == 0)) return false;

    // A scratch record without a lock of its own: only the fields are used.
    PtpPropertyRecord scratch;
    std::memset(&scratch, 0, sizeof scratch);
    scratch.code = code;
    scratch.currentValue = record->currentValue;
    copy_label(scratch.currentLabel, record->currentLabel);
    scratch.dataType = type;
    scratch.access = access;
    scratch.name = PtpGenericInterface_StringForPropertyCode(code);
    scratch.values = nullptr;
    scratch.valueCount = 0;

    // Factory default, then the current value.
    if (text) {
        char ignored[PTP_CURRENT_LABEL_SIZE];
        if (!read_ptp_text(r, ignored)) return false;
        if (!read_ptp_text(r, scratch.currentLabel)) return false;
    } else {
        if (!skip(r, size)) return false;
        size_t at = r.pos;
        if (!skip(r, size)) return false;
        if (!apply_value(&scratch, data + at, size)) return false;
    }

    const uint8_t form = read_u8(r);
    if (!r.ok) return false;

    std::vector<PtpValueLabel> list; // other forms, and texts with a range, give no list
    if (form == 1 && !text) {
        uint32_t raw[3];
        for (uint32_t& v : raw) {
            if (bytes_left(r) < size) return false;
            PtpReadTypedValue(type, r.p + r.pos, size, &v);
            skip(r, size);
        }
        int64_t min = numeric_value(type, raw[0]);
        int64_t max = numeric_value(type, raw[1]);
        int64_t step = numeric_value(type, raw[2]);
        bool listed = !driver.rangeListed || driver.rangeListed(code);
        if (listed && max != min && step != 0) {
            int64_t count = (max - min) / step + 1;
            // A range wider than a 16-bit count gets no list rather than a
            // wrapped one.
            if (count > 0 && count <= kMaxRangeEntries) {
                bool lookup = driver.rangeLabelled && driver.rangeLabelled(code);
                list.resize(size_t(count));
                for (int64_t i = 0; i < count; ++i) {
                    PtpValueLabel& entry = list[size_t(i)];
                    entry.value = type_pattern(type, min + i * step);
                    label_value(entry.label, code, type, entry.value, lookup);
                }
            }
        }
    } else if (form == 2) {
        uint16_t count = read_u16(r);
        if (!r.ok) return false;
        if (!text && bytes_left(r) / size < count) return false;
        list.resize(count);
        for (uint16_t i = 0; i < count; ++i) {
            PtpValueLabel& entry = list[i];
            std::memset(entry.label, 0, sizeof entry.label);
            if (text) {
                // A list cut short is a malformed description, like any other
                // field that does not fit.
                entry.value = i;
                if (!read_ptp_text(r, entry.label)) return false;
                if (driver.textValue) driver.textValue(code, entry.label, &entry.value);
                if (std::strcmp(entry.label, scratch.currentLabel) == 0 && entry.label[0])
                    scratch.currentValue = entry.value;
            } else {
                PtpReadTypedValue(type, r.p + r.pos, size, &entry.value);
                skip(r, size);
                label_value(entry.label, code, type, entry.value, true);
            }
        }
    }

    PtpValueLabel* values = nullptr;
    if (!list.empty()) {
        values = static_cast<PtpValueLabel*>(std::malloc(list.size() * sizeof(PtpValueLabel)));
        if (!values) return false;
        std::memcpy(values, list.data(), list.size() * sizeof(PtpValueLabel));
    }
    std::free(record->values);
    record->name = scratch.name;
    record->dataType = scratch.dataType;
    record->currentValue = scratch.currentValue;
    copy_label(record->currentLabel, scratch.currentLabel);
    record->access = scratch.access;
    record->values = values;
    record->valueCount = uint16_t(list.size());
    if (driver.fixupDescription) driver.fixupDescription(record);
    return true;
}
