// The Tetherhub's property records for a Fujifilm camera, applied on the
// event-check thread.
#include <cstdio>
#include <initializer_list>

#include "fuji/fuji_codes.h"
#include "fuji/fuji_session.h"
#include "generic/event_queue.h"
#include "generic/property_store.h"
#include "ptp_names.h"
#include "ptp_properties.h"

PtpPropertyRecord* PtpFuji_ApplyEventValue(uint32_t code, uint32_t value, uint8_t access) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    if (!record) return nullptr;
    // The refresh takes the store's lock, which comes before a record's lock:
    // it runs before the record is locked.
    if (record->dataType == kPtpTypeString) PtpGenericInterface_RefreshPropertyValue(code);
    PtpLockProperty(record);
    if (record->dataType != kPtpTypeString) {
        record->currentValue = value;
        const char* label = PtpGenericInterface_StringForPropertyCodeValue(code, value);
        if (label)
            std::snprintf(record->currentLabel, sizeof record->currentLabel, "%s", label);
        else
            std::snprintf(record->currentLabel, sizeof record->currentLabel, "%d", int(value));
    }
    record->access = PtpFuji_HostMode() ? access : 0;
    PtpUnlockProperty(record);
    return record;
}

void PtpFuji_HubPropertyChanged(uint32_t code, uint32_t value, uint8_t flag) {
    const bool exposure = code == kFujiPropFNumber || code == kFujiPropExposureTime ||
                          code == kFujiPropExposureCompensation;
    uint32_t mode = 0;
    if (exposure && PtpReadCurrentValue(kFujiPropExposureProgram, &mode)) {
        // The exposure mode decides whether these can be set, not the record.
        flag = code == kFujiPropFNumber        ? PtpFuji_IsApertureSettable(mode)
               : code == kFujiPropExposureTime ? PtpFuji_IsShutterSettable(mode)
                                               : PtpFuji_IsCompensationSettable(mode);
    }
    PtpPropertyRecord* record = PtpFuji_ApplyEventValue(code, value, flag);
    if (record && code == kFujiPropExposureProgram)
        for (uint32_t dependent :
             {kFujiPropFNumber, kFujiPropExposureTime, kFujiPropExposureCompensation})
            PtpFuji_RefreshPropertyDescription(dependent);
    PtpQueuePropertyChanged(record, /*notify=*/false);
}
