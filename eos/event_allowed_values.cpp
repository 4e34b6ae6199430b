// Allowed-values records of Canon event data (0xC18A): a property's list of
// values, which also creates the property's record the first time.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "comms/bytes.h"
#include "eos/eos_session.h"
#include "eos/event_records.h"
#include "generic/property_names.h"
#include "ptp_generic.h"

namespace {

constexpr size_t kCodeAt = 8;
constexpr size_t kCountAt = 16;
constexpr size_t kValuesAt = 20;
constexpr size_t kValueSize = 4;
// Offset of a compound's first block size, from the compound's start.
constexpr size_t kBlockSizeAt = 4;

// The body that sends an empty bracketing list while bracketing is possible.
constexpr uint8_t kModelEmptyBracketing = 230;
// Bodies that report a single aperture or shutter value when the lens or mode
// fixes it; the value they send with it is not meaningful.
constexpr uint8_t kModelsSingleValueFirst = 245;
constexpr uint8_t kModelsSingleValueLast = 250;

// A half-stop compensation list holds the half-stop code 4; third-stop lists
// never do.
constexpr uint32_t kHalfStopCode = 4;
// A shutter speed only half-stop lists hold.
constexpr uint32_t kHalfStopShutterCode = 100;

struct ValueLists {
    std::atomic<EosListAllocator> allocate{nullptr}; // null: malloc
};

ValueLists g_lists;

PtpValueLabel* allocate_rows(size_t count) {
    EosListAllocator allocate = g_lists.allocate.load();
    void* rows = allocate ? allocate(count * sizeof(PtpValueLabel))
                          : std::malloc(count * sizeof(PtpValueLabel));
    return static_cast<PtpValueLabel*>(rows);
}

// Exposure modes in which the camera can bracket.
bool bracketing_mode(uint32_t mode) {
    switch (mode) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 7:
    case 16:
    case 17: return true;
    default: return false;
    }
}

// The record's lock, taken by the lookup or the creation, released on every
// path out.
struct HeldRecord {
    PtpPropertyRecord* record;
    ~HeldRecord() { PtpUnlockProperty(record); }
};

bool lists_value(uint32_t code, uint32_t value, bool* hasList) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) return false;
    HeldRecord held{record};
    *hasList = record->values && record->valueCount > 0;
    for (uint16_t i = 0; *hasList && i < record->valueCount; ++i)
        if (record->values[i].value == value) return true;
    return false;
}

// Whether the camera steps exposure in half stops, decided from the
// compensation list, else the shutter-speed list. The bracketing list counts
// as empty: the caller is rebuilding it.
bool half_stop_steps() {
    if (!PtpGenericInterface_IsPropertySupported(kEosPropExposureCompensation)) return false;
    bool hasList = false;
    bool half = lists_value(kEosPropExposureCompensation, kHalfStopCode, &hasList);
    if (hasList) return half;
    return lists_value(kEosPropShutterSpeed, kHalfStopShutterCode, &hasList);
}

// The fixed bracketing list when this record is the empty list that model 230
// sends while bracketing is possible; null otherwise. Decided before the
// record is locked, so no two records are ever held at once.
const PtpValueLabel* bracketing_fallback(uint32_t code, uint16_t count) {
    if (code != kEosPropExposureBracketing || count != 0) return nullptr;
    if (PtpGenericInterface_CameraModel() != kModelEmptyBracketing) return nullptr;
    PtpPropertyRecord* mode = PtpGenericInterface_GetProperty(PtpEos_ExposureModePropertyCode(), 1);
    if (!mode) return nullptr;
    bool possible;
    {
        HeldRecord held{mode};
        possible = bracketing_mode(mode->currentValue);
    }
    if (!possible) return nullptr;
    return half_stop_steps() ? kEosBracketingHalfStops : kEosBracketingThirdStops;
}

// A record the store has just made holds whatever its slot held before.
void init_new_record(PtpPropertyRecord* record, uint32_t code) {
    record->name = nullptr;
    record->dataType = PtpEos_DataTypeForProperty(code);
    record->currentValue = 0;
    record->currentLabel[0] = '\0';
    record->access = 0;
}

