// ptpctl info: the Tetherhub's versions and the camera's identity and session.
#include <cstdio>
#include <cstring>
#include <string>

#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptpctl.h"

static const char* vendor_name(uint16_t vendor) {
    switch (vendor) {
    case PtpVendor_Canon: return "Canon";
    case PtpVendor_Nikon: return "Nikon";
    case PtpVendor_Sony: return "Sony";
    case PtpVendor_Fujifilm: return "Fujifilm";
    case PtpVendor_None: return "none";
    default: return "not detected";
    }
}

bool ShowHubAndCamera(HubConnection& hub) {
    std::printf("Tetherhub %s:%s%s\n", hub.host.c_str(), hub.port.c_str(),
                hub.embedded ? " (virtual, in-process)" : "");
    uint8_t attached = 0;
    PtpResult rc = Comms_IsCameraConnected(&attached);
    if (rc == PtpResult_ConnectionLost) {
        std::fprintf(stderr, "the Tetherhub at %s:%s does not answer\n", hub.host.c_str(),
                     hub.port.c_str());
        return false;
    }
    uint8_t hardware = 0;
    if (Comms_HardwareVersion(&hardware) == PtpResult_Ok)
        std::printf("  hardware version   %u\n", hardware);
    std::printf("  platform version   %.2f\n", double(Comms_PlatformVersion()));
    uint8_t* serial = nullptr;
    uint32_t serialLength = 0;
    if (Comms_GetTetherhubSerialNumber(&serial, &serialLength) == PtpResult_Ok && serial) {
        // The hub's text may or may not end in a NUL.
        const char* text = reinterpret_cast<const char*>(serial);
        std::printf("  serial number      %.*s\n", int(strnlen(text, serialLength)), text);
    }
    FreeMemory(serial);
    std::printf("  camera attached    %s\n", rc == PtpResult_Ok && attached ? "yes" : "no");
    if (const char* model = Comms_CameraModel()) std::printf("  camera model       %s\n", model);

    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);
    PtpResult session = PtpGenericInterface_StartSession(0);
    uint16_t vendor = PtpGenericInterface_CameraManufacturer();
    std::printf("Camera\n");
    if (const char* name = PtpGenericInterface_GetCameraName())
        std::printf("  model              %s\n", name);
    std::printf("  manufacturer       %s\n", vendor_name(vendor));
    std::printf("  serial number      %s\n", PtpGenericInterface_CameraSerialNumber());
    std::printf("  vendor             %s (%u)\n", vendor_name(vendor), vendor);
    std::printf("  model number       %u\n", PtpGenericInterface_CameraModel());
    std::printf("  session            %s (0x%04X)\n", PtpResult_Name(session), session);
    if (session == PtpResult_NoDeviceInfo || session == PtpResult_ConnectionLost) {
        std::fprintf(stderr, "info: the camera's identity is incomplete: %s\n",
                     PtpResult_Name(session));
        return false;
    }
    return true;
}

int Command_Info(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    if (!args.empty()) {
        std::fprintf(stderr, "ptpctl info: unexpected argument \"%s\"\n", args[0].c_str());
        return 2;
    }
    HubConnection hub;
    if (!OpenHub(options, hub)) return 1;
    bool ok = ShowHubAndCamera(hub);
    CloseHub(hub);
    return ok ? 0 : 1;
}
