// A shared transaction on the wire: the share prefix announces exactly the relay
// message of its command in front of it; a host transport runs it unshared.
#include "ptp/shared_transaction.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <vector>

#include "comms/bytes.h"
#include "comms/ptp_transport.h"
#include "comms/relay_link.h"
#include "ptp/transaction.h"
#include "support/raw_peer.h"
#include "support/test_data.h"

namespace {

constexpr uint32_t kRecordSize = 612;

std::vector<uint8_t> Container(uint16_t type, uint16_t code, uint32_t id,
                               const std::vector<uint8_t>& payload) {
    ByteWriter w;
    write_u32(w, uint32_t(12 + payload.size()));
    write_u16(w, type);
    write_u16(w, code);
    write_u32(w, id);
    write_bytes(w, payload.data(), payload.size());
    return w.buf;
}

class SharedTransaction : public ::testing::Test {
protected:
    RawPeer peer;
    std::vector<uint8_t> record = std::vector<uint8_t>(kRecordSize);
    void SetUp() override {
        PtpTransaction_SetTransport(Comms_SendPtpPacket, Comms_ReceivePtpPacket);
        PtpTransaction_SetLinkLock(Comms_LockRelayLink);
        ASSERT_TRUE(RawPeer_Connect(peer));
        for (size_t i = 0; i < record.size(); ++i)
            record[i] = uint8_t(i * 7);
    }
    void TearDown() override {
        PtpTransaction_SetTransport(Comms_SendPtpPacket, Comms_ReceivePtpPacket);
        CloseServerConnection();
        RawPeer_Close(peer);
    }
    // Runs op shared with kind 0xB0 and the fixture's record (or none).
    PtpResult Shared(uint16_t op, const std::vector<uint32_t>& params, uint8_t mode,
                     uint8_t** data = nullptr, uint32_t* length = nullptr, bool noRecord = false) {
        return PtpTransaction_ExecuteShared(op, params.data(), uint32_t(params.size()), mode, 0xB0,
                                            noRecord ? nullptr : record.data(), kRecordSize, data,
                                            length, nullptr);
    }
};

TEST_F(SharedTransaction, PrefixAnnouncesExactlyTheCommandInFrontOfIt) {
    struct Case {
        uint8_t mode;
        uint16_t op;
        std::vector<uint32_t> params;
    } cases[] = {
        {0xA1, 0x1009, {42}},        // GetObject
        {0xA0, 0x910A, {9, 102400}}, // Canon thumbnail, two parameters, to the others only
    };
    const uint16_t listed[] = {0x910A};
    PtpTransaction_SetSupportedOperations(listed, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        uint32_t id = PtpTransaction_NextTransactionId();
        auto call = std::async(std::launch::async, [&] {
            uint8_t* data = nullptr;
            uint32_t length = 0;
            PtpResult rc = Shared(c.op, c.params, c.mode, &data, &length);
            std::vector<uint8_t> got(data, data + length);
            std::free(data);
            return std::make_pair(rc, got);
        });
        // The prefix (type 15, length 622, mode, kind, the record) counts the message it
        // announces, so reading one message by it takes the prefix and exactly that command.
        ByteWriter params, want;
        for (uint32_t p : c.params) write_u32(params, p);
        std::vector<uint8_t> command = RelayMessage(10, Container(1, c.op, id, params.buf));
        write_u32(want, uint32_t(15 + kRecordSize + command.size()));
        write_u8(want, 15);
        write_u32(want, 622);
        write_u8(want, c.mode);
        write_u8(want, 0xB0);
        write_u32(want, kRecordSize);
        write_bytes(want, record.data(), kRecordSize);
        write_bytes(want, command.data(), command.size());
        EXPECT_EQ(RawPeer_ReadMessage(peer), want.buf);
        RawPeer_Write(peer, RelayMessage(10, Container(2, c.op, id, {1, 2, 3})));
        RawPeer_Write(peer, RelayMessage(10, Container(3, 0x2001, id, {})));
        auto result = call.get();
        EXPECT_EQ(result.first, PtpResult_Ok);
        EXPECT_EQ(result.second, (std::vector<uint8_t>{1, 2, 3}));
    }
}

// Answers that hand over no data: a refusal, and a bare control reply of
// result 0, which is success only under 0xA0 (the data went to the others).
TEST_F(SharedTransaction, AnswersWithoutData) {
    struct Case {
        uint8_t mode;
        bool refusal;
        PtpResult rc;
    } cases[] = {{0xA1, true, 0x2009}, {0xA0, false, PtpResult_Ok},
                 {0xA1, false, PtpResult_RelayNoResponse}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rc);
        uint32_t id = PtpTransaction_NextTransactionId();
        auto call = std::async(std::launch::async, [&] {
            uint8_t* data = reinterpret_cast<uint8_t*>(this); // must be cleared
            uint32_t length = 99;
            PtpResult rc = Shared(0x1009, {5}, c.mode, &data, &length);
            EXPECT_EQ(data, nullptr);
            return rc;
        });
        EXPECT_FALSE(RawPeer_ReadMessage(peer).empty());
        RawPeer_Write(peer, c.refusal ? RelayMessage(10, Container(3, 0x2009, id, {}))
                                      : ControlReply(0, {}));
        EXPECT_EQ(call.get(), c.rc);
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
    *buf = testdata::heap_copy(Container(3, 0x2001, 0, {})).release();
    return PtpResult_Ok;
}

TEST_F(SharedTransaction, HostTransportRunsUnshared) {
    std::vector<uint8_t> sent;
    g_hostSent = &sent;
    PtpTransaction_SetTransport(HostSend, HostReceive);
    EXPECT_EQ(Shared(0x1009, {3}, 0xA1), PtpResult_Ok);
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
    EXPECT_EQ(Shared(0x1009, std::vector<uint32_t>(6), 0xA1), PtpResult_InvalidData);
    EXPECT_EQ(Shared(0x1009, {1}, 0xA1, nullptr, nullptr, true), PtpResult_InvalidArgument);
    // Not in the (empty) list of the camera's operations.
    PtpTransaction_SetSupportedOperations(nullptr, 0);
    EXPECT_EQ(Shared(0x100A, {1}, 0xA1), PtpResult_OperationNotSupported);
}

} // namespace
