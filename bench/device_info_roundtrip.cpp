// One GetDeviceInfo round trip through the library (engine, relay link, parse)
// against the virtual Tetherhub, beside the same request and reply over a bare
// loopback socket to the same hub in the same run. The ratio of the two is what
// the library adds to a transaction; the target is at most 1.5.
//
//   bench_device_info [--benchmark_min_time=0.2] [--max_ratio=1.5]
//
// With --max_ratio the exit status is 1 when the ratio is above it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "comms/bytes.h"
#include "generic/session.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptp/transaction.h"
#include "sim_hub.h"

namespace {

constexpr uint8_t kRelayPtp = 10;
constexpr uint32_t kRelayHeaderSize = 5;
constexpr uint32_t kCommandMessageSize = kRelayHeaderSize + kPtpContainerHeaderSize;

int g_raw = -1;  // the bare socket to the hub

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

// Shows the runs as usual and keeps the mean wall time per iteration of each.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            Total& t = run.run_name.function_name == "BM_LibraryGetDeviceInfo" ? library : raw;
            t.seconds += run.real_accumulated_time;
            t.iterations += double(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    struct Total {
        double seconds = 0;
        double iterations = 0;
        double perIteration() const { return iterations > 0 ? seconds / iterations : 0; }
    };
    Total library, raw;
};

// Takes --max_ratio=X out of argv (the benchmark library rejects unknown flags).
double take_max_ratio(int& argc, char** argv) {
    const char kFlag[] = "--max_ratio=";
    double maxRatio = 0;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kFlag, sizeof kFlag - 1) == 0)
            maxRatio = std::atof(argv[i] + sizeof kFlag - 1);
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return maxRatio;
}

}  // namespace

int main(int argc, char** argv) {
    double maxRatio = take_max_ratio(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

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

    double library = reporter.library.perIteration();
    double raw = reporter.raw.perIteration();
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
