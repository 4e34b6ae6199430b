// The Tetherhub's own services: each is one control exchange.
#include <cstdlib>
#include <cstring>

#include "comms/bytes.h"
#include "comms/control_codes.h"
#include "comms/relay_link.h"

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
    // Static by contract: each call overwrites it.
    static char model[256];
    std::memset(model, 0, sizeof model);
    uint8_t* data = nullptr;
    uint32_t m = 0;
    PtpResult rc = Comms_SendControlMessage(kControlCameraModel, nullptr, 0, &data, &m);
    if (rc != PtpResult_Ok) return nullptr;
    std::memcpy(model, data, m < sizeof model - 1 ? m : sizeof model - 1);
    std::free(data);
    return model;
}

PtpResult Comms_ServerPing() { return Comms_ControlExchange(kControlServerPing, nullptr, 0); }
