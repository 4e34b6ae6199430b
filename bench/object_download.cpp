// One 50 MB object download through the library (PtpGenericInterface_GetObject:
// engine, relay link, the buffer handed to the host) from the virtual
// Tetherhub, beside the same GetObject request and reply over a bare loopback
// socket to the same hub in the same run. Prints both throughputs and their
// ratio, library/raw (target at least 0.7), and the peak memory one library
// download adds (target: about one copy of the object, the buffer the host
// receives). MB here is 10^6 bytes.
//
//   bench_object_download [--benchmark_min_time=0.2] [--min_ratio=0.7]
//
// Each benchmark runs five repetitions, interleaved at random with the other's;
// the ratio compares their medians. With --min_ratio the exit status is 1 when
// the ratio is below it.
#include <fcntl.h>
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

int g_raw = -1;          // the bare socket to the hub
uint32_t g_handle = 0;   // the object on the virtual camera's card
const uint8_t* g_source; // its bytes, as the hub holds them

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
    return length == kObjectSize && std::memcmp(data, g_source, 4096) == 0 &&
           std::memcmp(data + kObjectSize - 4096, g_source + kObjectSize - 4096, 4096) == 0;
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
        bool whole = data && ends_match(data + kRelayHeaderSize + kPtpContainerHeaderSize,
                                        kDataMessageSize - kRelayHeaderSize - kPtpContainerHeaderSize);
        std::free(data);
        if (!whole) {
            state.SkipWithError("GetObject over the bare socket failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kObjectSize);
}

BENCHMARK(BM_LibraryGetObject)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawGetObject)->UseRealTime()->Unit(benchmark::kMillisecond);

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

// The peak memory one library download adds, in bytes, or -1 when it cannot be
// measured. Measured by the kernel, not by counting allocations: the peak
// resident set size is reset to the current one just before the download and
// read just after it, before the buffer is released, so every page the
// download touched at its high point counts (its buffers, copies and growth),
// whichever allocator call made it. The hub in this process serves the object
// from the bytes it already holds, so it adds nothing measurable.
long long peak_extra_bytes() {
    if (!reset_peak_rss()) return -1;
    long before = status_kb("VmRSS");
    long peakBefore = status_kb("VmHWM");
    // A kernel that ignored the reset leaves an older, higher peak.
    if (before < 0 || peakBefore < 0 || peakBefore > before + 1024) return -1;
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpGenericInterface_GetObject(g_handle, &data, &length);
    long peak = status_kb("VmHWM");
    bool ok = rc == PtpResult_Ok && ends_match(data, length) &&
              std::memcmp(data, g_source, kObjectSize) == 0;
    FreeMemory(data);
    if (!ok || peak < 0) return -1;
    return (long long)(peak - before) * 1024;
}

} // namespace

int main(int argc, char** argv) {
    double minRatio = 0;
    if (!bench::initialize(argc, argv, "--min_ratio=", &minRatio)) return 1;

    SimOptions options;
    options.camera = "nikon";
    options.empty_card = true;
    SimHub* hub = SimHub_Start(options);
    if (!hub) {
        std::fprintf(stderr, "cannot start the virtual Tetherhub\n");
        return 1;
    }
    g_handle = SimHub_AddObject(hub, "DSC_0001.NEF", make_object());
    SimObjectFacts facts;
    if (!g_handle || !SimHub_GetObjectFacts(hub, g_handle, &facts) || !facts.bytes ||
        facts.bytes->size() != kObjectSize) {
        std::fprintf(stderr, "cannot put the object on the virtual camera's card\n");
        SimHub_Stop(hub);
        return 1;
    }
    g_source = facts.bytes->data();

    if (!bench::connect_both(SimHub_Port(hub), &g_raw)) {
        SimHub_Stop(hub);
        return 1;
    }
    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);
    // The virtual Nikon's session start answers NotSupportedForCamera once the
    // vendor is known; plain GetObject works all the same.
    PtpGenericInterface_StartSession(0);

    // One download first, so the memory measured is the download's own and not
    // the first use of the link.
    uint8_t* warm = nullptr;
    uint32_t warmLength = 0;
    PtpResult rc = PtpGenericInterface_GetObject(g_handle, &warm, &warmLength);
    FreeMemory(warm);
    long long extra = rc == PtpResult_Ok ? peak_extra_bytes() : -1;

    bench::RatioReporter reporter("BM_LibraryGetObject", "BM_RawGetObject");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    bench::disconnect_both(g_raw);
    SimHub_Stop(hub);

    if (rc != PtpResult_Ok)
        std::printf("GetObject through the library failed: 0x%04X\n", unsigned(rc));
    if (extra < 0)
        std::printf("peak extra memory: not available\n");
    else
        std::printf("peak extra memory: %.1f MB for a %.1f MB object\n", extra / kMegabyte,
                    kObjectSize / kMegabyte);

    char what[64];
    std::snprintf(what, sizeof what, "GetObject of %.1f MB", kObjectSize / kMegabyte);
    return bench::report_throughput(what, kObjectSize / kMegabyte, reporter, minRatio, 0.7);
}
