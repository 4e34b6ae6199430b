// The Tetherhub's own services: each is one control exchange.
#include <cstdlib>
#include <cstring>

#include "comms/bytes.h"
#include "comms/control_codes.h"
#include "comms/relay_link.h"
#include "comms/services.h"

// What the battery request gives for a record of the wrong size.
constexpr PtpResult kBatteryWrongSize = 0;

// Runs a control exchange that must answer exactly `size` bytes of data, which
// are copied to out. Reply data is never handed over on failure.
static PtpResult exchange_fixed(uint8_t code, void* out, uint32_t size) {
    uint8_t* data = nullptr;
    uint32_t m = 0;
    PtpResult rc = Comms_SendControlMessage(code, nullptr, 0, &data, &m);
    if (rc == PtpResult_Ok && m != size) rc = PtpResult_BadReply;
    if (rc == PtpResult_Ok) std::memcpy(out, data, size);
    std::free(data);
    return rc;
}

PtpResult Comms_IsCameraConnected(uint8_t* connected) {
    if (!connected) return PtpResult_InvalidArgument;
    // This probe is how a host finds out whether a lost link is back, so it
    // tries even when the link was marked lost.
    Comms_ClearLinkLost();
    return exchange_fixed(kControlIsCameraConnected, connected, 1);
}

PtpResult Comms_HardwareVersion(uint8_t* version) {
    if (!version) return PtpResult_InvalidArgument;
    return exchange_fixed(kControlHardwareVersion, version, 1);
}

float Comms_PlatformVersion() {
    uint8_t bytes[4];
    PtpResult rc = exchange_fixed(kControlPlatformVersion, bytes, sizeof bytes);
    // Hubs from before the platform version existed refuse the request.
    if (rc == PtpResult_InvalidArgument) return 2.0f;
    if (rc != PtpResult_Ok) return 0.0f;
    ByteReader r = make_reader(bytes, sizeof bytes);
    return read_f32(r);
}

PtpResult Comms_GetTetherhubSerialNumber(uint8_t** data, uint32_t* length) {
    if (!data || !length) return PtpResult_InvalidArgument;
    return Comms_SendControlMessage(kControlSerialNumber, nullptr, 0, data, length);
}

const char* Comms_CameraModel() {
    // Per thread: two host threads asking at once each get their own text, and
    // a thread's text stays until its next call.
    static thread_local char model[256];
    std::memset(model, 0, sizeof model);
    uint8_t* data = nullptr;
    uint32_t m = 0;
    PtpResult rc = Comms_SendControlMessage(kControlCameraModel, nullptr, 0, &data, &m);
    if (rc != PtpResult_Ok) return nullptr;
    // An empty reply comes without a buffer and gives an empty text.
    if (m) std::memcpy(model, data, m < sizeof model - 1 ? m : sizeof model - 1);
    std::free(data);
    return model;
}

PtpResult Comms_ServerPing() { return Comms_ControlExchange(kControlServerPing, nullptr, 0); }

PtpResult Comms_CancelDelayMessage() {
    return Comms_ControlExchange(kControlCancelDelay, nullptr, 0);
}

PtpResult Comms_SetSkipFujiRaws(uint8_t skip) {
    return Comms_ControlExchange(kControlSkipFujiRaws, &skip, 1);
}

PtpResult Comms_ToggleUsbInterruptRead(uint8_t on) {
    return Comms_ControlExchange(kControlToggleUsbInterruptRead, &on, 1);
}

PtpResult Comms_GetTetherhubBatteryInfo(PtpHubBatteryInfo* out) {
    if (!out) return PtpResult_InvalidArgument;
    uint8_t* data = nullptr;
    uint32_t m = 0;
    PtpResult rc = Comms_SendControlMessage(kControlBatteryInfo, nullptr, 0, &data, &m);
    if (rc != PtpResult_Ok) return rc; // no data is handed over on failure
    // A record of another size is reported with 0 rather than BadReply, and the
    // caller's record stays as it was.
    ByteReader r = make_reader(data, m);
    if (m != sizeof(PtpHubBatteryInfo)) rc = kBatteryWrongSize;
    PtpHubBatteryInfo record;
    read_bytes(r, record.block1, sizeof record.block1);
    read_bytes(r, record.block2, sizeof record.block2);
    read_bytes(r, record.field8, sizeof record.field8);
    read_bytes(r, record.field4, sizeof record.field4);
    std::free(data);
    if (rc != PtpResult_Ok || !r.ok) return kBatteryWrongSize;
    *out = record;
    return PtpResult_Ok;
}

PtpResult Comms_SendFujiStopLiveView() {
    uint8_t code[2];
    PtpResult rc = exchange_fixed(kControlFujiStopLiveView, code, sizeof code);
    if (rc != PtpResult_Ok) return rc;
    return peek_u16(code, sizeof code, 0); // the camera's own response code
}

PtpResult Comms_GetObjectOrientation(uint32_t handle, uint8_t* orientation) {
    if (!orientation) return PtpResult_InvalidArgument;
    uint8_t payload[4];
    put_u32(payload, handle);
    uint8_t* data = nullptr;
    uint32_t m = 0;
    PtpResult rc =
        Comms_SendControlMessage(kControlObjectOrientation, payload, sizeof payload, &data, &m);
    if (rc == PtpResult_Ok && m != 1) rc = PtpResult_BadReply;
    if (rc == PtpResult_Ok) *orientation = data[0];
    std::free(data);
    return rc;
}

PtpResult Comms_GetLiveViewBuffer(uint8_t** data, uint32_t* length, uint8_t shareMode) {
    if (!data || !length) return PtpResult_InvalidArgument;
    *data = nullptr;
    *length = 0;
    if (shareMode == 0)
        return Comms_SendControlMessage(kControlLiveViewBuffer, nullptr, 0, data, length);
    return Comms_SharedControlExchange(nullptr, 0, kControlLiveViewBuffer, shareMode,
                                       kShareRecordNone, 0, nullptr, data, length);
}
