// A hand-described camera whose DeviceInfo becomes the session's through a real GetDeviceInfo.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <utility>
#include <vector>

#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "support/capture_script.h"

struct ScriptedCamera {
    const char* manufacturer = "Canon Inc.";
    const char* model = "Canon EOS 5D Mark IV";
    std::vector<uint16_t> operations;
    std::vector<uint16_t> properties;
};

// A DeviceInfo manufacturer text each vendor is detected from; null for none.
inline const char* scripted_maker_of(PtpVendor vendor) {
    switch (vendor) {
    case PtpVendor_Canon: return "Canon Inc.";
    case PtpVendor_Nikon: return "Nikon";
    case PtpVendor_Sony: return "Sony Corporation";
    case PtpVendor_Fujifilm: return "FUJIFILM";
    default: return nullptr;
    }
}

inline std::deque<std::vector<uint8_t>>& scripted_replies() {
    static std::deque<std::vector<uint8_t>> replies;
    return replies;
}

inline PtpResult scripted_send(const uint8_t*, uint32_t) { return PtpResult_Ok; }

inline PtpResult scripted_receive(uint8_t** out) {
    *out = nullptr;
    auto& replies = scripted_replies();
    if (replies.empty()) return PtpResult_ConnectionLost;
    std::vector<uint8_t> reply = std::move(replies.front());
    replies.pop_front();
    *out = static_cast<uint8_t*>(std::malloc(reply.size()));
    std::memcpy(*out, reply.data(), reply.size());
    return PtpResult_Ok;
}

// Makes camera's DeviceInfo the session's and its maker the current vendor.
// The scripted transport stays installed. True when the DeviceInfo was taken.
inline bool scripted_connect(const ScriptedCamera& camera) {
    PtpTransaction_SetTransport(scripted_send, scripted_receive);
    PtpTransaction_SetLinkLock(nullptr);
    scripted_replies().clear();
    scripted_replies().push_back(scripted::container(
        2, 0x1001, {},
        DeviceInfoData({camera.manufacturer, camera.model, camera.operations, camera.properties})));
    scripted_replies().push_back(scripted::container(3, PtpResult_Ok, {}, {}));
    return PtpGenericInterface_GetCameraManufacturer() == PtpDetectVendor(camera.manufacturer);
}

// Adds a record for code with a current value, a current label and allowed values
// (label, value); returns it unlocked.
inline PtpPropertyRecord*
scripted_property(uint32_t code, uint32_t current, const char* label = "",
                  const std::vector<std::pair<const char*, uint32_t>>& values = {}) {
    PtpPropertyRecord* record = PtpAddPropertyRecord(code, /*lockOnReturn=*/true, false);
    if (!record) return nullptr;
    record->dataType = kPtpTypeUint32;
    record->currentValue = current;
    std::snprintf(record->currentLabel, sizeof record->currentLabel, "%s", label);
    record->access = 1;
    if (!values.empty()) {
        record->values =
            static_cast<PtpValueLabel*>(std::calloc(values.size(), sizeof(PtpValueLabel)));
        for (size_t i = 0; i < values.size(); ++i) {
            std::snprintf(record->values[i].label, sizeof record->values[i].label, "%s",
                          values[i].first);
            record->values[i].value = values[i].second;
        }
        record->valueCount = uint16_t(values.size());
    }
    PtpUnlockProperty(record);
    return record;
}
