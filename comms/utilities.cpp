// Process-wide utilities exported beside the connection: buffer release and the
// log file.
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "ptp_comms.h"

namespace {

struct LogFile {
    std::mutex lock;
    FILE* file = nullptr; // guarded by lock
};

LogFile g_log;

} // namespace

void FreeMemory(void* buffer) { std::free(buffer); }

void LogWindows(const char*) {}

bool SetLogFile(const char* path, const char* mode) {
    if (!path || !mode) return false;
    std::printf("Open file %s with mode '%s'\n", path, mode);
    // Plain fopen opens the file shared: other processes may read and write it.
    FILE* file = std::fopen(path, mode);
    if (!file) return false;
    std::lock_guard<std::mutex> held(g_log.lock);
    if (g_log.file) std::fclose(g_log.file);
    g_log.file = file;
    return true;
}
