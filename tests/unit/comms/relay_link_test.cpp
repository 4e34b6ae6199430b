// Relay message framing against a scripted loopback peer: well-formed and hostile
// messages, out-of-band notices and link loss.
#include "comms/relay_link.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "comms/bytes.h"
#include "comms/ptp_transport.h"
#include "support/raw_peer.h"

namespace {

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const std::vector<uint8_t>& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class Framing : public ::testing::Test {
protected:
    RawPeer peer;
    void SetUp() override {
        ASSERT_TRUE(RawPeer_Connect(peer));
    }
    void TearDown() override {
        SetOOBDelegate(nullptr);
        CloseServerConnection();
        RawPeer_Close(peer);
    }
    struct Reply {
        PtpResult rc;
        std::vector<uint8_t> data;
        bool dataNull;
        uint32_t m;
    };
    std::vector<uint8_t> request; // the last exchange's request as it reached the peer
    // Runs one control exchange with a two-byte payload while the peer answers with `wire`.
    Reply exchange(uint8_t code, const std::vector<uint8_t>& wire) {
        auto call = std::async(std::launch::async, [code] {
            const uint8_t payload[] = {0xAB, 0xCD};
            uint8_t* data = nullptr;
            uint32_t m = 77;
            PtpResult rc = Comms_SendControlMessage(code, payload, 2, &data, &m);
            Reply r{rc, {}, data == nullptr, m};
            if (data) r.data.assign(data, data + m);
            FreeMemory(data);
            return r;
        });
        request = RawPeer_ReadMessage(peer);
        EXPECT_TRUE(RawPeer_Write(peer, wire));
        return call.get();
    }
};

// Well-formed replies hand over their data; malformed ones are a bad reply
// with nothing handed over, and the link stays up for the next exchange.
TEST_F(Framing, ControlReplies) {
    std::vector<uint8_t> replyLengthBeyondMessage = ControlReply(0x2001, {1, 2});
    put_u32(replyLengthBeyondMessage.data() + 5, 200);
    std::vector<uint8_t> replyLengthUnderFixedPart = ControlReply(0x2001, {});
    put_u32(replyLengthUnderFixedPart.data() + 5, 6);
    struct Case {
        const char* what;
        std::vector<uint8_t> wire;
        PtpResult rc;
        std::vector<uint8_t> data; // empty: a null buffer and length 0
    } cases[] = {
        {"header of 4", {4, 0, 0, 0, 13}, PtpResult_BadReply, {}},
        {"type-13 under 12 bytes", RelayMessage(13, {7, 0, 0, 0, 0, 1}), PtpResult_BadReply, {}},
        {"reply length past the message", replyLengthBeyondMessage, PtpResult_BadReply, {}},
        {"reply length under 7", replyLengthUnderFixedPart, PtpResult_BadReply, {}},
        {"wrong type", RelayMessage(9, {1, 2, 3, 4, 5, 6, 7}), PtpResult_BadReply, {}},
        {"data", ControlReply(0x2001, {1, 2, 3}), PtpResult_Ok, {1, 2, 3}},
        {"reply length 7", ControlReply(0x2001, {}), PtpResult_Ok, {}},
        {"failure result", ControlReply(0xFF15, {9, 9}), PtpResult_InvalidArgument, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reply r = exchange(48, c.wire);
        EXPECT_EQ(r.rc, c.rc);
        EXPECT_EQ(r.data, c.data);
        EXPECT_EQ(r.dataNull, c.data.empty());
        EXPECT_EQ(r.m, c.data.size());
        EXPECT_FALSE(Comms_IsLinkLost());
        EXPECT_EQ(request, (std::vector<uint8_t>{12, 0, 0, 0, 12, 7, 0, 0, 0, 48, 0xAB, 0xCD}));
    }
}

TEST_F(Framing, GarbageLengthLosesTheLinkWithoutAllocatingIt) {
    Reply r = exchange(48, {0xF0, 0xFF, 0xFF, 0xFF, 13});
    EXPECT_EQ(r.rc, PtpResult_ConnectionLost);
    EXPECT_TRUE(Comms_IsLinkLost());
    // Every later call fails at once without touching the socket.
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Comms_SendControlMessage(48, nullptr, 0, nullptr, nullptr), PtpResult_ConnectionLost);
    EXPECT_EQ(Comms_ServerPing(), PtpResult_ConnectionLost);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

std::atomic<std::thread::id> g_oobThread;
std::promise<std::vector<uint8_t>>* g_oobSeen = nullptr;

void record_oob(uint8_t* message) {
    g_oobThread = std::this_thread::get_id();
    uint32_t total = peek_u32(message, 5, 0);
    g_oobSeen->set_value(std::vector<uint8_t>(message, message + total));
    FreeMemory(message);
}

// A notice ahead of the reply goes to the delegate on another thread, or is
// dropped without one; either way the reply still returns.
TEST_F(Framing, OutOfBandNoticeGoesToTheDelegateAndTheReplyStillReturns) {
    Reply r = exchange(48, Join({RelayMessage(0xF0, {9}), ControlReply(0x2001, {42})}));
    EXPECT_EQ(r.rc, PtpResult_Ok);
    EXPECT_EQ(r.data, std::vector<uint8_t>{42});
    std::promise<std::vector<uint8_t>> seen;
    g_oobSeen = &seen;
    SetOOBDelegate(record_oob);
    std::vector<uint8_t> notice = RelayMessage(16, {1, 2, 3});
    r = exchange(48, Join({notice, ControlReply(0x2001, {42})}));
    EXPECT_EQ(r.rc, PtpResult_Ok);
    EXPECT_EQ(r.data, std::vector<uint8_t>{42});
    auto delivered = seen.get_future();
    ASSERT_EQ(delivered.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(delivered.get(), notice);
    EXPECT_NE(g_oobThread.load(), std::this_thread::get_id());
}

TEST_F(Framing, LargePayloadArrivesWholeThroughPartialSends) {
    std::vector<uint8_t> payload(8 << 20);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = uint8_t(i * 7);
    auto call = std::async(std::launch::async, [&] {
        return Comms_SendControlMessage(208, payload.data(), uint32_t(payload.size()), nullptr,
                                        nullptr);
    });
    std::vector<uint8_t> msg = RawPeer_ReadMessage(peer);
    ASSERT_EQ(msg.size(), payload.size() + 10);
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), msg.begin() + 10));
    RawPeer_Write(peer, ControlReply(0x2001, {}));
    EXPECT_EQ(call.get(), PtpResult_Ok);
}

