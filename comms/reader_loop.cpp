// The reader loop: a host thread that receives every message nobody asked for
// and hands them, one at a time, through a one-slot mailbox to another host
// thread waiting in WaitForUnsolicitedMessage.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "comms/bytes.h"
#include "comms/relay_link.h"

namespace {

// How long a posted message may wait for a waiter before the next one replaces
// it: ten steps of 100 ms, one second in all.
constexpr int kMailboxWaitSteps = 10;
constexpr auto kMailboxWaitStep = std::chrono::milliseconds(100);

// Live-view frames arrive many times a second; telling the host about each would
// drown the messages it does want to hear about.
constexpr uint16_t kCanonLiveViewFrame = 0x9153;
constexpr uint16_t kNikonLiveViewImage = 0x9203;
constexpr uint16_t kNikonLiveViewImageEx = 0x9428;

// The container code of the PTP container at offset 5 of a type-10 message.
constexpr size_t kPtpCodeOffset = kRelayHeaderSize + 6;
constexpr size_t kPtpCodeEnd = kPtpCodeOffset + 2;

struct Mailbox {
    std::mutex lock;
    std::condition_variable posted; // a message was posted or the loop ended
    std::condition_variable taken;  // a waiter emptied the slot
    uint8_t* message = nullptr;     // guarded by lock; owned by the mailbox while posted
    uint32_t length = 0;            // guarded by lock
    bool ended = false;             // guarded by lock
    std::atomic<PtpIncomingDelegateFn> incoming{nullptr};
};

Mailbox g_box;

// True for a PTP message the host wants to hear about: type 10, long enough
// to hold a container code, and not a live-view frame.
bool tells_incoming(const uint8_t* message, uint32_t length) {
    if (length < kPtpCodeEnd || message[4] != kRelayPtp) return false;
    uint16_t code = peek_u16(message, length, kPtpCodeOffset);
    return code != kCanonLiveViewFrame && code != kNikonLiveViewImage &&
           code != kNikonLiveViewImageEx;
}

// Puts a received message into the mailbox, first giving a waiter up to one
// second to take the one still there.
void post(uint8_t* message, uint32_t length) {
    std::unique_lock<std::mutex> held(g_box.lock);
    auto deadline = std::chrono::steady_clock::now() + kMailboxWaitSteps * kMailboxWaitStep;
    g_box.taken.wait_until(held, deadline, [] { return g_box.message == nullptr; });
    std::free(g_box.message); // the waiter fell behind: the older message is dropped
    g_box.message = message;
    g_box.length = length;
    g_box.posted.notify_all();
}

} // namespace

void SetIncomingOobDelegate(PtpIncomingDelegateFn delegate) { g_box.incoming.store(delegate); }

int32_t ReadSocketLoop() {
    {
        std::lock_guard<std::mutex> held(g_box.lock);
        g_box.ended = false;
    }
    for (;;) {
        uint8_t* message = nullptr;
        uint32_t length = 0;
        if (Comms_ReceiveMessage(&message, &length) != PtpResult_Ok) break;
        post(message, length);
    }
    CloseServerConnection();
    std::lock_guard<std::mutex> held(g_box.lock);
    std::free(g_box.message);
    g_box.message = nullptr;
    g_box.length = 0;
    g_box.ended = true;
    g_box.posted.notify_all();
    return 0;
}

uint8_t* WaitForUnsolicitedMessage() {
    uint8_t* message = nullptr;
    uint32_t length = 0;
    {
        std::unique_lock<std::mutex> held(g_box.lock);
        g_box.posted.wait(held, [] { return g_box.message != nullptr || g_box.ended; });
        // An end seen here (even with a message still posted, which stays) is
        // reported once: the next waiter blocks until a new loop posts.
        if (g_box.ended) {
            g_box.ended = false;
            return nullptr;
        }
        message = g_box.message;
        length = g_box.length;
        g_box.message = nullptr;
        g_box.length = 0;
        g_box.taken.notify_all();
    }
    // The delegate is the host's: it runs after the mailbox lock is released, so
    // it may call back into the library.
    PtpIncomingDelegateFn delegate = g_box.incoming.load();
    if (delegate && tells_incoming(message, length)) delegate();
    return message;
}
