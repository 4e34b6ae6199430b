// Canon EOS capture against a scripted camera: press and release sequences,
// the event-loop pause, refusals, double shots, bulb and the wait after a shot.
#include "eos/eos_capture.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "eos/eos_session.h"
#include "generic/capture.h"
#include "generic/session.h"
#include "ptp_capture.h"
#include "ptp_exposure.h"
#include "support/capture_script.h"

namespace {

using namespace scripted;

const std::vector<uint16_t> kRemoteReleaseOps = {0x9101, 0x9109, 0x9110, 0x9128,
                                                 0x9129, 0x9154, 0x9160};
const std::vector<uint16_t> kOldReleaseOps = {0x9101, 0x9109, 0x9110, 0x910F};

class EosCapture : public ::testing::Test {
  protected:
    void SetUp() override { canon(kRemoteReleaseOps); }
    void TearDown() override {
        camera().responder = nullptr;
        resume_all();
    }
    // A Canon camera listing ops, with a drive mode and a writable colour space
    // in the store and nothing held over from an earlier press.
    void canon(const std::vector<uint16_t>& ops) {
        resume_all();
        connect("Canon Inc.", ops);
        PtpEos_ReleaseShutter(); // forgets the kind of an earlier press
        PtpGenericInterface_ResumeEventCheckLoop();
        set_property(kEosPropDriveMode, 0);
        set_property(kEosPropColorSpace, 1);
        clear_sent();
    }
};

Call press(uint32_t step, uint32_t focus) { return {0x9128, {step, focus}}; }
Call release(uint32_t step) { return {0x9129, {step}}; }

struct Write {
    uint32_t code, value;
    bool operator==(const Write& o) const { return code == o.code && value == o.value; }
};

std::vector<Write> writes() {
    std::vector<Write> out;
    for (const Command& c : sent()) {
        Write w{};
        if (canon_write(c, &w.code, &w.value)) out.push_back(w);
    }
    return out;
}

// A held press keeps the shutter and the pause until the release; a failed or
// refused (parameter 1) press keeps neither, and its failure is the result.
TEST_F(EosCapture, PressResults) {
    const std::vector<Call> pressed = {press(1, 0), press(2, 0)};
    const std::vector<Call> firstRelease = {press(1, 0), press(2, 0), release(2)};
    const std::vector<Call> all = {press(1, 0), press(2, 0), release(2), release(1)};
    const std::vector<Call> halfOnly = {press(1, 0), release(2), release(1)};
    const Reply refused = answer(PtpResult_Ok, {1});
    struct Case {
        const char* what;
        bool releaseAfter;
        uint16_t failingOp;
        uint32_t failingStep;
        Reply reply;
        PtpResult result;
        std::vector<Call> sent;
        bool zoomReset, held;
    } cases[] = {
        {"held press", false, 0, 0, ok(), PtpResult_Ok, pressed, true, true},
        {"all succeed", true, 0, 0, ok(), PtpResult_Ok, all, true, false},
        {"half press fails", true, 0x9128, 1, answer(0x2002), 0x2002, halfOnly, false, false},
        {"full press fails", true, 0x9128, 2, answer(0x2002), 0x2002, all, false, false},
        {"release fails", true, 0x9129, 2, answer(0x2002), 0x2002, firstRelease, true, false},
        {"last release step fails", true, 0x9129, 1, answer(0x2005), 0x2005, all, true, false},
        {"held press fails", false, 0x9128, 2, answer(0x2002), 0x2002, pressed, false, false},
        {"refused", true, 0x9128, 1, refused, 0xA002, halfOnly, false, false},
        {"refused, held", false, 0x9128, 1, refused, 0xA002, halfOnly, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clear_sent();
        PtpSession_SetLiveViewZoom(4); // a press that reaches the camera resets it
        camera().responder = [&c](const Command& cmd) {
            return cmd.op == c.failingOp && cmd.params[0] == c.failingStep ? c.reply : ok();
        };
        EXPECT_EQ(PtpEosInterface_InitiateImageCapture(c.releaseAfter), c.result);
        EXPECT_EQ(calls(), c.sent);
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), c.held ? 1 : 0);
        EXPECT_EQ(PtpCapture_IsShutterPressed(), c.held);
        EXPECT_EQ(PtpSession_LiveViewZoom(), c.zoomReset ? 0 : 4);
        if (!c.held) continue;
        PtpResult released = 0; // from another thread
        std::thread([&] { released = PtpGenericInterface_InitiateShutterRelease(); }).join();
        EXPECT_EQ(released, PtpResult_Ok);
        EXPECT_EQ(calls(), all);
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
        EXPECT_FALSE(PtpCapture_IsShutterPressed());
    }
}