TEST_F(Framing, SharedExchangeSendsThePrefixAndTakesResultZeroAsOk) {
    auto call = std::async(std::launch::async, [] {
        const uint8_t record[4] = {0xFF, 0xFF, 0xFF, 0xFF};
        uint8_t* data = nullptr;
        uint32_t m = 0;
        PtpResult rc = Comms_SharedControlExchange(nullptr, 0, 136, 0xA1, 0, 4, record, &data, &m);
        std::vector<uint8_t> out(data, data + m);
        FreeMemory(data);
        return std::make_pair(rc, out);
    });
    // The prefix's length (29) counts the 10-byte message it announces.
    EXPECT_EQ(RawPeer_Read(peer, 15 + 4), (std::vector<uint8_t>{29, 0, 0, 0, 15, 14, 0, 0, 0, 0xA1,
                                                                0, 4, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    std::vector<uint8_t> control = RawPeer_ReadMessage(peer);
    EXPECT_EQ(control[9], 136);
    RawPeer_Write(peer, ControlReply(0, {3, 4}));
    auto [rc, data] = call.get();
    EXPECT_EQ(rc, PtpResult_Ok);
    EXPECT_EQ(data, (std::vector<uint8_t>{3, 4}));
}

TEST_F(Framing, PtpTransportChecksTheContainerAgainstTheMessage) {
    struct Case {
        const char* what;
        std::vector<uint8_t> wire;
        PtpResult expected;
    } cases[] = {
        {"no response", ControlReply(0, {}), PtpResult_RelayNoResponse},
        {"other control result", ControlReply(0x2001, {}), PtpResult_BadReply},
        {"short control reply", RelayMessage(13, {1, 2, 3}), PtpResult_BadReply},
        {"under 17 bytes", RelayMessage(10, {11, 0, 0, 0, 3, 0, 1, 0x20, 0, 0, 0}),
         PtpResult_InvalidArgument},
        {"container longer than the message",
         RelayMessage(10, {40, 0, 0, 0, 3, 0, 1, 0x20, 0, 0, 0, 0}), PtpResult_BadReply},
        {"container under its header",
         RelayMessage(10, {4, 0, 0, 0, 3, 0, 1, 0x20, 0, 0, 0, 0}), PtpResult_BadReply},
        {"serial frame", RelayMessage(9, std::vector<uint8_t>(12, 0)), PtpResult_BadReply},
    };
    uint8_t header[12];
    for (const Case& c : cases) {
        RawPeer_Write(peer, c.wire);
        uint8_t* buf = reinterpret_cast<uint8_t*>(1);
        EXPECT_EQ(Comms_ReceivePtpPacket(&buf), c.expected) << c.what;
        EXPECT_EQ(buf, nullptr) << c.what;
        RawPeer_Write(peer, c.wire); // the split receive checks alike
        buf = reinterpret_cast<uint8_t*>(1);
        EXPECT_EQ(Comms_ReceivePtpContainer(header, &buf), c.expected) << c.what;
        EXPECT_EQ(buf, nullptr) << c.what;
    }
    const std::vector<uint8_t> data =
        RelayMessage(10, {14, 0, 0, 0, 2, 0, 1, 0x20, 5, 0, 0, 0, 7, 8});
    RawPeer_Write(peer, data);
    uint8_t* buf = nullptr;
    ASSERT_EQ(Comms_ReceivePtpPacket(&buf), PtpResult_Ok);
    EXPECT_EQ(peek_u16(buf, 14, 6), 0x2001);
    EXPECT_EQ(peek_u16(buf, 14, 12), 0x0807);
    FreeMemory(buf);
    RawPeer_Write(peer, data); // header apart, payload at the buffer's start
    ASSERT_EQ(Comms_ReceivePtpContainer(header, &buf), PtpResult_Ok);
    EXPECT_EQ(peek_u16(header, 12, 6), 0x2001);
    EXPECT_EQ(peek_u16(buf, 2, 0), 0x0807);
    FreeMemory(buf);
}

std::atomic<int> g_blockedDeliveries{0};
std::atomic<bool> g_releaseDeliveries{false};

void blocking_delegate(uint8_t* message) {
    ++g_blockedDeliveries;
    while (!g_releaseDeliveries) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    FreeMemory(message);
}

TEST_F(Framing, AFloodOfNoticesIsCappedNotGivenAThreadEach) {
    SetOOBDelegate(blocking_delegate);
    std::vector<uint8_t> wire;
    for (int i = 0; i < 200; ++i) wire = Join({wire, RelayMessage(16, {uint8_t(i)})});
    EXPECT_EQ(exchange(48, Join({wire, ControlReply(0x2001, {1})})).rc, PtpResult_Ok);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_GT(g_blockedDeliveries.load(), 0);
    EXPECT_LE(g_blockedDeliveries.load(), 64);
    g_releaseDeliveries = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// The hub goes away mid-exchange, before replying or part way into a message
// announcing 512 MiB: the link is lost until the next connection.
TEST_F(Framing, HubGoingAwayLosesTheLinkUntilReconnected) {
    const std::vector<uint8_t> partials[] = {{}, {0, 0, 0, 0x20, 13, 1, 2, 3}};
    for (const std::vector<uint8_t>& partial : partials) {
        SCOPED_TRACE(partial.size());
        auto call = std::async(std::launch::async, [] { return Comms_ServerPing(); });
        RawPeer_ReadMessage(peer);
        if (!partial.empty()) RawPeer_Write(peer, partial);
        RawPeer_CloseClient(peer);
        EXPECT_EQ(call.get(), PtpResult_ConnectionLost);
        EXPECT_TRUE(Comms_IsLinkLost());
        EXPECT_EQ(Comms_ServerPing(), PtpResult_ConnectionLost);
        ASSERT_GE(ConnectToServer("127.0.0.1", RawPeer_PortText(peer).c_str()), 0);
        ASSERT_TRUE(RawPeer_Accept(peer));
        EXPECT_FALSE(Comms_IsLinkLost());
        EXPECT_EQ(exchange(176, ControlReply(0x2001, {})).rc, PtpResult_Ok);
    }
}

// A peer announcing 100,000 bytes and then trickling one byte every 300 ms
// never trips the per-wait time-out; the whole-message deadline (time-out plus
// 100,000 bytes at 64 KB/s, about 2.5 s here) ends the call with the link lost.
TEST_F(Framing, TricklingPeerEndsAtTheMessageDeadline) {
    Comms_SetReceiveTimeout(1);
    auto call = std::async(std::launch::async, [] { return Comms_ServerPing(); });
    RawPeer_ReadMessage(peer);
    std::atomic<bool> stop{false};
    std::thread trickle([&] {
        RawPeer_Write(peer, {0xA0, 0x86, 0x01, 0x00, 13}); // 100,000 bytes announced
        while (!stop && RawPeer_Write(peer, {0}))
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    auto start = std::chrono::steady_clock::now();
    bool ended = call.wait_for(std::chrono::seconds(4)) == std::future_status::ready;
    stop = true;
    trickle.join();
    Comms_SetReceiveTimeout(kReceiveTimeoutSeconds);
    ASSERT_TRUE(ended);
    EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(call.get(), PtpResult_ConnectionLost);
    EXPECT_TRUE(Comms_IsLinkLost());
}

// Only a process that never connected is in this state, so the checks run in
// a fresh copy of the test binary (the thread-safe death-test style re-runs it
// for this test alone) and report through its exit status.
TEST(Connection, BeforeAnyConnection) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EXPECT_EQ(CloseServerConnection(), 1);
            EXPECT_STREQ(Comms_HostName(), "");
            // Nothing received yet: the seconds since the epoch.
            EXPECT_GT(SecondsSinceLastIncomingMessage(), 1.7e9);
            EXPECT_EQ(ConnectToServer("127.0.0.1", "1"), -1);
            EXPECT_EQ(ConnectToServer("no-such-host.invalid", "4000"), -1);
            EXPECT_EQ(Comms_SendExact(nullptr, 4), PtpResult_InvalidArgument);
            uint8_t b = 0;
            EXPECT_EQ(Comms_SendExact(&b, 0), PtpResult_InvalidArgument);
            std::exit(::testing::Test::HasFailure() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
