// ptpctl hub: the Tetherhub's own identity and state, without a camera session.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "ptp_comms.h"
#include "ptpctl.h"

static void print_hex(const char* label, const uint8_t* bytes, size_t n) {
    std::printf("  %-18s", label);
    for (size_t i = 0; i < n; ++i)
        std::printf("%s%02X", i ? " " : "", bytes[i]);
    std::printf("\n");
}

static bool show_hub(const HubConnection& hub) {
    std::printf("Tetherhub %s:%s%s\n", hub.host.c_str(), hub.port.c_str(),
                hub.embedded ? " (virtual, in-process)" : "");

    auto start = std::chrono::steady_clock::now();
    PtpResult ping = Comms_ServerPing();
    double millis =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (ping == PtpResult_ConnectionLost) {
        std::fprintf(stderr, "the Tetherhub at %s:%s does not answer\n", hub.host.c_str(),
                     hub.port.c_str());
        return false;
    }
    if (ping == PtpResult_Ok)
        std::printf("  ping time          %.1f ms\n", millis);
    else
        std::printf("  ping time          %s (0x%04X)\n", PtpResult_Name(ping), ping);

    // A reply lost on the way makes the report incomplete: say so and exit 1.
    PtpResult lost = PtpResult_Ok;
    uint8_t hardware = 0;
    PtpResult rc = Comms_HardwareVersion(&hardware);
    if (rc == PtpResult_ConnectionLost) lost = rc;
    if (rc == PtpResult_Ok)
        std::printf("  hardware version   %u\n", hardware);
    else
        std::printf("  hardware version   %s (0x%04X)\n", PtpResult_Name(rc), rc);
    std::printf("  platform version   %.2f\n", double(Comms_PlatformVersion()));

    uint8_t* serial = nullptr;
    uint32_t serialLength = 0;
    rc = Comms_GetTetherhubSerialNumber(&serial, &serialLength);
    if (rc == PtpResult_ConnectionLost) lost = rc;
    if (rc == PtpResult_Ok && serial) {
        // The hub's text may or may not end in a NUL.
        const char* text = reinterpret_cast<const char*>(serial);
        std::printf("  serial number      %.*s\n", int(strnlen(text, serialLength)), text);
    } else {
        std::printf("  serial number      %s (0x%04X)\n", PtpResult_Name(rc), rc);
    }
    FreeMemory(serial);

    const char* model = Comms_CameraModel();
    std::printf("  camera model       %s\n", model && *model ? model : "(none)");

    PtpHubBatteryInfo battery;
    rc = Comms_GetTetherhubBatteryInfo(&battery);
    if (rc == PtpResult_ConnectionLost) lost = rc;
    if (rc == PtpResult_Ok) {
        std::printf("  battery\n");
        print_hex("  block 1", battery.block1, sizeof battery.block1);
        print_hex("  block 2", battery.block2, sizeof battery.block2);
        print_hex("  8 bytes", battery.field8, sizeof battery.field8);
        print_hex("  4 bytes", battery.field4, sizeof battery.field4);
    } else if (rc == 0) {
        std::printf("  battery            a record of the wrong size\n");
    } else {
        std::printf("  battery            %s (0x%04X)\n", PtpResult_Name(rc), rc);
    }
    if (lost != PtpResult_Ok) {
        std::fprintf(stderr, "hub: incomplete, %s\n", PtpResult_Name(lost));
        return false;
    }
    return true;
}

int Command_Hub(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    if (!args.empty()) {
        std::fprintf(stderr, "ptpctl hub: unexpected argument \"%s\"\n", args[0].c_str());
        return 2;
    }
    HubConnection hub;
    if (!OpenHub(options, hub)) return 1;
    bool ok = show_hub(hub);
    CloseHub(hub);
    return ok ? 0 : 1;
}