// A release resumes the event loop only when a press paused it: a pause the
// host holds for its own work stays.
TEST_F(EosCapture, ReleaseNeverEndsAPauseThePressDidNotTake) {
    struct Case {
        const char* what;
        std::vector<uint16_t> ops;
        void (*run)();
    } cases[] = {
        {"release without a press", kRemoteReleaseOps, [] { PtpEos_ReleaseShutter(); }},
        {"held press, then release", kRemoteReleaseOps,
         [] {
             PtpEosInterface_InitiateImageCapture(false);
             PtpEos_ReleaseShutter();
         }},
        {"single-release press, then release", kOldReleaseOps,
         [] {
             PtpEosInterface_InitiateImageCapture(false);
             PtpEos_ReleaseShutter();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        canon(c.ops);
        ASSERT_TRUE(PtpGenericInterface_PauseEventCheckLoop());
        c.run();
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1);
        EXPECT_TRUE(PtpGenericInterface_ResumeEventCheckLoop());
    }

    // A press that paused the loop is released once; a later release finds the
    // host's new pause and keeps it.
    canon(kRemoteReleaseOps);
    ASSERT_EQ(PtpEosInterface_InitiateImageCapture(false), PtpResult_Ok);
    ASSERT_EQ(PtpEos_ReleaseShutter(), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    ASSERT_TRUE(PtpGenericInterface_PauseEventCheckLoop());
    PtpEos_ReleaseShutter();
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1);
}

// The 90D raises its mirror with a press of its own (step 3) when lock-up is on.
TEST_F(EosCapture, MirrorUpPressOnThe90D) {
    struct Case {
        uint8_t model;
        uint32_t mirrorUp;
        std::vector<Call> sent;
    } cases[] = {
        {227, 1, {press(3, 1)}},
        {227, 0, {press(1, 1), press(2, 1)}},
        {228, 1, {press(1, 1), press(2, 1)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.model) * 10 + int(c.mirrorUp));
        canon(kRemoteReleaseOps);
        PtpSession_SetModel(c.model);
        PtpSession_SetManualFocus(1);
        set_property(kEosPropMirrorUp, c.mirrorUp);
        EXPECT_EQ(PtpEosInterface_InitiateImageCapture(false), PtpResult_Ok);
        EXPECT_EQ(calls(), c.sent);
    }
}

TEST_F(EosCapture, CameraWithoutRemoteReleaseIsTriggeredOnce) {
    canon(kOldReleaseOps);
    PtpSession_SetLiveViewZoom(3);
    EXPECT_EQ(PtpEosInterface_InitiateImageCapture(true), PtpResult_Ok);
    std::vector<Call> once = {{0x910F, {}}};
    EXPECT_EQ(calls(), once);
    EXPECT_EQ(PtpSession_LiveViewZoom(), 0);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    EXPECT_EQ(PtpGenericInterface_InitiateShutterRelease(), PtpResult_Ok);
    EXPECT_EQ(calls(), once);

    clear_sent();
    PtpSession_SetLiveViewZoom(3);
    camera().responder = [](const Command&) { return answer(PtpResult_Ok, {1}); };
    EXPECT_EQ(PtpEosInterface_InitiateImageCapture(false), 0xA002);
    EXPECT_EQ(calls(), once);
    EXPECT_EQ(PtpSession_LiveViewZoom(), 3);
}

TEST_F(EosCapture, NoDriveModeMeansNoTraffic) {
    PtpClearPropertyStore();
    EXPECT_EQ(PtpEosInterface_InitiateImageCapture(true), PtpResult_InvalidArgument);
    EXPECT_TRUE(sent().empty());
    // The capture lock was given back.
    set_property(kEosPropDriveMode, 0);
    EXPECT_EQ(PtpEosInterface_InitiateImageCapture(true), PtpResult_Ok);
}

// Only the press itself is serialised: one thread's releases may fall between another's steps.
TEST_F(EosCapture, ConcurrentPressesEachSendTheirSequence) {
    std::vector<std::thread> hosts;
    for (int i = 0; i < 4; ++i)
        hosts.emplace_back([] {
            for (int n = 0; n < 5; ++n)
                EXPECT_EQ(PtpEosInterface_InitiateImageCapture(true), PtpResult_Ok);
        });
    for (std::thread& t : hosts)
        t.join();
    const Call steps[] = {press(1, 0), press(2, 0), release(2), release(1)};
    for (const Call& step : steps) {
        size_t n = 0;
        for (const Call& c : calls())
            n += c == step;
        EXPECT_EQ(n, 20u);
    }
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    EXPECT_FALSE(PtpCapture_IsShutterPressed());
}

TEST_F(EosCapture, TakeAndWaitFailures) {
    struct Case {
        const char* what;
        bool mirrorUp;
        bool writable;
        int failingPress; // the n-th 0x9128 (1-based) answers 0x2002; 0 none
        PtpResult expected;
    } cases[] = {
        {"first shot fails", false, true, 1, 0x2002},
        {"second shot fails", true, true, 3, PtpResult_CaptureFailed},
        {"nothing to write", false, false, 0, PtpResult_CaptureFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        canon(kRemoteReleaseOps);
        set_property(kEosPropMirrorUp, c.mirrorUp ? 1 : 0);
        set_property(kEosPropColorSpace, 1, c.writable ? 1 : 0);
        int presses = 0;
        camera().responder = [&](const Command& cmd) {
            if (cmd.op == 0x9128 && ++presses == c.failingPress) return answer(0x2002);
            return ok();
        };
        EXPECT_EQ(PtpGenericInterface_TakeAndWaitForShotToComplete(), c.expected);
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    }
}

TEST_F(EosCapture, FocusFlagOfPresses) {
    PtpSession_SetManualFocus(1);
    EXPECT_EQ(PtpGenericInterface_StartHalfPress(), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_ReleaseHalfPress(), PtpResult_Ok);
    EXPECT_EQ(calls(), std::vector<Call>({press(1, 1), release(1)}));
    // A test shot holds focus whatever the flag, and leaves the flag as it was.
    for (uint32_t flag : {0u, 1u, 7u}) {
        SCOPED_TRACE(flag);
        canon(kRemoteReleaseOps);
        PtpSession_SetManualFocus(flag);
        EXPECT_EQ(PtpGenericInterface_TakeTestShot(), PtpResult_Ok);
        std::vector<Call> want = {press(1, 1), press(2, 1), release(2), release(1)};
        EXPECT_EQ(calls(), want);
        EXPECT_EQ(PtpSession_ManualFocus(), flag);
    }
}

TEST_F(EosCapture, DoubleShot) {
    struct Case {
        int drive; // -1: no drive-mode property
        bool remoteRelease;
        uint32_t focusFlag;
        bool expected;
    } cases[] = {
        // Drive modes: continuous 1, 4 and silent 0x16; single 0 and self-timer 7.
        {1, true, 1, true},  {4, true, 1, true},   {22, true, 1, true}, {0, true, 1, false},
        {7, true, 1, false}, {1, false, 1, false}, {1, true, 0, false}, {-1, true, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drive * 100 + c.remoteRelease * 10 + int(c.focusFlag));
        canon(c.remoteRelease ? kRemoteReleaseOps : kOldReleaseOps);
        if (c.drive >= 0)
            set_property(kEosPropDriveMode, uint32_t(c.drive));
        else
            PtpClearPropertyStore();
        PtpSession_SetManualFocus(c.focusFlag);
        EXPECT_EQ(PtpGenericInterface_CouldDoubleShoot(), c.expected);
    }
    EXPECT_TRUE(sent().empty());

    // The cure: single shot, verified; the camera reports it as soon as it
    // takes the write.
    PtpPropertyRecord* drive = set_property(kEosPropDriveMode, 1);
    camera().responder = [drive](const Command& c) {
        uint32_t code = 0, value = 0;
        if (canon_write(c, &code, &value) && code == kEosPropDriveMode) {
            PtpRecordHold hold(drive);
            drive->currentValue = value;
        }
        return ok();
    };
    EXPECT_EQ(PtpGenericInterface_MitigateDoubleShoot(), PtpResult_Ok);
    ASSERT_FALSE(writes().empty());
    EXPECT_EQ(writes()[0], (Write{0xD106, 0}));
}

// Bodies without remote release use the bulb operations; a failed close skips the wait.
TEST_F(EosCapture, Bulb) {
    const std::vector<uint16_t> bulbOps = {0x9110, 0x9125, 0x9126};
    struct Case {
        const char* what;
        std::vector<uint16_t> ops;
        std::vector<Call> open, close;
        int pausedWhileOpen;
    } cases[] = {
        {"bulb operations", bulbOps, {{0x9125, {}}}, {{0x9126, {}}}, 0},
        {"held full press",
         kRemoteReleaseOps,
         {press(1, 1), press(2, 1)},
         {release(2), release(1)},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        canon(c.ops);
        set_property(PtpEos_ExposureModePropertyCode(), 4);
        PtpSession_SetManualFocus(1);
        ASSERT_TRUE(PtpGenericInterface_CanStartBulb());
        EXPECT_EQ(PtpGenericInterface_StartBulb(), PtpResult_Ok);
        EXPECT_EQ(calls(), c.open);
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), c.pausedWhileOpen);
        clear_sent();
        EXPECT_EQ(PtpGenericInterface_StopBulb(), PtpResult_Ok);
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
        std::vector<Call> closed = calls();
        ASSERT_EQ(closed.size(), c.close.size() + 1);
        closed.pop_back();
        EXPECT_EQ(closed, c.close);
        EXPECT_EQ(writes(), std::vector<Write>({{0xD10F, 1}}));
    }
    canon(bulbOps);
    camera().responder = [](const Command& c) { return c.op == 0x9126 ? answer(0x2002) : ok(); };
    EXPECT_EQ(PtpGenericInterface_StopBulb(), 0x2002);
    EXPECT_EQ(calls(), std::vector<Call>({{0x9126, {}}}));
}

TEST_F(EosCapture, BulbMode) {
    struct Case {
        int mode;  // -1: no exposure-mode property
        int speed; // -1: no shutter-speed property
        bool bulb;
    } cases[] = {
        {4, 0x10, true},  {4, -1, true},  {3, 0x0C, true},  {3, 0x04, true},
        {3, 0x10, false}, {3, -1, false}, {1, 0x0C, false}, {-1, 0x0C, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode * 1000 + c.speed);
        PtpClearPropertyStore();
        // The session's exposure-mode property: the dial's on bodies that list it.
        if (c.mode >= 0) set_property(PtpEos_ExposureModePropertyCode(), uint32_t(c.mode));
        if (c.speed >= 0) set_property(kEosPropShutterSpeed, uint32_t(c.speed));
        EXPECT_EQ(PtpGenericInterface_IsBulbMode(), c.bulb);
    }
}

TEST_F(EosCapture, SettingWrites) {
    set_property(kEosPropMirrorUp, 0);
    set_property(kEosPropLensZoom, 0);
    EXPECT_EQ(PtpEos_TurnOffBracketing(), PtpResult_OperationNotSupported);
    set_property(kEosPropExposureBracketing, 0);
    EXPECT_EQ(PtpEos_TurnOffBracketing(), PtpResult_Ok); // already off: nothing sent
    set_property(kEosPropExposureBracketing, 8);
    EXPECT_EQ(PtpEos_TurnOffBracketing(), PtpResult_Ok);
    EXPECT_EQ(PtpEosInterface_ToggleMirrorUpMode(true, 0), PtpResult_Ok);
    EXPECT_EQ(PtpEosInterface_ToggleMirrorUpMode(false, 0), PtpResult_Ok);
    EXPECT_EQ(PtpEosInterface_ZoomLens(40), PtpResult_Ok);
    EXPECT_EQ(PtpEosInterface_ZoomLens(150), PtpResult_Ok);
    std::vector<Write> want = {{0xD1D9, 0}, {0xD13A, 1}, {0xD13A, 0}, {0xD055, 40}, {0xD055, 100}};
    EXPECT_EQ(writes(), want);
    camera().responder = [](const Command&) { return answer(0x2002); };
    EXPECT_EQ(PtpEos_TurnOffBracketing(), 0x2002);
}

TEST_F(EosCapture, ReassertWritesTheFirstWritableProperty) {
    struct Case {
        int colorSpace; // access, -1 absent
        int destination;
        bool ok;
        std::vector<Write> sent;
    } cases[] = {
        {1, 1, true, {{0xD10F, 2}}}, {0, 1, true, {{0xD11C, 4}}}, {-1, 1, true, {{0xD11C, 4}}},
        {0, 0, false, {}},           {-1, -1, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colorSpace * 10 + c.destination);
        PtpClearPropertyStore();
        clear_sent();
        if (c.colorSpace >= 0) set_property(kEosPropColorSpace, 2, uint8_t(c.colorSpace));
        if (c.destination >= 0) set_property(kEosPropCaptureDestination, 4, uint8_t(c.destination));
        EXPECT_EQ(PtpEos_ReassertAfterShot(), c.ok);
        EXPECT_EQ(writes(), c.sent);
    }
    // A refusal other than busy ends the wait at once.
    set_property(kEosPropColorSpace, 2, 1);
    clear_sent();
    camera().responder = [](const Command&) { return answer(0x2002); };
    EXPECT_FALSE(PtpEos_ReassertAfterShot());
    EXPECT_EQ(writes().size(), 1u);
}

// The generic call hands out the step on either side.
TEST_F(EosCapture, BracketingStops) {
    float out[PTP_BRACKET_STOPS_MAX] = {};
    EXPECT_EQ(PtpGenericInterface_GetExposureBracketingStops(1.0f / 3, out, 0), 2u);
    EXPECT_FLOAT_EQ(out[0], 1.0f / 3);
    EXPECT_FLOAT_EQ(out[1], -1.0f / 3);
    EXPECT_EQ(PtpGenericInterface_GetExposureBracketingStops(1.0f, nullptr, 0), 0u);
}

} // namespace
