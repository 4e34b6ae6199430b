// Live-view frames per second through the library (PtpGenericInterface_
// GetLiveViewImage: engine, relay link, the vendor's frame parse and the
// buffer handed to the host) beside the same frame request and reply over a
// bare loopback socket to the same hub in the same run, for each vendor in
// the table: the virtual Canon (0x9153, frames padded to 100 KiB as a camera
// sends them) and the virtual Nikon D850 (0x9203, the (A, B) header and a
// 640 x 424 JPEG). The frames show a moving scene, so each one is checked
// against the frame of the scene's loop that the camera sent. Prints one line
// per vendor with both frame rates and their ratio, library/raw (target at
// least 0.9).
//
//   bench_live_view [--benchmark_min_time=0.2] [--min_ratio=0.9]
//
// Each benchmark runs five repetitions, interleaved at random with the other's;
// the ratio compares their medians. With --min_ratio the exit status is 1 when
// a vendor's ratio is below it.
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
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
#include "ptp_nikon.h"
#include "sim_canon_hooks.h"
#include "sim_hub.h"
#include "sim_nikon_hooks.h"
#include "sim_scene.h"

namespace {

// Where a frame's JPEG lies, in what the camera sent or in what the library
// handed out.
struct Span {
    uint32_t offset = 0, length = 0;
};

// Canon: the JPEG starts the frame; the library puts a 1364-byte info record
// in front of it.
constexpr uint32_t kCanonFrameSize = 100 * 1024;
constexpr uint32_t kCanonInfoSize = 1364;
constexpr uint32_t kViewFinderMaxBytes = 0x100000;

// The JPEG's length in a Canon frame (up to its end marker), as the library
// parses it; 0 when the frame does not parse.
Span canon_sent(const std::vector<uint8_t>& frame) {
    uint8_t* data = static_cast<uint8_t*>(std::malloc(frame.size()));
    if (!data) return {};
    std::memcpy(data, frame.data(), frame.size());
    uint8_t* parsed = nullptr;
    uint32_t parsedLength = 0;
    Span s;
    if (PtpEosInterface_ParseLiveViewData(data, uint32_t(frame.size()), &parsed, &parsedLength) &&
        parsedLength > kCanonInfoSize)
        s.length = parsedLength - kCanonInfoSize;
    std::free(parsed);
    std::free(data);
    return s;
}

Span canon_handed(const uint8_t* buffer, uint32_t length) {
    PtpEosLiveViewInfo info;
    if (length < kCanonInfoSize) return {};
    std::memcpy(&info, buffer, sizeof info);
    if (info.kind != 1 || length - kCanonInfoSize < info.imageLength) return {};
    return {kCanonInfoSize, info.imageLength};
}

// Nikon (A, B) header: u32 A, u32 B (both big-endian), A header bytes, then
// the B-byte JPEG. The library hands out its own record with the JPEG's place.
Span nikon_sent(const std::vector<uint8_t>& frame) {
    ByteReader r = make_reader(frame.data(), frame.size());
    const uint32_t a = read_u32_be(r);
    const uint32_t b = read_u32_be(r);
    if (!r.ok || frame.size() - 8 < a || frame.size() - 8 - a != b) return {};
    return {8 + a, b};
}

Span nikon_handed(const uint8_t* buffer, uint32_t length) {
    PtpNikonLiveViewInfo info;
    if (length < sizeof info) return {};
    std::memcpy(&info, buffer, sizeof info);
    if (info.jpegOffset > length || length - info.jpegOffset < info.jpegSize) return {};
    return {info.jpegOffset, info.jpegSize};
}

struct Vendor {
    const char* name;
    const char* camera;
    uint16_t op;
    bool hasParam; // the request carries param (else no parameter)
    uint32_t param;
    uint32_t padTo; // Canon frames are padded to this size (0: as sent)
    std::vector<uint8_t> (*lastFrame)(const SimHub*);
    Span (*sent)(const std::vector<uint8_t>& frame);
    Span (*handed)(const uint8_t* buffer, uint32_t length);
};
const Vendor kVendors[] = {
    {"Canon", "canon", 0x9153, true, kViewFinderMaxBytes, kCanonFrameSize,
     SimHub_CanonLiveViewFrame, canon_sent, canon_handed},
    {"Nikon", "nikon", 0x9203, false, 0, 0, SimHub_NikonLiveViewFrame, nikon_sent, nikon_handed},
};

// What the camera sends for each frame of the scene's loop, in order, and
// where the JPEG lies in it.
struct LoopFrame {
    std::vector<uint8_t> bytes;
    Span jpeg;
};

struct Run {
    const Vendor* vendor = nullptr;
    int raw = -1;                // the bare socket to the hub
    std::vector<LoopFrame> loop; // kSimSceneLoopFrames frames
    uint64_t next = 0;           // the number of the hub's next frame
};
Run g_run;

const LoopFrame& expected() { return g_run.loop[g_run.next++ % g_run.loop.size()]; }

bool same_jpeg(const uint8_t* p, const LoopFrame& f) {
    return std::memcmp(p, f.bytes.data() + f.jpeg.offset, f.jpeg.length) == 0;
}

void BM_Library(benchmark::State& state) {
    for (auto _ : state) {
        uint8_t* buffer = nullptr;
        uint32_t length = 0;
        PtpResult rc = PtpGenericInterface_GetLiveViewImage(&buffer, &length);
        const LoopFrame& want = expected();
        bool ok = rc == PtpResult_Ok;
        if (ok) {
            const Span got = g_run.vendor->handed(buffer, length);
            ok = got.length == want.jpeg.length && same_jpeg(buffer + got.offset, want);
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
void BM_Raw(benchmark::State& state) {
    static std::vector<uint8_t> response;
    uint32_t transactionId = 0x10000000; // apart from the library's ids
    for (auto _ : state) {
        const LoopFrame& want = expected();
        const uint32_t messageSize =
            uint32_t(kRelayHeaderSize + kPtpContainerHeaderSize + want.bytes.size());
        const Vendor& v = *g_run.vendor;
        uint8_t* data = v.hasParam
                            ? bench::raw_data_in(g_run.raw, v.op, v.param, transactionId++,
                                                 messageSize, response)
                            : bench::raw_data_in(g_run.raw, v.op, std::initializer_list<uint32_t>{},
                                                 transactionId++, messageSize, response);
        const bool whole =
            data &&
            same_jpeg(data + kRelayHeaderSize + kPtpContainerHeaderSize + want.jpeg.offset, want);
        std::free(data);
        if (!whole) {
            state.SkipWithError("live-view frame over the bare socket failed");
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

// One loop of the scene through the library, each frame checked against what
// the camera sent and kept; after it every frame is at hand in the hub's
// cache, so the runs time the transfer, not the encoder.
bool record_loop(SimHub* hub) {
    g_run.loop.clear();
    for (uint32_t i = 0; i < kSimSceneLoopFrames; ++i) {
        uint8_t* buffer = nullptr;
        uint32_t length = 0;
        if (PtpGenericInterface_GetLiveViewImage(&buffer, &length) != PtpResult_Ok) return false;
        LoopFrame f;
        f.bytes = g_run.vendor->lastFrame(hub);
        f.jpeg = g_run.vendor->sent(f.bytes);
        const Span got = g_run.vendor->handed(buffer, length);
        const bool ok = f.jpeg.length > 0 && got.length == f.jpeg.length &&
                        (g_run.vendor->padTo == 0 || f.bytes.size() == g_run.vendor->padTo) &&
                        same_jpeg(buffer + got.offset, f);
        FreeMemory(buffer);
        if (!ok) return false;
        g_run.loop.push_back(std::move(f));
    }
    g_run.next = kSimSceneLoopFrames;
    return true;
}

// Runs one vendor's pair and prints its line; the exit status as main's.
int run_vendor(const Vendor& vendor, double minRatio) {
    SimOptions options;
    options.camera = vendor.camera;
    options.paced_live_view = false; // measures the link, not the camera's frame rate
    SimHub* hub = SimHub_Start(options);
    if (!hub) {
        std::fprintf(stderr, "cannot start the virtual Tetherhub\n");
        return 1;
    }
    if (vendor.padTo) SimHub_SetCanonLiveViewFrameSize(hub, vendor.padTo);
    g_run = Run{};
    g_run.vendor = &vendor;
    if (!bench::connect_both(SimHub_Port(hub), &g_run.raw)) {
        SimHub_Stop(hub);
        return 1;
    }
    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);
    PtpResult rc = PtpGenericInterface_StartSession(0);
    if (rc == PtpResult_Ok) rc = PtpGenericInterface_ToggleLiveView(1);
    int status = 0;
    if (rc != PtpResult_Ok) {
        std::fprintf(stderr, "%s: cannot start live view: 0x%04X\n", vendor.name, unsigned(rc));
        status = 1;
    } else if (!record_loop(hub)) {
        std::fprintf(stderr, "%s: the virtual camera's frames are not as expected\n", vendor.name);
        status = 1;
    }
    const std::string library = std::string("BM_LibraryLiveViewFrame/") + vendor.name;
    const std::string raw = std::string("BM_RawLiveViewFrame/") + vendor.name;
    bench::RatioReporter reporter(library.c_str(), raw.c_str());
    if (status == 0) {
        benchmark::RegisterBenchmark(library.c_str(), BM_Library)
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(raw.c_str(), BM_Raw)
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::ClearRegisteredBenchmarks();
        PtpGenericInterface_ToggleLiveView(0);
    }
    bench::disconnect_both(g_run.raw);
    SimHub_Stop(hub);
    if (status != 0) return status;

    double libraryTime = 0, rawTime = 0;
    if (!bench::both_ran(reporter, &libraryTime, &rawTime)) return minRatio > 0 ? 1 : 0;
    const double ratio = rawTime / libraryTime;
    const size_t bytes = g_run.loop[0].bytes.size();
    std::printf("live-view frames (%s, %zu KiB): library %.0f frames/s, raw socket %.0f "
                "frames/s, library/raw ratio %.2f (target >= 0.9)\n",
                vendor.name, (bytes + 512) / 1024, 1 / libraryTime, 1 / rawTime, ratio);
    return minRatio > 0 && ratio < minRatio ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    double minRatio = 0;
    if (!bench::initialize(argc, argv, "--min_ratio=", &minRatio)) return 1;
    int status = 0;
    for (const Vendor& vendor : kVendors)
        status |= run_vendor(vendor, minRatio);
    benchmark::Shutdown();
    return status;
}
