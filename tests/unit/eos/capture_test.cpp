// Canon EOS capture against a scripted camera: the press and release
// sequences, the pause of the event loop between them, refusals and failures,
// mirror lock-up, the bulb test and the wait after a shot.
#include "eos/eos_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "eos/eos_session.h"
#include "generic/capture.h"
#include "generic/session.h"
#include "ptp_capture.h"
#include "ptp_eos.h"
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
        while (PtpGenericInterface_ResumeEventCheckLoop()) {
        }
    }
    // A Canon camera listing ops, with a drive mode in the store and nothing
    // held over from an earlier press.
    void canon(const std::vector<uint16_t>& ops, const std::vector<uint16_t>& props = {}) {
        while (PtpGenericInterface_ResumeEventCheckLoop()) {
        }
        connect("Canon Inc.", ops, props);
        PtpEos_ReleaseShutter(); // forgets the kind of an earlier press
        PtpGenericInterface_ResumeEventCheckLoop();
        set_property(kCanonPropDriveMode, 0);
        clear_sent();
    }
};

Call press(uint32_t step, uint32_t focus) { return {0x9128, {step, focus}}; }
Call release(uint32_t step) { return {0x9129, {step}}; }

TEST_F(EosCapture, PressWithReleaseAfterSendsTheFourStepsAndLeavesTheLoopRunning) {
    for (uint32_t focus : {0u, 1u}) {
        SCOPED_TRACE(focus);
        clear_sent();
        PtpSession_SetManualFocus(focus);
        EXPECT_EQ(PtpEosInterface_InitiateImageCapture(true), PtpResult_Ok);
        std::vector<Call> want = {press(1, focus), press(2, focus), release(2), release(1)};
        EXPECT_EQ(calls(), want);
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
        EXPECT_FALSE(PtpCapture_IsShutterPressed());
    }
}

TEST_F(EosCapture, PressWithoutReleaseHoldsShutterAndPauseUntilTheRelease) {
    PtpSession_SetLiveViewZoom(5);
    EXPECT_EQ(PtpGenericInterface_InitiateImageCapture(), PtpResult_Ok);
    std::vector<Call> pressed = {press(1, 0), press(2, 0)};
    EXPECT_EQ(calls(), pressed);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1);
    EXPECT_TRUE(PtpCapture_IsShutterPressed());
    EXPECT_EQ(PtpSession_LiveViewZoom(), 0);

    // The release may come from another thread.
    PtpResult released = 0;
    std::thread host([&] { released = PtpGenericInterface_InitiateShutterRelease(); });
    host.join();
    EXPECT_EQ(released, PtpResult_Ok);
    std::vector<Call> all = {press(1, 0), press(2, 0), release(2), release(1)};
    EXPECT_EQ(calls(), all);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    EXPECT_FALSE(PtpCapture_IsShutterPressed());
}

TEST_F(EosCapture, RefusedPressIsReleasedAgain) {
    for (bool releaseAfter : {false, true}) {
        SCOPED_TRACE(releaseAfter);
        clear_sent();
        PtpSession_SetLiveViewZoom(4);
        camera().responder = [](const Command& c) {
            return c.op == 0x9128 && c.params[0] == 1 ? answer(PtpResult_Ok, {1}) : ok();
        };
        EXPECT_EQ(PtpEosInterface_InitiateImageCapture(releaseAfter), 0xA002);
        std::vector<Call> want = {press(1, 0), release(2), release(1)};
        EXPECT_EQ(calls(), want);
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
        EXPECT_EQ(PtpSession_LiveViewZoom(), 4);
    }
}

