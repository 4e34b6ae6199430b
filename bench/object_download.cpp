// One 50 MB object download through the library (PtpGenericInterface_GetObject:
// engine, relay link, the buffer handed to the host) from the virtual
// Tetherhub, beside the same GetObject request and reply over a bare loopback
// socket to the same hub in the same run. The hub runs in a child process, so
// what this process spends (CPU time of all its threads, resident memory) is
// the download's own and the bare socket's, never the hub's. Prints three
// lines: both throughputs and their ratio, library/raw (target at least 0.95);
// the CPU time (user + system, the whole process) per download and its ratio
// (target at most 1.2); the peak memory one download adds, beside the object's
// size (target: one copy of the object, the buffer the host receives). MB here
// is 10^6 bytes.
//
//   bench_object_download [--benchmark_min_time=0.2] [--min_ratio=0.95]
//                         [--max_cpu_ratio=1.2] [--max_memory_ratio=1.0]
//
// Each benchmark runs five repetitions, interleaved at random with the other's;
// the ratios compare their medians. With a limit given the exit status is 1
// when its ratio is past it.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "ptp/transaction.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptp_objects.h"
#include "sim_hub.h"

namespace {

constexpr uint32_t kObjectSize = 50u * 1000 * 1000;
constexpr double kMegabyte = 1e6;
constexpr uint32_t kDataMessageSize = kRelayHeaderSize + kPtpContainerHeaderSize + kObjectSize;

int g_raw = -1;                // the bare socket to the hub
uint32_t g_handle = 0;         // the object on the virtual camera's card
std::vector<uint8_t> g_source; // its bytes, made here as the hub made them

// Bytes of a different value at both ends of the object: a transfer that lost
// or shifted data would not match them.
std::vector<uint8_t> make_object() {
    std::vector<uint8_t> bytes(kObjectSize);
    uint32_t x = 2463534242u;
    for (uint8_t& b : bytes) { // xorshift: cheap, and no runs a shifted copy would match
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = uint8_t(x);
    }
    return bytes;
}

bool ends_match(const uint8_t* data, uint32_t length) {
    return length == kObjectSize && std::memcmp(data, g_source.data(), 4096) == 0 &&
           std::memcmp(data + kObjectSize - 4096, g_source.data() + kObjectSize - 4096, 4096) == 0;
}

void BM_LibraryGetObject(benchmark::State& state) {
    for (auto _ : state) {
        uint8_t* data = nullptr;
        uint32_t length = 0;
        PtpResult rc = PtpGenericInterface_GetObject(g_handle, &data, &length);
        bool ok = rc == PtpResult_Ok && ends_match(data, length);
        FreeMemory(data);
        if (!ok) {
            state.SkipWithError("GetObject through the library failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kObjectSize);
}

// The same exchange by hand: one type-10 message carrying the GetObject command
// container, then the data container message and the response message. Like
// the library, it receives each object into a new buffer that it then releases:
// a host downloading a new picture needs new memory for it either way, and on
// this machine first touching 50 MB of new pages costs more than the transfer
// itself, so a baseline reusing one warm buffer would measure the allocator,
// not the library.
void BM_RawGetObject(benchmark::State& state) {
    static std::vector<uint8_t> response;
    uint32_t transactionId = 0x10000000; // apart from the library's ids
    for (auto _ : state) {
        uint8_t* data = bench::raw_data_in(g_raw, kPtpOpGetObject, g_handle, transactionId++,
                                           kDataMessageSize, response);
        bool whole =
            data && ends_match(data + kRelayHeaderSize + kPtpContainerHeaderSize,
                               kDataMessageSize - kRelayHeaderSize - kPtpContainerHeaderSize);
        std::free(data);
        if (!whole) {
            state.SkipWithError("GetObject over the bare socket failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kObjectSize);
}

// CPU time of the whole process: work the library did on a thread of its own
// counts too.
BENCHMARK(BM_LibraryGetObject)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawGetObject)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// A "Vm...:" field of /proc/self/status in kB, or -1.
long status_kb(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
            kb = std::atol(line + n + 1);
            break;
        }
    std::fclose(f);
    return kb;
}

// Resets the peak resident set size (VmHWM) to the current one.
bool reset_peak_rss() {
    int fd = ::open("/proc/self/clear_refs", O_WRONLY);
    if (fd < 0) return false;
    bool ok = ::write(fd, "5", 1) == 1;
    ::close(fd);
    return ok;
}

// One download through the library or over the bare socket; its buffer (null
// on failure) and where the object lies in it.
struct Download {
    uint8_t* buffer = nullptr;
    const uint8_t* object = nullptr;
};

Download library_download() {
    Download d;
    uint32_t length = 0;
    if (PtpGenericInterface_GetObject(g_handle, &d.buffer, &length) == PtpResult_Ok &&
        length == kObjectSize)
        d.object = d.buffer;
    return d;
}

Download raw_download() {
    static std::vector<uint8_t> response;
    static uint32_t transactionId = 0x20000000; // apart from the library's and the runs' ids
    Download d;
    d.buffer = bench::raw_data_in(g_raw, kPtpOpGetObject, g_handle, transactionId++,
                                  kDataMessageSize, response);
    if (d.buffer) d.object = d.buffer + kRelayHeaderSize + kPtpContainerHeaderSize;
    return d;
}

// The peak memory one download adds, in bytes, or -1 when it cannot be
// measured. Measured by the kernel, not by counting allocations: the peak
// resident set size is reset to the current one just before the download and
// read just after it, before the buffer is released, so every page the
// download touched at its high point counts (its buffers, copies and growth),
// whichever allocator call made it. The hub lives in another process and adds
// nothing here. The largest of three downloads counts.
long long peak_extra_bytes(Download (*download)()) {
    long long worst = -1;
    for (int i = 0; i < 3; ++i) {
        if (!reset_peak_rss()) return -1;
        long before = status_kb("VmRSS");
        long peakBefore = status_kb("VmHWM");
        // A kernel that ignored the reset leaves an older, higher peak.
        if (before < 0 || peakBefore < 0 || peakBefore > before + 1024) return -1;
        Download d = download();
        long peak = status_kb("VmHWM");
        bool ok = d.object && std::memcmp(d.object, g_source.data(), kObjectSize) == 0;
        std::free(d.buffer);
        if (!ok || peak < 0) return -1;
        long long extra = (long long)(peak - before) * 1024;
        if (extra > worst) worst = extra;
    }
    return worst;
}

// The virtual Tetherhub with the object on its card, in a child process that
// serves until `quit` is closed. Returns the child's id, with the hub's port in
// *port and the object's handle in g_handle, or -1.
pid_t start_hub_process(int* quit, uint16_t* port) {
    struct Served {
        uint16_t port = 0;
        uint32_t handle = 0;
    };
    int up[2], down[2];
    if (::pipe(up) != 0) return -1;
    if (::pipe(down) != 0) {
        ::close(up[0]);
        ::close(up[1]);
        return -1;
    }
    pid_t child = ::fork();
    if (child == 0) {
        ::close(up[0]);
        ::close(down[1]);
        SimOptions options;
        options.camera = "nikon";
        options.empty_card = true;
        SimHub* hub = SimHub_Start(options);
        Served served;
        if (hub && (served.handle = SimHub_AddObject(hub, "DSC_0001.NEF", make_object())) != 0)
            served.port = SimHub_Port(hub);
        ssize_t sent = ::write(up[1], &served, sizeof served);
        char c;
        while (sent == sizeof served && served.port && ::read(down[0], &c, 1) > 0) {
        }
        if (hub) SimHub_Stop(hub);
        ::_exit(0);
    }
    ::close(up[1]);
    ::close(down[0]);
    Served served;
    if (child < 0 || ::read(up[0], &served, sizeof served) != sizeof served || served.port == 0) {
        ::close(up[0]);
        ::close(down[1]);
        if (child > 0) ::waitpid(child, nullptr, 0);
        return -1;
    }
    ::close(up[0]);
    *port = served.port;
    g_handle = served.handle;
    *quit = down[1];
    return child;
}

} // namespace

int main(int argc, char** argv) {
    double maxCpuRatio = bench::take_flag(&argc, argv, "--max_cpu_ratio=");
    double maxMemoryRatio = bench::take_flag(&argc, argv, "--max_memory_ratio=");
    double minRatio = 0;
    if (!bench::initialize(argc, argv, "--min_ratio=", &minRatio)) return 1;

    // Before this process starts any thread, so the child is a plain copy.
    int quit = -1;
    uint16_t port = 0;
    pid_t hubProcess = start_hub_process(&quit, &port);
    if (hubProcess < 0) {
        std::fprintf(stderr, "cannot start the virtual Tetherhub with the object on its card\n");
        return 1;
    }
    g_source = make_object();
    auto stop_hub = [&] {
        ::close(quit);
        ::waitpid(hubProcess, nullptr, 0);
    };

    if (!bench::connect_both(port, &g_raw)) {
        stop_hub();
        return 1;
    }
    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);
    // The virtual Nikon's session start answers NotSupportedForCamera once the
    // vendor is known; plain GetObject works all the same.
    PtpGenericInterface_StartSession(0);

    // One download each first, so the memory measured is the download's own
    // and not the first use of the link.
    Download warm = library_download();
    bool libraryOk = warm.object != nullptr;
    std::free(warm.buffer);
    warm = raw_download();
    bool rawOk = warm.object != nullptr;
    std::free(warm.buffer);
    long long libraryExtra = libraryOk ? peak_extra_bytes(library_download) : -1;
    long long rawExtra = rawOk ? peak_extra_bytes(raw_download) : -1;

    bench::RatioReporter reporter("BM_LibraryGetObject", "BM_RawGetObject");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    bench::disconnect_both(g_raw);
    stop_hub();

    if (!libraryOk) std::printf("GetObject through the library failed\n");
    char what[64];
    std::snprintf(what, sizeof what, "GetObject of %.1f MB", kObjectSize / kMegabyte);
    int status = bench::report_throughput(what, kObjectSize / kMegabyte, reporter, minRatio, 0.95);
    status |= bench::report_cpu(what, reporter, maxCpuRatio, 1.2);
    if (libraryExtra < 0 || rawExtra < 0) {
        std::printf("%s peak extra memory: not available\n", what);
        return maxMemoryRatio > 0 ? 1 : status;
    }
    // A page or two of bookkeeping around the object still counts as one copy.
    double copies = double(libraryExtra) / kObjectSize;
    std::printf("%s peak extra memory: library %.2f MB, raw socket %.2f MB, "
                "library/object ratio %.2f (target <= 1.0)\n",
                what, libraryExtra / kMegabyte, rawExtra / kMegabyte, copies);
    if (maxMemoryRatio > 0 && copies > maxMemoryRatio + 0.005) status = 1;
    return status;
}
