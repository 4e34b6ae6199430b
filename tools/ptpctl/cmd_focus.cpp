// ptpctl focus-stack N STEP [-d DELAY_MS]: a focus stack, one line per shot;
// Ctrl-C stops it between shots. ptpctl focus: autofocus. ptpctl drive STEPS:
// drives the lens by signed steps.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "ptp_comms.h"
#include "ptp_focus.h"
#include "ptp_generic.h"
#include "ptpctl.h"

namespace {

// Ctrl-C reaches the stack through a pipe: the signal handler only writes a
// byte (async-signal-safe), and a watcher thread makes the library call.
constexpr char kInterrupted = 'c';
constexpr char kStackDone = 'q';
int g_wakePipe[2] = {-1, -1};
uint32_t g_shots = 0;

extern "C" void on_interrupt(int) {
    int saved = errno;
    char c = kInterrupted;
    ssize_t n = write(g_wakePipe[1], &c, 1);
    (void)n; // a full pipe already holds a cancel
    errno = saved;
}

void watch_for_interrupt() {
    for (;;) {
        char c = 0;
        ssize_t n = read(g_wakePipe[0], &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || c == kStackDone) return;
        std::fprintf(stderr, "cancelling after the current shot...\n");
        PtpGenericInterface_CancelFocusStack();
    }
}

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

// Runs the stack with Ctrl-C routed to CancelFocusStack.
PtpResult run_stack(uint32_t shots, int32_t step, uint32_t delayMs) {
    if (pipe(g_wakePipe) != 0) {
        std::perror("pipe");
        return PtpResult_Failed;
    }
    fcntl(g_wakePipe[1], F_SETFL, O_NONBLOCK);
    std::thread watcher(watch_for_interrupt);
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous);

    g_shots = shots;
    PtpResult rc = PtpGenericInterface_DoFocusStackWithCallback(shots, step, delayMs, print_shot);

    sigaction(SIGINT, &previous, nullptr);
    char done = kStackDone;
    while (write(g_wakePipe[1], &done, 1) < 0 && errno == EINTR) {
    }
    watcher.join();
    close(g_wakePipe[0]);
    close(g_wakePipe[1]);
    g_wakePipe[0] = g_wakePipe[1] = -1;
    return rc;
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
        !parse_signed(positional[1], &step)) {
        std::fprintf(stderr, "usage: ptpctl focus-stack N STEP [-d DELAY_MS]\n");
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
        PtpGenericInterface_StopEventCheckLoop(1);
        if (rc == PtpResult_Aborted) {
            std::printf("focus stack cancelled\n");
            status = 130;
        } else {
            status = report("focus stack", rc);
            if (status == 0) std::printf("focus stack of %u shots done\n", shots);
            // Some cameras drive the lens between shots only in manual focus.
            if (rc == PtpResult_Failed && PtpGenericInterface_IsFocusAuto())
                std::fprintf(stderr, "the camera may need manual focus for a stack "
                                     "(ptpctl set \"Focus Mode\" ...)\n");
        }
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
    if (args.size() != 1 || !parse_signed(args[0], &steps)) {
        std::fprintf(stderr, "usage: ptpctl drive STEPS\n");
        return 2;
    }
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    int status = report("lens drive", PtpGenericInterface_DriveLens(steps));
    if (status == 0) std::printf("lens driven by %d steps\n", steps);
    CloseHub(hub);
    return status;
}
