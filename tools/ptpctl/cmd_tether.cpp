// ptpctl tether DIR [--exec CMD]: downloads every new picture the camera takes
// (shot from the host or on the camera) as the camera announces it, under the
// camera's file name, each once; CMD runs with the file's path after each.
// Ctrl-C is the normal end (exit 0).
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "interrupt.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptp_objects.h"
#include "ptpctl.h"

namespace {

// Handles the Tetherhub gives objects it names without one.
constexpr uint32_t kNamedOnly = 0xFFFFFFFF;
constexpr int kPollMillis = 100;

// The handle of an object announced by name only: the listed object of that
// name not yet downloaded; 0 when none.
uint32_t handle_by_name(const char* name, const std::set<uint32_t>& done) {
    uint32_t* handles = nullptr;
    uint32_t count = 0;
    uint32_t found = 0;
    if (PtpGenericInterface_GetObjectHandles2(&handles, &count) == PtpResult_Ok)
        for (uint32_t i = 0; i < count && !found; ++i) {
            PtpObjectInfo info{};
            if (done.count(handles[i]) == 0 &&
                PtpGenericInterface_GetObjectInfo(handles[i], &info) == PtpResult_Ok &&
                std::strcmp(info.fileName, name) == 0)
                found = handles[i];
        }
    FreeMemory(handles);
    return found;
}

// Runs command with the path as its last argument through the shell; its
// exit status, or -1 when it could not be run.
int run_command(const std::string& command, const std::string& path) {
    std::fflush(stdout);
    pid_t pid = ::fork();
    if (pid == 0) {
        const std::string line = command + " \"$0\"";
        ::execl("/bin/sh", "sh", "-c", line.c_str(), path.c_str(), (char*)nullptr);
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

int Tether_Run(const std::string& directory, const std::string& command, uint32_t most,
               double seconds) {
    std::set<uint32_t> done; // each picture once, even when announced twice
    uint32_t pictures = 0, failed = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!Interrupt_Requested() && (most == 0 || pictures < most) &&
           (seconds <= 0 || std::chrono::steady_clock::now() < end)) {
        while (const PtpHostEvent* e = PopEventPtr()) {
            if (e->code != 0x4002) continue;
            const PtpObjectInfo* announced = nullptr;
            std::memcpy(&announced, &e->u, sizeof announced);
            if (!announced) continue;
            PtpObjectInfo info = *announced;
            if (info.handle == kNamedOnly) info.handle = handle_by_name(info.fileName, done);
            if (info.handle == 0 || info.handle == kNamedOnly || !done.insert(info.handle).second)
                continue;
            const std::string path = directory + "/" + SafeFileName(info.fileName);
            if (!DownloadObject(info, path)) {
                ++failed;
                continue;
            }
            ++pictures;
            std::printf("  %s  %u bytes\n", path.c_str(), info.compressedSize);
            if (!command.empty()) {
                int rc = run_command(command, path);
                if (rc != 0) std::fprintf(stderr, "%s gave %d\n", command.c_str(), rc);
            }
            std::fflush(stdout);
        }
        Interrupt_Sleep(kPollMillis);
    }
    std::printf("%u picture%s saved in %s\n", pictures, pictures == 1 ? "" : "s",
                directory.c_str());
    if (failed) std::fprintf(stderr, "%u download%s failed\n", failed, failed == 1 ? "" : "s");
    return failed ? -1 : int(pictures);
}

int Command_Tether(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    std::string directory, command;
    bool bad = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--exec" && i + 1 < args.size())
            command = args[++i];
        else if (directory.empty() && !args[i].empty() && args[i][0] != '-')
            directory = args[i];
        else
            bad = true;
    }
    if (bad || directory.empty()) {
        std::fprintf(stderr, "usage: ptpctl tether DIR [--exec CMD]\n");
        return 2;
    }
    if (!MakeDirectories(directory)) return 1;
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    while (PopEventPtr()) {
    } // what the session start queued is not news
    Interrupt_Handle(nullptr);
    ShootOnItsOwn(hub, kVirtualShootEvery);
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    std::printf("waiting for pictures, saved into %s (Ctrl-C ends)\n", directory.c_str());
    std::fflush(stdout);
    int pictures = Tether_Run(directory, command, 0, 0);
    PtpGenericInterface_StopEventCheckLoop(1);
    Interrupt_Unwind(0);
    CloseHub(hub);
    return pictures < 0 ? 1 : 0; // Ctrl-C is the normal end
}
