// Fuzzes what the library does with the bytes the Tetherhub sends: message
// framing, out-of-band notices, control replies, PTP containers and the
// engine's closing phases.
//
// Input: one selector byte, then the byte stream the hub sends. The stream is
// written into one end of a socket pair whose other end is the relay link; the
// writing side is then shut, so every receive ends in data or end-of-stream
// and nothing waits for the 22 s time-out. The receivers are called until the
// link is reported lost; the selector picks which one takes each turn, two
// bits per turn, so every receiver and every order of them gets exercised.
//
// Beyond the sanitizers the target checks the ownership contracts callers
// rely on: a buffer handed out is as long as its length says, data comes only
// with success where the contract says so, and every complete notice reaches
// the out-of-band delegate.
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "comms/bytes.h"
#include "comms/ptp_transport.h"
#include "comms/relay_link.h"
#include "fuzz_support.h"
#include "ptp/transaction.h"

namespace {

// GetDeviceInfo is admitted with an empty OperationsSupported list, so the
// engine always reaches the transport.
constexpr uint16_t kAdmittedOp = kPtpOpGetDeviceInfo;

// Large enough that a whole input fits in the socket at once; larger inputs
// are fed by a writer thread.
constexpr int kPeerSendBuffer = 1 << 20;

// How long the out-of-band threads may take to deliver after the stream ends.
constexpr auto kOobDeliveryLimit = std::chrono::seconds(10);

enum Receiver { kControlReply, kPtpPacket, kTransactionWithData, kTransactionNoData };

std::atomic<uint32_t> g_oobDelivered{0};

// Reads every byte, so ASan reports a buffer shorter than its stated length.
uint32_t touch(const uint8_t* p, uint32_t n) {
    volatile uint32_t sum = 0;
    for (uint32_t i = 0; i < n; ++i)
        sum = sum + p[i];
    return sum;
}

void on_oob(uint8_t* message) {
    touch(message, peek_u32(message, kRelayHeaderSize, 0));
    FreeMemory(message);
    g_oobDelivered.fetch_add(1);
}

// The number of complete notices in the stream, following the framing every
// receiver shares: a header announcing fewer than 5 bytes is skipped alone; an
// oversized or truncated message ends the stream.
uint32_t count_notices(const uint8_t* p, size_t n) {
    uint32_t notices = 0;
    size_t pos = 0;
    while (n - pos >= kRelayHeaderSize) {
        uint32_t total = peek_u32(p, n, pos);
        if (total < kRelayHeaderSize) {
            pos += kRelayHeaderSize;
            continue;
        }
        if (total > kMaxRelayMessage || total > n - pos) break;
        if (Comms_IsOobType(p[pos + 4])) ++notices;
        pos += total;
    }
    return notices;
}

// Discards what the library sent (PTP commands), so its sends never block.
void drain(int fd) {
    uint8_t scratch[4096];
    while (::recv(fd, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
    }
}

PtpResult receive_control_reply(bool zeroIsOk) {
    uint8_t* data = nullptr;
    uint32_t m = 0;
    PtpResult rc = Comms_ReadControlReply(&data, &m, zeroIsOk);
    fuzz_check((data != nullptr) == (m != 0), "control reply: data and length disagree");
    fuzz_check(!data || rc == PtpResult_Ok, "control reply: data handed out with a failure");
    touch(data, m);
    std::free(data);
    return rc;
}

PtpResult receive_ptp_packet() {
    uint8_t* buf = nullptr;
    PtpResult rc = Comms_ReceivePtpPacket(&buf);
    fuzz_check((buf != nullptr) == (rc == PtpResult_Ok), "PTP packet: buffer and result disagree");
    if (buf) {
        uint32_t length = peek_u32(buf, kPtpContainerHeaderSize, 0);
        fuzz_check(length >= kPtpContainerHeaderSize,
                   "PTP packet: container shorter than its header");
        touch(buf, length);
    }
    std::free(buf);
    return rc;
}

PtpResult run_transaction(bool withData, int peer) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    uint32_t respParam = 0;
    PtpResult rc =
        PtpTransaction_Execute(kAdmittedOp, nullptr, 0, nullptr, 0, withData ? &data : nullptr,
                               withData ? &length : nullptr, &respParam, 1);
    fuzz_check(data || length == 0, "transaction: length without data");
    touch(data, length);
    std::free(data);
    drain(peer);
    return rc;
}

PtpResult run_receiver(int receiver, bool zeroIsOk, int peer) {
    switch (receiver) {
    case kControlReply: return receive_control_reply(zeroIsOk);
    case kPtpPacket: return receive_ptp_packet();
    case kTransactionWithData: return run_transaction(true, peer);
    default: return run_transaction(false, peer);
    }
}

// Writes the stream into the peer and shuts its sending side. Returns a
// writer thread when the stream does not fit into the socket at once.
std::thread feed(int peer, const uint8_t* p, size_t n) {
    size_t sent = 0;
    while (sent < n) {
        ssize_t k = ::send(peer, p + sent, n - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (k <= 0) break;
        sent += size_t(k);
    }
    if (sent == n) {
        ::shutdown(peer, SHUT_WR);
        return {};
    }
    // Ends early with an error once the library closes its end.
    return std::thread([peer, p, n, sent]() mutable {
        while (sent < n) {
            ssize_t k = ::send(peer, p + sent, n - sent, MSG_NOSIGNAL);
            if (k <= 0) break;
            sent += size_t(k);
        }
        ::shutdown(peer, SHUT_WR);
    });
}

} // namespace

// A header may announce up to 1 GiB, which the receiver allocates before reading
// the body; under ASan each such input costs a tenth of a second. Allocations
// beyond 64 MiB fail instead, which also exercises the out-of-memory path (the
// fuzzer's own buffers stay below the limit). ASAN_OPTIONS still overrides.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=64";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetOOBDelegate(on_oob);
    PtpTransaction_SetTransport(Comms_SendPtpPacket, Comms_ReceivePtpPacket);
    PtpTransaction_SetLinkLock(Comms_LockRelayLink);
    PtpTransaction_SetSupportedOperations(nullptr, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t selector = size ? data[0] : 0;
    const uint8_t* stream = size ? data + 1 : data;
    size_t streamSize = size ? size - 1 : 0;

    int sv[2];
    fuzz_check(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) == 0, "socketpair failed");
    int peer = sv[1];
    int bufferSize = kPeerSendBuffer;
    ::setsockopt(peer, SOL_SOCKET, SO_SNDBUF, &bufferSize, sizeof bufferSize);
    Comms_AttachSocket(sv[0], "fuzz");
    g_oobDelivered.store(0);

    std::thread writer = feed(peer, stream, streamSize);

    // Every turn consumes at least one 5-byte header or ends the stream.
    const size_t turnLimit = streamSize / kRelayHeaderSize + 2;
    size_t turn = 0;
    for (;; ++turn) {
        fuzz_check(turn <= turnLimit, "a receiver returned without consuming the stream");
        int receiver = (selector >> (2 * (turn % 4))) & 3;
        bool zeroIsOk = (turn / 4) % 2 == 1;
        if (run_receiver(receiver, zeroIsOk, peer) == PtpResult_ConnectionLost) break;
    }

    CloseServerConnection(); // closes sv[0]
    if (writer.joinable()) writer.join();
    ::close(peer);

    uint32_t expected = count_notices(stream, streamSize);
    auto deadline = std::chrono::steady_clock::now() + kOobDeliveryLimit;
    while (g_oobDelivered.load() < expected && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    fuzz_check(g_oobDelivered.load() == expected,
               "an out-of-band notice did not reach the delegate");
    return 0;
}