// With release after, the release always runs, and the press's failure is the
// result even when the release succeeds.
TEST_F(EosCapture, PressFailureWinsOverASuccessfulRelease) {
    const std::vector<Call> all = {press(1, 0), press(2, 0), release(2), release(1)};
    struct Case {
        const char* what;
        uint32_t failingStep; // 0: none
        uint16_t failingOp;
        PtpResult answer; // also the capture's result
        std::vector<Call> sent;
    } cases[] = {
        {"half press fails", 1, 0x9128, 0x2002, {press(1, 0), release(2), release(1)}},
        {"full press fails", 2, 0x9128, 0x2002, all},
        {"release fails", 2, 0x9129, 0x2002, {press(1, 0), press(2, 0), release(2)}},
        {"last release step fails", 1, 0x9129, 0x2005, all},
        {"all succeed", 0, 0, PtpResult_Ok, all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clear_sent();
        camera().responder = [&c](const Command& cmd) {
            return cmd.op == c.failingOp && cmd.params[0] == c.failingStep ? answer(c.answer)
                                                                           : ok();
        };
        EXPECT_EQ(PtpEosInterface_InitiateImageCapture(true), c.answer);
        EXPECT_EQ(calls(), c.sent);
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    }
}

TEST_F(EosCapture, FailedPressWithoutReleaseResumesTheLoop) {
    camera().responder = [](const Command& c) {
        return c.op == 0x9128 && c.params[0] == 2 ? answer(0x2002) : ok();
    };
    EXPECT_EQ(PtpEosInterface_InitiateImageCapture(false), 0x2002);
    std::vector<Call> want = {press(1, 0), press(2, 0)};
    EXPECT_EQ(calls(), want);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    EXPECT_FALSE(PtpCapture_IsShutterPressed());
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
        {"remote-release press with release", kRemoteReleaseOps,
         [] { PtpEosInterface_InitiateImageCapture(true); }},
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
        set_property(kCanonPropMirrorUp, c.mirrorUp);
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
    canon(kRemoteReleaseOps);
    PtpClearPropertyStore();
    EXPECT_EQ(PtpEosInterface_InitiateImageCapture(true), PtpResult_InvalidArgument);
    EXPECT_TRUE(sent().empty());
    // The capture lock was given back.
    set_property(kCanonPropDriveMode, 0);
    EXPECT_EQ(PtpEosInterface_InitiateImageCapture(true), PtpResult_Ok);
}

// Presses from several host threads each send their whole sequence; only the
// press itself is serialised, so releases of one may fall between the steps of
// another.
TEST_F(EosCapture, ConcurrentPressesEachSendTheirSequence) {
    std::vector<std::thread> hosts;
    for (int i = 0; i < 4; ++i)
        hosts.emplace_back([] {
            for (int n = 0; n < 5; ++n)
                EXPECT_EQ(PtpEosInterface_InitiateImageCapture(true), PtpResult_Ok);
        });
    for (std::thread& t : hosts)
        t.join();
    size_t count[4] = {};
    for (const Call& c : calls()) {
        if (c == press(1, 0)) ++count[0];
        if (c == press(2, 0)) ++count[1];
        if (c == release(2)) ++count[2];
        if (c == release(1)) ++count[3];
    }
    for (size_t n : count)
        EXPECT_EQ(n, 20u);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    EXPECT_FALSE(PtpCapture_IsShutterPressed());
}

TEST_F(EosCapture, HalfPressAndAutofocusOperations) {
    PtpSession_SetManualFocus(1);
    struct Case {
        PtpResult (*run)();
        Call sent;
    } cases[] = {
        {PtpEos_StartHalfPress, press(1, 1)},
        {PtpEos_ReleaseHalfPress, release(1)},
        {PtpEos_Focus, {0x9154, {}}},
        {PtpEos_StopFocus, {0x9160, {}}},
        {PtpGenericInterface_StartHalfPress, press(1, 1)},
        {PtpGenericInterface_ReleaseHalfPress, release(1)},
    };
    for (const Case& c : cases) {
        clear_sent();
        EXPECT_EQ(c.run(), PtpResult_Ok);
        EXPECT_EQ(calls(), std::vector<Call>{c.sent}) << std::hex << c.sent.op;
    }
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
        if (c.speed >= 0) set_property(kCanonPropShutterSpeed, uint32_t(c.speed));
        EXPECT_EQ(PtpEos_IsBulbMode(), c.bulb);
    }
}

TEST_F(EosCapture, MirrorLockUpQueries) {
    canon(kRemoteReleaseOps, {0xD13A});
    EXPECT_TRUE(PtpEos_SupportsMirrorUp());
    EXPECT_FALSE(PtpEos_IsMirrorModeOn());
    set_property(kCanonPropMirrorUp, 2);
    EXPECT_FALSE(PtpEos_IsMirrorModeOn());
    set_property(kCanonPropMirrorUp, 1);
    EXPECT_TRUE(PtpEos_IsMirrorModeOn());
    // Present in the store but not listed by the camera.
    canon(kRemoteReleaseOps, {0xD106});
    set_property(kCanonPropMirrorUp, 1);
    EXPECT_FALSE(PtpEos_SupportsMirrorUp());
}

// --- Property writes --------------------------------------------------------------

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

TEST_F(EosCapture, SettingWrites) {
    set_property(kCanonPropMirrorUp, 0);
    set_property(kCanonPropLensZoom, 0);
    EXPECT_EQ(PtpEosInterface_ToggleMirrorUpMode(true, 0), PtpResult_Ok);
    EXPECT_EQ(PtpEosInterface_ToggleMirrorUpMode(false, 0), PtpResult_Ok);
    EXPECT_EQ(PtpEosInterface_ZoomLens(40), PtpResult_Ok);
    EXPECT_EQ(PtpEosInterface_ZoomLens(150), PtpResult_Ok);
    std::vector<Write> want = {{0xD13A, 1}, {0xD13A, 0}, {0xD055, 40}, {0xD055, 100}};
    EXPECT_EQ(writes(), want);
}

TEST_F(EosCapture, TurnOffBracketing) {
    EXPECT_EQ(PtpEos_TurnOffBracketing(), PtpResult_OperationNotSupported);
    set_property(kCanonPropExposureBracketing, 0);
    EXPECT_EQ(PtpEos_TurnOffBracketing(), PtpResult_Ok);
    EXPECT_TRUE(sent().empty());
    set_property(kCanonPropExposureBracketing, 8);
    EXPECT_EQ(PtpEos_TurnOffBracketing(), PtpResult_Ok);
    EXPECT_EQ(writes(), std::vector<Write>({{0xD1D9, 0}}));
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
        if (c.colorSpace >= 0) set_property(kCanonPropColorSpace, 2, uint8_t(c.colorSpace));
        if (c.destination >= 0)
            set_property(kCanonPropCaptureDestination, 4, uint8_t(c.destination));
        EXPECT_EQ(PtpEos_ReassertAfterShot(), c.ok);
        EXPECT_EQ(writes(), c.sent);
    }
    // A refusal other than busy ends the wait at once.
    set_property(kCanonPropColorSpace, 2, 1);
    clear_sent();
    camera().responder = [](const Command&) { return answer(0x2002); };
    EXPECT_FALSE(PtpEos_ReassertAfterShot());
    EXPECT_EQ(writes().size(), 1u);
}

} // namespace
