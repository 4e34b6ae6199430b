// Accessory commands on the wire: the frames sent in type-9 messages, what the
// accessory's answers give, and the refusals that must send nothing.
#include <gtest/gtest.h>

#include <functional>

#include "comms/relay_link.h"
#include "ptp_comms.h"
#include "ptp_serial.h"
#include "serial/serial_link.h"
#include "support/raw_peer.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes answer(uint8_t value) { return RelayMessage(9, {value, 0, 0, 0}); }
// A command frame as it goes out: header, length, command, u32 argument, extra.
Bytes frame(uint8_t command, Bytes argument = {0, 0, 0, 0}, Bytes extra = {}) {
    Bytes f = {uint8_t(14 + extra.size()), 0, 0, 0, 9, uint8_t(9 + extra.size()), 0, 0, 0, command};
    f.insert(f.end(), argument.begin(), argument.end());
    f.insert(f.end(), extra.begin(), extra.end());
    return f;
}

class Serial : public ::testing::Test {
  protected:
    RawPeer peer;
    void SetUp() override {
        ASSERT_TRUE(RawPeer_Connect(peer));
    }
    void TearDown() override {
        CloseServerConnection();
        RawPeer_Close(peer);
    }
};

TEST_F(Serial, FramesAndAnswers) {
    uint32_t battery = 0xDEAD;
    struct Case {
        std::function<PtpResult()> call;
        Bytes reply;
        PtpResult rc;
        Bytes frame;
    } cases[] = {
        {[] { return Serial_SendMoveTripod(1); }, answer(1), PtpResult_Ok,
         frame(4, {0xFF, 0xFF, 0xFF, 0x0F}, {1})},
        {[] { return Serial_SendTripodSpeed(5000); }, answer(1), PtpResult_Ok,
         frame(11, {0, 0, 0, 0}, {0xFF, 0x03})},
        {[] { return Serial_SendShutterCapture(0x01020304); }, answer(2), PtpResult_Ok,
         frame(3, {4, 3, 2, 1})},
        {Serial_SendStopTripod, answer(0), PtpResult_BadReply, frame(10)},
        {Serial_SendStopTripod, ControlReply(0x2001, {1, 0, 0, 0}), PtpResult_BadReply, frame(10)},
        // Too short for its value: dropped whole, never read past.
        {Serial_SendStopTripod, {6, 0, 0, 0, 9, 1}, PtpResult_BadReply, frame(10)},
        {[&] { return Serial_GetTripodBattery(&battery); }, answer(0), PtpResult_Ok, frame(5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame[9]);
        ASSERT_TRUE(RawPeer_Write(peer, c.reply));
        EXPECT_EQ(c.call(), c.rc);
        EXPECT_EQ(RawPeer_ReadMessage(peer), c.frame);
    }
    EXPECT_EQ(battery, 0u); // 0 is a battery value like any other
}

// Refusals send nothing, so the next exchange still reads its own reply.
TEST_F(Serial, RefusalsSendNothing) {
    static std::vector<int> lockCalls;
    PtpSerial_SetLinkLock([](uint8_t acquire) -> int32_t {
        lockCalls.push_back(acquire);
        return acquire ? 0 : 1; // refused, as the relay link reports it
    });
    EXPECT_EQ(Serial_SendStopTripod(), PtpResult_Busy);
    EXPECT_EQ(lockCalls, std::vector<int>{1}); // a refused lock is not released
    PtpSerial_SetLinkLock(nullptr);
    EXPECT_EQ(Serial_GetTripodBattery(nullptr), PtpResult_InvalidArgument);
    EXPECT_EQ(Serial_SendShutterStop(), PtpResult_Failed);
    EXPECT_EQ(Comms_SendSerialMessage(nullptr, 0), PtpResult_InvalidArgument);

    ASSERT_TRUE(RawPeer_Write(peer, ControlReply(0x2001, {})));
    EXPECT_EQ(Comms_ServerPing(), PtpResult_Ok);
    EXPECT_EQ(RawPeer_ReadMessage(peer).at(4), 12); // the ping is the first message out

    // A lost link fails the send and leaves the link lock free.
    Comms_SetLinkLost();
    EXPECT_EQ(Serial_SendStopTripod(), PtpResult_ConnectionLost);
    ASSERT_TRUE(Comms_RelayLinkLock().try_lock());
    Comms_RelayLinkLock().unlock();
}

} // namespace
