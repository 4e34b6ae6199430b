// Nikon shots, ready wait, mirror lock-up, lens drives and focus stack on a scripted camera.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "generic/driver.h"
#include "generic/focus.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_focus.h"
#include "nikon/nikon_live_view.h"
#include "nikon/nikon_models.h"
#include "ptp_capture.h"
#include "ptp_exposure.h"
#include "ptp_focus.h"
#include "ptp_nikon.h"
#include "support/capture_script.h"

namespace {

using namespace scripted;

constexpr uint32_t kAf = 0xFFFFFFFE, kNoAf = 0xFFFFFFFF;
const std::vector<uint16_t> kOps = {0x9207, 0x90C1, 0x90C8, 0x9204, 0x9206, 0x920C, 0x100E, 0x1015};

struct Write {
    uint32_t code, value;
    bool operator==(const Write& o) const { return code == o.code && value == o.value; }
};
std::vector<Write> g_writes;

// The Nikon driver with a property writer that records and verifies at once.
PtpDriver g_driver = [] {
    PtpDriver d = kPtpNikonDriver;
    d.properties.writesUnchecked = true;
    d.properties.write = [](uint32_t code, uint32_t value) {
        g_writes.push_back({code, value});
        return PtpResult(PtpResult_Ok);
    };
    d.properties.waitForValue = [](uint32_t, uint32_t) { return PtpVerifyOutcome::Verified; };
    return d;
}();

// The camera answers reply to op and Ok to everything else.
void fail(uint16_t op, uint16_t reply) {
    camera().responder = [op, reply](const Command& c) {
        return c.op == op ? answer(reply) : ok();
    };
}

class NikonCapture : public ::testing::Test {
  protected:
    void SetUp() override { body("D850", kOps); }
    void TearDown() override {
        camera().responder = nullptr;
        PtpSession_SetDriverForTest(nullptr);
        PtpFocusStack_SetPauses(kFocusStackShotPauseMs, kFocusStackMovePauseMs);
    }
    // A fresh session with the body of model text name listing ops.
    void body(const char* name, const std::vector<uint16_t>& ops = kOps) {
        connect("Nikon", ops);
        PtpSession_SetDriverForTest(&g_driver);
        uint8_t model = 0;
        ASSERT_TRUE(PtpNikon_DetectModelText(name, &model));
        PtpSession_SetModel(model);
        PtpSession_SetLiveViewOn(false);
        PtpSession_SetMirrorUp(0);
        g_writes.clear();
    }
};

TEST_F(NikonCapture, ShotSequences) {
    const Call ready = {0x90C8, {}};
    // clang-format off
    struct Case {
        const char* what; const char* body; std::vector<uint16_t> ops; uint32_t manual;
        bool liveView; uint16_t failingOp, reply; PtpResult result; std::vector<Call> sent;
    } cases[] = {
        {"DSLR focuses in the shot", "D850", kOps, 0, false, 0, 0, PtpResult_Ok,
         {{0x9207, {kAf, 0}}, ready}},
        {"Z body, focus held", "Z 6", kOps, 1, true, 0, 0, PtpResult_Ok,
         {{0x9207, {kNoAf, 0}}, ready}},
        {"live view: autofocus first", "D750", kOps, 0, true, 0, 0, PtpResult_Ok,
         {{0x90C1, {}}, ready, {0x9207, {kNoAf, 0}}, ready}},
        {"D3X: one parameter", "D3X", kOps, 0, false, 0, 0, PtpResult_Ok,
         {{0x9207, {kNoAf}}, ready}},
        {"no 0x9207: standard capture", "D850", {0x100E, 0x90C8}, 0, false, 0, 0, PtpResult_Ok,
         {{0x100E, {0, 0}}, ready}},
        {"focus failed after the shot", "D850", kOps, 0, false, 0x90C8, 0xA002, 0xA002,
         {{0x9207, {kAf, 0}}, ready, {0x9206, {}}}},
        {"ready wait ends on 0xA00C", "D850", kOps, 0, false, 0x90C8, 0xA00C, PtpResult_Ok,
         {{0x9207, {kAf, 0}}, ready}},
        {"refused shot", "D850", kOps, 0, false, 0x9207, 0xA00C, 0xA00C, {{0x9207, {kAf, 0}}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        body(c.body, c.ops);
        PtpSession_SetManualFocus(c.manual);
        PtpSession_SetLiveViewOn(c.liveView);
        fail(c.failingOp, c.reply);
        EXPECT_EQ(PtpGenericInterface_InitiateImageCapture(), c.result);
        EXPECT_EQ(calls_except(0x1015), c.sent);
    }
}

// 0xA207 locks the mirror up; the next capture lowers it without focusing.
TEST_F(NikonCapture, MirrorLockup) {
    bool lockUp = true;
    camera().responder = [&](const Command& cmd) {
        return cmd.op == 0x9207 && lockUp ? answer(0xA207) : ok();
    };
    EXPECT_EQ(PtpNikon_InitiateCapture(), 0xA207);
    EXPECT_EQ(PtpNikon_MirrorLockupRecord()->currentValue, 1u);
    lockUp = false;
    clear_sent();
    EXPECT_EQ(PtpNikon_InitiateCapture(), PtpResult_Ok);
    EXPECT_EQ(calls_except(0x1015)[0], (Call{0x9207, {kNoAf, 0}}));
    EXPECT_EQ(PtpNikon_MirrorLockupRecord()->currentValue, 0u);

    // The ready check reports the lock-up: a second shot takes the picture.
    int lockups = 1;
    camera().responder = [&](const Command& cmd) {
        return cmd.op == 0x90C8 && lockups-- > 0 ? answer(0xA207) : ok();
    };
    set_property(kNikonPropColorSpace, 1);
    clear_sent();
    EXPECT_EQ(PtpGenericInterface_TakeAndWaitForShotToComplete(), PtpResult_Ok);
    EXPECT_EQ(calls_except(0x1015).size(), 4u);
    EXPECT_EQ(g_writes, (std::vector<Write>{{kNikonPropColorSpace, 1}}));
}

// N8: a camera never ready after a shot gives Device Busy once exposure plus margin passed.
TEST_F(NikonCapture, ReadyWaitAfterShotIsBounded) {
    set_property(kNikonPropShutterSpeed, 0x00010064); // 1/100 s
    fail(0x90C8, PtpResult_DeviceBusy);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PtpNikon_InitiateCapture(), PtpResult_DeviceBusy);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(kNikonShotReadyMarginMs));
    EXPECT_LT(took, std::chrono::seconds(10));
}

// N14: D5000/D90 return the drive's result and switch back to manual focus whatever it gave.
TEST_F(NikonCapture, DriveLensReportsTheDrive) {
    const std::vector<Write> switched = {{0xD161, 0}, {0xD161, 4}};
    // clang-format off
    struct Case {
        const char* body; uint16_t driveReply; PtpResult result; std::vector<Write> writes;
    } cases[] = {
        {"D90", 0xA00C, 0xA00C, switched},
        {"D90", PtpResult_Ok, PtpResult_Ok, switched},
        {"D5000", 0x2002, 0x2002, switched},
        {"D850", 0xA00C, 0xA00C, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        body(c.body);
        PtpSession_SetManualFocus(1);
        set_property(0xD161, 4);
        fail(0x9204, c.driveReply);
        EXPECT_EQ(PtpGenericInterface_DriveLens(-1), c.result);
        EXPECT_EQ(calls_except(0x1015)[0], (Call{0x9204, {2, 32768}}));
        EXPECT_EQ(g_writes, c.writes);
    }
}

// Focus-mode writes per focus property, and whether the mode can change and is automatic.
TEST_F(NikonCapture, FocusModes) {
    // clang-format off
    struct Case {
        const char* body; uint32_t focusCode, focusValue; bool changeable; uint32_t mode;
        PtpResult result; std::vector<Write> writes; bool autoAfter;
    } cases[] = {
        {"D850", 0xD161, 1, false, 1, PtpResult_Ok, {{0xD161, 4}}, false}, // camera control mode
        {"D850", 0xD161, 4, false, 0, PtpResult_Ok, {{0xD161, 1}}, true},  // the saved mode
        {"D850", 0x500A, 0x8010, false, 1, PtpResult_Ok, {{0xD049, 1}}, false},
        {"D3X", 0x500A, 0x8010, true, 1, PtpResult_Ok, {{0xD049, 1}}, false},
        {"D850", 0x500A, 0x8011, true, 0, PtpResult_Ok, {{0xD048, 1}}, true},
        {"D700", 0x500A, 0x8010, false, 0, PtpResult_OperationNotSupported, {}, true},
        {"D850", 0x500A, 1, false, 0, PtpResult_OperationNotSupported, {}, false},
        {"Z 6", 0xD061, 4, true, 0, PtpResult_Ok, {{0xD061, 0}}, true},
        {"Z 6", 0xD061, 0, true, 1, PtpResult_Ok, {}, false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.body) + " mode " + std::to_string(c.mode));
        body(c.body);
        PtpClearPropertyStore();
        set_property(c.focusCode, c.focusValue);
        EXPECT_EQ(PtpGenericInterface_SupportsFocusChange(), c.changeable);
        EXPECT_EQ(PtpNikon_SetFocusMode(c.mode), c.result);
        EXPECT_EQ(g_writes, c.writes);
        for (const Write& w : g_writes)
            set_property(w.code, w.value);
        EXPECT_EQ(PtpNikonInterface_IsAutoFocus(false), c.autoAfter);
    }
}

// Bulb: focus unless held, shoot without focus, one ready check (0xA200: running; 0xA008: busy).
TEST_F(NikonCapture, Bulb) {
    // clang-format off
    struct Case {
        uint32_t manual; uint16_t failingOp, reply; PtpResult result; std::vector<Call> sent;
    } cases[] = {
        {0, 0, 0, PtpResult_Ok,
         {{0x90C1, {}}, {0x90C8, {}}, {0x9207, {kNoAf, 0}}, {0x90C8, {}}, {0x90C8, {}}}},
        {1, 0x90C8, 0xA200, PtpResult_Ok, {{0x9207, {kNoAf, 0}}, {0x90C8, {}}, {0x90C8, {}}}},
        {1, 0x9207, 0xA008, PtpResult_DeviceBusy, {{0x9207, {kNoAf, 0}}}},
        {0, 0x90C1, 0xA002, 0xA002, {{0x90C1, {}}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        body("D850");
        PtpSession_SetManualFocus(c.manual);
        fail(c.failingOp, c.reply);
        EXPECT_EQ(PtpGenericInterface_StartBulb(), c.result);
        EXPECT_EQ(calls_except(0x1015), c.sent);
        EXPECT_EQ(PtpSession_ManualFocus(), c.result == 0xA002 ? 1u : c.manual);
    }
    clear_sent();
    EXPECT_EQ(PtpGenericInterface_StopBulb(), PtpResult_Ok);
    EXPECT_EQ(calls_except(0x1015), (std::vector<Call>{{0x920C, {0, 0}}}));
}

std::vector<uint32_t> g_shots;

// A stack reports each shot, drives between shots and frees live view; a failed drive ends it.
TEST_F(NikonCapture, FocusStack) {
    PtpFocusStack_SetPauses(1, 1);
    g_shots.clear();
    auto shot = [](uint32_t n) { g_shots.push_back(n); };
    EXPECT_EQ(PtpGenericInterface_DoFocusStackWithCallback(3, 1, 0, shot), PtpResult_Ok);
    EXPECT_EQ(g_shots, (std::vector<uint32_t>{1, 2, 3}));
    std::vector<Call> drives;
    for (const Call& c : calls_except(0x1015))
        if (c.op == 0x9204) drives.push_back(c);
    EXPECT_EQ(drives, (std::vector<Call>(2, {0x9204, {2, 32}})));
    uint8_t* frame = nullptr;
    uint32_t length = 0;
    EXPECT_NE(PtpNikon_GetLiveViewImage(&frame, &length), PtpResult_DeviceBusy);
    EXPECT_EQ(PtpSession_ManualFocus(), 1u);

    fail(0x9204, 0xA00C);
    g_shots.clear();
    EXPECT_EQ(PtpGenericInterface_DoFocusStackWithCallback(3, -1, 0, shot), 0xA00C);
    EXPECT_EQ(g_shots, (std::vector<uint32_t>{1}));
}

} // namespace
