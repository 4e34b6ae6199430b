// Pieces shared by the benchmarks that set the library beside a bare socket to
// the virtual Tetherhub: the raw relay exchange, a reporter that keeps the
// per-repetition times of two benchmarks, and the command-line handling.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace bench {

// Sends or receives exactly n bytes on a blocking socket; false when the peer
// closed or the socket failed.
bool send_all(int fd, const uint8_t* p, size_t n);
bool recv_all(int fd, uint8_t* p, size_t n);

// Reads one relay message (header included) into msg. A msg that already has
// the message's size is reused as it is, so a baseline that receives the same
// large message again and again pays for the transfer only.
bool recv_message(int fd, std::vector<uint8_t>& msg);

// A blocking TCP connection to 127.0.0.1:port with no-delay set, as the
// library sets it on its link; -1 on failure.
int connect_raw(uint16_t port);

// One data-in PTP command over a bare socket, done by hand as the library does
// it: the command (one u32 parameter) in one type-10 message, then the data
// message received into a new buffer of exactly its size, then the response.
// Returns that buffer (header included, malloc'd; the caller frees it) when the
// data message is `dataMessageSize` bytes of a data container and the response
// is OK; otherwise null. `response` is reused between calls.
uint8_t* raw_data_in(int fd, uint16_t op, uint32_t param, uint32_t transactionId,
                     uint32_t dataMessageSize, std::vector<uint8_t>& response);
// The same with the command's parameters listed (at most five; none for a
// request that takes none).
uint8_t* raw_data_in(int fd, uint16_t op, std::initializer_list<uint32_t> params,
                     uint32_t transactionId, uint32_t dataMessageSize,
                     std::vector<uint8_t>& response);

// Connects the library's link and a bare socket (*raw) to the hub on
// 127.0.0.1:port; false with a message on stderr when either fails.
bool connect_both(uint16_t port, int* raw);
// Closes both again.
void disconnect_both(int raw);

// Shows the runs as usual and keeps the wall time per iteration of the two
// named benchmarks, one value per repetition; other benchmarks are shown only.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    // Borrows the names for the reporter's lifetime.
    RatioReporter(const char* libraryName, const char* rawName);

    void ReportRuns(const std::vector<Run>& runs) override;

    struct Times {
        std::vector<double> repetitions;
        std::vector<double> cpuRepetitions; // CPU seconds per iteration
        double median = 0;                  // from the aggregate, when only aggregates are shown
        double cpuMedian = 0;               // likewise
        // Seconds per iteration of the median repetition: one repetition slowed
        // by other work on the machine does not move it. 0 when it did not run.
        double seconds() const;
        // The same for the CPU time the benchmark measured (its thread's, or the
        // whole process's for one registered with MeasureProcessCPUTime).
        double cpuSeconds() const;
    };
    Times library, raw;

  private:
    const char* libraryName_;
    const char* rawName_;
};

// The seconds per iteration of both benchmarks; false, with a line saying so,
// when either did not run.
bool both_ran(const RatioReporter& reporter, double* library, double* raw);

// Prints "<what>: library X MB/s, raw socket Y MB/s, library/raw throughput
// ratio R (target >= target)" for `megabytes` moved per iteration. Returns the
// exit status: 1 when minRatio is set and the ratio is below it or unknown.
int report_throughput(const char* what, double megabytes, const RatioReporter& reporter,
                      double minRatio, double target);

// Prints "<what> CPU time: library X ms, raw socket Y ms, library/raw ratio R
// (target <= target)" per iteration. Returns the exit status: 1 when maxRatio is
// set and the ratio is above it or unknown.
int report_cpu(const char* what, const RatioReporter& reporter, double maxRatio, double target);

// Removes `flag` (e.g. "--max_cpu_ratio=") with its value from argv, for a
// benchmark with more than one hard check; its value, or 0 when absent.
double take_flag(int* argc, char** argv, const char* flag);

// Takes `flag` (e.g. "--max_ratio=") with its value out of argv, since the
// benchmark library rejects unknown flags, and puts the defaults in front of
// the remaining flags, which override them: five repetitions of each benchmark,
// randomly interleaved, so a burst of other work on the machine hits both
// alike. *value is 0 when the flag is absent. The result is null-terminated and
// points into argv and static storage.
std::vector<char*> arguments(int argc, char** argv, const char* flag, double* value);

// Initialises the benchmark library with those arguments; false, with the
// unknown flags shown, when a flag is not recognised.
bool initialize(int argc, char** argv, const char* flag, double* value);

// One PTP transaction over a bare socket: the command (at most five
// parameters), then messages until the response container. The data
// container's message, header included, is left in data (empty when the
// command had no data phase). False when the link fails or the response is
// not OK.
bool raw_transaction(int fd, uint16_t op, std::initializer_list<uint32_t> params,
                     uint32_t transactionId, std::vector<uint8_t>& data);

} // namespace bench
