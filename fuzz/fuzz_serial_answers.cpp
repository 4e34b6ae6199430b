// Fuzzes what the library does with the accessory's answers: the parse of one
// answer message, and whole command exchanges reading answers from the
// Tetherhub's byte stream.
//
// Input: the byte stream the hub sends. It is parsed once as a single message,
// then written into one end of a socket pair whose other end is the relay
// link; the writing side is then shut, so every receive ends in data or
// end-of-stream. Commands alternate (battery, stop, speed) until the link is
// reported lost.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "fuzz_support.h"
#include "ptp_serial.h"
#include "serial/serial_link.h"

namespace {

// Inputs larger than this are cut, so the whole stream fits into the socket at
// once and no writer thread is needed.
constexpr size_t kMaxStream = 1 << 16;

// Discards the frames the library sent, so its sends never block.
void drain(int fd) {
    uint8_t scratch[4096];
    while (::recv(fd, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
    }
}

} // namespace

// A header may announce up to 1 GiB; beyond 64 MiB allocations fail instead.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=64";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxStream) size = kMaxStream;

    uint32_t value = 0;
    PtpResult parsed = PtpSerial_ParseAnswer(data, uint32_t(size), &value);
    fuzz_check(parsed != PtpResult_Ok || (size >= 9 && data[4] == 9),
               "answer accepted short or untyped");
    if (parsed == PtpResult_Ok)
        fuzz_check(value == peek_u32(data, size, 5), "answer value misread");

    int sv[2];
    fuzz_check(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) == 0, "socketpair failed");
    int peer = sv[1];
    int bufferSize = int(kMaxStream) * 2;
    ::setsockopt(peer, SOL_SOCKET, SO_SNDBUF, &bufferSize, sizeof bufferSize);
    Comms_AttachSocket(sv[0], "fuzz");
    size_t sent = 0;
    while (sent < size) {
        ssize_t k = ::send(peer, data + sent, size - sent, MSG_NOSIGNAL);
        if (k <= 0) break;
        sent += size_t(k);
    }
    ::shutdown(peer, SHUT_WR);

    // Every exchange consumes at least one 5-byte header or ends the stream.
    for (size_t turn = 0; turn <= size / 5 + 1; ++turn) {
        PtpResult rc = PtpResult_Ok;
        switch (turn % 3) {
        case 0: rc = Serial_GetTripodBattery(&value); break;
        case 1: rc = Serial_SendStopTripod(); break;
        default: rc = Serial_SendTripodSpeed(uint16_t(turn)); break;
        }
        drain(peer);
        if (rc == PtpResult_ConnectionLost) break;
    }
    CloseServerConnection();
    ::close(peer);
    return 0;
}
