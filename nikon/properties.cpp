// Nikon properties: quirks of the store, the writer and its verification,
// single-value reads, the composite image format and the colour temperature
// of the bodies that report it as an index.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <thread>

#include "comms/bytes.h"
#include "generic/event_queue.h"
#include "generic/property_store.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_driver.h"
#include "nikon/nikon_session.h"
#include "ptp/transaction.h"
#include "ptp_generic.h"
#include "ptp_nikon.h"
#include "ptp_properties.h"

namespace {

// The D600 and D610 report the colour temperature as an index into this table.
constexpr uint8_t kModelD600 = 197;
constexpr uint16_t kKelvin[] = {2500, 2560, 2630, 2700, 2780, 2860, 2940, 3030, 3130, 3230, 3330,
                                3450, 3570, 3700, 3850, 4000, 4170, 4350, 4550, 4760, 5000, 5260,
                                5560, 5880, 6250, 6670, 7140, 7690, 8330, 9090, 10000};
// The upper bound of each index's kelvin range: the midpoints between entries.
constexpr uint16_t kKelvinBelow[] = {
    2530, 2595, 2665, 2740, 2820, 2900, 2985, 3080, 3180, 3280, 3390, 3510, 3635, 3775, 3925, 4085,
    4260, 4450, 4655, 4880, 5130, 5410, 5720, 6065, 6460, 6905, 7415, 8010, 8710, 9545, 10001};
static_assert(std::size(kKelvin) == std::size(kKelvinBelow), "one bound per index");
constexpr uint32_t kDefaultKelvinIndex = 20; // 5000 K

constexpr int kVerifyAttempts = 10;
constexpr auto kVerifyPause = std::chrono::milliseconds(100);

bool indexed_kelvin() { return PtpGenericInterface_CameraModel() == kModelD600; }

// A value cut to the width the camera keeps for type.
uint32_t cut(uint32_t type, uint32_t value) {
    switch (type) {
    case kPtpTypeInt8:
    case kPtpTypeUint8: return value & 0xFF;
    case kPtpTypeInt16:
    case kPtpTypeUint16: return value & 0xFFFF;
    default: return value;
    }
}

// Whether the received value (or the whole PTP string) lies inside the data.
bool value_fits(uint32_t type, const uint8_t* data, uint32_t length) {
    if (!data) return false;
    if (type == kPtpTypeString) {
        ByteReader r = make_reader(data, length);
        const size_t units = read_u8(r);
        return r.ok && bytes_left(r) / 2 >= units;
    }
    const size_t size = PtpDataTypeSize(type);
    return size != 0 && length >= size;
}

// The data phase of a write (the record's lock held). InvalidData when a
// string property's list has no entry for value.
PtpResult encode(const PtpPropertyRecord* record, uint32_t value, ByteWriter& w) {
    if (record->dataType == kPtpTypeString) {
        for (uint16_t i = 0; record->values && i < record->valueCount; ++i) {
            if (record->values[i].value != value) continue;
            write_ptp_string(w, record->values[i].label);
            return PtpResult_Ok;
        }
        return PtpResult_InvalidData;
    }
    const size_t size = PtpDataTypeSize(record->dataType);
    if (size == 1)
        write_u8(w, uint8_t(value));
    else if (size == 2)
        write_u16(w, uint16_t(value));
    else if (size == 8)
        write_u64(w, value);
    else
        write_u32(w, value);
    return PtpResult_Ok;
}

// The low bits of a code's current value, for the composite.
uint32_t part(uint32_t code) {
    uint32_t value = 0;
    return PtpReadCurrentValue(code, &value) ? value & 0xFF : 0;
}

} // namespace

uint32_t PtpNikon_StoredValue(uint32_t code, uint32_t value) {
    if (code == kNikonPropAutoIso) return value == 0;
    if (code == kNikonPropColorTemperature) return PtpNikon_KelvinFromIndex(value);
    return value;
}

// A range description of the exposure status gets no value list.
bool PtpNikon_IsRangeListed(uint32_t code) { return code != kNikonPropExposureStatus; }

// Range entries are labelled from the name tables, except those of the burst
// and shooting counts and the colour temperature, which stay numbers.
bool PtpNikon_IsRangeLabelled(uint32_t code) {
    return code != kNikonPropBurstCount && code != kNikonPropContinuousShootingCount &&
           code != kNikonPropColorTemperature;
}

// The indexed colour temperature takes any kelvin: the writer picks the index.
bool PtpNikon_IsUnlisted(uint32_t code) {
    return code == kNikonPropColorTemperature && indexed_kelvin();
}

