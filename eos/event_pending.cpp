// The end of a Canon event block: values that arrived before their property's
// record are applied, and the records some bodies never describe are made up.
#include <cstring>

#include "comms/bytes.h"
#include "eos/eos_session.h"
#include "eos/event_records.h"
#include "eos/label_tables.h"
#include "generic/property_names.h"
#include "ptp_generic.h"

namespace {

// Bodies that report their focus mode without describing the property.
constexpr uint8_t kModelUndescribedFocusMode = 227;
// Bodies that report the viewfinder output without describing the property.
constexpr uint8_t kModelsUndescribedEvfFirst = 250;
constexpr uint8_t kModelsUndescribedEvfLast = 252;
constexpr uint32_t kEvfOutputDeviceValues = 4; // values 0 to 3

// The first 16 bits of a pending value, from as many bytes as it has.
uint32_t first_16_bits(const EosPendingValue& value) {
    if (value.isPacked) return value.packed & 0xFFFF;
    if (value.length >= 2) return peek_u16(value.value, value.length, 0);
    return value.length == 1 ? value.value[0] : 0;
}

// Creates a UINT16 record for a value whose property the camera never
// described, with the given list; no event is queued for it.
void make_record(const EosPendingValue& value, const PtpValueLabel* rows, size_t count,
                 uint8_t access) {
    PtpPropertyRecord* record =
        PtpAddPropertyRecord(value.code, /*lockOnReturn=*/true, /*recursiveLock=*/false);
    if (!record) return; // a full store simply goes without it
    record->name = PtpNames_PropertyName(&kPtpEosDriver, value.code);
    record->dataType = kPtpTypeUint16;
    record->currentValue = first_16_bits(value);
    PtpEos_LabelValue(record->currentLabel, sizeof record->currentLabel, value.code,
                      record->currentValue);
    PtpEos_SetValueList(record, rows, count); // short of memory: an empty list
    record->access = access;
    PtpUnlockProperty(record);
}

void make_focus_mode(const EosPendingValue& value) {
    make_record(value, kCanonFocusModeLabels, PtpEos_CountRows(kCanonFocusModeLabels), 0);
}

void make_evf_output_device(const EosPendingValue& value) {
    PtpValueLabel rows[kEvfOutputDeviceValues];
    for (uint32_t v = 0; v < kEvfOutputDeviceValues; ++v) {
        std::memset(rows[v].label, 0, sizeof rows[v].label);
        PtpEos_LabelValue(rows[v].label, sizeof rows[v].label, value.code, v);
        rows[v].value = v;
    }
    make_record(value, rows, kEvfOutputDeviceValues, 1);
}

} // namespace

void PtpEos_FinishPending(const EosPendingList& list) {
    const uint8_t model = PtpGenericInterface_CameraModel();
    const bool mirrorless = PtpEos_IsMirrorless();
    for (size_t i = 0; i < list.count; ++i) {
        const EosPendingValue& value = list.entries[i];
        if (PtpEos_ApplyAndAnnounce(value)) continue;
        if (value.code == kEosPropFocusMode && !PtpEos_CameraListsProperty(value.code) &&
            (mirrorless || model == kModelUndescribedFocusMode))
            make_focus_mode(value);
        else if (value.code == kEosPropEvfOutputDevice && model >= kModelsUndescribedEvfFirst &&
                 model <= kModelsUndescribedEvfLast && !PtpEos_CameraListsProperty(value.code))
            make_evf_output_device(value);
        // Any other value without a property is dropped.
    }
}
