// Live-view frames per second through the library (PtpGenericInterface_
// GetLiveViewImage on the virtual Canon: engine, relay link, the frame parse
// and the buffer handed to the host) beside the same 0x9153 request and reply
// over a bare loopback socket to the same hub in the same run. Frames are
// 100 KiB, about what a camera sends. Prints both frame rates and their ratio,
// library/raw (target at least 0.8).
//
//   bench_live_view [--benchmark_min_time=0.2] [--min_ratio=0.8]
//
// Each benchmark runs five repetitions, interleaved at random with the other's;
// the ratio compares their medians. With --min_ratio the exit status is 1 when
// the ratio is below it.
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "ptp/transaction.h"
#include "ptp_comms.h"
#include "ptp_eos.h"
#include "ptp_generic.h"
#include "ptp_liveview.h"
#include "sim_canon_hooks.h"
#include "sim_hub.h"

namespace {

constexpr uint32_t kFrameSize = 100 * 1024;
constexpr uint16_t kCanonOpGetViewFinderData = 0x9153;
constexpr uint32_t kViewFinderMaxBytes = 0x100000;
constexpr uint32_t kDataMessageSize = kRelayHeaderSize + kPtpContainerHeaderSize + kFrameSize;

int g_raw = -1;               // the bare socket to the hub
std::vector<uint8_t> g_frame; // what the camera sends for one frame
uint32_t g_imageLength = 0;   // the JPEG at its start

void BM_LibraryLiveViewFrame(benchmark::State& state) {
    for (auto _ : state) {
        uint8_t* buffer = nullptr;
        uint32_t length = 0;
        PtpResult rc = PtpGenericInterface_GetLiveViewImage(&buffer, &length);
        PtpEosLiveViewInfo info;
        bool ok = rc == PtpResult_Ok && length >= sizeof info;
        if (ok) {
            std::memcpy(&info, buffer, sizeof info);
            ok = info.kind == 1 && info.imageLength == g_imageLength &&
                 std::memcmp(buffer + 1364, g_frame.data(), g_imageLength) == 0;
        }
        FreeMemory(buffer);
        if (!ok) {
            state.SkipWithError("live-view frame through the library failed");
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

// The same exchange by hand: the command container in one type-10 message,
// then the data container message, received into a new buffer as the library
// does, and the response message.
void BM_RawLiveViewFrame(benchmark::State& state) {
    static std::vector<uint8_t> response;
    uint32_t transactionId = 0x10000000; // apart from the library's ids
    for (auto _ : state) {
        uint8_t* data = bench::raw_data_in(g_raw, kCanonOpGetViewFinderData, kViewFinderMaxBytes,
                                           transactionId++, kDataMessageSize, response);
        bool whole = data && std::memcmp(data + kRelayHeaderSize + kPtpContainerHeaderSize,
                                         g_frame.data(), g_imageLength) == 0;
        std::free(data);
        if (!whole) {
            state.SkipWithError("live-view frame over the bare socket failed");
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

BENCHMARK(BM_LibraryLiveViewFrame)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawLiveViewFrame)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The length of the JPEG at the start of a frame (to its end marker), or 0.
uint32_t jpeg_length(const std::vector<uint8_t>& frame) {
    uint8_t* data = static_cast<uint8_t*>(std::malloc(frame.size()));
    if (!data) return 0;
    std::memcpy(data, frame.data(), frame.size());
    uint8_t* parsed = nullptr;
    uint32_t parsedLength = 0;
    uint32_t n = 0;
    if (PtpEosInterface_ParseLiveViewData(data, uint32_t(frame.size()), &parsed, &parsedLength))
        n = parsedLength - 1364;
    std::free(parsed);
    std::free(data);
    return n;
}

} // namespace

int main(int argc, char** argv) {
    double minRatio = 0;
    if (!bench::initialize(argc, argv, "--min_ratio=", &minRatio)) return 1;

    SimOptions options;
    options.camera = "canon";
    SimHub* hub = SimHub_Start(options);
    if (!hub) {
        std::fprintf(stderr, "cannot start the virtual Tetherhub\n");
        return 1;
    }
    SimHub_SetCanonLiveViewFrameSize(hub, kFrameSize);
    g_frame = SimHub_CanonLiveViewFrame(hub);
    g_imageLength = jpeg_length(g_frame);
    if (g_frame.size() != kFrameSize || g_imageLength == 0) {
        std::fprintf(stderr, "the virtual camera's frame is not as expected\n");
        SimHub_Stop(hub);
        return 1;
    }

    if (!bench::connect_both(SimHub_Port(hub), &g_raw)) {
        SimHub_Stop(hub);
        return 1;
    }
    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);
    PtpResult rc = PtpGenericInterface_StartSession(0);
    if (rc == PtpResult_Ok) rc = PtpGenericInterface_ToggleLiveView(1);
    if (rc != PtpResult_Ok) {
        std::fprintf(stderr, "cannot start live view: 0x%04X\n", unsigned(rc));
        bench::disconnect_both(g_raw);
        SimHub_Stop(hub);
        return 1;
    }

    bench::RatioReporter reporter("BM_LibraryLiveViewFrame", "BM_RawLiveViewFrame");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    PtpGenericInterface_ToggleLiveView(0);
    bench::disconnect_both(g_raw);
    SimHub_Stop(hub);

    double library = 0, raw = 0;
    if (!bench::both_ran(reporter, &library, &raw)) return minRatio > 0 ? 1 : 0;
    double ratio = raw / library;
    std::printf("live-view frames of %u KiB: library %.0f frames/s, raw socket %.0f frames/s, "
                "library/raw ratio %.2f (target >= 0.8)\n",
                kFrameSize / 1024, 1 / library, 1 / raw, ratio);
    return minRatio > 0 && ratio < minRatio ? 1 : 0;
}
