// ptpctl capture [--af] [--download DIR]: takes a picture, waits for the
// camera to store it, lists the new objects and optionally downloads them.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "json.h"
#include "ptp_capture.h"
#include "ptp_comms.h"
#include "ptp_focus.h"
#include "ptp_generic.h"
#include "ptp_objects.h"
#include "ptpctl.h"

namespace {

// How long to wait for the camera to announce the pictures of one shot.
constexpr auto kAnnounceWait = std::chrono::seconds(5);
// After the first announcement, a RAW+JPEG shot's second file follows quickly.
constexpr auto kSettle = std::chrono::milliseconds(700);

std::vector<PtpObjectInfo> wait_for_new_objects() {
    std::vector<PtpObjectInfo> added;
    auto deadline = std::chrono::steady_clock::now() + kAnnounceWait;
    while (std::chrono::steady_clock::now() < deadline) {
        while (const PtpHostEvent* e = PopEventPtr()) {
            if (e->code != 0x4002) continue;
            const PtpObjectInfo* info = nullptr;
            std::memcpy(&info, &e->u, sizeof info);
            added.push_back(*info);
            deadline = std::chrono::steady_clock::now() + kSettle;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return added;
}

constexpr uint32_t kNamedOnly = 0xFFFFFFFF;

// With --json, CaptureOnce prints nothing on stdout and keeps each new object
// with the path it was saved to (empty: not saved) for the one JSON answer.
bool g_json = false;
std::vector<std::pair<PtpObjectInfo, std::string>> g_captured;

// The first handle of the camera's listing, which on a camera that lists only
// its waiting captures is the oldest of them.
bool captured_handle(uint32_t* handle) {
    uint32_t* handles = nullptr;
    uint32_t count = 0;
    PtpResult rc = PtpGenericInterface_GetObjectHandles2(&handles, &count);
    const bool found = rc == PtpResult_Ok && count > 0;
    if (found) *handle = handles[0];
    FreeMemory(handles);
    if (!found) std::fprintf(stderr, "the announced picture is not on the camera\n");
    return found;
}

} // namespace

int CaptureOnce(bool autofocus, const std::string& directory) {
    PtpResult rc = PtpResult_Ok;
    if (autofocus) {
        rc = PtpGenericInterface_StartHalfPress();
        if (rc == PtpResult_Ok) {
            rc = PtpGenericInterface_ReleaseHalfPress();
        } else if (rc == PtpResult_OperationNotSupported) {
            // No half press (Nikon): the driver's autofocus, which then holds
            // the focus found for the shot.
            rc = PtpGenericInterface_Focus();
        }
        if (rc != PtpResult_Ok) {
            std::fprintf(stderr, "autofocus failed: %s (0x%04X)\n", PtpResult_Name(rc), rc);
            return -1;
        }
    }
    // The shot's wait runs beside the downloads: a camera that holds each
    // capture until the host has read it ends its wait only after that.
    auto shot = std::async(std::launch::async, PtpGenericInterface_TakeAndWaitForShotToComplete);
    std::vector<PtpObjectInfo> added = wait_for_new_objects();
    if (added.empty()) std::fprintf(stderr, "the camera announced no new picture\n");
    for (PtpObjectInfo& o : added) {
        // Named by the Tetherhub without a handle: the camera's waiting
        // capture, read through the handle its listing gives. The camera holds
        // it until the host reads it (and the shot's wait lasts until then),
        // so it is saved even without a directory: in the current one.
        const bool held = o.handle == kNamedOnly;
        if (held && !captured_handle(&o.handle)) continue;
        if (g_json)
            g_captured.push_back({o, ""});
        else
            std::printf("new: 0x%08X  %s  %u bytes\n", o.handle, o.fileName, o.compressedSize);
        if (directory.empty() && !held) continue;
        std::string path = (directory.empty() ? "." : directory) + "/" + SafeFileName(o.fileName);
        if (!DownloadObject(o, path)) return -1;
        if (g_json)
            g_captured.back().second = path;
        else
            std::printf("  saved %s\n", path.c_str());
    }
    rc = shot.get();
    if (rc != PtpResult_Ok) {
        std::fprintf(stderr, "capture failed: %s (0x%04X)\n", PtpResult_Name(rc), rc);
        return -1;
    }
    return int(added.size());
}

int Command_Capture(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    g_json = Json_TakeOption(args);
    bool autofocus = false;
    std::string directory;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--af") {
            autofocus = true;
        } else if (args[i] == "--download" && i + 1 < args.size()) {
            directory = args[++i];
        } else {
            std::fprintf(stderr, "usage: ptpctl capture [--af] [--download DIR] [--json]\n");
            return 2;
        }
    }
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    while (PopEventPtr()) {
    } // what the session start queued is not news
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    int added = CaptureOnce(autofocus, directory);
    PtpGenericInterface_StopEventCheckLoop(1);
    if (g_json && added > 0) {
        JsonLine j;
        Json_Open(j, nullptr, '{');
        Json_Open(j, "objects", '[');
        for (const auto& c : g_captured) {
            Json_Open(j, nullptr, '{');
            Json_ObjectFields(j, c.first);
            Json_String(j, "saved", c.second.empty() ? nullptr : c.second.c_str());
            Json_Close(j, '}');
        }
        Json_Close(j, ']');
        Json_Close(j, '}');
        Json_Print(j);
    }
    CloseHub(hub);
    return added > 0 ? 0 : 1;
}
