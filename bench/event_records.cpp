// Tetherhub event records at scale: one block of N 38-byte records (three
// objects added to every property change) handed to the event dispatch as a
// poll delivers it, queued, then drained with PopEventPtr, for N = 1,000,
// 10,000 and 100,000. Beside it, the same records through a plain FIFO (each
// 612-byte record built, appended to a vector, copied out): the part of the
// cost that is the memory the records occupy (61 MB at 100,000), which grows
// once they no longer fit the caches. No link is involved.
//
//   bench_event_records [--benchmark_min_time=0.2] [--max_growth=1.5]
//
// Prints the CPU cost per record at each N for both, and how the library's
// cost over the plain FIFO's grows from 1,000 to 100,000: flat when the
// library does no per-record work that grows with the queue. With
// --max_growth the exit status is 1 when that growth is above it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench_support.h"
#include "comms/bytes.h"
#include "generic/event_fetch.h"
#include "generic/event_queue.h"
#include "generic/session.h"
#include "ptp_events.h"
#include "ptp_generic.h"

namespace {

constexpr uint32_t kRecordSize = 38;
constexpr uint16_t kObjectAdded = 0x4FF0;
constexpr uint16_t kPropertyChanged = 0x4FF1;
constexpr uint32_t kSizes[] = {1000, 10000, 100000};
constexpr size_t kSizeCount = sizeof kSizes / sizeof kSizes[0];

// CPU seconds per record, median repetition: the library's, the plain FIFO's.
double g_perRecord[kSizeCount];
double g_plainPerRecord[kSizeCount];

std::vector<uint8_t> make_records(uint32_t count) {
    ByteWriter w;
    for (uint32_t i = 0; i < count; ++i) {
        size_t start = w.buf.size();
        if (i % 4 != 3) {
            write_u16(w, kObjectAdded);
            write_u32(w, 100000 + i); // object size
            char name[32] = {};
            std::snprintf(name, sizeof name, "DSCF%05u.JPG", i % 100000);
            write_bytes(w, reinterpret_cast<const uint8_t*>(name), sizeof name);
        } else {
            write_u16(w, kPropertyChanged);
            write_u32(w, 0xD001); // a property without a record: queued as a bare change
            write_u32(w, i);
            write_u8(w, 1);
        }
        while (w.buf.size() - start < kRecordSize)
            write_u8(w, 0);
    }
    return std::move(w.buf);
}

void BM_EventRecords(benchmark::State& state) {
    const uint32_t count = uint32_t(state.range(0));
    const std::vector<uint8_t> records = make_records(count);
    for (auto _ : state) {
        if (PtpDispatchEventData(records.data(), uint32_t(records.size())) != PtpResult_Ok) {
            state.SkipWithError("the dispatch refused the records");
            break;
        }
        uint32_t popped = 0;
        while (PtpHostEvent* e = PopEventPtr()) {
            benchmark::DoNotOptimize(e->code);
            ++popped;
        }
        if (popped != count) {
            state.SkipWithError("records lost between dispatch and PopEventPtr");
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * count);
}

// The hardware's share: the same bytes through a plain FIFO, each record built
// as the dispatch builds it (612 bytes cleared and filled), appended to a
// vector and copied out again, as PopEventPtr copies an object record.
void BM_PlainFifo(benchmark::State& state) {
    const uint32_t count = uint32_t(state.range(0));
    const std::vector<uint8_t> records = make_records(count);
    std::vector<PtpEventData> fifo;
    static uint8_t copy[kEventPayloadSize];
    for (auto _ : state) {
        fifo.clear();
        for (uint32_t i = 0; i < count; ++i) {
            PtpEventData e;
            std::memset(&e, 0, sizeof e);
            e.code = peek_u16(records.data(), records.size(), size_t(i) * kRecordSize);
            std::memcpy(e.payload, records.data() + size_t(i) * kRecordSize + 6, 32);
            fifo.push_back(e);
        }
        for (const PtpEventData& e : fifo) {
            std::memcpy(copy, e.payload, sizeof copy);
            benchmark::DoNotOptimize(copy);
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * count);
}

// CPU time: the work is on this thread alone, and other processes on a shared
// machine move the wall time far more than the cost measured.
BENCHMARK(BM_EventRecords)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_PlainFifo)->Arg(1000)->Arg(10000)->Arg(100000);

// Keeps the per-record time of each N's median repetition.
class Reporter : public benchmark::ConsoleReporter {
  public:
    Reporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Aggregate ||
                run.aggregate_name != "median")
                continue;
            double* out =
                run.run_name.function_name == "BM_PlainFifo" ? g_plainPerRecord : g_perRecord;
            for (size_t i = 0; i < kSizeCount; ++i)
                if (run.run_name.args == std::to_string(kSizes[i]))
                    out[i] = run.GetAdjustedCPUTime() /
                             benchmark::GetTimeUnitMultiplier(run.time_unit) / kSizes[i];
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    double maxGrowth = 0;
    if (!bench::initialize(argc, argv, "--max_growth=", &maxGrowth)) return 1;

    // The Fujifilm driver parses the Tetherhub's records; no camera is needed.
    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);
    PtpSession_SetVendor(PtpVendor_Fujifilm);

    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("event records through dispatch, queue and PopEventPtr (CPU):");
    for (size_t i = 0; i < kSizeCount; ++i)
        std::printf("%s per item at %u: %.0f ns", i ? "," : "", kSizes[i], g_perRecord[i] * 1e9);
    std::printf("\n");
    std::printf("plain FIFO of the same records (CPU):");
    for (size_t i = 0; i < kSizeCount; ++i)
        std::printf("%s per item at %u: %.0f ns", i ? "," : "", kSizes[i],
                    g_plainPerRecord[i] * 1e9);
    std::printf("\n");
    const size_t last = kSizeCount - 1;
    if (g_perRecord[0] <= 0 || g_perRecord[last] <= 0 || g_plainPerRecord[0] <= 0 ||
        g_plainPerRecord[last] <= 0) {
        std::printf("event records: growth not available\n");
        return maxGrowth > 0 ? 1 : 0;
    }
    // The library's cost over the plain FIFO's at each end: flat when the
    // library adds no per-record work that grows with the queue.
    double first = g_perRecord[0] / g_plainPerRecord[0];
    double growth = (g_perRecord[last] / g_plainPerRecord[last]) / first;
    std::printf("event records: library/plain FIFO ratio %.2f at 1,000, %.2f at 100,000; "
                "growth of the ratio %.2f, of the library's own cost %.2f (target: flat, "
                "ratio growth <= 1.5)\n",
                first, g_perRecord[last] / g_plainPerRecord[last], growth,
                g_perRecord[last] / g_perRecord[0]);
    return maxGrowth > 0 && growth > maxGrowth ? 1 : 0;
}
