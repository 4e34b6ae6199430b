// A shared transaction on the wire: the share prefix announces exactly the
// relay message of its command and travels right in front of it; with a host
// transport the command goes out unshared.
#include "ptp/shared_transaction.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <future>
#include <vector>

#include "comms/bytes.h"
#include "comms/ptp_transport.h"
#include "comms/relay_link.h"
#include "ptp/transaction.h"
#include "support/raw_peer.h"

namespace {

constexpr uint32_t kRecordSize = 612;

std::vector<uint8_t> Container(uint16_t type, uint16_t code, uint32_t id,
                               const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> c(12 + payload.size());
    put_u32(c.data(), uint32_t(c.size()));
    put_u16(c.data() + 4, type);
    put_u16(c.data() + 6, code);
    put_u32(c.data() + 8, id);
    if (!payload.empty()) std::memcpy(c.data() + 12, payload.data(), payload.size());
    return c;
}

class SharedTransaction : public ::testing::Test {
protected:
    RawPeer peer;
    std::vector<uint8_t> record = std::vector<uint8_t>(kRecordSize);
    void SetUp() override {
        PtpTransaction_SetTransport(Comms_SendPtpPacket, Comms_ReceivePtpPacket);
        PtpTransaction_SetLinkLock(Comms_LockRelayLink);
        ASSERT_TRUE(RawPeer_Listen(peer));
        ASSERT_GE(ConnectToServer("127.0.0.1", RawPeer_PortText(peer).c_str()), 0);
        ASSERT_TRUE(RawPeer_Accept(peer));
        for (size_t i = 0; i < record.size(); ++i)
            record[i] = uint8_t(i * 7);
    }
    void TearDown() override {
        PtpTransaction_SetTransport(Comms_SendPtpPacket, Comms_ReceivePtpPacket);
        CloseServerConnection();
        RawPeer_Close(peer);
    }
};

TEST_F(SharedTransaction, PrefixAnnouncesExactlyTheCommandInFrontOfIt) {
    struct Case {
        uint8_t mode;
        uint16_t op;
        std::vector<uint32_t> params;
    } cases[] = {
        {0xA1, 0x1009, {42}},        // GetObject
        {0xA0, 0x1009, {7}},         // to the other clients only
        {0xA1, 0x910A, {9, 102400}}, // Canon thumbnail, two parameters
    };
    const uint16_t listed[] = {0x910A};
    PtpTransaction_SetSupportedOperations(listed, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        uint32_t id = PtpTransaction_NextTransactionId();
        auto call = std::async(std::launch::async, [&] {
            uint8_t* data = nullptr;
            uint32_t length = 0;
            PtpResult rc = PtpTransaction_ExecuteShared(
                c.op, c.params.data(), uint32_t(c.params.size()), c.mode, 0xB0, record.data(),
                kRecordSize, &data, &length, nullptr);
            std::vector<uint8_t> got(data, data + length);
            std::free(data);
            return std::make_pair(rc, got);
        });
        // The prefix's total length counts the message it announces, so reading
        // one message by it takes the prefix and exactly that command.
        std::vector<uint8_t> wire = RawPeer_ReadMessage(peer);
        const uint32_t command = 12 + 4 * uint32_t(c.params.size());
        ASSERT_EQ(wire.size(), 15 + kRecordSize + 5 + command);
        EXPECT_EQ(wire[4], 15);
        EXPECT_EQ(peek_u32(wire.data(), wire.size(), 5), 622u);
        EXPECT_EQ(wire[9], c.mode);
        EXPECT_EQ(wire[10], 0xB0);
        EXPECT_EQ(peek_u32(wire.data(), wire.size(), 11), kRecordSize);
        EXPECT_TRUE(std::equal(record.begin(), record.end(), wire.begin() + 15));
        const size_t at = 15 + kRecordSize;
        EXPECT_EQ(peek_u32(wire.data(), wire.size(), at), 5 + command);
        EXPECT_EQ(wire[at + 4], 10);
        EXPECT_EQ(peek_u16(wire.data(), wire.size(), at + 5 + 4), 1); // command container
        EXPECT_EQ(peek_u16(wire.data(), wire.size(), at + 5 + 6), c.op);
        EXPECT_EQ(peek_u32(wire.data(), wire.size(), at + 5 + 8), id);
        for (size_t i = 0; i < c.params.size(); ++i)
            EXPECT_EQ(peek_u32(wire.data(), wire.size(), at + 5 + 12 + 4 * i), c.params[i]);

        RawPeer_Write(peer, RelayMessage(10, Container(2, c.op, id, {1, 2, 3})));
        RawPeer_Write(peer, RelayMessage(10, Container(3, 0x2001, id, {})));
        auto result = call.get();
        EXPECT_EQ(result.first, PtpResult_Ok);
        EXPECT_EQ(result.second, (std::vector<uint8_t>{1, 2, 3}));
    }
}

TEST_F(SharedTransaction, CameraRefusalComesBackWithoutData) {
    uint32_t id = PtpTransaction_NextTransactionId();
    auto call = std::async(std::launch::async, [&] {
        const uint32_t handle = 5;
        uint8_t* data = reinterpret_cast<uint8_t*>(this); // must be cleared
        uint32_t length = 99;
        PtpResult rc = PtpTransaction_ExecuteShared(0x1009, &handle, 1, 0xA1, 0xB0, record.data(),
                                                    kRecordSize, &data, &length, nullptr);
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(length, 0u);
        return rc;
    });
    EXPECT_FALSE(RawPeer_ReadMessage(peer).empty());
    RawPeer_Write(peer, RelayMessage(10, Container(3, 0x2009, id, {})));
    EXPECT_EQ(call.get(), 0x2009);
}

// Under 0xA0 the hub may answer this client with a bare control reply of
// result 0: success without data. Under 0xA1 the data was due, so it is not.
TEST_F(SharedTransaction, OthersOnlyAcceptsNoContainer) {
    for (uint8_t mode : {0xA0, 0xA1}) {
        SCOPED_TRACE(mode);
        auto call = std::async(std::launch::async, [&] {
            const uint32_t handle = 5;
            uint8_t* data = nullptr;
            uint32_t length = 0;
            PtpResult rc = PtpTransaction_ExecuteShared(0x1009, &handle, 1, mode, 0xB0,
                                                        record.data(), kRecordSize, &data,
                                                        &length, nullptr);
            EXPECT_EQ(data, nullptr);
            return rc;
        });
        EXPECT_FALSE(RawPeer_ReadMessage(peer).empty());
        RawPeer_Write(peer, ControlReply(0, {}));
        EXPECT_EQ(call.get(), mode == 0xA0 ? PtpResult_Ok : PtpResult_RelayNoResponse);
    }
}

// A host transport: the command goes to the host's callback, the link carries
// no prefix.
std::vector<uint8_t>* g_hostSent = nullptr;
PtpResult HostSend(const uint8_t* buf, uint32_t len) {
    g_hostSent->assign(buf, buf + len);
    return PtpResult_Ok;
}
PtpResult HostReceive(uint8_t** buf) {
    std::vector<uint8_t> c = Container(3, 0x2001, 0, {});
    *buf = static_cast<uint8_t*>(std::malloc(c.size()));
    std::memcpy(*buf, c.data(), c.size());
    return PtpResult_Ok;
}

TEST_F(SharedTransaction, HostTransportRunsUnshared) {
    std::vector<uint8_t> sent;
    g_hostSent = &sent;
    PtpTransaction_SetTransport(HostSend, HostReceive);
    const uint32_t handle = 3;
    EXPECT_EQ(PtpTransaction_ExecuteShared(0x1009, &handle, 1, 0xA1, 0xB0, record.data(),
                                           kRecordSize, nullptr, nullptr, nullptr),
              PtpResult_Ok);
    ASSERT_EQ(sent.size(), 16u);
    EXPECT_EQ(peek_u16(sent.data(), sent.size(), 6), 0x1009);
    g_hostSent = nullptr;

    // The next thing on the link is this control request, not a prefix.
    auto call = std::async(std::launch::async,
                           [] { return Comms_SendControlMessage(176, nullptr, 0, nullptr, nullptr); });
    std::vector<uint8_t> wire = RawPeer_ReadMessage(peer);
    ASSERT_GE(wire.size(), 10u);
    EXPECT_EQ(wire[4], 12);
    RawPeer_Write(peer, ControlReply(0x2001, {}));
    EXPECT_EQ(call.get(), PtpResult_Ok);
}

TEST_F(SharedTransaction, RefusedBeforeTheWire) {
    const uint32_t params[6] = {};
    EXPECT_EQ(PtpTransaction_ExecuteShared(0x1009, params, 6, 0xA1, 0xB0, record.data(),
                                           kRecordSize, nullptr, nullptr, nullptr),
              PtpResult_InvalidData);
    EXPECT_EQ(PtpTransaction_ExecuteShared(0x1009, params, 1, 0xA1, 0xB0, nullptr, kRecordSize,
                                           nullptr, nullptr, nullptr),
              PtpResult_InvalidArgument);
    // Not in the (empty) list of the camera's operations.
    PtpTransaction_SetSupportedOperations(nullptr, 0);
    EXPECT_EQ(PtpTransaction_ExecuteShared(0x100A, params, 1, 0xA1, 0xB0, record.data(),
                                           kRecordSize, nullptr, nullptr, nullptr),
              PtpResult_OperationNotSupported);
}

} // namespace
