// Reading, refreshing and writing properties through the camera.
#include <cstdlib>
#include <cstring>
#include <optional>

#include "generic/event_loop.h"
#include "generic/event_queue.h"
#include "generic/property_store.h"
#include "generic/property_vendor.h"
#include "generic/session.h"
#include "ptp/transaction.h"

namespace {

constexpr uint32_t kCanonEvfOutputDevice = 0xD1B0;
constexpr uint32_t kCanonLensZoom = 0xD055;
constexpr uint32_t kExposureProgram = 0x500E;
constexpr uint32_t kExposureBias = 0x5010;

uint32_t cut_to_type(uint32_t type, uint32_t value) {
    if (type == kPtpTypeInt8 || type == kPtpTypeUint8) return value & 0xFF;
    if (type == kPtpTypeInt16 || type == kPtpTypeUint16) return value & 0xFFFF;
    return value;
}

// The write validation: the value, cut to the record's type, must be one of
// the parsed allowed values whenever a list exists.
bool value_allowed(PtpPropertyRecord* record, uint32_t value) {
    PtpRecordHold hold(record);
    uint32_t cut = cut_to_type(record->dataType, value);
    if (!record->values) return true;  // no list (count 0, or 255 "not checked")
    for (uint16_t i = 0; i < record->valueCount; ++i)
        if (record->values[i].value == cut) return true;
    return false;
}

void queue_change_event(uint32_t code) { PtpQueuePropertyCodeChanged(code, /*notify=*/true); }

}  // namespace

bool PtpFetchPropertyDescription(PtpPropertyRecord* record) {
    if (!record) return false;
    PtpVendor vendor = PtpSession_Vendor();
    if (PropertyVendor_HasOwnDescriptionRead(vendor))
        return PropertyVendor_FetchDescription(vendor, record);
    uint32_t code = record->code;
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpTransaction_ExecuteWithRetry(kPtpOpGetDevicePropDesc, &code, 1, nullptr, 0,
                                                   &data, &length, nullptr, 1);
    bool ok = rc == PtpResult_Ok && PtpParsePropertyDescription(record, data, length);
    std::free(data);
    return ok;
}

PtpResult PtpReadPropertyValueData(uint32_t code, uint8_t** data, uint32_t* length) {
    if (!data || !length) return PtpResult_BadReply;
    *data = nullptr;
    *length = 0;
    if (!PtpGenericInterface_IsPropertySupported(code)) return PtpResult_OperationNotSupported;
    return PropertyVendor_ReadValue(PtpSession_Vendor(), code, data, length);
}

PtpResult PtpGenericInterface_RefreshPropertyValue(uint32_t code) {
    bool handled = false;
    PtpResult rc = PropertyVendor_RefreshValue(PtpSession_Vendor(), code, &handled);
    if (handled) return rc;
    uint8_t* data = nullptr;
    uint32_t length = 0;
    rc = PtpReadPropertyValueData(code, &data, &length);
    if (rc != PtpResult_Ok) {
        std::free(data);
        return rc;
    }
    int position = PtpApplyPropertyValue(code, data, length);
    std::free(data);
    return position < 0 ? PtpResult_Failed : PtpResult_Ok;
}

PtpResult PtpGenericInterface_RefreshPropertyDescription(uint32_t code) {
    return PropertyVendor_RefreshDescription(PtpSession_Vendor(), code);
}

PtpResult PtpGenericInterface_IncrementProperty(uint32_t code, uint32_t direction) {
    return PropertyVendor_Increment(PtpSession_Vendor(), code, direction);
}

bool PtpIsPropertyValueAllowed(uint32_t code, uint32_t value) {
    if (PtpSession_Vendor() == PtpVendor_Canon && (code == kCanonEvfOutputDevice || code == kCanonLensZoom))
        return true;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    return record && value_allowed(record, value);
}

PtpResult PtpReloadAllProperties() {
    bool handled = false;
    PtpResult rc = PropertyVendor_ReloadAll(PtpSession_Vendor(), &handled);
    if (handled) return rc;
    uint16_t count = PtpPropertyCount();
    if (count == 0) return PtpResult_Failed;
    for (uint16_t i = 0; i < count; ++i) {
        PtpPropertyRecord* record = PtpPropertyAt(i);
        if (!record) break;
        rc = PtpGenericInterface_RefreshPropertyValue(record->code);
        if (rc != PtpResult_Ok) return rc;
    }
    return PtpResult_Ok;
}

PtpResult PtpGenericInterface_SetPropertyValue(uint32_t code, uint32_t value, uint8_t verify) {
    const PtpVendor vendor = PtpSession_Vendor();
    if (vendor != PtpVendor_Fujifilm) {
        PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
        if (!record) return kPtpRespDevicePropNotSupported;
        bool unchecked = vendor == PtpVendor_Canon &&
                         (code == kCanonEvfOutputDevice || code == kCanonLensZoom);
        if (!unchecked && !value_allowed(record, value)) return kPtpRespDevicePropNotSupported;
    }
    PropertyVendor_BeforeWrite(vendor);

    // With verification no event poll runs between the write and its check.
    std::optional<PtpPauseHold> paused;
    if (verify) paused.emplace();

    PtpResult rc = PropertyVendor_Write(vendor, code, value);
    if (rc != PtpResult_Ok && rc != PtpResult_DeviceBusy) {
        paused.reset();
        return PropertyVendor_AfterWrite(vendor, rc);
    }

    if (verify) {
        // A verification that is skipped leaves the write's own result.
        switch (PropertyVendor_WaitForValue(vendor, code, value)) {
        case VerifyOutcome::Verified: rc = PtpResult_Ok; break;
        case VerifyOutcome::Failed: rc = PtpResult_PropertyWriteFailed; break;
        case VerifyOutcome::Skipped: break;
        }
        paused.reset();
    }

    if (vendor == PtpVendor_Fujifilm || (vendor == PtpVendor_Nikon && code == kExposureProgram)) {
        queue_change_event(code);
        if (vendor == PtpVendor_Nikon) queue_change_event(kExposureBias);
    }
    return PropertyVendor_AfterWrite(vendor, rc);
}

bool PtpReadCurrentValue(uint32_t code, uint32_t* value) {
    if (code == 0) return false;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) return false;
    *value = record->currentValue;
    PtpUnlockProperty(record);
    return true;
}
