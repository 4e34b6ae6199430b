// ptpctl info: the Tetherhub's versions and the camera's identity and session.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "json.h"
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

// What info reports, read once and then printed as text or JSON.
struct Info {
    bool answered = false; // false: the hub did not answer, nothing else is set
    bool attached = false;
    PtpResult attachedRc = PtpResult_Ok; // the hub's answer to "camera attached?"
    bool hasHardware = false;
    uint8_t hardware = 0;
    double platform = 0;
    std::string hubSerial, hubModel, model, serial;
    uint16_t vendor = 0;
    uint32_t modelNumber = 0;
    PtpResult session = PtpResult_Ok;
};

static Info read_info() {
    Info in;
    uint8_t attached = 0;
    PtpResult rc = Comms_IsCameraConnected(&attached);
    if (rc == PtpResult_ConnectionLost) return in;
    in.answered = true;
    in.attachedRc = rc;
    in.attached = rc == PtpResult_Ok && attached;
    in.hasHardware = Comms_HardwareVersion(&in.hardware) == PtpResult_Ok;
    in.platform = double(Comms_PlatformVersion());
    uint8_t* serial = nullptr;
    uint32_t serialLength = 0;
    if (Comms_GetTetherhubSerialNumber(&serial, &serialLength) == PtpResult_Ok && serial) {
        // The hub's text may or may not end in a NUL.
        const char* text = reinterpret_cast<const char*>(serial);
        in.hubSerial.assign(text, strnlen(text, serialLength));
    }
    FreeMemory(serial);
    if (const char* model = Comms_CameraModel()) in.hubModel = model;

    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);
    in.session = PtpGenericInterface_StartSession(0);
    in.vendor = PtpGenericInterface_CameraManufacturer();
    if (const char* name = PtpGenericInterface_GetCameraName()) in.model = name;
    if (const char* s = PtpGenericInterface_CameraSerialNumber()) in.serial = s;
    in.modelNumber = PtpGenericInterface_CameraModel();
    return in;
}

static void print_text(const HubConnection& hub, const Info& in) {
    std::printf("Tetherhub %s:%s%s\n", hub.host.c_str(), hub.port.c_str(),
                hub.embedded ? " (virtual, in-process)" : "");
    if (in.hasHardware) std::printf("  hardware version   %u\n", in.hardware);
    std::printf("  platform version   %.2f\n", in.platform);
    if (!in.hubSerial.empty()) std::printf("  serial number      %s\n", in.hubSerial.c_str());
    if (in.attachedRc == PtpResult_Ok)
        std::printf("  camera attached    %s\n", in.attached ? "yes" : "no");
    else
        std::printf("  camera attached    unknown (%s)\n", PtpResult_Name(in.attachedRc));
    if (!in.hubModel.empty()) std::printf("  camera model       %s\n", in.hubModel.c_str());
    std::printf("Camera\n");
    if (!in.model.empty()) std::printf("  model              %s\n", in.model.c_str());
    std::printf("  manufacturer       %s\n", vendor_name(in.vendor));
    std::printf("  serial number      %s\n", in.serial.c_str());
    std::printf("  vendor             %s (%u)\n", vendor_name(in.vendor), in.vendor);
    std::printf("  model number       %u\n", in.modelNumber);
    std::printf("  session            %s (0x%04X)\n", PtpResult_Name(in.session), in.session);
}

static void print_json(const HubConnection& hub, const Info& in) {
    JsonLine j;
    Json_Open(j, nullptr, '{');
    Json_Open(j, "tetherhub", '{');
    Json_String(j, "host", hub.host.c_str());
    Json_Number(j, "port", std::strtod(hub.port.c_str(), nullptr));
    Json_Bool(j, "virtual", hub.embedded != nullptr);
    if (in.hasHardware) Json_Number(j, "hardwareVersion", in.hardware);
    Json_Number(j, "platformVersion", in.platform);
    Json_String(j, "serialNumber", in.hubSerial.c_str());
    Json_Bool(j, "cameraAttached", in.attached);
    if (in.attachedRc != PtpResult_Ok)
        Json_String(j, "cameraAttachedError", PtpResult_Name(in.attachedRc));
    Json_String(j, "cameraModel", in.hubModel.c_str());
    Json_Close(j, '}');
    Json_Open(j, "camera", '{');
    Json_String(j, "model", in.model.c_str());
    Json_String(j, "manufacturer", vendor_name(in.vendor));
    Json_Number(j, "vendor", in.vendor);
    Json_String(j, "serialNumber", in.serial.c_str());
    Json_Number(j, "modelNumber", in.modelNumber);
    Json_Close(j, '}');
    Json_Open(j, "session", '{');
    Json_Number(j, "result", in.session);
    Json_String(j, "name", PtpResult_Name(in.session));
    Json_Close(j, '}');
    Json_Close(j, '}');
    Json_Print(j);
}

// False (with a line on stderr) when the hub does not answer or the camera's
// identity is incomplete.
static bool show(HubConnection& hub, bool json) {
    Info in = read_info();
    if (!in.answered) {
        std::fprintf(stderr, "the Tetherhub at %s:%s does not answer\n", hub.host.c_str(),
                     hub.port.c_str());
        return false;
    }
    if (json)
        print_json(hub, in);
    else
        print_text(hub, in);
    if (in.attachedRc != PtpResult_Ok) {
        std::fprintf(stderr, "info: the Tetherhub's answer on the camera failed: %s\n",
                     PtpResult_Name(in.attachedRc));
        return false;
    }
    if (in.session == PtpResult_NoDeviceInfo || in.session == PtpResult_ConnectionLost) {
        std::fprintf(stderr, "info: the camera's identity is incomplete: %s\n",
                     PtpResult_Name(in.session));
        return false;
    }
    return true;
}

bool ShowHubAndCamera(HubConnection& hub) { return show(hub, false); }

int Command_Info(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    const bool json = Json_TakeOption(args);
    if (!args.empty()) {
        std::fprintf(stderr, "ptpctl info: unexpected argument \"%s\"\n", args[0].c_str());
        return 2;
    }
    HubConnection hub;
    if (!OpenHub(options, hub)) return 1;
    bool ok = show(hub, json);
    CloseHub(hub);
    return ok ? 0 : 1;
}
