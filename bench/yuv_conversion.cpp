// Live-view YUV 4:2:2 frame conversion to a 32-bit BMP, beside a plain memcpy
// of the same output size in the same run. Prints megapixels per second for
// each frame size and the conversion/memcpy bandwidth ratio (target at least
// 0.25). The conversion writes each output byte once and reads half as many,
// so memcpy of the output size is the floor of what any conversion can cost.
//
//   bench_yuv_conversion [--benchmark_min_time=0.2] [--min_ratio=0.25]
//
// With --min_ratio the exit status is 1 when any size's ratio is below it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "comms/bytes.h"
#include "imaging/yuv_frame.h"
#include "imaging/yuv_pixels.h"
#include "ptp_comms.h"

namespace {

struct FrameSize {
    uint32_t width, height;
    const char* label;
};

const FrameSize kSizes[] = {{1024, 680, "1024x680"}, {1920, 1080, "1920x1080"}};

// A frame whose pixels start at its header length, 0x80, past the 20-byte
// header; the pixel bytes vary so no clamp is always or never taken.
std::vector<uint8_t> make_frame(uint32_t width, uint32_t height) {
    constexpr uint32_t kStart = 0x80;
    const size_t pixelBytes = size_t(height) * ((width + 1) / 2) * 4;
    std::vector<uint8_t> f(kStart + pixelBytes);
    f[0] = uint8_t(kStart);
    put_u32(&f[12], width);
    put_u32(&f[16], height);
    uint32_t x = 2463534242u;
    for (size_t i = kStart; i < f.size(); ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        f[i] = uint8_t(x);
    }
    return f;
}

void BM_Convert(benchmark::State& state, FrameSize size) {
    std::vector<uint8_t> frame = make_frame(size.width, size.height);
    for (auto _ : state) {
        uint8_t* image = nullptr;
        uint32_t n = PtpLiveView_ConvertYuvFrameForModel(frame.data(), uint32_t(frame.size()), 0,
                                                         &image);
        if (n == 0) {
            state.SkipWithError("conversion failed");
            return;
        }
        benchmark::DoNotOptimize(image);
        FreeMemory(image);
    }
    state.counters["Mpx/s"] = benchmark::Counter(double(size.width) * size.height / 1e6,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

// The same output size copied, allocated per iteration as the conversion's is.
void BM_Memcpy(benchmark::State& state, FrameSize size) {
    const size_t bytes = kBmpHeaderSize + size_t(size.width) * size.height * 4;
    std::vector<uint8_t> source(bytes, 0x5A);
    for (auto _ : state) {
        uint8_t* out = static_cast<uint8_t*>(std::malloc(bytes));
        std::memcpy(out, source.data(), bytes);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
        std::free(out);
    }
}

// Keeps the median time per iteration of every benchmark by name.
class MedianReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            double seconds =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Iteration)
                times[name].push_back(seconds);
            else if (run.aggregate_name == "median")
                medians[name] = seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double seconds(const std::string& name) {
        bench::RatioReporter::Times t;
        t.repetitions = times[name];
        t.median = medians[name];
        return t.seconds();
    }

  private:
    std::map<std::string, std::vector<double>> times;
    std::map<std::string, double> medians;
};

} // namespace

int main(int argc, char** argv) {
    double minRatio = 0;
    for (const FrameSize& size : kSizes) {
        benchmark::RegisterBenchmark((std::string("BM_Convert/") + size.label).c_str(),
                                     BM_Convert, size)
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("BM_Memcpy/") + size.label).c_str(),
                                     BM_Memcpy, size)
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
    }
    if (!bench::initialize(argc, argv, "--min_ratio=", &minRatio)) return 1;
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    int status = 0;
    size_t converters = 0;
    std::printf("YUV converter on this CPU: %s\n", Yuv_Converters(&converters)[0].name);
    for (const FrameSize& size : kSizes) {
        double convert = reporter.seconds(std::string("BM_Convert/") + size.label);
        double copy = reporter.seconds(std::string("BM_Memcpy/") + size.label);
        if (convert <= 0 || copy <= 0) {
            std::printf("%s: ratio not available (both benchmarks must run)\n", size.label);
            continue;
        }
        double megapixels = double(size.width) * size.height / 1e6;
        double ratio = copy / convert;
        std::printf("YUV %s: conversion %.0f Mpx/s, memcpy of the output %.0f Mpx/s, "
                    "conversion/memcpy ratio %.2f (target >= 0.25)\n",
                    size.label, megapixels / convert, megapixels / copy, ratio);
        if (minRatio > 0 && ratio < minRatio) status = 1;
    }
    return status;
}
