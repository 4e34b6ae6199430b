// ptpctl panorama POSITIONS MOVE_MS [-d 0|1] [-b PROPERTY -n SHOTS [-s STEP]]
// [--bulb MS -n SHOTS [-s THIRDS]] [-i SECONDS] [--share]: shots at POSITIONS
// head positions, the head turned MOVE_MS between them (it settles 500 ms
// more); one line per position; Ctrl-C stops it between steps. --share pushes
// each position's new pictures to the Tetherhub's other clients (ptpctl
// receive).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "interrupt.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptp_objects.h"
#include "ptp_properties.h"
#include "ptp_relay.h"
#include "ptp_serial.h"
#include "ptpctl.h"

namespace {

uint32_t g_positions = 0;
bool g_share = false;
std::vector<uint32_t> g_known; // handles on the camera before the newest position

std::vector<uint32_t> handles() {
    uint32_t* h = nullptr;
    uint32_t n = 0;
    std::vector<uint32_t> out;
    if (PtpGenericInterface_GetObjectHandles2(&h, &n) == PtpResult_Ok && h) out.assign(h, h + n);
    FreeMemory(h);
    return out;
}

// Pushes the pictures that appeared since the last position to the others.
void share_new_pictures() {
    for (uint32_t h : handles()) {
        if (std::find(g_known.begin(), g_known.end(), h) != g_known.end()) continue;
        g_known.push_back(h);
        PtpObjectInfo info{};
        if (PtpGenericInterface_GetObjectInfo(h, &info) != PtpResult_Ok) continue;
        PtpResult rc = Native_SendImageToClients(&info, 1);
        std::printf("  shared %s%s\n", info.fileName, rc == PtpResult_Ok ? "" : " (failed)");
    }
}

// Called on the interrupt watcher thread at Ctrl-C.
void cancel_panorama() {
    std::fprintf(stderr, "cancelling after the current step...\n");
    Serial_CancelPanorama();
}

void print_position(uint32_t done) {
    std::printf("position %u of %u done\n", done, g_positions);
    if (g_share) share_new_pictures();
    std::fflush(stdout);
}

struct Plan {
    uint32_t positions = 0, moveMs = 0, direction = 1;
    uint8_t bracket = 0;
    uint32_t code = 0, centre = 0, step = 1, shots = 1;
    float interval = 0;
};

bool parse(std::vector<std::string>& args, Plan* p) {
    std::vector<std::string> positional;
    bool bad = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool value = i + 1 < args.size();
        if (a == "-d" && value)
            bad |= !ParseNumber(args[++i], &p->direction) || p->direction > 1;
        else if (a == "-b" && value)
            bad |=
                !ParseNumber(args[++i], &p->code) || (p->bracket = 1, p->code == PTP_PANORAMA_BULB);
        else if (a == "--bulb" && value)
            bad |= !ParseNumber(args[++i], &p->centre) ||
                   (p->bracket = 1, p->code = PTP_PANORAMA_BULB, false);
        else if (a == "-n" && value)
            bad |= !ParseNumber(args[++i], &p->shots) || p->shots == 0 ||
                   p->shots > PTP_PANORAMA_BRACKET_MAX;
        else if (a == "-s" && value)
            bad |= !ParseNumber(args[++i], &p->step) || p->step == 0;
        else if (a == "--share")
            g_share = true;
        else if (a == "-i" && value)
            p->interval = std::strtof(args[++i].c_str(), nullptr);
        else
            positional.push_back(a);
    }
    return !bad && positional.size() == 2 && ParseNumber(positional[0], &p->positions) &&
           p->positions > 0 && ParseNumber(positional[1], &p->moveMs);
}

} // namespace

int Command_Panorama(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    Plan plan;
    if (!parse(args, &plan)) {
        std::fprintf(stderr, "usage: ptpctl panorama POSITIONS MOVE_MS [-d 0|1] [-b PROPERTY | "
                             "--bulb MS] [-n SHOTS] [-s STEP] [-i SECONDS]\n");
        return 2;
    }
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    if (g_share) {
        g_known = handles();
        PtpResult on = Comms_ToggleSharing(1);
        if (on != PtpResult_Ok) std::fprintf(stderr, "sharing not switched on: 0x%04X\n", on);
    }
    if (plan.bracket && plan.code != PTP_PANORAMA_BULB) { // the series centres on the current value
        PtpPropertyRecord* r = PtpGenericInterface_GetProperty(plan.code, 0);
        if (!r) {
            std::fprintf(stderr, "the camera has no property 0x%04X\n", plan.code);
            CloseHub(hub);
            return 1;
        }
        PtpLockProperty(r);
        plan.centre = r->currentValue;
        PtpUnlockProperty(r);
    }
    Interrupt_Handle(cancel_panorama);
    g_positions = plan.positions;
    PtpResult rc = Serial_DoPanorama(plan.positions, uint8_t(plan.direction), plan.moveMs,
                                     plan.interval, plan.bracket, plan.code, plan.centre, plan.step,
                                     uint16_t(plan.shots), 0, print_position);
    PtpGenericInterface_StopEventCheckLoop(1);
    CloseHub(hub);
    if (rc == PtpResult_Aborted || Interrupt_Requested()) {
        std::printf("panorama cancelled\n");
        return kInterruptedStatus;
    }
    if (rc != PtpResult_Ok) {
        std::fprintf(stderr, "panorama failed: %s (0x%04X)\n", PtpResult_Name(rc), rc);
        return 1;
    }
    std::printf("panorama of %u positions done\n", plan.positions);
    return 0;
}
