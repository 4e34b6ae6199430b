// One 64 MiB file download from the Tetherhub's SD card through the library
// (Comms_SD_GetFile: the size request, 32 file requests of 2 MiB, each part
// received straight into the buffer handed to the host) from the virtual Tetherhub, beside the same requests and
// replies over a bare loopback socket to the same hub in the same run. Prints
// both throughputs and their ratio, library/raw (target at least 0.9). MB here
// is 10^6 bytes.
//
//   bench_sd_download [--benchmark_min_time=0.2] [--min_ratio=0.9]
//
// Each benchmark runs five repetitions, interleaved at random with the other's;
// the ratio compares their medians. With --min_ratio the exit status is 1 when
// the ratio is below it.
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "comms/bytes.h"
#include "comms/control_codes.h"
#include "comms/relay_link.h"
#include "comms/sd_card.h"
#include "ptp_comms.h"
#include "ptp_sdcard.h"
#include "sim_hub.h"

namespace {

constexpr uint32_t kFileSize = 64u << 20;
constexpr double kMegabyte = 1e6;
constexpr char kFileName[] = "MVI_0001.MOV";

int g_raw = -1;                // the bare socket to the hub
std::vector<uint8_t> g_source; // the file's bytes, as written to the card

std::vector<uint8_t> make_file() {
    std::vector<uint8_t> bytes(kFileSize);
    uint32_t x = 2463534242u;
    for (uint8_t& b : bytes) { // xorshift: a lost or shifted part would not match
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = uint8_t(x);
    }
    return bytes;
}

// Both ends of every part: a part missing, shifted or out of order shows.
bool parts_match(const uint8_t* data, uint32_t length) {
    if (length != kFileSize || !data) return false;
    for (uint32_t at = 0; at < kFileSize; at += kSdPartSize) {
        if (std::memcmp(data + at, g_source.data() + at, 256) != 0) return false;
        uint32_t end = at + kSdPartSize - 256;
        if (std::memcmp(data + end, g_source.data() + end, 256) != 0) return false;
    }
    return true;
}

void BM_LibrarySdGetFile(benchmark::State& state) {
    for (auto _ : state) {
        uint8_t* data = nullptr;
        uint32_t length = 0;
        PtpResult rc = Comms_SD_GetFile(kFileName, &data, &length, 0, nullptr);
        bool ok = rc == PtpResult_Ok && parts_match(data, length);
        FreeMemory(data);
        if (!ok) {
            state.SkipWithError("Comms_SD_GetFile failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kFileSize);
}

// One control request over the bare socket.
bool send_control(uint8_t code, const std::vector<uint8_t>& payload) {
    ByteWriter w;
    write_u32(w, uint32_t(10 + payload.size()));
    write_u8(w, kRelayControl);
    write_u32(w, uint32_t(5 + payload.size()));
    write_u8(w, code);
    write_bytes(w, payload.data(), payload.size());
    return bench::send_all(g_raw, w.buf.data(), w.buf.size());
}

// Reads a control reply whose data goes straight to `into` (exactly `length`
// bytes of data expected after the 12-byte reply header).
bool recv_reply_into(uint8_t* into, uint32_t length) {
    uint8_t header[kControlReplyHeaderSize];
    if (!bench::recv_all(g_raw, header, sizeof header)) return false;
    if (header[4] != kRelayControlReply || peek_u16(header, sizeof header, 10) != PtpResult_Ok ||
        peek_u32(header, sizeof header, 0) != kControlReplyHeaderSize + length)
        return false;
    return bench::recv_all(g_raw, into, length);
}

// The same exchanges by hand: the size request, then the parts, each received
// straight into place in a new buffer for the whole file (as a host needs new
// memory for each download either way).
void BM_RawSdGetFile(benchmark::State& state) {
    std::vector<uint8_t> name(kFileName, kFileName + sizeof kFileName);
    for (auto _ : state) {
        uint8_t size[8];
        bool ok = send_control(kControlSdFileSize, name) && recv_reply_into(size, sizeof size);
        ByteReader r = make_reader(size, sizeof size);
        ok = ok && read_u64(r) == kFileSize;
        uint8_t* fresh = ok ? static_cast<uint8_t*>(std::malloc(kFileSize)) : nullptr;
        for (uint32_t at = 0; fresh && ok && at < kFileSize; at += kSdPartSize) {
            ByteWriter request;
            write_u32(request, at);
            write_u32(request, kSdPartSize);
            write_bytes(request, name.data(), name.size());
            ok = send_control(kControlSdGetFile, request.buf) &&
                 recv_reply_into(fresh + at, kSdPartSize);
        }
        ok = ok && parts_match(fresh, kFileSize);
        std::free(fresh);
        if (!ok) {
            state.SkipWithError("the file over the bare socket failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kFileSize);
}

BENCHMARK(BM_LibrarySdGetFile)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawSdGetFile)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    double minRatio = 0;
    if (!bench::initialize(argc, argv, "--min_ratio=", &minRatio)) return 1;

    SimOptions options;
    options.empty_card = true;
    SimHub* hub = SimHub_Start(options);
    if (!hub) {
        std::fprintf(stderr, "cannot start the virtual Tetherhub\n");
        return 1;
    }
    g_source = make_file();
    std::string path = SimHub_SdCardDir(hub) + "/" + kFileName;
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(g_source.data()), std::streamsize(kFileSize));
        if (!out) {
            std::fprintf(stderr, "cannot put the file on the virtual SD card\n");
            SimHub_Stop(hub);
            return 1;
        }
    }

    if (!bench::connect_both(SimHub_Port(hub), &g_raw)) {
        SimHub_Stop(hub);
        return 1;
    }

    bench::RatioReporter reporter("BM_LibrarySdGetFile", "BM_RawSdGetFile");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    bench::disconnect_both(g_raw);
    SimHub_Stop(hub);

    char what[64];
    std::snprintf(what, sizeof what, "SD-card file of %.1f MB", kFileSize / kMegabyte);
    return bench::report_throughput(what, kFileSize / kMegabyte, reporter, minRatio, 0.9);
}
