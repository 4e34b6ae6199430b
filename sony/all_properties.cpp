// The Sony all-properties data: a run of extended DevicePropDesc descriptors
// that is searched for each code, not walked, and parsed into the store.
//
// Descriptor: u16 code, u16 type, u8 get/set, u8 enabled (1 settable), the
// factory default and the current value (S bytes each), u8 form (1 range, 2
// enumeration), then the form's data. Every read goes through the checked
// cursor; a descriptor cut short fails with PtpResult_InvalidArgument.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "comms/bytes.h"
#include "generic/event_queue.h"
#include "generic/property_names.h"
#include "generic/property_store.h"
#include "ptp_names.h"
#include "sony/label_tables.h"
#include "sony/property_controls.h"
#include "sony/sony_codes.h"
#include "sony/sony_formats.h"
#include "sony/sony_models.h"
#include "sony/sony_session.h"

namespace {

// Guards every search and parse of the all-properties data; taken before any
// record's lock.
std::mutex g_dataLock;

constexpr uint32_t kKeySize = 4;
// A match needs this many bytes after it (the fixed part of a descriptor).
constexpr uint32_t kMinTail = 10;
constexpr uint8_t kFormRange = 1;
constexpr uint8_t kFormEnumeration = 2;
constexpr uint8_t kEnabledSettable = 1;
constexpr uint8_t kEnabledPadded = 2;
// With enabled state 2 the count of these codes may follow up to four padding
// u16 values; a plausible count lies in this band.
constexpr int kPaddingSlots = 5;
constexpr uint16_t kPlausibleMin = 10;
constexpr uint16_t kPlausibleMax = 50;
// A second list shorter than this follows the settable-values count on newer
// bodies and is skipped.
constexpr uint16_t kSecondListLimit = 100;

// Colour temperatures in kelvin for 0xD20F, whose camera form is a range.
constexpr uint16_t kColourTemperatureCount = 75;
constexpr uint16_t kColourTemperatureFirst = 2500;
constexpr uint16_t kColourTemperatureStep = 100;

bool is_image_format_part(uint32_t code) {
    return code == kSonyPropImageQuality || code == kSonyPropImageFormat ||
           code == kSonyPropImageSize || code == kSonyPropImageCompression;
}

// The holder codes compare only their own format code (bits 0-7).
uint32_t comparable(uint32_t code, uint32_t value) {
    return code == kSonyPropImageQuality || code == kSonyPropImageFormat ? value & 0xFF : value;
}

bool named(uint32_t code) { return PtpNames_FindRow(kSonyNameTable, code) != nullptr; }

bool stepped_on_older_body(uint32_t code) {
    return !PtpSony_SupportsNormalPropertyControls() &&
           (code == kSonyPropShutterSpeed || code == kSonyPropIso || code == kSonyPropFNumber);
}

void label_of(PtpValueLabel& entry, uint32_t code, uint32_t value) {
    const char* text = PtpGenericInterface_StringForPropertyCodeValue(code, value);
    std::snprintf(entry.label, sizeof entry.label, "%s", text ? text : "");
    entry.value = value;
}

// Replaces a record's list (its lock held); false when memory is short.
bool replace_list(PtpPropertyRecord* record, const std::vector<PtpValueLabel>& list) {
    PtpValueLabel* values = nullptr;
    if (!list.empty()) {
        values = static_cast<PtpValueLabel*>(std::malloc(list.size() * sizeof(PtpValueLabel)));
        if (!values) return false;
        std::memcpy(values, list.data(), list.size() * sizeof(PtpValueLabel));
    }
    std::free(record->values);
    record->values = values;
    record->valueCount = uint16_t(list.size());
    return true;
}

bool same_list(const PtpPropertyRecord* record, const std::vector<PtpValueLabel>& list) {
    if (!record->values || record->valueCount != list.size()) return false;
    for (size_t i = 0; i < list.size(); ++i)
        if (record->values[i].value != list[i].value) return false;
    return true;
}

// The enumeration count's position: with enabled state 2, the first of five
// u16 slots whose value is plausible (0xD203: non-zero), else the first slot.
size_t count_position(const ByteReader& r, uint32_t code, uint8_t enabled) {
    if (enabled != kEnabledPadded ||
        (code != kSonyPropExposureProgram && code != kSonyPropExposureCompensation &&
         code != kSonyPropImageSize))
        return r.pos;
    for (int i = 0; i < kPaddingSlots; ++i) {
        size_t at = r.pos + 2 * size_t(i);
        if (r.len - r.pos < 2 * size_t(i) + 2) break;
        uint16_t v = peek_u16(r.p, r.len, at);
        bool plausible =
            code == kSonyPropImageSize ? v != 0 : v >= kPlausibleMin && v <= kPlausibleMax;
        if (plausible) return at;
    }
    return r.pos;
}

// The enumeration at the cursor. False when it is cut short.
bool read_enumeration(ByteReader& r, uint32_t code, uint32_t type, size_t size, uint8_t enabled,
                      std::vector<PtpValueLabel>* list) {
    r.pos = count_position(r, code, enabled);
    const uint16_t count = read_u16(r);
    if (!r.ok || bytes_left(r) / size < count) return false;
    list->resize(count);
    for (uint16_t i = 0; i < count; ++i) {
        uint32_t value = 0;
        PtpReadTypedValue(type, r.p + r.pos, size, &value);
        skip(r, size);
        label_of((*list)[i], code, value);
    }
    if (count == 0 && bytes_left(r) >= 2 && peek_u16(r.p, r.len, r.pos) == 0) skip(r, 2);
    if (PtpSony_SupportsNormalPropertyControls() && bytes_left(r) >= 2) {
        const uint16_t second = peek_u16(r.p, r.len, r.pos);
        if (second < kSecondListLimit && (bytes_left(r) - 2) / size >= second)
            skip(r, 2 + size_t(second) * size);
    }
    return true;
}

void colour_temperatures(std::vector<PtpValueLabel>* list) {
    list->resize(kColourTemperatureCount);
    for (uint16_t i = 0; i < kColourTemperatureCount; ++i) {
        uint32_t kelvin = kColourTemperatureFirst + uint32_t(i) * kColourTemperatureStep;
        std::snprintf((*list)[i].label, sizeof(*list)[i].label, "%u", kelvin);
        (*list)[i].value = kelvin;
    }
}

// The search, with the data lock held.
PtpResult locate(uint32_t code, const uint8_t* data, uint32_t length, bool announce) {
    if (!data || length == 0) return kSonyNoPropertyData;
    if (length <= kMinTail) return kSonyPropertyNotFound;
    uint32_t type = 0;
    if (PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1)) {
        type = record->dataType;
        PtpUnlockProperty(record);
    }
    uint8_t key[kKeySize];
    put_u16(key, uint16_t(code));
    put_u16(key + 2, uint16_t(type));
    PtpResult result = kSonyPropertyNotFound;
    for (uint32_t p = 0; length - p > kMinTail; ++p) {
        const uint8_t* at = data + p;
        // An unknown type matches any low type byte.
        if (at[0] != key[0] || at[1] != key[1] || at[3] != key[3]) continue;
        if (type != 0 && at[2] != key[2]) continue;
        bool changed = false, stored = false;
        uint32_t consumed = 0;
        PtpResult rc =
            PtpSony_ParsePropertyDescriptor(at, length - p, code, &changed, &stored, &consumed);
        if (rc == PtpResult_OutOfMemory) return rc;
        if (!stored) {
            // Cut before its value: the record is untouched; a later match may
            // still be whole.
            result = PtpResult_InvalidArgument;
            continue;
        }
        if (changed && announce) PtpQueuePropertyCodeChanged(code, /*notify=*/false);
        return PtpResult_Ok;
    }
    return result;
}

} // namespace

