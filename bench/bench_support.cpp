#include "bench_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "ptp/transaction.h"
#include "ptp_comms.h"

namespace bench {

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

bool recv_message(int fd, std::vector<uint8_t>& msg) {
    uint8_t header[kRelayHeaderSize];
    if (!recv_all(fd, header, sizeof header)) return false;
    uint32_t total = peek_u32(header, sizeof header, 0);
    if (total < kRelayHeaderSize) return false;
    // Resizing to the size it already has leaves the bytes alone: no fill.
    msg.resize(total);
    std::memcpy(msg.data(), header, sizeof header);
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
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// Colour only on a terminal, as the default reporter does.
RatioReporter::RatioReporter(const char* libraryName, const char* rawName)
    : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular),
      libraryName_(libraryName), rawName_(rawName) {}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.error_occurred) continue;
        const std::string& name = run.run_name.function_name;
        Times* t = name == libraryName_ ? &library : name == rawName_ ? &raw : nullptr;
        if (!t) continue;
        double seconds =
            run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        double cpu = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        if (run.run_type == Run::RT_Iteration) {
            t->repetitions.push_back(seconds);
            t->cpuRepetitions.push_back(cpu);
        } else if (run.aggregate_name == "median") { // --benchmark_display_aggregates_only
            t->median = seconds;
            t->cpuMedian = cpu;
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

static double median_of(const std::vector<double>& values, double aggregate) {
    if (values.empty()) return aggregate;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    size_t n = sorted.size();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

double RatioReporter::Times::seconds() const { return median_of(repetitions, median); }

double RatioReporter::Times::cpuSeconds() const { return median_of(cpuRepetitions, cpuMedian); }

double take_flag(int* argc, char** argv, const char* flag) {
    size_t flagLength = std::strlen(flag);
    double value = 0;
    int kept = 1;
    for (int i = 1; i < *argc; ++i) {
        if (std::strncmp(argv[i], flag, flagLength) == 0)
            value = std::atof(argv[i] + flagLength);
        else
            argv[kept++] = argv[i];
    }
    *argc = kept;
    argv[kept] = nullptr;
    return value;
}

std::vector<char*> arguments(int argc, char** argv, const char* flag, double* value) {
    static char repetitions[] = "--benchmark_repetitions=5";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    size_t flagLength = std::strlen(flag);
    std::vector<char*> args{argv[0], repetitions, interleave};
    *value = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], flag, flagLength) == 0)
            *value = std::atof(argv[i] + flagLength);
        else
            args.push_back(argv[i]);
    }
    args.push_back(nullptr);
    return args;
}

bool connect_both(uint16_t port, int* raw) {
    std::string text = std::to_string(port);
    if (ConnectToServer("127.0.0.1", text.c_str()) < 0 || (*raw = connect_raw(port)) < 0) {
        std::fprintf(stderr, "cannot connect to the virtual Tetherhub\n");
        return false;
    }
    return true;
}

void disconnect_both(int raw) {
    CloseServerConnection();
    ::close(raw);
}

bool both_ran(const RatioReporter& reporter, double* library, double* raw) {
    *library = reporter.library.seconds();
    *raw = reporter.raw.seconds();
    if (*library > 0 && *raw > 0) return true;
    std::printf("library/raw ratio: not available (both benchmarks must run)\n");
    return false;
}

int report_throughput(const char* what, double megabytes, const RatioReporter& reporter,
                      double minRatio, double target) {
    double library = 0, raw = 0;
    if (!both_ran(reporter, &library, &raw)) return minRatio > 0 ? 1 : 0;
    double libraryRate = megabytes / library;
    double rawRate = megabytes / raw;
    double ratio = libraryRate / rawRate;
    std::printf("%s: library %.0f MB/s, raw socket %.0f MB/s, "
                "library/raw throughput ratio %.2f (target >= %.2g)\n",
                what, libraryRate, rawRate, ratio, target);
    return minRatio > 0 && ratio < minRatio ? 1 : 0;
}

