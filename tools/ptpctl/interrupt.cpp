// One place for SIGINT and SIGTERM: a flag and a self-pipe written by an
// async-signal-safe handler, a watcher thread, and the list of what a command
// changed on the camera, put back from the main thread.
#include "interrupt.h"

#include <fcntl.h>
#include <ftw.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ptp_properties.h"

namespace {

struct Undo {
    uint32_t code = 0, value = 0;
    PtpResult (*undo)() = nullptr; // null: write the property back
    std::string what;
    std::vector<std::pair<uint32_t, uint32_t>> settings; // code, value: those that changed
};

struct InterruptState {
    int pipe[2] = {-1, -1};
    std::atomic<int> signals{0};      // written by the handler
    std::atomic<bool> handled{false}; // a command stops by itself
    std::atomic<void (*)()> cancel{nullptr};
    // Held by the watcher while it runs cancel: the unwinding waits for it, so
    // no library call is still running on the watcher when the command returns
    // (and the process's statics go).
    std::mutex cancelling;
    std::mutex lock;
    std::condition_variable woken; // notified under lock when a signal came
    std::vector<Undo> undo;        // guarded by lock
    std::string partial, folder;   // guarded by lock
};
InterruptState g_state;
std::once_flag g_installed;

extern "C" void on_signal(int) {
    int saved = errno;
    g_state.signals.fetch_add(1);
    char c = 's';
    ssize_t n = write(g_state.pipe[1], &c, 1);
    (void)n; // a full pipe already holds a wake-up
    errno = saved;
}

int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
    ::remove(path);
    return 0;
}

// Leaves no half-written file and no temporary folder behind, then exits.
[[noreturn]] void exit_now() {
    std::string partial, folder;
    {
        std::lock_guard<std::mutex> guard(g_state.lock);
        partial = g_state.partial;
        folder = g_state.folder;
    }
    if (!partial.empty()) ::unlink(partial.c_str());
    if (!folder.empty()) ::nftw(folder.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    std::fflush(stdout);
    ::_exit(kInterruptedStatus);
}

void watch() {
    for (int seen = 0;;) {
        char c = 0;
        ssize_t n = read(g_state.pipe[0], &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        if (!g_state.handled || ++seen > 1) exit_now();
        std::fprintf(stderr, "\ninterrupted: finishing, the camera's settings put back "
                             "(Ctrl-C again quits at once)\n");
        {
            std::lock_guard<std::mutex> guard(g_state.lock);
            g_state.woken.notify_all();
        }
        std::lock_guard<std::mutex> running(g_state.cancelling);
        if (void (*cancel)() = g_state.cancel.load()) cancel();
    }
}

// No more cancels, and the one under way (if any) has returned.
void finish_cancel() {
    g_state.cancel = nullptr;
    std::lock_guard<std::mutex> finished(g_state.cancelling);
}

void install() {
    if (::pipe(g_state.pipe) != 0) return;
    ::fcntl(g_state.pipe[1], F_SETFL, O_NONBLOCK);
    ::fcntl(g_state.pipe[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(g_state.pipe[1], F_SETFD, FD_CLOEXEC);
    std::thread(watch).detach();
    // Registered after the library's statics exist, so it runs before they go.
    std::atexit(finish_cancel);
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // the library's blocking calls carry on
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

// A camera still storing a picture refuses writes for a moment: a few tries.
constexpr int kWriteAttempts = 3;
constexpr auto kWriteRetryPause = std::chrono::milliseconds(300);

PtpResult write_property(uint32_t code, uint32_t value) {
    PtpResult rc = PtpResult_Failed;
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        if (attempt) std::this_thread::sleep_for(kWriteRetryPause);
        rc = PtpGenericInterface_SetPropertyValue(code, value, 1);
        if (rc != PtpResult_DeviceBusy && rc != PtpResult_PropertyWriteFailed) break;
    }
    return rc;
}

uint32_t current_value(uint32_t code, bool* writable) {
    uint32_t value = 0;
    *writable = false;
    if (PtpPropertyRecord* r = PtpGenericInterface_GetProperty(code, 1)) {
        value = r->currentValue;
        *writable = r->access != 0;
        PtpUnlockProperty(r);
    }
    return value;
}

PtpResult write_back(const Undo& u) {
    if (u.undo) return u.undo();
    if (u.settings.empty()) return write_property(u.code, u.value);
    PtpResult first = PtpResult_Ok;
    for (const auto& s : u.settings) {
        bool writable = false;
        PtpGenericInterface_RefreshPropertyValue(s.first); // the camera may not say it changed
        if (current_value(s.first, &writable) == s.second || !writable) continue;
        PtpResult rc = write_property(s.first, s.second);
        if (first == PtpResult_Ok) first = rc;
    }
    return first;
}

} // namespace

void Interrupt_Install() { std::call_once(g_installed, install); }

void Interrupt_Handle(void (*cancel)()) {
    Interrupt_Install();
    g_state.cancel = cancel;
    g_state.handled = true;
}

bool Interrupt_Requested() { return g_state.signals.load() > 0; }

bool Interrupt_Sleep(int millis) {
    std::unique_lock<std::mutex> guard(g_state.lock);
    return g_state.woken.wait_for(guard, std::chrono::milliseconds(millis), Interrupt_Requested);
}

void Interrupt_RestoreProperty(uint32_t code, uint32_t value, const char* label) {
    Undo u;
    u.code = code;
    u.value = value;
    char name[64];
    std::snprintf(name, sizeof name, "property 0x%04X back to %s", code, label ? label : "");
    u.what = name;
    std::lock_guard<std::mutex> guard(g_state.lock);
    g_state.undo.push_back(u);
}

void Interrupt_RestoreBy(PtpResult (*undo)(), const char* what) {
    Undo u;
    u.undo = undo;
    u.what = what;
    std::lock_guard<std::mutex> guard(g_state.lock);
    g_state.undo.push_back(u);
}

void Interrupt_RestoreSettings() {
    // The codes a camera's properties use: standard, then vendor ranges.
    const uint32_t ranges[][2] = {{0x5000, 0x50FF}, {0xD000, 0xD3FF}, {0xEE00, 0xEEFF}};
    Undo u;
    u.what = "the settings back";
    for (const auto& range : ranges)
        for (uint32_t code = range[0]; code <= range[1]; ++code) {
            bool writable = false;
            uint32_t value = current_value(code, &writable);
            if (writable) u.settings.push_back({code, value});
        }
    std::lock_guard<std::mutex> guard(g_state.lock);
    g_state.undo.push_back(u);
}

int Interrupt_Unwind(int status) {
    finish_cancel();
    std::vector<Undo> undo;
    {
        std::lock_guard<std::mutex> guard(g_state.lock);
        undo.swap(g_state.undo);
    }
    bool failed = false;
    for (size_t i = undo.size(); i-- > 0;) {
        PtpResult rc = write_back(undo[i]);
        if (rc == PtpResult_Ok) continue;
        std::fprintf(stderr, "could not put %s: %s (0x%04X)\n", undo[i].what.c_str(),
                     PtpResult_Name(rc), rc);
        failed = true;
    }
    if (Interrupt_Requested()) return kInterruptedStatus;
    return status == 0 && failed ? 1 : status;
}

void Interrupt_SetPartialFile(const char* path) {
    Interrupt_Install();
    std::lock_guard<std::mutex> guard(g_state.lock);
    g_state.partial = path ? path : "";
}

void Interrupt_SetTemporaryFolder(const char* path) {
    Interrupt_Install();
    std::lock_guard<std::mutex> guard(g_state.lock);
    g_state.folder = path ? path : "";
}