PtpResult PtpSony_ParsePropertyDescriptor(const uint8_t* desc, uint32_t available, uint32_t code,
                                          bool* changed, bool* stored, uint32_t* consumed) {
    *changed = false;
    *stored = false;
    *consumed = 0;
    ByteReader r = make_reader(desc, available);
    read_u16(r);
    const uint32_t type = read_u16(r);
    read_u8(r);
    const uint8_t enabled = read_u8(r);
    const size_t size = PtpDataTypeSize(type);
    if (!r.ok || size == 0 || bytes_left(r) / 2 < size) return PtpResult_InvalidArgument;
    skip(r, size); // the factory default
    if (code == kSonyPropMagnification && size == 8)
        PtpSony_SetLiveViewPosition(peek_u32(r.p, r.len, r.pos));
    uint32_t value = 0;
    PtpReadTypedValue(type, r.p + r.pos, size, &value);
    skip(r, size);

    // Records are added only under the data lock, so the lookup and the add
    // cannot race with another add of the same code.
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    const bool added = !record;
    if (added) {
        record = PtpAddPropertyRecord(code, /*lockOnReturn=*/false, /*recursiveLock=*/true);
        if (!record) return PtpResult_OutOfMemory;
        *changed = true;
    }
    bool settable = enabled == kEnabledSettable;
    if (code == kSonyPropExposureProgram && PtpSony_CameraIn(kSonyFixedExposureMode))
        settable = false;
    PtpResult result = PtpResult_Ok;
    {
        PtpRecordHold hold(record);
        if (added) {
            record->values = nullptr;
            record->valueCount = 0;
        } else if ((record->access != 0) != settable ||
                   comparable(code, record->currentValue) != comparable(code, value))
            *changed = true;
        record->dataType = type;
        record->name = PtpGenericInterface_StringForPropertyCode(code);
        record->access = settable ? 1 : 0;
        record->currentValue = value;
        const char* label = PtpGenericInterface_StringForPropertyCodeValue(code, value);
        std::snprintf(record->currentLabel, sizeof record->currentLabel, "%s", label ? label : "");
        *stored = true;

        // Older bodies keep their fixed lists until the next session.
        if (stepped_on_older_body(code)) {
            *consumed = uint32_t(r.pos);
            return PtpResult_Ok;
        }
        const uint8_t form = read_u8(r);
        if (!r.ok) return PtpResult_InvalidArgument;
        std::vector<PtpValueLabel> list;
        if (form == kFormRange) {
            if (bytes_left(r) / 3 < size) return PtpResult_InvalidArgument;
            skip(r, 3 * size);
            if (named(code)) {
                if (code == kSonyPropColorTemperature) {
                    if (!record->values) {
                        colour_temperatures(&list);
                        if (!replace_list(record, list)) return PtpResult_OutOfMemory;
                    }
                } else {
                    std::free(record->values);
                    record->values = nullptr;
                    record->valueCount = kValueListUnchecked; // a range: no list
                }
            }
        } else if (form == kFormEnumeration) {
            if (!read_enumeration(r, code, type, size, enabled, &list))
                result = PtpResult_InvalidArgument;
            else if (named(code) && !same_list(record, list)) {
                *changed = true;
                if (!replace_list(record, list)) return PtpResult_OutOfMemory;
            }
        }
        *consumed = uint32_t(r.pos);
    }
    if (is_image_format_part(code)) PtpSony_ComposeImageFormat();
    return result;
}

PtpResult PtpSony_LocateProperty(uint32_t code, const uint8_t* data, uint32_t length,
                                 bool announce) {
    std::lock_guard<std::mutex> held(g_dataLock);
    return locate(code, data, length, announce);
}

PtpResult PtpSony_LocateAndParseProperties(const uint8_t* data, uint32_t length) {
    if (!data || length == 0) return 0;
    std::lock_guard<std::mutex> held(g_dataLock);
    const PtpPropertyNameTable& table = kSonyNameTable;
    for (size_t i = 0; i < table.count; ++i) {
        const uint32_t code = table.rows[i].code;
        if (code != 0) {
            PtpResult rc = locate(code, data, length, /*announce=*/true);
            if (rc == PtpResult_OutOfMemory) return rc;
        }
        if (code == table.endCode) break;
    }
    return PtpResult_Ok;
}
