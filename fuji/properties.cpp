// Fujifilm property reads and writes: the camera checks values itself, a write
// stops live view where the body needs it, every write is announced as a
// change, and live view a write had to stop is switched on again.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "comms/bytes.h"
#include "fuji/fuji_codes.h"
#include "fuji/fuji_driver.h"
#include "fuji/fuji_session.h"
#include "fuji/label_tables.h"
#include "fuji/live_view_restart.h"
#include "generic/event_queue.h"
#include "generic/property_names.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_liveview.h"

namespace {

constexpr int kVerifyAttempts = 10;
constexpr auto kVerifyPause = std::chrono::milliseconds(100);

// The newest bodies keep live view running while a property is written.
bool writes_during_live_view() {
    const uint8_t model = PtpGenericInterface_CameraModel();
    return model == 35 || model == 36 || model == 37;
}

// The bytes a write of type sends, as the store keeps them.
uint32_t cut(uint32_t type, uint32_t value) {
    switch (PtpDataTypeSize(type)) {
    case 1: return value & 0xFF;
    case 2: return value & 0xFFFF;
    default: return value;
    }
}

PtpResult run(uint16_t op, uint32_t code, const uint8_t* out, uint32_t outLength, uint8_t** in,
              uint32_t* inLength) {
    return PtpTransaction_ExecuteWithRetry(op, &code, 1, out, outLength, in, inLength, nullptr, 1);
}

} // namespace

PtpResult PtpFuji_GetPropertyValueData(uint32_t code, uint8_t** data, uint32_t* length) {
    return run(kPtpOpGetDevicePropValue, code, nullptr, 0, data, length);
}

PtpResult PtpFuji_GetPropertyDescriptionData(uint32_t code, uint8_t** data, uint32_t* length) {
    return run(kPtpOpGetDevicePropDesc, code, nullptr, 0, data, length);
}

bool PtpFuji_FetchDescription(PtpPropertyRecord* record) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpFuji_GetPropertyDescriptionData(record->code, &data, &length);
    const bool ok = rc == PtpResult_Ok && PtpParsePropertyDescription(record, data, length);
    std::free(data);
    return ok;
}

PtpResult PtpFuji_WritePropertyValue(uint32_t code, uint32_t value) {
    uint32_t type = 0;
    if (PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1)) {
        type = record->dataType;
        PtpUnlockProperty(record);
    } else {
        const PtpVendorPropertyInfo* row = PtpNames_FindRow(kFujiNameTable, code);
        if (!row) return PtpResult_OperationNotSupported;
        type = row->dataType;
    }
    if (PtpSession_LiveViewOn() && !writes_during_live_view()) {
        PtpResult rc = PtpGenericInterface_ToggleLiveView(0);
        if (rc != PtpResult_Ok) return rc;
        PtpFuji_SetRestartLiveView();
    }
    ByteWriter data;
    switch (PtpDataTypeSize(type)) {
    case 1: write_u8(data, uint8_t(value)); break;
    case 2: write_u16(data, uint16_t(value)); break;
    default: write_u32(data, value); break; // 4 bytes, also for a type not stated
    }
    return run(kPtpOpSetDevicePropValue, code, data.buf.data(), uint32_t(data.buf.size()), nullptr,
               nullptr);
}

PtpResult PtpFuji_WriteStringProperty(uint32_t code, const char* text) {
    if (!PtpGenericInterface_IsPropertySupported(code)) return PtpResult_OperationNotSupported;
    if (!text || !*text) return PtpResult_InvalidArgument;
    ByteWriter data;
    write_ptp_string(data, text);
    return run(kPtpOpSetDevicePropValue, code, data.buf.data(), uint32_t(data.buf.size()), nullptr,
               nullptr);
}

bool PtpFuji_WaitForPropertyValue(uint32_t code, uint32_t value) {
    for (int i = 0; i < kVerifyAttempts; ++i) {
        PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
        if (!record) return false;
        uint8_t* data = nullptr;
        uint32_t length = 0;
        PtpResult rc = PtpFuji_GetPropertyValueData(code, &data, &length);
        const bool applied = rc == PtpResult_Ok && PtpApplyPropertyValue(code, data, length) >= 0;
        std::free(data);
        if (!applied) return false;
        {
            // The write sent only the type's bytes; the store keeps them zero-extended.
            PtpRecordHold hold(record);
            if (record->currentValue == cut(record->dataType, value)) return true;
        }
        std::this_thread::sleep_for(kVerifyPause);
    }
    return false;
}

PtpVerifyOutcome PtpFuji_WaitForValue(uint32_t code, uint32_t value) {
    return PtpFuji_WaitForPropertyValue(code, value) ? PtpVerifyOutcome::Verified
                                                     : PtpVerifyOutcome::Failed;
}

void PtpFuji_PropertyWritten(uint32_t code) { PtpQueuePropertyCodeChanged(code, /*notify=*/true); }

// A failed write or verification keeps its result; a successful one takes the
// restart's.
PtpResult PtpFuji_FinishWrite(PtpResult result) {
    if (!PtpFuji_TakeRestartLiveView()) return result;
    PtpResult restarted = PtpGenericInterface_ToggleLiveView(1);
    return result == PtpResult_Ok ? restarted : result;
}

const char* PtpFuji_PrintedLabel(uint32_t code, uint32_t value) {
    thread_local char text[32];
    if (code == kFujiPropFNumber) {
        std::snprintf(text, sizeof text, "%.1f", value / 100.0);
        return text;
    }
    if (code == kFujiPropExposureCompensation) {
        // Signed thousandths of a stop, as the compensation conversions read them.
        std::snprintf(text, sizeof text, "%.1f", int16_t(value & 0xFFFF) / 1000.0);
        return text;
    }
    return nullptr;
}
