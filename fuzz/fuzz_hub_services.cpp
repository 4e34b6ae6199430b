// The Tetherhub's own service replies (battery, platform version, camera model,
// object orientation, hardware version, camera connected, the Fujifilm
// live-view stop) and the reply to a packaged focus change, read from a
// scripted hub.
//
// Input: four selector bytes, then the stream the hub sends. Each selector
// byte picks one service (low three bits) and, for the focus change, how many
// lens moves it asks for; the calls run in turn on the one stream.
#include <cstring>

#include "comms/relay_link.h"
#include "fuzz/hub_stream.h"
#include "generic/driver.h"
#include "generic/session.h"
#include "ptp_comms.h"
#include "ptp_events.h"

namespace {

constexpr size_t kSelectors = 4;

PtpResult lens_move(int32_t, uint8_t* buf, uint32_t size, uint32_t* length) {
    if (size < 12) return PtpResult_InvalidData;
    std::memset(buf, 0x11, 12);
    *length = 12;
    return PtpResult_Ok;
}

const PtpDriver kFocusDriver = {.focus = {.repeatedLensMove = lens_move}};

void call_service(uint8_t selector) {
    switch (selector & 7) {
    case 0: {
        PtpHubBatteryInfo info, before;
        std::memset(&info, 0xA5, sizeof info);
        before = info;
        if (Comms_GetTetherhubBatteryInfo(&info) != PtpResult_Ok)
            fuzz_check(std::memcmp(&info, &before, sizeof info) == 0,
                       "battery: record changed by a failed read");
        break;
    }
    case 1: (void)Comms_PlatformVersion(); break;
    case 2: {
        const char* model = Comms_CameraModel();
        if (model) fuzz_check(strnlen(model, 256) < 256, "camera model: text not terminated");
        break;
    }
    case 3: {
        uint8_t orientation = 0;
        (void)Comms_GetObjectOrientation(selector, &orientation);
        break;
    }
    case 4: {
        uint8_t version = 0;
        (void)Comms_HardwareVersion(&version);
        break;
    }
    case 5: {
        uint8_t connected = 0;
        (void)Comms_IsCameraConnected(&connected);
        break;
    }
    case 6: (void)Comms_SendFujiStopLiveView(); break;
    default:
        // Up to three packages of at most 300 moves each.
        (void)Comms_SendPackagedFocusChange(1, uint16_t((selector >> 3) * 29));
        while (PtpHostEvent* e = PopEventPtr()) (void)e;
        break;
    }
}

} // namespace

HUB_STREAM_ASAN_OPTIONS

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    PtpSession_SetDriverForTest(&kFocusDriver);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kSelectors) return 0;
    HubStream hub;
    HubStream_Open(&hub, data + kSelectors, size - kSelectors);
    for (size_t i = 0; i < kSelectors; ++i)
        call_service(data[i]);
    HubStream_Close(&hub);
    return 0;
}