int report_cpu(const char* what, const RatioReporter& reporter, double maxRatio, double target) {
    double library = reporter.library.cpuSeconds();
    double raw = reporter.raw.cpuSeconds();
    if (library <= 0 || raw <= 0) {
        std::printf("%s CPU time: not available (both benchmarks must run)\n", what);
        return maxRatio > 0 ? 1 : 0;
    }
    double ratio = library / raw;
    std::printf("%s CPU time: library %.1f ms, raw socket %.1f ms, "
                "library/raw ratio %.2f (target <= %.2g)\n",
                what, library * 1e3, raw * 1e3, ratio, target);
    return maxRatio > 0 && ratio > maxRatio ? 1 : 0;
}

uint8_t* raw_data_in(int fd, uint16_t op, uint32_t param, uint32_t transactionId,
                     uint32_t dataMessageSize, std::vector<uint8_t>& response) {
    return raw_data_in(fd, op, {param}, transactionId, dataMessageSize, response);
}

namespace {

// A PTP command in a type-10 relay message, up to five parameters.
constexpr size_t kMaxParams = 5;
struct RawCommand {
    uint8_t bytes[kRelayHeaderSize + kPtpContainerHeaderSize + 4 * kMaxParams];
    uint32_t size = 0; // 0: too many parameters
};

RawCommand raw_command(uint16_t op, std::initializer_list<uint32_t> params,
                       uint32_t transactionId) {
    RawCommand c;
    if (params.size() > kMaxParams) return c;
    c.size = uint32_t(kRelayHeaderSize + kPtpContainerHeaderSize + 4 * params.size());
    put_u32(c.bytes, c.size);
    c.bytes[4] = kRelayPtp;
    put_u32(c.bytes + 5, c.size - kRelayHeaderSize);
    put_u16(c.bytes + 9, kPtpContainerCommand);
    put_u16(c.bytes + 11, op);
    put_u32(c.bytes + 13, transactionId);
    // Bounded by kMaxParams as well, so GCC's -O3 range analysis sees the fit.
    const uint32_t* values = params.begin();
    for (size_t i = 0; i < params.size() && i < kMaxParams; ++i)
        put_u32(c.bytes + 17 + 4 * i, values[i]);
    return c;
}

} // namespace

uint8_t* raw_data_in(int fd, uint16_t op, std::initializer_list<uint32_t> params,
                     uint32_t transactionId, uint32_t dataMessageSize,
                     std::vector<uint8_t>& response) {
    const RawCommand command = raw_command(op, params, transactionId);
    if (!command.size) return nullptr;
    uint8_t header[kRelayHeaderSize];
    uint8_t* fresh = nullptr;
    bool ok = send_all(fd, command.bytes, command.size) && recv_all(fd, header, sizeof header) &&
              peek_u32(header, sizeof header, 0) == dataMessageSize &&
              (fresh = static_cast<uint8_t*>(std::malloc(dataMessageSize))) != nullptr &&
              recv_all(fd, fresh + kRelayHeaderSize, dataMessageSize - kRelayHeaderSize) &&
              recv_message(fd, response);
    if (fresh) std::memcpy(fresh, header, sizeof header);
    ok = ok && peek_u16(fresh, dataMessageSize, 9) == kPtpContainerData &&
         response.size() >= kRelayHeaderSize + kPtpContainerHeaderSize &&
         peek_u16(response.data(), response.size(), 9) == kPtpContainerResponse &&
         peek_u16(response.data(), response.size(), 11) == PtpResult_Ok;
    if (!ok) {
        std::free(fresh);
        return nullptr;
    }
    return fresh;
}

bool raw_transaction(int fd, uint16_t op, std::initializer_list<uint32_t> params,
                     uint32_t transactionId, std::vector<uint8_t>& data) {
    const RawCommand command = raw_command(op, params, transactionId);
    if (!command.size || !send_all(fd, command.bytes, command.size)) return false;
    data.clear();
    std::vector<uint8_t> message;
    for (;;) {
        if (!recv_message(fd, message) ||
            message.size() < kRelayHeaderSize + kPtpContainerHeaderSize)
            return false;
        uint16_t type = peek_u16(message.data(), message.size(), 9);
        if (type == kPtpContainerData) data.swap(message);
        if (type == kPtpContainerResponse)
            return peek_u16(message.data(), message.size(), 11) == PtpResult_Ok;
    }
}

bool initialize(int argc, char** argv, const char* flag, double* value) {
    std::vector<char*> args = arguments(argc, argv, flag, value);
    int count = int(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    return !benchmark::ReportUnrecognizedArguments(count, args.data());
}

} // namespace bench
