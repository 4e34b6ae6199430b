// The Fujifilm session: the registered property set, camera and host priority,
// description refreshes with the exposure-mode rules, the focal length and
// the shots left on the card.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "fuji/fuji_codes.h"
#include "fuji/fuji_session.h"
#include "generic/event_queue.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp_capabilities.h"
#include "ptp_fuji.h"
#include "ptp_generic.h"
#include "ptp_names.h"
#include "ptp_objects.h"

namespace {

// The session's property set, in the order the store keeps it.
constexpr uint32_t kRegistered[] = {
    0x5003, 0x5005, 0x5007, 0x500A, 0x500D, 0x500B, 0x500E, 0x500F, 0x5010, 0xD018,
    0xD01B, 0xD017, 0xD208, 0xD209, 0xD20C, 0xD20D, 0xD20E, 0xD212, 0xD21C, 0xD022,
    0xD38D, 0xD36A, 0xD171, 0xD174, 0xD173, 0xD395, 0xD207, 0xD100, 0xD38E, 0xD00A,
    0xD025, 0x501C, 0xEEE0, 0xEEE1, 0xEEE2, 0xEEE3, 0xD201,
};

constexpr uint32_t kPriorityCamera = 1;
constexpr uint32_t kPriorityHost = 2;
constexpr uint8_t kModelXH2 = 35; // reports its card capacity as a longer list

// Camera priority until the host asks for host priority.
std::atomic<bool> g_hostMode{false};

// The library's focus-location records: no camera has a description of them.
bool library_property(uint32_t code) {
    return code >= kFujiPropFocusLocationX && code <= kFujiPropFocusHeight;
}

uint8_t access_in_mode(uint32_t code, uint32_t mode) {
    if (code == kFujiPropFNumber) return PtpFuji_IsApertureSettable(mode);
    if (code == kFujiPropExposureTime) return PtpFuji_IsShutterSettable(mode);
    return PtpFuji_IsCompensationSettable(mode);
}

// Sets code's access by its exposure-mode rule (the record's lock taken here).
PtpPropertyRecord* follow_mode(uint32_t code, uint32_t mode) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) return nullptr;
    record->access = access_in_mode(code, mode);
    PtpUnlockProperty(record);
    return record;
}

void register_property(uint32_t code, PtpPropertyRecord* record) {
    {
        PtpRecordHold hold(record);
        std::free(record->values);
        record->values = nullptr;
        record->valueCount = 0;
        record->currentValue = 0;
        record->currentLabel[0] = '\0';
        record->name = nullptr;
        if (library_property(code)) {
            record->dataType = kPtpTypeInt32;
            record->access = 0;
            record->name = PtpGenericInterface_StringForPropertyCode(code);
            return;
        }
    }
    if (!PtpFetchPropertyDescription(record)) {
        PtpDiscardLastPropertyRecord(record);
        return;
    }
    // In camera priority nothing can be written, whatever the camera says.
    if (!PtpFuji_HostMode()) {
        PtpRecordHold hold(record);
        record->access = 0;
    }
}

} // namespace

bool PtpFuji_HostMode() { return g_hostMode.load(); }

bool PtpFuji_IsApertureSettable(uint32_t mode) {
    return PtpFuji_HostMode() && (mode == 1 || mode == 3);
}

bool PtpFuji_IsShutterSettable(uint32_t mode) {
    return PtpFuji_HostMode() && (mode == 1 || mode == 4);
}

bool PtpFuji_IsCompensationSettable(uint32_t mode) {
    return PtpFuji_HostMode() && !PtpGenericInterface_IsAutoExposureModeManual(mode);
}

PtpResult PtpFuji_StartSession(uint8_t) {
    // A new camera starts in camera priority until the host asks for its own.
    g_hostMode.store(false);
    PtpSession_SetLiveViewOn(false);
    PtpClearPropertyStore();
    for (uint32_t code : kRegistered) {
        PtpPropertyRecord* record = PtpAddPropertyRecord(code, false, true);
        if (!record) break; // the store is full
        register_property(code, record);
    }
    PtpGenericInterface_SetPropertyValue(kFujiPropMediaRecording, 1, /*verify=*/1);
    return PtpResult_Ok;
}

