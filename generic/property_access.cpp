// Reading, refreshing and writing properties through the session's driver, and
// the plain-PTP bodies of those operations.
#include <cstdlib>
#include <cstring>
#include <optional>

#include "generic/driver.h"
#include "generic/event_loop.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"

namespace {

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
    if (!record->values) return true; // no list (count 0, or 255 "not checked")
    for (uint16_t i = 0; i < record->valueCount; ++i)
        if (record->values[i].value == cut) return true;
    return false;
}

const PtpDriverProperties& props() { return PtpSession_Driver()->properties; }

bool unlisted(uint32_t code) { return props().unlisted && props().unlisted(code); }

PtpResult finish_write(PtpResult result) {
    return props().finishWrite ? props().finishWrite(result) : result;
}

} // namespace

// --- Plain PTP ------------------------------------------------------------------------

bool PtpStandard_FetchDescription(PtpPropertyRecord* record) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc =
        PtpTransaction_RunDataIn(kPtpOpGetDevicePropDesc, {record->code}, &data, &length);
    bool ok = rc == PtpResult_Ok && PtpParsePropertyDescription(record, data, length);
    std::free(data);
    return ok;
}

PtpResult PtpStandard_ReadValue(uint32_t code, uint8_t** data, uint32_t* length) {
    return PtpTransaction_ExecuteWithRetry(kPtpOpGetDevicePropValue, &code, 1, nullptr, 0, data,
                                           length, nullptr, 1);
}

PtpResult PtpStandard_RefreshValue(uint32_t code) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpReadPropertyValueData(code, &data, &length);
    if (rc != PtpResult_Ok) {
        std::free(data);
        return rc;
    }
    int position = PtpApplyPropertyValue(code, data, length);
    std::free(data);
    return position < 0 ? PtpResult_Failed : PtpResult_Ok;
}

PtpResult PtpStandard_RefreshDescription(uint32_t) { return 0; }

PtpResult PtpStandard_ReloadAll() {
    uint16_t count = PtpPropertyCount();
    if (count == 0) return PtpResult_Failed;
    for (uint16_t i = 0; i < count; ++i) {
        PtpPropertyRecord* record = PtpPropertyAt(i);
        if (!record) break;
        PtpResult rc = PtpGenericInterface_RefreshPropertyValue(record->code);
        if (rc != PtpResult_Ok) return rc;
    }
    return PtpResult_Ok;
}

// --- Through the driver ---------------------------------------------------------------

bool PtpFetchPropertyDescription(PtpPropertyRecord* record) {
    return record && props().fetchDescription && props().fetchDescription(record);
}

PtpResult PtpReadPropertyValueData(uint32_t code, uint8_t** data, uint32_t* length) {
    if (!data || !length) return PtpResult_BadReply;
    *data = nullptr;
    *length = 0;
    if (!PtpGenericInterface_IsPropertySupported(code)) return PtpResult_OperationNotSupported;
    if (!props().readValue) return PtpResult_NotSupportedForCamera;
    return props().readValue(code, data, length);
}

PtpResult PtpGenericInterface_RefreshPropertyValue(uint32_t code) {
    if (!props().refreshValue) return PtpResult_NotSupportedForCamera;
    return props().refreshValue(code);
}

PtpResult PtpGenericInterface_RefreshPropertyDescription(uint32_t code) {
    if (!props().refreshDescription) return PtpResult_NotSupportedForCamera;
    return props().refreshDescription(code);
}

PtpResult PtpGenericInterface_IncrementProperty(uint32_t code, uint32_t direction) {
    if (!props().increment) return PtpResult_NotSupportedForCamera;
    return props().increment(code, direction);
}

bool PtpIsPropertyValueAllowed(uint32_t code, uint32_t value) {
    if (unlisted(code)) return true;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    return record && value_allowed(record, value);
}

PtpResult PtpReloadAllProperties() {
    if (!props().reloadAll) return PtpResult_NotSupportedForCamera;
    return props().reloadAll();
}

PtpResult PtpGenericInterface_SetPropertyValue(uint32_t code, uint32_t value, uint8_t verify) {
    const PtpDriverProperties& p = props();
    if (!p.writesUnchecked) {
        PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
        if (!record) return kPtpRespDevicePropNotSupported;
        if (!unlisted(code) && !value_allowed(record, value)) return kPtpRespDevicePropNotSupported;
    }
    if (p.beforeWrite) p.beforeWrite();

    // With verification no event poll runs between the write and its check.
    std::optional<PtpPauseHold> paused;
    if (verify) paused.emplace();

    PtpResult rc = PtpResult_NotSupportedForCamera;
    if (p.write) rc = p.write(code, value);
    if (rc != PtpResult_Ok && rc != PtpResult_DeviceBusy) {
        paused.reset();
        return finish_write(rc);
    }

    if (verify) {
        // A verification that is skipped leaves the write's own result.
        switch (p.waitForValue ? p.waitForValue(code, value) : PtpVerifyOutcome::Failed) {
        case PtpVerifyOutcome::Verified: rc = PtpResult_Ok; break;
        case PtpVerifyOutcome::Failed: rc = PtpResult_PropertyWriteFailed; break;
        case PtpVerifyOutcome::Skipped: break;
        }
        paused.reset();
    }

    if (p.written) p.written(code);
    return finish_write(rc);
}

bool PtpReadCurrentValue(uint32_t code, uint32_t* value) {
    if (code == 0) return false;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) return false;
    *value = record->currentValue;
    PtpUnlockProperty(record);
    return true;
}