// A written exposure program is announced as changed, with the compensation.
void PtpNikon_PropertyWritten(uint32_t code) {
    if (code != kNikonPropExposureProgram) return;
    PtpQueuePropertyCodeChanged(code, /*notify=*/true);
    PtpQueuePropertyCodeChanged(kNikonPropExposureCompensation, /*notify=*/true);
}

uint32_t PtpNikon_KelvinFromIndex(uint32_t index) {
    if (!indexed_kelvin()) return index;
    return index < std::size(kKelvin) ? kKelvin[index] : kKelvin[kDefaultKelvinIndex];
}

uint32_t PtpNikon_IndexFromKelvin(uint32_t kelvin) {
    if (!indexed_kelvin()) return kelvin;
    for (uint32_t i = 0; i < std::size(kKelvinBelow); ++i)
        if (kelvin < kKelvinBelow[i]) return i;
    return kDefaultKelvinIndex;
}

bool PtpNikon_IsImageFormatPart(uint32_t code) {
    return code == kNikonPropImageSize || code == kNikonPropImageQuality ||
           code == kNikonPropRawSize;
}

void PtpNikon_ComposeImageFormat() {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kNikonPropImageQuality, 0);
    if (!record) return;
    const uint32_t size = part(kNikonPropImageSize);
    const uint32_t raw = part(kNikonPropRawSize);
    PtpRecordHold hold(record);
    record->currentValue = (record->currentValue & 0xFFFF) | size << 16 | raw << 24;
}

PtpResult PtpNikon_SetPropertyValue(uint32_t code, uint32_t value) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    if (!record) return PtpResult_OperationNotSupported;
    if (code == kNikonPropAutoIso) value = value == 0;
    if (code == kNikonPropColorTemperature) value = PtpNikon_IndexFromKelvin(value);
    ByteWriter data;
    {
        // Every exit releases the record: the event thread parses into it.
        PtpRecordHold hold(record);
        PtpResult rc = encode(record, value, data);
        if (rc != PtpResult_Ok) return rc;
    }
    const uint32_t params[] = {code};
    return PtpTransaction_ExecuteWithRetry(kPtpOpSetDevicePropValue, params, 1, data.buf.data(),
                                           uint32_t(data.buf.size()), nullptr, nullptr, nullptr, 1);
}

bool PtpNikonInterface_UpdateProperty(uint32_t code) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    if (!record) return false;
    uint8_t* data = nullptr;
    uint32_t length = 0;
    if (PtpTransaction_RunDataIn(kPtpOpGetDevicePropValue, {code}, &data, &length) != PtpResult_Ok)
        return false;
    uint32_t type;
    {
        PtpRecordHold hold(record);
        type = record->dataType;
    }
    // The apply converts (Auto ISO, colour temperature) and labels under the
    // record's lock, once.
    const bool stored =
        value_fits(type, data, length) && PtpApplyPropertyValue(code, data, length) >= 0;
    std::free(data);
    if (!stored) return false;
    if (PtpNikon_IsImageFormatPart(code)) PtpNikon_ComposeImageFormat();
    PtpQueuePropertyChanged(record, /*notify=*/true);
    return true;
}

bool PtpNikon_WaitForPropertyValue(uint32_t code, uint32_t expected) {
    for (int i = 0; i < kVerifyAttempts; ++i) {
        PtpNikonInterface_UpdateProperty(code);
        if (PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0)) {
            PtpRecordHold hold(record);
            if (cut(record->dataType, record->currentValue) == cut(record->dataType, expected))
                return true;
        }
        std::this_thread::sleep_for(kVerifyPause);
    }
    return false;
}

PtpVerifyOutcome PtpNikon_WaitForValue(uint32_t code, uint32_t value) {
    return PtpNikon_WaitForPropertyValue(code, value) ? PtpVerifyOutcome::Verified
                                                      : PtpVerifyOutcome::Failed;
}

PtpResult PtpNikon_RefreshAllProperties() {
    if (PtpPropertyCount() == 0) return PtpResult_Failed;
    for (uint16_t i = 0; i < PtpPropertyCount(); ++i) {
        PtpPropertyRecord* record = PtpPropertyAt(i);
        if (!record) break;
        PtpResult rc = PtpGenericInterface_RefreshPropertyValue(record->code);
        if (rc != PtpResult_Ok) return rc;
    }
    // The refresh stored the camera's quality code alone.
    PtpNikon_ComposeImageFormat();
    return PtpResult_Ok;
}

PtpResult PtpNikon_RefreshDescription(uint32_t code) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    if (!record) return PtpResult_OperationNotSupported;
    if (!PtpFetchPropertyDescription(record)) return PtpResult_Failed;
    if (PtpNikon_IsImageFormatPart(code)) PtpNikon_ComposeImageFormat();
    PtpQueuePropertyChanged(record, /*notify=*/true);
    return PtpResult_Ok;
}