// Builds the record's list from the values after the count. The record's
// lock is held. For the image formats each value is a compound, which must lie
// inside the record; a short one or one with a bad count ends the list.
EosWalk build_list(PtpPropertyRecord* record, const uint8_t* rec, uint32_t size, uint16_t count) {
    const uint32_t code = record->code;
    const bool compound = PtpEos_IsImageFormatProperty(code);
    const size_t room = size - kValuesAt;
    // A count beyond what the record can hold is never allocated for.
    const size_t rows =
        std::min<size_t>(count, room / (compound ? PtpEos_CompoundSize(1) : kValueSize));
    if (rows == 0) return EosWalk::Continue;
    PtpValueLabel* values = allocate_rows(rows);
    if (!values) return EosWalk::OutOfMemory; // the record's count is still 0

    size_t built = 0;
    size_t at = kValuesAt; // invariant: at <= size
    while (built < rows) {
        uint32_t value;
        if (compound) {
            if (size - at < kEosCompoundHeaderSize) break;
            uint32_t formats = peek_u32(rec, size, at);
            if (formats == 0 || formats > 2) break;
            size_t extent = PtpEos_CompoundSize(formats);
            if (size - at < extent) break;
            // A first block larger than the whole record marks a value the
            // camera did not fill in.
            uint32_t blockSize = peek_u32(rec, size, at + kBlockSizeAt);
            value = blockSize > size - 4 ? 0 : PtpEos_PackImageFormatCompound(rec + at, extent);
            at += extent;
        } else {
            value = peek_u32(rec, size, at);
            at += kValueSize;
        }
        PtpValueLabel& row = values[built++];
        std::memset(row.label, 0, sizeof row.label);
        PtpEos_LabelValue(row.label, sizeof row.label, code, value);
        row.value = value;
    }
    if (built == 0) {
        std::free(values);
        return EosWalk::Continue;
    }
    record->values = values;
    record->valueCount = uint16_t(built);
    return EosWalk::Continue;
}

} // namespace

bool PtpEos_SetValueList(PtpPropertyRecord* record, const PtpValueLabel* rows, size_t count) {
    if (count == 0) return true;
    PtpValueLabel* values = allocate_rows(count);
    if (!values) return false;
    std::memcpy(values, rows, count * sizeof(PtpValueLabel));
    record->values = values;
    record->valueCount = uint16_t(count);
    return true;
}

void PtpEos_SetListAllocator(EosListAllocator allocate) { g_lists.allocate.store(allocate); }

size_t PtpEos_CountRows(const PtpValueLabel* rows) {
    size_t n = 0;
    while (rows[n].label[0] != '\0')
        ++n;
    return n;
}

EosWalk PtpEos_HandleAllowedValues(const uint8_t* rec, uint32_t size) {
    const uint32_t code = peek_u32(rec, size, kCodeAt);
    const uint16_t count = peek_u16(rec, size, kCountAt);
    const char* name = PtpNames_PropertyName(&kPtpEosDriver, code);
    const PtpValueLabel* fallback = name ? bracketing_fallback(code, count) : nullptr;

    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) {
        record = PtpAddPropertyRecord(code, /*lockOnReturn=*/true, /*recursiveLock=*/false);
        if (!record) return EosWalk::StoreFull;
        init_new_record(record, code);
    }
    {
        HeldRecord held{record};
        std::free(record->values);
        record->values = nullptr;
        record->valueCount = 0;
        if (!name) return EosWalk::Continue; // an unnamed property keeps no list
        record->name = name;
        record->dataType = PtpEos_DataTypeForProperty(code);
        record->access = code != kEosPropFocusMode;

        if (fallback) {
            if (!PtpEos_SetValueList(record, fallback, PtpEos_CountRows(fallback)))
                return EosWalk::OutOfMemory;
            record->access = 1;
        } else if (count == 0) {
            record->access = 0;
        } else if ((size - kValuesAt) / kValueSize < count && code != kEosPropImageFormat) {
            // Fewer values than announced: the list stays empty.
        } else {
            record->access = count > 1;
            uint8_t model = PtpGenericInterface_CameraModel();
            if (count == 1 && (code == kEosPropAperture || code == kEosPropShutterSpeed) &&
                model >= kModelsSingleValueFirst && model <= kModelsSingleValueLast)
                record->currentValue = 0;
            EosWalk walk = build_list(record, rec, size, count);
            if (walk != EosWalk::Continue) return walk;
        }
    }
    PtpEos_QueuePropertyChanged(record);
    return EosWalk::Continue;
}
