// The reader loop through the public API against the virtual Tetherhub, which
// pushes unsolicited messages of any type outside its replies.
#include <future>
#include <thread>

#include "hub_fixture.h"

namespace {

std::atomic<int> g_told{0};
void tell() { ++g_told; }

std::vector<uint8_t> message_bytes(uint8_t* message) {
    std::vector<uint8_t> copy;
    if (!message) return copy;
    uint32_t total = uint32_t(message[0]) | uint32_t(message[1]) << 8 | uint32_t(message[2]) << 16 |
                     uint32_t(message[3]) << 24;
    copy.assign(message, message + total);
    FreeMemory(message);
    return copy;
}

class ReaderLoopHub : public HubTest {
  protected:
    std::thread loop;
    void SetUp() override {
        HubTest::SetUp();
        // The hub pushes only to clients it has accepted.
        ASSERT_TRUE(WaitUntil([&] { return SimHub_Stats(hub).connections_open == 1; }));
        g_told = 0;
        SetIncomingOobDelegate(tell);
        loop = std::thread([] { ReadSocketLoop(); });
    }
    void TearDown() override {
        SetIncomingOobDelegate(nullptr);
        CloseServerConnection(); // ends the loop
        if (loop.joinable()) loop.join();
        EXPECT_EQ(WaitForUnsolicitedMessage(), nullptr);
        HubTest::TearDown();
    }
};

TEST_F(ReaderLoopHub, PushedMessagesReachTheWaiter) {
    // A shared object's data container passed on by the hub: the host is told.
    const uint8_t data[] = {16, 0, 0, 0, 2, 0, 0x09, 0x10, 5, 0, 0, 0, 'j', 'p', 'e', 'g'};
    ASSERT_EQ(SimHub_SendOob(hub, 10, data, sizeof data), 1u);
    std::vector<uint8_t> got = message_bytes(WaitForUnsolicitedMessage());
    ASSERT_EQ(got.size(), 5 + sizeof data);
    EXPECT_EQ(got[4], 10);
    EXPECT_EQ(std::vector<uint8_t>(got.begin() + 5, got.end()),
              std::vector<uint8_t>(data, data + sizeof data));
    EXPECT_EQ(g_told.load(), 1);

    // A live-view frame and a control reply are posted without telling.
    const uint8_t frame[] = {12, 0, 0, 0, 2, 0, 0x53, 0x91, 6, 0, 0, 0};
    ASSERT_EQ(SimHub_SendOob(hub, 10, frame, sizeof frame), 1u);
    EXPECT_EQ(message_bytes(WaitForUnsolicitedMessage()).size(), 5 + sizeof frame);
    const uint8_t reply[] = {7, 0, 0, 0, 0, 0x01, 0x20};
    ASSERT_EQ(SimHub_SendOob(hub, 13, reply, sizeof reply), 1u);
    EXPECT_EQ(message_bytes(WaitForUnsolicitedMessage())[4], 13);
    EXPECT_EQ(g_told.load(), 1);
}

TEST_F(ReaderLoopHub, HubGoingAwayWakesTheWaiter) {
    auto waiter = std::async(std::launch::async, [] { return WaitForUnsolicitedMessage(); });
    ASSERT_EQ(waiter.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    SimFault close;
    close.kind = SimFault_CloseConnection;
    SimHub_InjectFault(hub, close);
    // The next request makes the hub drop the connection; its reply is lost.
    Comms_ServerPing();
    ASSERT_EQ(waiter.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(waiter.get(), nullptr);
    loop.join();
    // The loop closed the connection: the next request fails at once.
    EXPECT_EQ(Comms_ServerPing(), PtpResult_ConnectionLost);
    // Reconnected, a new loop serves the next waiter.
    ASSERT_TRUE(Connect());
    loop = std::thread([] { ReadSocketLoop(); });
    const uint8_t data[] = {12, 0, 0, 0, 3, 0, 0x01, 0x20, 1, 0, 0, 0};
    ASSERT_TRUE(WaitUntil([&] { return SimHub_Stats(hub).connections_open == 1; }));
    ASSERT_EQ(SimHub_SendOob(hub, 10, data, sizeof data), 1u);
    EXPECT_EQ(message_bytes(WaitForUnsolicitedMessage()).size(), 5 + sizeof data);
}

} // namespace
