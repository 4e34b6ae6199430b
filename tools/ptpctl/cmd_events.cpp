// ptpctl events [SECONDS]: follows the camera's events, one line each (0: until
// Ctrl-C); the first failed poll ends it with exit 1.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "interrupt.h"
#include "json.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptp_objects.h"
#include "ptpctl.h"

// The first failed poll ends the command; later ones say nothing new.
static std::atomic<int> g_pollError{0};

static void on_error(PtpResult rc) {
    int expected = 0;
    g_pollError.compare_exchange_strong(expected, int(rc) | 0x10000);
}

// --json: one object per event, an added or removed object with its info and
// a changed property with its value and label.
static bool g_json = false;

static void json_event(const PtpHostEvent* e, const void* data) {
    JsonLine j;
    Json_Open(j, nullptr, '{');
    Json_Number(j, "code", e->code);
    if ((e->code == 0x4002 || e->code == 0x4003) && data) {
        Json_String(j, "event", e->code == 0x4002 ? "ObjectAdded" : "ObjectRemoved");
        Json_Open(j, "object", '{');
        Json_ObjectFields(j, *static_cast<const PtpObjectInfo*>(data));
        Json_Close(j, '}');
    } else if (e->code == 0x4006) {
        Json_String(j, "event", "DevicePropChanged");
        if (const PtpPropertyRecord* r = static_cast<const PtpPropertyRecord*>(data)) {
            Json_Number(j, "property", r->code);
            Json_String(j, "name", r->name);
            Json_Number(j, "value", r->currentValue);
            Json_String(j, "label", r->currentLabel);
        }
    } else {
        Json_Open(j, "params", '[');
        Json_Number(j, nullptr, e->u.params[0]);
        Json_Number(j, nullptr, e->u.params[1]);
        Json_Close(j, ']');
    }
    Json_Close(j, '}');
    Json_Print(j);
}

static void print_event(const PtpHostEvent* e) {
    const void* data = nullptr;
    std::memcpy(&data, &e->u, sizeof data);
    if (g_json) {
        json_event(e, data);
        return;
    }
    switch (e->code) {
    case 0x4002:
    case 0x4003: {
        const char* what = e->code == 0x4002 ? "ObjectAdded" : "ObjectRemoved";
        if (const PtpObjectInfo* info = static_cast<const PtpObjectInfo*>(data))
            std::printf("0x%04X %s handle 0x%08X %s %u bytes\n", e->code, what, info->handle,
                        info->fileName, info->compressedSize);
        else  // the camera named an object whose info could not be read
            std::printf("0x%04X %s (no object info)\n", e->code, what);
        break;
    }
    case 0x4006: {
        const PtpPropertyRecord* r = static_cast<const PtpPropertyRecord*>(data);
        if (r)
            std::printf("0x4006 DevicePropChanged 0x%04X %s = %s\n", r->code,
                        r->name ? r->name : "", r->currentLabel);
        else
            std::printf("0x4006 DevicePropChanged (unknown property)\n");
        break;
    }
    default:
        std::printf("0x%04X %u %u\n", e->code, e->u.params[0], e->u.params[1]);
    }
    std::fflush(stdout);
}

int Command_Events(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    g_json = Json_TakeOption(args);
    uint32_t seconds = 10;  // 0: no time limit
    if (args.size() > 1 || (args.size() == 1 && !ParseNumber(args[0], &seconds))) {
        std::fprintf(stderr, "usage: ptpctl events [SECONDS] [--json]\n");
        return 2;
    }
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    while (PopEventPtr()) {
    }  // what the session start queued is not news
    ShootOnItsOwn(hub, kVirtualShootEvery);
    PtpGenericInterface_StartEventCheckLoop(on_error);
    if (seconds)
        std::fprintf(stderr, "following events for %u s\n", seconds);
    else
        std::fprintf(stderr, "following events until Ctrl-C\n");
    Interrupt_Handle(nullptr); // Ctrl-C ends the wait
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!Interrupt_Requested() && !g_pollError &&
           (!seconds || std::chrono::steady_clock::now() < end)) {
        while (const PtpHostEvent* e = PopEventPtr()) print_event(e);
        Interrupt_Sleep(100);
    }
    PtpGenericInterface_StopEventCheckLoop(1);
    CloseHub(hub);
    if (int error = g_pollError) {
        PtpResult rc = PtpResult(error & 0xFFFF);
        std::fprintf(stderr, "event poll failed: %s (0x%04X); stopped\n", PtpResult_Name(rc), rc);
        return 1;
    }
    return 0;
}
