// The object cache at 200, 2,001 (what a load keeps) and 20,000 records:
//   - load and trim: PtpCache_SetCacheLocation on a directory holding N object
//     records (distinct access times), which loads them all and deletes all but
//     the 2,001 most recently accessed with their files;
//   - add: PtpCache_AddObjectInfoToCache of N new camera objects, one after the
//     other, into an empty cache (each writes its record file);
//   - lookup: PtpCache_GetObjectInfo by handle with N entries in memory, every
//     entry asked in turn.
// No link is involved. Prints the cost per record at each N for each, so the
// growth shows (a lookup walks the entries, so its cost grows with N).
//
//   bench_cache_scale [--benchmark_min_time=0.2]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "ptp_cache.h"
#include "ptp_objects.h"

namespace {

constexpr uint32_t kSizes[] = {200, 2001, 20000};
constexpr size_t kSizeCount = sizeof kSizes / sizeof kSizes[0];
constexpr uint32_t kFirstHandle = 0x1000;

enum Measure { kTrim, kAdd, kLookup, kMeasureCount };
const char* const kMeasureNames[kMeasureCount] = {"load and trim", "add", "lookup"};
double g_perRecord[kMeasureCount][kSizeCount]; // seconds per record

std::string g_root; // a private directory, removed at the end

PtpObjectInfo make_record(uint32_t i) {
    PtpObjectInfo r;
    std::memset(&r, 0, sizeof r);
    r.handle = kFirstHandle + i;
    r.objectFormat = 0x3801;
    r.compressedSize = 6000000 + i;
    r.imageWidth = 6000;
    r.imageHeight = 4000;
    std::snprintf(r.fileName, sizeof r.fileName, "IMG_%05u.JPG", i);
    r.fileNameLength = uint16_t(std::strlen(r.fileName) + 1);
    r.captureDate = 1796000000 + i;
    return r;
}

// Writes the record files of 0..count-1 that are missing from dir, the record
// of i last accessed at a time rising with i, as the cache writes them.
bool write_missing_records(const std::string& dir, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        PtpObjectInfo r = make_record(i);
        std::string path = dir + "/" + r.fileName + ".obj";
        if (::access(path.c_str(), F_OK) == 0) continue;
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        bool ok = ::write(fd, &r, sizeof r) == ssize_t(sizeof r);
        struct timespec times[2] = {{time_t(1700000000 + i), 0}, {time_t(1700000000 + i), 0}};
        ok = ::futimens(fd, times) == 0 && ok;
        ::close(fd);
        if (!ok) return false;
    }
    return true;
}

std::string fresh_dir(const char* what, uint32_t n) {
    std::string dir = g_root + "/" + what + std::to_string(n);
    ::mkdir(dir.c_str(), 0755);
    return dir;
}

size_t index_of(uint32_t n) {
    for (size_t i = 0; i < kSizeCount; ++i)
        if (kSizes[i] == n) return i;
    return 0;
}

// Load and trim: the files the trim deleted are written again, untimed,
// before each run.
void BM_CacheLoadAndTrim(benchmark::State& state) {
    const uint32_t n = uint32_t(state.range(0));
    const std::string dir = fresh_dir("trim", n);
    for (auto _ : state) {
        state.PauseTiming();
        bool ok = write_missing_records(dir, n);
        state.ResumeTiming();
        if (!ok || !PtpCache_SetCacheLocation(dir.c_str(), nullptr)) {
            state.SkipWithError("the cache directory could not be prepared or loaded");
            break;
        }
    }
    PtpCache_SetCacheLocation(nullptr, nullptr);
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
}

// Fills an empty cache with n records, once per n (the benchmark library may
// call a benchmark several times while it sizes the run, and 20,000 adds take
// long), timing the adds by hand. False when the cache refused.
bool fill_cache(uint32_t n) {
    static uint32_t filled = 0;
    if (filled == n) return true;
    filled = 0;
    const std::string dir = fresh_dir("lookup", n);
    if (!PtpCache_SetCacheLocation(dir.c_str(), nullptr)) return false;
    auto start = std::chrono::steady_clock::now();
    for (uint32_t i = 0; i < n; ++i) {
        PtpObjectInfo r = make_record(i);
        if (!PtpCache_AddObjectInfoToCache(&r)) return false;
    }
    std::chrono::duration<double> added = std::chrono::steady_clock::now() - start;
    g_perRecord[kAdd][index_of(n)] = added.count() / n;
    filled = n;
    return true;
}

void BM_CacheLookup(benchmark::State& state) {
    const uint32_t n = uint32_t(state.range(0));
    if (!fill_cache(n)) {
        state.SkipWithError("the cache could not be filled");
        return;
    }
    PtpObjectInfo key, out;
    std::memset(&key, 0, sizeof key);
    uint32_t i = 0;
    for (auto _ : state) {
        key.handle = kFirstHandle + i;
        if (++i == n) i = 0;
        if (!PtpCache_GetObjectInfo(&key, &out)) {
            state.SkipWithError("a cached record was not found");
            break;
        }
        benchmark::DoNotOptimize(out.compressedSize);
    }
}

// The 20,000-record runs are long: three repetitions of one run each.
BENCHMARK(BM_CacheLoadAndTrim)
    ->Arg(200)
    ->Arg(2001)
    ->Arg(20000)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CacheLookup)->Arg(200)->Arg(2001)->Arg(20000)->Repetitions(1)->UseRealTime();

// Keeps the per-record times: the median of the load-and-trim repetitions and
// the lookup's single run.
class Reporter : public benchmark::ConsoleReporter {
  public:
    Reporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string& name = run.run_name.function_name;
            bool trim = name == "BM_CacheLoadAndTrim";
            if (trim ? run.run_type != Run::RT_Aggregate || run.aggregate_name != "median"
                     : run.run_type != Run::RT_Iteration)
                continue;
            uint32_t n = uint32_t(std::strtoul(run.run_name.args.c_str(), nullptr, 10));
            double seconds =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            if (trim)
                g_perRecord[kTrim][index_of(n)] = seconds / n;
            else
                g_perRecord[kLookup][index_of(n)] = seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    double unused = 0;
    if (!bench::initialize(argc, argv, "--unused=", &unused)) return 1;
    // A RAM disk when there is one: every record write ends with an fsync,
    // which on a disk takes milliseconds and would hide the cache's own cost.
    char shm[] = "/dev/shm/ptp-cache-scale-XXXXXX";
    char tmp[] = "/tmp/ptp-cache-scale-XXXXXX";
    char* root = ::mkdtemp(shm) ? shm : ::mkdtemp(tmp);
    if (!root) {
        std::fprintf(stderr, "cannot make a temporary directory\n");
        return 1;
    }
    g_root = root;

    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::string command = "rm -rf '" + g_root + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cannot remove %s\n", root);

    for (int m = 0; m < kMeasureCount; ++m) {
        std::printf("cache %s:", kMeasureNames[m]);
        for (size_t i = 0; i < kSizeCount; ++i)
            std::printf("%s per item at %u: %.2f us", i ? "," : "", kSizes[i],
                        g_perRecord[m][i] * 1e6);
        std::printf("\n");
    }
    return 0;
}
