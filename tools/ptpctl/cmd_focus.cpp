// ptpctl focus-stack N STEP [-d DELAY_MS]: a focus stack, one line per shot;
// Ctrl-C stops it between shots and puts back the focus mode and bracketing
// it changed. ptpctl focus: autofocus. ptpctl drive STEPS:
// drives the lens by signed steps.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "interrupt.h"
#include "ptp_comms.h"
#include "ptp_exposure.h"
#include "ptp_focus.h"
#include "ptp_generic.h"
#include "ptp_properties.h"
#include "ptpctl.h"

namespace {

// The lens field is 16 bits wide on some vendors: larger drives are refused.
constexpr int32_t kLargestDrive = 32767;
uint32_t g_shots = 0;

void print_shot(uint32_t shot) {
    std::printf("shot %u of %u\n", shot, g_shots);
    std::fflush(stdout);
}

bool parse_signed(const std::string& text, int32_t* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
    *value = int32_t(v);
    return true;
}

int report(const char* what, PtpResult rc) {
    if (rc == PtpResult_Ok) return 0;
    std::fprintf(stderr, "%s failed: %s (0x%04X)\n", what, PtpResult_Name(rc), rc);
    return 1;
}

// The library's focus mode back (a stack may hold the focus); written only
// when it changed.
uint32_t g_focusMode = 0;
PtpResult restore_focus_mode() {
    if (PtpGenericInterface_FocusMode() == g_focusMode) return PtpResult_Ok;
    return PtpGenericInterface_SetFocusMode(g_focusMode, 1);
}

// Runs the stack with Ctrl-C routed to CancelFocusStack; what it changes (it
// turns bracketing off, it may hold the focus) is registered for the unwinding.
PtpResult run_stack(uint32_t shots, int32_t step, uint32_t delayMs) {
    Interrupt_Handle(PtpGenericInterface_CancelFocusStack);
    Interrupt_RestoreSettings(); // the lens position, where the camera has it as a setting
    g_focusMode = PtpGenericInterface_FocusMode();
    Interrupt_RestoreBy(restore_focus_mode, "the focus mode back");
    const uint32_t bracketing = PtpGetExposureBracketingPropertyCode();
    if (PtpGenericInterface_IsExposureBracketingOn())
        if (PtpPropertyRecord* r = PtpGenericInterface_GetProperty(bracketing, 1)) {
            Interrupt_RestoreProperty(bracketing, r->currentValue, r->currentLabel);
            PtpUnlockProperty(r);
        }
    g_shots = shots;
    return PtpGenericInterface_DoFocusStackWithCallback(shots, step, delayMs, print_shot);
}

} // namespace

int Command_FocusStack(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    std::vector<std::string> positional;
    uint32_t delayMs = 0;
    bool badDelay = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-d" && i + 1 < args.size())
            badDelay |= !ParseNumber(args[++i], &delayMs);
        else
            positional.push_back(args[i]);
    }
    uint32_t shots = 0;
    int32_t step = 0;
    if (badDelay || positional.size() != 2 || !ParseNumber(positional[0], &shots) ||
        !parse_signed(positional[1], &step) || shots < 2 || step == 0 || step > kLargestDrive ||
        step < -kLargestDrive) {
        std::fprintf(stderr,
                     "usage: ptpctl focus-stack N STEP [-d DELAY_MS]   (N at least 2, "
                     "STEP not 0, at most %d either way)\n",
                     kLargestDrive);
        return 2;
    }
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    int status = 0;
    if (!PtpGenericInterface_IsFocusStackSupported()) {
        std::fprintf(stderr, "this camera cannot run a focus stack\n");
        status = 1;
    } else {
        PtpGenericInterface_StartEventCheckLoop(nullptr);
        PtpResult rc = run_stack(shots, step, delayMs);
        if (rc == PtpResult_Aborted || Interrupt_Requested()) {
            std::printf("focus stack cancelled\n");
            status = kInterruptedStatus;
        } else {
            status = report("focus stack", rc);
            if (status == 0) std::printf("focus stack of %u shots done\n", shots);
            // Some cameras drive the lens between shots only in manual focus.
            if (rc == PtpResult_Failed && PtpGenericInterface_IsFocusAuto())
                std::fprintf(stderr, "the camera may need manual focus for a stack "
                                     "(ptpctl set \"Focus Mode\" ...)\n");
        }
        status = Interrupt_Unwind(status);
        PtpGenericInterface_StopEventCheckLoop(1);
    }
    CloseHub(hub);
    return status;
}

int Command_Focus(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    if (!args.empty()) {
        std::fprintf(stderr, "usage: ptpctl focus\n");
        return 2;
    }
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    int status = report("autofocus", PtpGenericInterface_Focus());
    if (status == 0) std::printf("focused; focus is now held\n");
    CloseHub(hub);
    return status;
}

int Command_Drive(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    int32_t steps = 0;
    if (args.size() != 1 || !parse_signed(args[0], &steps) || steps == 0 || steps > kLargestDrive ||
        steps < -kLargestDrive) {
        std::fprintf(stderr, "usage: ptpctl drive STEPS   (not 0, at most %d either way)\n",
                     kLargestDrive);
        return 2;
    }
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    int status = report("lens drive", PtpGenericInterface_DriveLens(steps));
    if (status == 0) std::printf("lens driven by %d steps\n", steps);
    CloseHub(hub);
    return status;
}