PtpResult PtpFuji_SetConnectionHostMode(uint8_t on, uint8_t) {
    PtpResult rc = PtpGenericInterface_SetPropertyValue(
        kFujiPropPriorityMode, on ? kPriorityHost : kPriorityCamera, /*verify=*/0);
    if (rc != PtpResult_Ok) return rc;
    g_hostMode.store(on != 0);
    return PtpFuji_RefreshAllProperties();
}

PtpResult PtpFuji_RefreshAllProperties() {
    for (uint16_t i = 0; i < PtpPropertyCount(); ++i) {
        PtpPropertyRecord* record = PtpPropertyAt(i);
        if (!record) break;
        // Their records keep what the Tetherhub's records last said.
        if (library_property(record->code)) continue;
        if (PtpGenericInterface_RefreshPropertyDescription(record->code) != PtpResult_Ok)
            return PtpResult_Failed;
    }
    return PtpResult_Ok;
}

bool PtpFuji_RefreshPropertyDescription(uint32_t code) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    if (!record || !PtpFetchPropertyDescription(record)) return false;
    uint32_t mode = 0;
    const bool haveMode = PtpReadCurrentValue(kFujiPropExposureProgram, &mode);
    if (code == kFujiPropFNumber) {
        if (haveMode) follow_mode(code, mode);
        PtpFuji_RebuildApertureList();
    } else if ((code == kFujiPropExposureTime || code == kFujiPropExposureCompensation) &&
               haveMode) {
        follow_mode(code, mode);
    } else if (code == kFujiPropExposureProgram) {
        for (uint32_t dependent :
             {kFujiPropFNumber, kFujiPropExposureTime, kFujiPropExposureCompensation})
            if (PtpPropertyRecord* r = follow_mode(dependent, mode))
                PtpQueuePropertyChanged(r, /*notify=*/true);
    }
    if (!PtpFuji_HostMode()) {
        PtpRecordHold hold(record);
        record->access = 0;
    }
    PtpQueuePropertyChanged(record, /*notify=*/true);
    return true;
}

PtpResult PtpFuji_RefreshDescription(uint32_t code) {
    return PtpFuji_RefreshPropertyDescription(code) ? PtpResult_Ok : PtpResult_Failed;
}

PtpResult PtpFujiInterface_GetLensFocalLength(uint16_t* focalLength) {
    if (!focalLength) return PtpResult_InvalidArgument;
    PtpResult rc = PtpGenericInterface_RefreshPropertyValue(kFujiPropOpticalZoomFocalLength);
    if (rc != PtpResult_Ok) return rc;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kFujiPropOpticalZoomFocalLength, 1);
    if (!record) return PtpResult_BadReply;
    int first = 0, hundredths = 0;
    const int fields = std::sscanf(record->currentLabel, "%d,%d", &first, &hundredths);
    PtpUnlockProperty(record);
    if (fields != 2) return PtpResult_BadReply;
    *focalLength = uint16_t(hundredths / 100);
    return PtpResult_Ok;
}

uint32_t PtpFuji_GetSdAvailableShots() {
    char label[PTP_CURRENT_LABEL_SIZE] = {};
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kFujiPropMediaCapacity, 1);
    if (!record) return 0;
    std::memcpy(label, record->currentLabel, sizeof label);
    PtpUnlockProperty(record);
    label[sizeof label - 1] = '\0';
    int shots = 0;
    if (PtpGenericInterface_CameraModel() == kModelXH2) {
        // The fifth comma-separated field.
        const char* field = label;
        for (int i = 0; i < 4 && field; ++i) {
            field = std::strchr(field, ',');
            if (field) ++field;
        }
        if (!field || std::sscanf(field, "%d", &shots) != 1) return 0;
    } else if (std::sscanf(label, "%d", &shots) != 1) {
        return 0;
    }
    return shots < 0 ? 0 : uint32_t(shots);
}
