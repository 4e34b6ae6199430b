// A session start with 300 property descriptions: PtpGenericInterface_StartSession
// on a virtual Canon whose own properties number 300, each reported with its
// value and its allowed values in the camera's first event report, parsed into
// the property store. Beside it, the same requests over a bare socket to a
// second hub of the same camera (its own, so neither client takes the other's
// report): GetDeviceInfo, the remote and event modes, the camera's 100 ms
// before it reports, two event polls. The difference is what the library spends
// on the descriptions; it prints both times, that cost per description and the
// library/raw ratio.
//
//   bench_session_descriptions [--benchmark_min_time=0.2] [--max_ratio=1.2]
//
// Each benchmark runs five repetitions, interleaved at random with the other's;
// the figures compare their medians. With --max_ratio the exit status is 1 when
// the ratio is above it.
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "generic/property_store.h"
#include "ptp/transaction.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "sim_hub.h"
#include "sim_scale.h"

namespace {

constexpr uint32_t kDescriptions = 300;
constexpr uint16_t kOpGetDeviceInfo = 0x1001;
constexpr uint16_t kOpSetRemoteMode = 0x9114;
constexpr uint16_t kOpSetEventMode = 0x9115;
constexpr uint8_t kControlReadEventData = 130; // the hub's event poll: u8 wait
// What the camera needs after event reporting is turned on before it reports.
constexpr auto kReportDelay = std::chrono::milliseconds(100);

int g_raw = -1;          // the bare socket to the second hub
uint16_t g_count = 0;    // records in the store after the library's last start
size_t g_reportSize = 0; // bytes of the raw side's first report

void BM_LibrarySessionStart(benchmark::State& state) {
    for (auto _ : state) {
        PtpResult rc = PtpGenericInterface_StartSession(0);
        g_count = PtpPropertyCount();
        if (rc != PtpResult_Ok || g_count < kDescriptions) {
            state.SkipWithError("the session start through the library failed");
            break;
        }
    }
}

// The hub's event poll over the bare socket: a control request (u32 total,
// type 12, u32 length of code and payload, code, payload), answered by one
// control reply. False when the link fails or the result is neither OK nor 0.
bool raw_read_events(uint8_t wait, std::vector<uint8_t>& reply) {
    uint8_t request[11];
    put_u32(request, sizeof request);
    request[4] = kRelayControl;
    put_u32(request + 5, 6);
    request[9] = kControlReadEventData;
    request[10] = wait;
    if (!bench::send_all(g_raw, request, sizeof request) || !bench::recv_message(g_raw, reply) ||
        reply.size() < kControlReplyHeaderSize || reply[4] != kRelayControlReply)
        return false;
    uint16_t result = peek_u16(reply.data(), reply.size(), 10);
    return result == PtpResult_Ok || result == 0;
}

void BM_RawSessionStart(benchmark::State& state) {
    std::vector<uint8_t> info, report, rest;
    for (auto _ : state) {
        uint32_t id = 0;
        bool ok = bench::raw_transaction(g_raw, kOpGetDeviceInfo, {}, id++, info) &&
                  bench::raw_transaction(g_raw, kOpSetRemoteMode, {1}, id++, rest) &&
                  bench::raw_transaction(g_raw, kOpSetEventMode, {1}, id++, rest);
        std::this_thread::sleep_for(kReportDelay);
        ok = ok && raw_read_events(1, report) && raw_read_events(0, rest);
        g_reportSize = report.size();
        if (!ok) {
            state.SkipWithError("the session start over the bare socket failed");
            break;
        }
    }
}

BENCHMARK(BM_LibrarySessionStart)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawSessionStart)->UseRealTime()->Unit(benchmark::kMillisecond);

SimHub* start_hub() {
    SimOptions options;
    options.camera = "canon";
    options.empty_card = true;
    SimHub* hub = SimHub_Start(options);
    if (hub && SimHub_FillProperties(hub, kDescriptions) != kDescriptions) {
        SimHub_Stop(hub);
        hub = nullptr;
    }
    return hub;
}

} // namespace

int main(int argc, char** argv) {
    double maxRatio = 0;
    if (!bench::initialize(argc, argv, "--max_ratio=", &maxRatio)) return 1;

    SimHub* library = start_hub();
    SimHub* raw = start_hub();
    std::string port = library ? std::to_string(SimHub_Port(library)) : "";
    if (!library || !raw || ConnectToServer("127.0.0.1", port.c_str()) < 0 ||
        (g_raw = bench::connect_raw(SimHub_Port(raw))) < 0) {
        std::fprintf(stderr, "cannot start or reach the virtual Tetherhubs\n");
        SimHub_Stop(library);
        SimHub_Stop(raw);
        return 1;
    }
    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);

    bench::RatioReporter reporter("BM_LibrarySessionStart", "BM_RawSessionStart");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // The two sides must have asked the same: compare the hubs' request logs.
    SimStats a = SimHub_Stats(library), b = SimHub_Stats(raw);
    size_t n = std::min<size_t>(a.operations.size(), 8);
    bool same = n > 0 && b.operations.size() >= n &&
                std::equal(a.operations.end() - n, a.operations.end(), b.operations.end() - n);
    CloseServerConnection();
    ::close(g_raw);
    SimHub_Stop(library);
    SimHub_Stop(raw);
    if (!same) {
        std::printf("the bare socket's requests differ from the library's: last library ops");
        for (size_t i = a.operations.size() - n; i < a.operations.size(); ++i)
            std::printf(" 0x%04X", a.operations[i]);
        std::printf("\n");
    }

    double lib = 0, bare = 0;
    if (!bench::both_ran(reporter, &lib, &bare)) return maxRatio > 0 ? 1 : 0;
    double ratio = lib / bare;
    std::printf("session start with %u property descriptions: library %.1f ms, raw socket "
                "%.1f ms (%u records stored, first report %zu bytes), library/raw ratio %.2f; "
                "library's own cost per item at %u: %.2f us\n",
                kDescriptions, lib * 1e3, bare * 1e3, unsigned(g_count), g_reportSize, ratio,
                kDescriptions, (lib - bare) * 1e6 / kDescriptions);
    return maxRatio > 0 && ratio > maxRatio ? 1 : 0;
}
