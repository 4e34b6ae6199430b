// The reader loop and its mailbox: every message the hub sends unasked is
// received by ReadSocketLoop and taken by WaitForUnsolicitedMessage.
//
// Input: the stream the hub sends. The loop runs on its own thread while this
// one takes messages until the loop's end is reported. Beyond the sanitizers
// the target checks that each message taken is as long as its header says,
// and that the incoming delegate runs exactly for the PTP messages that are
// not live-view frames.
#include <atomic>
#include <thread>

#include "comms/bytes.h"
#include "fuzz/hub_stream.h"
#include "ptp_comms.h"

namespace {

// Live-view frames, which the host is not told about.
constexpr uint16_t kLiveViewCodes[] = {0x9153, 0x9203, 0x9428};

std::atomic<uint32_t> g_incoming{0};

void on_incoming() { g_incoming.fetch_add(1); }

void on_oob(uint8_t* message) { FreeMemory(message); }

// A PTP message long enough for its container code, other than the three
// live-view frame codes.
bool expects_delegate(const uint8_t* m, uint32_t length) {
    if (length < kRelayHeaderSize + 8 || m[4] != kRelayPtp) return false;
    uint16_t code = peek_u16(m, length, kRelayHeaderSize + 6);
    for (uint16_t frame : kLiveViewCodes)
        if (code == frame) return false;
    return true;
}

} // namespace

HUB_STREAM_ASAN_OPTIONS

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetOOBDelegate(on_oob);
    SetIncomingOobDelegate(on_incoming);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HubStream hub;
    HubStream_Open(&hub, data, size);
    g_incoming.store(0);
    std::thread loop([] { (void)ReadSocketLoop(); });
    uint32_t expected = 0;
    while (uint8_t* m = WaitForUnsolicitedMessage()) {
        uint32_t length = peek_u32(m, kRelayHeaderSize, 0);
        fuzz_check(length >= kRelayHeaderSize && length <= size, "mailbox: bad message length");
        fuzz_touch(m, length);
        if (expects_delegate(m, length)) ++expected;
        FreeMemory(m);
    }
    loop.join();
    fuzz_check(g_incoming.load() == expected, "mailbox: incoming delegate count is wrong");
    HubStream_Close(&hub);
    return 0;
}
