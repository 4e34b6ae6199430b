// The reader loop and its one-slot mailbox against a scripted loopback peer: hand-over,
// replacement, the incoming delegate's filter, and the end when the connection fails.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "ptp_comms.h"
#include "support/raw_peer.h"

namespace {

using std::chrono::milliseconds;

std::atomic<int> g_incoming{0};
void count_incoming() { ++g_incoming; }

// A type-10 message holding one PTP container with the given code.
std::vector<uint8_t> ptp_message(uint16_t code, uint8_t tag = 0) {
    std::vector<uint8_t> body = {12,  0, 0, 0, 2, 0, uint8_t(code), uint8_t(code >> 8),
                                 tag, 0, 0, 0};
    return RelayMessage(10, body);
}

// Takes the waiter's message as a vector (empty for null) and releases it.
std::vector<uint8_t> take(uint8_t* message) {
    if (!message) return {};
    std::vector<uint8_t> copy(message, message + peek_u32(message, 4, 0));
    FreeMemory(message);
    return copy;
}

class ReaderLoop : public ::testing::Test {
  protected:
    RawPeer peer;
    std::thread loop;
    void SetUp() override {
        g_incoming = 0;
        ASSERT_TRUE(RawPeer_Connect(peer));
        loop = std::thread([] { ReadSocketLoop(); });
    }
    void TearDown() override {
        SetIncomingOobDelegate(nullptr);
        RawPeer_Close(peer);
        if (loop.joinable()) loop.join();
        // The loop's end is reported once; take it so the next test starts clean.
        EXPECT_EQ(WaitForUnsolicitedMessage(), nullptr);
    }
    void send(const std::vector<uint8_t>& message) { ASSERT_TRUE(RawPeer_Write(peer, message)); }
};

TEST_F(ReaderLoop, WaiterWithinOneSecondGetsBothMessagesInOrder) {
    std::vector<uint8_t> first = ptp_message(0x1001, 1), second = ptp_message(0x1001, 2);
    send(first);
    send(second);
    std::this_thread::sleep_for(milliseconds(300)); // the second waits for the slot
    EXPECT_EQ(take(WaitForUnsolicitedMessage()), first);
    EXPECT_EQ(take(WaitForUnsolicitedMessage()), second);
}

TEST_F(ReaderLoop, WithoutWaiterTheSecondMessageReplacesTheFirstAfterOneSecond) {
    std::vector<uint8_t> first = ptp_message(0x1001, 1), second = ptp_message(0x1001, 2);
    send(first);
    send(second);
    std::this_thread::sleep_for(milliseconds(1800));
    EXPECT_EQ(take(WaitForUnsolicitedMessage()), second);
    // The dropped message is gone: the next waiter gets the next message.
    std::vector<uint8_t> third = ptp_message(0x1001, 3);
    send(third);
    EXPECT_EQ(take(WaitForUnsolicitedMessage()), third);
}

TEST_F(ReaderLoop, IncomingDelegateOnlyForPtpMessagesThatAreNotLiveView) {
    SetIncomingOobDelegate(count_incoming);
    struct Case {
        const char* what;
        std::vector<uint8_t> message;
        int calls;
    } cases[] = {
        {"PTP data container", ptp_message(0x1009), 1},
        {"Canon live-view frame", ptp_message(0x9153), 0},
        {"Nikon extended live-view image", ptp_message(0x9428), 0},
        {"control reply", ControlReply(0x2001, {0x53, 0x91}), 0},
        {"serial frame", RelayMessage(9, {1, 2, 3, 4, 5, 6, 7, 8}), 0},
        // 12 bytes: the container code would end one byte past the message.
        {"12-byte PTP message", RelayMessage(10, {12, 0, 0, 0, 2, 0, 0x09}), 0},
        {"13-byte PTP message", RelayMessage(10, {12, 0, 0, 0, 2, 0, 0x09, 0x10}), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_incoming = 0;
        send(c.message);
        std::vector<uint8_t> got = take(WaitForUnsolicitedMessage());
        // Every message is posted whole; the delegate has run by the time the
        // waiter has it.
        EXPECT_EQ(g_incoming.load(), c.calls);
        EXPECT_EQ(got, c.message);
    }
}

TEST_F(ReaderLoop, FailedConnectionWakesTheWaiterWithNullOnce) {
    auto waiter = std::async(std::launch::async, [] { return WaitForUnsolicitedMessage(); });
    ASSERT_EQ(waiter.wait_for(milliseconds(200)), std::future_status::timeout);
    RawPeer_CloseClient(peer);
    ASSERT_EQ(waiter.wait_for(milliseconds(5000)), std::future_status::ready);
    EXPECT_EQ(waiter.get(), nullptr);
    loop.join();
    EXPECT_EQ(CloseServerConnection(), 1);
    // The end was seen: a second waiter blocks until a new loop posts.
    auto second = std::async(std::launch::async, [] { return take(WaitForUnsolicitedMessage()); });
    EXPECT_EQ(second.wait_for(milliseconds(300)), std::future_status::timeout);
    ASSERT_GE(ConnectToServer("127.0.0.1", RawPeer_PortText(peer).c_str()), 0);
    ASSERT_TRUE(RawPeer_Accept(peer));
    loop = std::thread([] { ReadSocketLoop(); });
    std::vector<uint8_t> sent = ptp_message(0x1001, 9);
    send(sent);
    ASSERT_EQ(second.wait_for(milliseconds(5000)), std::future_status::ready);
    EXPECT_EQ(second.get(), sent);
}

TEST_F(ReaderLoop, EndWithoutWaiterIsReportedToTheNextWaiter) {
    send(ptp_message(0x1001, 1)); // posted, never taken: released when the loop ends
    std::this_thread::sleep_for(milliseconds(100));
    RawPeer_CloseClient(peer);
    loop.join();
    // TearDown's waiter sees the end at once instead of the dropped message.
}

} // namespace
