// ptpctl hub: the Tetherhub's own identity and state, without a camera session.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "comms/bytes.h"
#include "json.h"
#include "ptp_comms.h"
#include "ptpctl.h"

namespace {

// One reading of the hub: a value, or the result that stands in its place.
struct Reading {
    PtpResult rc = PtpResult_Ok;
    std::string text;
};

// The battery record's blocks hold the hub's text for each battery, such as
// "main 87%"; the two fields are numbers whose meaning is the hub's.
struct Battery {
    PtpResult rc = PtpResult_Ok; // 0: a record of the wrong size
    std::string block[2];
    int percent[2] = {-1, -1}; // -1: the block names no per cent
    uint64_t field8 = 0;
    uint32_t field4 = 0;
};

std::string block_text(const uint8_t* bytes, size_t n) {
    std::string text;
    for (size_t i = 0; i < n && bytes[i]; ++i)
        text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? char(bytes[i]) : '?';
    return text;
}

// The number just before the text's '%', or -1.
int percent_of(const std::string& text) {
    size_t sign = text.find('%');
    if (sign == std::string::npos || sign == 0) return -1;
    size_t start = text.find_last_not_of("0123456789", sign - 1);
    start = start == std::string::npos ? 0 : start + 1;
    if (start == sign || sign - start > 3) return -1;
    int value = std::atoi(text.substr(start, sign - start).c_str());
    return value <= 100 ? value : -1;
}

Battery read_battery() {
    Battery b;
    PtpHubBatteryInfo info;
    b.rc = Comms_GetTetherhubBatteryInfo(&info);
    if (b.rc != PtpResult_Ok) return b;
    b.block[0] = block_text(info.block1, sizeof info.block1);
    b.block[1] = block_text(info.block2, sizeof info.block2);
    for (int i = 0; i < 2; ++i)
        b.percent[i] = percent_of(b.block[i]);
    ByteReader r8 = make_reader(info.field8, sizeof info.field8);
    ByteReader r4 = make_reader(info.field4, sizeof info.field4);
    b.field8 = read_u64(r8);
    b.field4 = read_u32(r4);
    return b;
}

std::string result_text(PtpResult rc) {
    char text[80];
    std::snprintf(text, sizeof text, "%s (0x%04X)", PtpResult_Name(rc), rc);
    return text;
}

bool show_hub(const HubConnection& hub, bool json) {
    auto start = std::chrono::steady_clock::now();
    PtpResult ping = Comms_ServerPing();
    double millis =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (ping == PtpResult_ConnectionLost) {
        std::fprintf(stderr, "the Tetherhub at %s:%s does not answer\n", hub.host.c_str(),
                     hub.port.c_str());
        return false;
    }
    // A reply lost on the way makes the report incomplete: say so and exit 1.
    PtpResult lost = PtpResult_Ok;
    uint8_t hardwareVersion = 0;
    Reading hardware;
    hardware.rc = Comms_HardwareVersion(&hardwareVersion);
    if (hardware.rc == PtpResult_ConnectionLost) lost = hardware.rc;
    const double platform = double(Comms_PlatformVersion());
    uint8_t* bytes = nullptr;
    uint32_t length = 0;
    Reading serial;
    serial.rc = Comms_GetTetherhubSerialNumber(&bytes, &length);
    if (serial.rc == PtpResult_ConnectionLost) lost = serial.rc;
    if (serial.rc == PtpResult_Ok && bytes) // the hub's text may or may not end in a NUL
        serial.text = block_text(bytes, length);
    else if (serial.rc == PtpResult_Ok)
        serial.rc = PtpResult_BadReply;
    FreeMemory(bytes);
    const char* model = Comms_CameraModel();
    Battery battery = read_battery();
    if (battery.rc == PtpResult_ConnectionLost) lost = battery.rc;

    if (json) {
        JsonLine j;
        Json_Open(j, nullptr, '{');
        Json_String(j, "host", hub.host.c_str());
        Json_Number(j, "port", std::strtod(hub.port.c_str(), nullptr));
        Json_Bool(j, "virtual", hub.embedded != nullptr);
        if (ping == PtpResult_Ok) Json_Number(j, "pingMs", millis);
        if (hardware.rc == PtpResult_Ok) Json_Number(j, "hardwareVersion", hardwareVersion);
        Json_Number(j, "platformVersion", platform);
        if (serial.rc == PtpResult_Ok) Json_String(j, "serialNumber", serial.text.c_str());
        Json_String(j, "cameraModel", model && *model ? model : nullptr);
        if (battery.rc == PtpResult_Ok) {
            Json_Open(j, "battery", '[');
            for (int i = 0; i < 2; ++i) {
                Json_Open(j, nullptr, '{');
                Json_String(j, "text", battery.block[i].c_str());
                if (battery.percent[i] >= 0) Json_Number(j, "percent", battery.percent[i]);
                Json_Close(j, '}');
            }
            Json_Close(j, ']');
            Json_Number(j, "batteryField8", double(battery.field8));
            Json_Number(j, "batteryField4", battery.field4);
        }
        Json_Close(j, '}');
        Json_Print(j);
    } else {
        std::printf("Tetherhub %s:%s%s\n", hub.host.c_str(), hub.port.c_str(),
                    hub.embedded ? " (virtual, in-process)" : "");
        if (ping == PtpResult_Ok)
            std::printf("  ping time          %.1f ms\n", millis);
        else
            std::printf("  ping time          %s\n", result_text(ping).c_str());
        if (hardware.rc == PtpResult_Ok)
            std::printf("  hardware version   %u\n", hardwareVersion);
        else
            std::printf("  hardware version   %s\n", result_text(hardware.rc).c_str());
        std::printf("  platform version   %.2f\n", platform);
        std::printf("  serial number      %s\n", serial.rc == PtpResult_Ok
                                                     ? serial.text.c_str()
                                                     : result_text(serial.rc).c_str());
        std::printf("  camera model       %s\n", model && *model ? model : "(none)");
        if (battery.rc == PtpResult_Ok) {
            std::printf("  battery            ");
            for (int i = 0; i < 2; ++i) {
                const std::string& text = battery.block[i];
                if (text.empty()) continue;
                std::printf("%s%s", i && !battery.block[0].empty() ? ", " : "", text.c_str());
            }
            std::printf("\n");
        } else if (battery.rc == 0) {
            std::printf("  battery            a record of the wrong size\n");
        } else {
            std::printf("  battery            %s\n", result_text(battery.rc).c_str());
        }
    }
    if (lost != PtpResult_Ok) {
        std::fprintf(stderr, "hub: incomplete, %s\n", PtpResult_Name(lost));
        return false;
    }
    return true;
}

} // namespace

int Command_Hub(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    const bool json = Json_TakeOption(args);
    if (!args.empty()) {
        std::fprintf(stderr, "ptpctl hub: unexpected argument \"%s\"\n", args[0].c_str());
        return 2;
    }
    HubConnection hub;
    if (!OpenHub(options, hub)) return 1;
    bool ok = show_hub(hub, json);
    CloseHub(hub);
    return ok ? 0 : 1;
}
