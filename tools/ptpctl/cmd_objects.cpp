// ptpctl ls and ptpctl get: the pictures on the camera's cards, and downloading
// one with a progress bar.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "json.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptp_objects.h"
#include "ptpctl.h"

namespace {

const char* format_name(uint16_t format) {
    switch (format) {
    case 0x3801: return "JPEG";
    case 0x380D: return "TIFF";
    case 0xB103: return "CR2";
    case 0xB108: return "CR3";
    case 0x3000: return "NEF";
    case 0xB101: return "ARW";
    case 0xB111: return "RAF";
    case 0x300D: return "MOV";
    case 0x3001: return "folder";
    default: return "other";
    }
}

// *failed: kListingFailed, else the number of objects whose info failed.
constexpr uint32_t kListingFailed = 0xFFFFFFFF;

std::vector<PtpObjectInfo> list_objects(uint32_t* failed) {
    *failed = 0;
    std::vector<PtpObjectInfo> objects;
    uint32_t* handles = nullptr;
    uint32_t count = 0;
    PtpResult rc = PtpGenericInterface_GetObjectHandles2(&handles, &count);
    if (rc != PtpResult_Ok) {
        std::fprintf(stderr, "listing the objects failed: %s (0x%04X)\n", PtpResult_Name(rc), rc);
        *failed = kListingFailed;
        return objects;
    }
    for (uint32_t i = 0; i < count; ++i) {
        PtpObjectInfo info = {};
        if (PtpGenericInterface_GetObjectInfo(handles[i], &info) == PtpResult_Ok)
            objects.push_back(info);
        else
            ++*failed;
    }
    FreeMemory(handles);
    return objects;
}

} // namespace

void Json_ObjectFields(JsonLine& j, const PtpObjectInfo& o) {
    Json_Number(j, "handle", o.handle);
    Json_String(j, "fileName", o.fileName);
    Json_Number(j, "size", o.compressedSize);
    Json_Number(j, "format", o.objectFormat);
    Json_String(j, "formatName", format_name(o.objectFormat));
    Json_Number(j, "width", o.imageWidth);
    Json_Number(j, "height", o.imageHeight);
    Json_Number(j, "parent", o.parentObject);
    if (o.captureDate) Json_Number(j, "captureDate", double(o.captureDate));
}

int Command_Ls(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    const bool json = Json_TakeOption(args);
    if (!args.empty()) {
        std::fprintf(stderr, "ptpctl ls: unexpected argument \"%s\"\n", args[0].c_str());
        return 2;
    }
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    uint32_t failed = 0;
    std::vector<PtpObjectInfo> objects = list_objects(&failed);
    int nameWidth = 4;
    for (const PtpObjectInfo& o : objects)
        nameWidth = std::max(nameWidth, int(std::strlen(o.fileName)));
    for (const PtpObjectInfo& o : objects) {
        if (json) {
            JsonLine j;
            Json_Open(j, nullptr, '{');
            Json_ObjectFields(j, o);
            Json_Close(j, '}');
            Json_Print(j);
            continue;
        }
        char date[32] = "-";
        time_t when = time_t(o.captureDate);
        if (when) std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", std::localtime(&when));
        std::printf("0x%08X  %-*s %10u  %-6s %s\n", o.handle, nameWidth, o.fileName,
                    o.compressedSize, format_name(o.objectFormat), date);
    }
    if (!json) std::printf("%zu object%s\n", objects.size(), objects.size() == 1 ? "" : "s");
    CloseHub(hub);
    if (failed && failed != kListingFailed)
        std::fprintf(stderr, "ls: %u object%s could not be read\n", failed, failed == 1 ? "" : "s");
    return failed ? 1 : 0;
}

int Command_Get(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    std::string output;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size())
            output = args[++i];
        else
            rest.push_back(args[i]);
    }
    if (rest.size() != 1) {
        std::fprintf(stderr, "usage: ptpctl get HANDLE|NAME [-o FILE]\n");
        return 2;
    }
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    uint32_t handle = 0;
    bool byHandle = ParseNumber(rest[0], &handle);
    const PtpObjectInfo* chosen = nullptr;
    uint32_t failed = 0;
    std::vector<PtpObjectInfo> objects = list_objects(&failed);
    for (const PtpObjectInfo& o : objects)
        if (byHandle ? o.handle == handle : strcasecmp(o.fileName, rest[0].c_str()) == 0)
            chosen = &o;
    int status = 1;
    if (!chosen && failed) {
        std::fprintf(stderr, "%s not found: the camera's listing came back incomplete\n",
                     rest[0].c_str());
    } else if (!chosen) {
        std::fprintf(stderr, "no object %s on the camera\n", rest[0].c_str());
    } else {
        std::string path = output.empty() ? SafeFileName(chosen->fileName) : output;
        if (DownloadObject(*chosen, path)) {
            std::printf("%s: %u bytes\n", path.c_str(), chosen->compressedSize);
            status = 0;
        }
    }
    CloseHub(hub);
    return status;
}
