// The panorama sequencer on a scripted camera, with a raw peer as the tripod
// head: the shots of each position, busy cameras, cancels, refusing heads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "comms/relay_link.h"
#include "generic/driver.h"
#include "ptp_serial.h"
#include "serial/panorama.h"
#include "support/capture_script.h"
#include "support/raw_peer.h"

namespace {

using namespace scripted;
using std::chrono::milliseconds;

constexpr uint16_t kShot = 0x100E, kWrite = 0x1016, kBulbStart = 0x9001, kBulbStop = 0x9002;
constexpr uint32_t kCode = 0x5007, kBulb = PTP_PANORAMA_BULB;

int g_direction = 1;
bool g_bulb = true;
std::vector<uint32_t> g_progress;

PtpResult run(uint16_t op, std::vector<uint32_t> p = {}) { // no busy retry of the engine's
    return PtpTransaction_Execute(op, p.data(), uint32_t(p.size()), 0, 0, 0, 0, 0, 1);
}

PtpDriver g_driver = [] {
    PtpDriver d{};
    d.properties.write = [](uint32_t code, uint32_t value) { return run(kWrite, {code, value}); };
    d.capture.takeAndWait = [] { return run(kShot); };
    d.capture.startBulb = [] { return run(kBulbStart); };
    d.capture.stopBulb = [] { return run(kBulbStop); };
    d.capture.isBulbAvailable = [] { return g_bulb; };
    d.exposure.hostBracketDirection = [](uint32_t) { return g_direction; };
    return d;
}();

// The camera answers reply to op: `times` times, or always when 0.
void script(uint16_t op, uint16_t reply, int times = 0) {
    auto left = std::make_shared<int>(times);
    camera().responder = [=](const Command& c) {
        return c.op != op || (times && (*left)-- <= 0) ? ok() : answer(reply);
    };
}

std::vector<uint16_t> ops() {
    std::vector<uint16_t> out;
    for (const Call& c : calls())
        out.push_back(c.op);
    return out;
}

class Panorama : public ::testing::Test {
  protected:
    void SetUp() override {
        connect("Nikon", {kShot, kWrite, kBulbStart, kBulbStop});
        PtpSession_SetDriverForTest(&g_driver);
        PtpPropertyRecord* r = set_property(kCode, 110); // allowed values 100..119
        PtpLockProperty(r);
        std::free(r->values);
        r->values = static_cast<PtpValueLabel*>(std::calloc(20, sizeof(PtpValueLabel)));
        for (uint32_t i = 0; i < 20; ++i)
            r->values[i].value = 100 + i;
        r->valueCount = 20;
        PtpUnlockProperty(r);
        PtpPanorama_SetPauses({.writeRetryMs = 1});
        g_direction = 1;
        g_bulb = true;
    }
    void TearDown() override {
        camera().responder = nullptr;
        PtpSession_SetDriverForTest(nullptr);
        PtpPanorama_SetPauses({});
    }
};

TEST_F(Panorama, PropertyBracketValues) {
    // clang-format off
    struct Case {
        int direction; uint32_t centre, step; uint16_t n; uint8_t order; PtpResult rc;
        std::vector<uint32_t> values;
    } cases[] = {
        {1, 110, 1, 3, 0, PtpResult_Ok, {109, 110, 111}},
        {-1, 110, 1, 3, 0, PtpResult_Ok, {111, 110, 109}},
        {1, 110, 1, 3, 1, PtpResult_Ok, {110, 109, 108}},
        {-1, 110, 1, 3, 2, PtpResult_Ok, {110, 109, 108}},
        {1, 110, 2, 4, 0, PtpResult_Ok, {106, 108, 110, 112}},
        {1, 117, 1, 3, 2, PtpResult_Ok, {117, 118, 119}},
        {1, 118, 1, 3, 2, PtpResult_InvalidArgument, {}}, // past the list's end
        {1, 101, 1, 5, 0, PtpResult_InvalidArgument, {}}, // before its start
        {1, 5, 1, 3, 0, PtpResult_InvalidArgument, {}},   // centre not listed
        {1, 110, 0, 61, 0, PtpResult_InvalidArgument, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.centre * 100 + c.n * 10 + c.order);
        clear_sent();
        g_direction = c.direction;
        EXPECT_EQ(Serial_DoPanorama(1, 0, 0, 0, 1, kCode, c.centre, c.step, c.n, c.order, 0), c.rc);
        std::vector<Call> expected;
        for (uint32_t v : c.values)
            expected.insert(expected.end(), {{kWrite, {kCode, v}}, {kShot, {}}});
        EXPECT_EQ(calls(), expected);
    }
}

// Busy answers are retried; a write still busy after 50 attempts ends the
// panorama with that answer, without a shot at the old value.
TEST_F(Panorama, BusyCameraAndFailures) {
    const std::vector<uint16_t> fiftyWrites(50, kWrite);
    // clang-format off
    struct Case {
        uint16_t op, reply; int times; uint32_t code; PtpResult rc; std::vector<uint16_t> ops;
    } cases[] = {
        {kWrite, 0x2019, 0, kCode, 0x2019, fiftyWrites},
        {kWrite, 0xA002, 0, kCode, 0xA002, fiftyWrites},
        {kWrite, 0x2019, 2, kCode, PtpResult_Ok, {kWrite, kWrite, kWrite, kShot}},
        {kWrite, 0x2005, 0, kCode, 0x2005, {kWrite}},
        {kShot, 0x2019, 1, 0, PtpResult_Ok, {kShot, kShot}},
        {kShot, 0x2002, 0, kCode, 0x2002, {kWrite, kShot}},
        {kBulbStart, 0xA102, 1, kBulb, PtpResult_Ok, {kBulbStart, kBulbStart, kBulbStop}},
        {kBulbStop, 0x2002, 0, kBulb, 0x2002, {kBulbStart, kBulbStop}},
        {0, 0, 0, kBulb, PtpResult_OperationNotSupported, {}}, // a camera without bulb
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        clear_sent();
        script(c.op, c.reply, c.times);
        g_bulb = c.op != 0;
        EXPECT_EQ(Serial_DoPanorama(1, 0, 0, 0, c.code != 0, c.code, c.code == kCode ? 110 : 30, 3,
                                    1, 0, 0),
                  c.rc);
        EXPECT_EQ(ops(), c.ops);
    }
    // A bulb series exposes its computed lengths: a stop apart around 200 ms.
    clear_sent();
    camera().responder = nullptr;
    g_bulb = true;
    EXPECT_EQ(Serial_DoPanorama(1, 0, 0, 0, 1, kBulb, 200, 3, 3, 0, 0), PtpResult_Ok);
    std::vector<Command> sent = scripted::sent();
    ASSERT_EQ(sent.size(), 6u);
    for (int k = 0, ms = 100; k < 3; ++k, ms *= 2) {
        EXPECT_GE(sent[2 * k + 1].at - sent[2 * k].at, milliseconds(ms));
        EXPECT_LT(sent[2 * k + 1].at - sent[2 * k].at, milliseconds(ms + 150));
    }
}

// A camera that stays busy cannot keep a panorama running past a cancel.
TEST_F(Panorama, CancelEndsBusyRetries) {
    for (auto [op, code] : {std::pair{kShot, 0u}, {kShot, kCode}, {kBulbStart, kBulb}}) {
        script(op, 0x2019);
        std::thread canceller([] {
            std::this_thread::sleep_for(milliseconds(1000));
            Serial_CancelPanorama();
        });
        auto start = Clock::now();
        EXPECT_EQ(Serial_DoPanorama(1, 0, 0, 0, code != 0, code, 110, 1, 1, 0, 0),
                  PtpResult_Aborted);
        EXPECT_LT(Clock::now() - start, milliseconds(1400));
        canceller.join();
    }
}

// Three positions with a head on a raw peer: what it answers decides how far
// the panorama gets; a cancel at the first report never moves it.
TEST_F(Panorama, HeadMoves) {
    RawPeer peer;
    ASSERT_TRUE(RawPeer_Connect(peer));
    Comms_SetReceiveTimeout(1);
    // clang-format off
    struct Case {
        int headAnswer; bool cancel; PtpResult rc; std::vector<uint32_t> progress; size_t moves;
    } cases[] = {
        {1, false, PtpResult_Ok, {1, 2, 3}, 2},
        {1, true, PtpResult_Aborted, {1}, 0},
        {0, false, PtpResult_BadReply, {1}, 1},
        {-1, false, PtpResult_ConnectionLost, {1}, 1}, // silent head; last: loses the link
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.headAnswer);
        clear_sent();
        g_progress.clear();
        static bool cancel;
        cancel = c.cancel;
        std::thread head([&] {
            for (size_t n = 0; n < c.moves; ++n) {
                // Command 4, 100 ms, direction 3.
                EXPECT_EQ(RawPeer_ReadMessage(peer),
                          (std::vector<uint8_t>{15, 0, 0, 0, 9, 10, 0, 0, 0, 4, 100, 0, 0, 0, 3}));
                if (c.headAnswer >= 0)
                    RawPeer_Write(peer, RelayMessage(9, {uint8_t(c.headAnswer), 0, 0, 0}));
            }
        });
        EXPECT_EQ(Serial_DoPanorama(3, 3, 100, 0, 0, 0, 0, 0, 0, 0,
                                    [](uint32_t done) {
                                        g_progress.push_back(done);
                                        if (cancel) Serial_CancelPanorama();
                                    }),
                  c.rc);
        head.join();
        EXPECT_EQ(g_progress, c.progress);
        std::vector<Command> sent = scripted::sent();
        EXPECT_EQ(sent.size(), c.progress.size());
        for (size_t i = 1; i < sent.size(); ++i) // a 100 ms move, then 600 ms to the next shot
            EXPECT_GE(sent[i].at - sent[i - 1].at, milliseconds(600));
    }
    Comms_SetReceiveTimeout(kReceiveTimeoutSeconds);
    CloseServerConnection();
    RawPeer_Close(peer);
}

} // namespace
