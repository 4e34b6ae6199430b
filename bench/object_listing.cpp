// Listing a card of 10,000 objects through the library (GetObjectHandles, then
// GetObjectInfo of every handle, each parsed into a PtpObjectInfo) from the
// virtual Tetherhub, beside the same 10,001 requests over a bare loopback
// socket in the same run. Prints both listing rates and their ratio,
// library/raw (target at least 0.8).
//
//   bench_object_listing [--benchmark_min_time=0.2] [--min_ratio=0.8]
//
// Each benchmark runs five repetitions, interleaved at random with the other's;
// the ratio compares their medians. With --min_ratio the exit status is 1 when
// the ratio is below it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "generic/objects.h"
#include "ptp/transaction.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptp_objects.h"
#include "sim_hub.h"
#include "sim_scale.h"

namespace {

constexpr uint32_t kObjects = 10000;
constexpr uint32_t kAllStorageIds = 0xFFFFFFFF;

int g_raw = -1; // the bare socket to the hub

void BM_LibraryListing(benchmark::State& state) {
    PtpObjectInfo info;
    for (auto _ : state) {
        uint32_t* handles = nullptr;
        uint32_t count = 0;
        PtpResult rc = PtpGenericInterface_GetObjectHandles(kAllStorageIds, 0, 0, &handles, &count);
        bool ok = rc == PtpResult_Ok && count == kObjects;
        for (uint32_t i = 0; ok && i < count; ++i)
            ok = PtpGenericInterface_GetObjectInfo(handles[i], &info) == PtpResult_Ok;
        FreeMemory(handles);
        if (!ok) {
            state.SkipWithError("listing through the library failed");
            break;
        }
        benchmark::DoNotOptimize(info.compressedSize);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kObjects);
}

void BM_RawListing(benchmark::State& state) {
    constexpr uint32_t kPayload = kRelayHeaderSize + kPtpContainerHeaderSize;
    std::vector<uint8_t> list, info;
    uint32_t transactionId = 0x40000000; // apart from the library's ids
    for (auto _ : state) {
        bool ok = bench::raw_transaction(g_raw, kPtpOpGetObjectHandles, {kAllStorageIds, 0, 0},
                                         transactionId++, list);
        uint32_t size = uint32_t(list.size());
        uint32_t count = ok && size >= kPayload + 4 ? peek_u32(list.data(), size, kPayload) : 0;
        ok = count == kObjects && size - kPayload - 4 >= 4ull * count;
        for (uint32_t i = 0; ok && i < count; ++i) {
            uint32_t handle = peek_u32(list.data(), size, kPayload + 4 + 4 * i);
            ok = bench::raw_transaction(g_raw, kPtpOpGetObjectInfo, {handle}, transactionId++,
                                        info) &&
                 !info.empty();
            benchmark::DoNotOptimize(info.data());
        }
        if (!ok) {
            state.SkipWithError("listing over the bare socket failed");
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kObjects);
}

BENCHMARK(BM_LibraryListing)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawListing)->UseRealTime()->Unit(benchmark::kMillisecond);

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
    // The smallest JPEG: the listing's cost is in the requests, not the pictures.
    const std::vector<uint8_t> picture = {0xFF, 0xD8, 0xFF, 0xD9};
    if (SimHub_FillCard(hub, kObjects, picture) != kObjects) {
        std::fprintf(stderr, "cannot put %u objects on the virtual camera's card\n", kObjects);
        SimHub_Stop(hub);
        return 1;
    }
    if (!bench::connect_both(SimHub_Port(hub), &g_raw)) {
        SimHub_Stop(hub);
        return 1;
    }
    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);
    // The virtual Nikon's session start answers NotSupportedForCamera once the
    // vendor is known; the standard object operations work all the same.
    PtpGenericInterface_StartSession(0);

    bench::RatioReporter reporter("BM_LibraryListing", "BM_RawListing");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    bench::disconnect_both(g_raw);
    SimHub_Stop(hub);

    double library = 0, raw = 0;
    if (!bench::both_ran(reporter, &library, &raw)) return minRatio > 0 ? 1 : 0;
    double ratio = raw / library; // listing rates, library over raw
    std::printf("object listing of %u: library %.0f ms (%.1f us per object), raw socket %.0f ms "
                "(%.1f us per object), library/raw rate ratio %.2f (target >= 0.8)\n",
                kObjects, library * 1e3, library * 1e6 / kObjects, raw * 1e3, raw * 1e6 / kObjects,
                ratio);
    return minRatio > 0 && ratio < minRatio ? 1 : 0;
}
