// One GetDeviceInfo round trip through the library (engine, relay link, parse)
// against the virtual Tetherhub, beside the same request and reply over a bare
// loopback socket to the same hub in the same run. The ratio of the two is what
// the library adds to a transaction; the target is at most 1.5.
//
//   bench_device_info [--benchmark_min_time=0.2] [--max_ratio=1.5]
//
// Each benchmark runs five repetitions, interleaved at random with the other's;
// the ratio compares their medians. With --max_ratio the exit status is 1 when
// the ratio is above it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "comms/bytes.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "sim_hub.h"

namespace {

constexpr uint8_t kRelayPtp = 10;
constexpr uint32_t kRelayHeaderSize = 5;
constexpr uint32_t kCommandMessageSize = kRelayHeaderSize + kPtpContainerHeaderSize;

int g_raw = -1; // the bare socket to the hub

bool send_all(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t k = ::send(fd, p, n, MSG_NOSIGNAL);
        if (k <= 0) return false;
        p += k;
        n -= size_t(k);
    }
    return true;
}

bool recv_all(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t k = ::recv(fd, p, n, 0);
        if (k <= 0) return false;
        p += k;
        n -= size_t(k);
    }
    return true;
}

// Reads one relay message (header included) into msg.
bool recv_message(int fd, std::vector<uint8_t>& msg) {
    msg.resize(kRelayHeaderSize);
    if (!recv_all(fd, msg.data(), kRelayHeaderSize)) return false;
    uint32_t total = peek_u32(msg.data(), kRelayHeaderSize, 0);
    if (total < kRelayHeaderSize) return false;
    msg.resize(total);
    return recv_all(fd, msg.data() + kRelayHeaderSize, total - kRelayHeaderSize);
}

int connect_raw(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    // The library sets no-delay on its link; the baseline does the same.
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

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
        bool ok = send_all(g_raw, command, sizeof command) && recv_message(g_raw, data) &&
                  recv_message(g_raw, response);
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

// Shows the runs as usual and keeps each benchmark's wall time per iteration,
// one value per repetition.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    // Colour only on a terminal, as the default reporter does.
    RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            Times& t = run.run_name.function_name == "BM_LibraryGetDeviceInfo" ? library : raw;
            double seconds =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            if (run.run_type == Run::RT_Iteration)
                t.repetitions.push_back(seconds);
            else if (run.aggregate_name == "median") // --benchmark_display_aggregates_only
                t.median = seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    struct Times {
        std::vector<double> repetitions;
        double median = 0;
        // The median repetition: one repetition slowed by other work on the
        // machine does not move it.
        double seconds() {
            if (repetitions.empty()) return median;
            std::sort(repetitions.begin(), repetitions.end());
            size_t n = repetitions.size();
            return n % 2 ? repetitions[n / 2] : (repetitions[n / 2 - 1] + repetitions[n / 2]) / 2;
        }
    };
    Times library, raw;
};

// Takes --max_ratio=X out of argv (the benchmark library rejects unknown flags)
// and puts the defaults in front of the remaining flags, which override them:
// repetitions of the two benchmarks randomly interleaved, so a burst of other
// work on the machine hits both alike.
std::vector<char*> arguments(int argc, char** argv, double* maxRatio) {
    static char repetitions[] = "--benchmark_repetitions=5";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    const char kMaxRatio[] = "--max_ratio=";
    std::vector<char*> args{argv[0], repetitions, interleave};
    *maxRatio = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kMaxRatio, sizeof kMaxRatio - 1) == 0)
            *maxRatio = std::atof(argv[i] + sizeof kMaxRatio - 1);
        else
            args.push_back(argv[i]);
    }
    args.push_back(nullptr);
    return args;
}

} // namespace

int main(int argc, char** argv) {
    double maxRatio = 0;
    std::vector<char*> args = arguments(argc, argv, &maxRatio);
    int count = int(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

    SimOptions options;
    options.camera = "canon";
    SimHub* hub = SimHub_Start(options);
    if (!hub) {
        std::fprintf(stderr, "cannot start the virtual Tetherhub\n");
        return 1;
    }
    std::string port = std::to_string(SimHub_Port(hub));
    if (ConnectToServer("127.0.0.1", port.c_str()) < 0 ||
        (g_raw = connect_raw(SimHub_Port(hub))) < 0) {
        std::fprintf(stderr, "cannot connect to the virtual Tetherhub\n");
        SimHub_Stop(hub);
        return 1;
    }
    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    CloseServerConnection();
    ::close(g_raw);
    SimHub_Stop(hub);

    double library = reporter.library.seconds();
    double raw = reporter.raw.seconds();
    if (library <= 0 || raw <= 0) {
        std::printf("library/raw ratio: not available (both benchmarks must run)\n");
        return maxRatio > 0 ? 1 : 0;
    }
    double ratio = library / raw;
    std::printf("GetDeviceInfo round trip: library %.1f us, raw socket %.1f us, "
                "library/raw ratio %.2f (target <= 1.5)\n",
                library * 1e6, raw * 1e6, ratio);
    return maxRatio > 0 && ratio > maxRatio ? 1 : 0;
}
