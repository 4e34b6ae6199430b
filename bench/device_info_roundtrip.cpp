// One GetDeviceInfo round trip through the library (engine, relay link, parse)
// against the virtual Tetherhub, beside the same request and reply over a bare
// loopback socket to the same hub in the same run. The ratio of the two is what
// the library adds to a transaction; the target is at most 1.1.
//
//   bench_device_info [--benchmark_min_time=0.2] [--max_ratio=1.1]
//
// Each benchmark runs five repetitions, interleaved at random with the other's;
// the ratio compares their medians. With --max_ratio the exit status is 1 when
// the ratio is above it.
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "sim_hub.h"

namespace {

constexpr uint32_t kCommandMessageSize = kRelayHeaderSize + kPtpContainerHeaderSize;

int g_raw = -1; // the bare socket to the hub

void BM_LibraryGetDeviceInfo(benchmark::State& state) {
    static PtpDeviceInfo info;
    for (auto _ : state) {
        PtpResult rc = PtpGetDeviceInfo(&info);
        if (rc != PtpResult_Ok) {
            state.SkipWithError("GetDeviceInfo through the library failed");
            break;
        }
        benchmark::DoNotOptimize(info.vendorExtensionId);
    }
}

// The same exchange by hand: one type-10 message carrying the GetDeviceInfo
// command container, then the data container message and the response message.
void BM_RawGetDeviceInfo(benchmark::State& state) {
    uint8_t command[kCommandMessageSize];
    put_u32(command, kCommandMessageSize);
    command[4] = kRelayPtp;
    put_u32(command + 5, kPtpContainerHeaderSize);
    put_u16(command + 9, kPtpContainerCommand);
    put_u16(command + 11, kPtpOpGetDeviceInfo);
    std::vector<uint8_t> data, response;
    uint32_t transactionId = 0;
    for (auto _ : state) {
        put_u32(command + 13, transactionId++);
        bool ok = bench::send_all(g_raw, command, sizeof command) &&
                  bench::recv_message(g_raw, data) && bench::recv_message(g_raw, response);
        if (!ok || data.size() < kCommandMessageSize ||
            peek_u16(data.data(), data.size(), 9) != kPtpContainerData ||
            response.size() < kCommandMessageSize ||
            peek_u16(response.data(), response.size(), 9) != kPtpContainerResponse ||
            peek_u16(response.data(), response.size(), 11) != PtpResult_Ok) {
            state.SkipWithError("GetDeviceInfo over the bare socket failed");
            break;
        }
        benchmark::DoNotOptimize(data.data());
    }
}

BENCHMARK(BM_LibraryGetDeviceInfo)->UseRealTime();
BENCHMARK(BM_RawGetDeviceInfo)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    double maxRatio = 0;
    if (!bench::initialize(argc, argv, "--max_ratio=", &maxRatio)) return 1;

    SimOptions options;
    options.camera = "canon";
    SimHub* hub = SimHub_Start(options);
    if (!hub) {
        std::fprintf(stderr, "cannot start the virtual Tetherhub\n");
        return 1;
    }
    if (!bench::connect_both(SimHub_Port(hub), &g_raw)) {
        SimHub_Stop(hub);
        return 1;
    }
    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);

    bench::RatioReporter reporter("BM_LibraryGetDeviceInfo", "BM_RawGetDeviceInfo");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    bench::disconnect_both(g_raw);
    SimHub_Stop(hub);

    double library = 0, raw = 0;
    if (!bench::both_ran(reporter, &library, &raw)) return maxRatio > 0 ? 1 : 0;
    double ratio = library / raw;
    std::printf("GetDeviceInfo round trip: library %.1f us, raw socket %.1f us, "
                "library/raw ratio %.2f (target <= 1.1)\n",
                library * 1e6, raw * 1e6, ratio);
    return maxRatio > 0 && ratio > maxRatio ? 1 : 0;
}
