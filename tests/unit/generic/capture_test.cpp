// Capture dispatch against a scripted camera: what each vendor (and no vendor)
// sends or answers, the Canon take-and-wait and the busy wait, the test shot,
// and the double-shot checks.
#include "generic/capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "eos/eos_capture.h"
#include "generic/session.h"
#include "ptp_capture.h"
#include "support/capture_script.h"

namespace {

using namespace scripted;
using std::chrono::milliseconds;

const std::vector<uint16_t> kCanonOps = {0x9101, 0x9109, 0x9110, 0x9128, 0x9129};

Call press(uint32_t step, uint32_t focus) { return {0x9128, {step, focus}}; }
Call release(uint32_t step) { return {0x9129, {step}}; }

bool is_write_of(const Command& c, uint32_t code) {
    uint32_t written = 0, value = 0;
    return canon_write(c, &written, &value) && written == code;
}

class Capture : public ::testing::Test {
  protected:
    void TearDown() override {
        camera().responder = nullptr;
        while (PtpGenericInterface_ResumeEventCheckLoop()) {
        }
    }
    void canon(const std::vector<uint16_t>& ops = kCanonOps) {
        connect("Canon Inc.", ops);
        PtpEos_ReleaseShutter();
        PtpGenericInterface_ResumeEventCheckLoop();
        set_property(0xD106, 0);
        set_property(0xD10F, 1);
        clear_sent();
    }
};

TEST_F(Capture, WithoutAVendor) {
    connect_nobody({0x100E});
    ASSERT_EQ(PtpSession_Vendor(), PtpResult_NoDeviceInfo); // no vendor detected
    EXPECT_EQ(PtpGenericInterface_InitiateImageCapture(), PtpResult_Ok);
    EXPECT_EQ(calls(), std::vector<Call>({{0x100E, {}}}));

    clear_sent();
    struct Case {
        const char* what;
        PtpResult (*run)();
        PtpResult expected;
    } cases[] = {
        {"release", PtpGenericInterface_InitiateShutterRelease, PtpResult_Ok},
        {"take and wait", PtpGenericInterface_TakeAndWaitForShotToComplete,
         PtpResult_NotSupportedForCamera},
        {"take while busy", PtpTakeAndWaitWhileBusy, PtpResult_NotSupportedForCamera},
        {"half press", PtpGenericInterface_StartHalfPress, PtpResult_OperationNotSupported},
        {"half release", PtpGenericInterface_ReleaseHalfPress, PtpResult_OperationNotSupported},
        {"movie mode", PtpGenericInterface_StartMovieMode, PtpResult_NotSupportedForCamera},
        {"movie mode off", PtpGenericInterface_StopMovieMode, PtpResult_NotSupportedForCamera},
        {"record", PtpGenericInterface_StartRecordMovie, PtpResult_NotSupportedForCamera},
        {"record off", PtpGenericInterface_StopRecordMovie, PtpResult_NotSupportedForCamera},
        {"mitigate", PtpGenericInterface_MitigateDoubleShoot, PtpResult_NotSupportedForCamera},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.run(), c.expected) << c.what;
    EXPECT_TRUE(sent().empty());
    EXPECT_FALSE(PtpGenericInterface_CouldDoubleShoot());
    EXPECT_FALSE(PtpGenericInterface_IsDriveModeContinuous(1));
    EXPECT_FALSE(PtpGenericInterface_ShouldPresentBurstPicker(0x5013, 0x8013));

    // A test shot is a plain shot: capture, and no release of its own.
    EXPECT_EQ(PtpGenericInterface_TakeTestShot(), PtpResult_Ok);
    EXPECT_EQ(calls(), std::vector<Call>({{0x100E, {}}}));
}

TEST_F(Capture, NikonReleasesAndHalfPressesWithoutTraffic) {
    connect("Nikon", {0x100E});
    EXPECT_EQ(PtpGenericInterface_InitiateShutterRelease(), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_StartHalfPress(), PtpResult_OperationNotSupported);
    EXPECT_EQ(PtpGenericInterface_ReleaseHalfPress(), PtpResult_OperationNotSupported);
    EXPECT_TRUE(sent().empty());
}

TEST_F(Capture, CanonTakeShotPressesAndReleases) {
    canon();
    EXPECT_EQ(PtpTakeShot(), PtpResult_Ok);
    std::vector<Call> want = {press(1, 0), press(2, 0), release(2), release(1)};
    EXPECT_EQ(calls(), want);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
}

// Any answer but Device Busy ends the wait as a failed capture.
TEST_F(Capture, CanonBusyWaitFailsOnAnyOtherAnswer) {
    canon();
    camera().responder = [](const Command&) { return answer(0x2002); };
    EXPECT_EQ(PtpCanonBusyWait(), PtpResult_CaptureFailed);
}

TEST_F(Capture, CanonTakeAndWaitFailures) {
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
        canon();
        set_property(kCanonPropMirrorUp, c.mirrorUp ? 1 : 0);
        set_property(0xD10F, 1, c.writable ? 1 : 0);
        int presses = 0;
        camera().responder = [&](const Command& cmd) {
            if (cmd.op == 0x9128 && ++presses == c.failingPress) return answer(0x2002);
            return ok();
        };
        EXPECT_EQ(PtpGenericInterface_TakeAndWaitForShotToComplete(), c.expected);
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    }
}

TEST_F(Capture, TakeAndWaitWhileBusyRetriesTheShot) {
    canon();
    // The first two presses find the camera busy (the engine retries once).
    int busy = 2;
    camera().responder = [&busy](const Command& c) {
        if (c.op == 0x9128 && busy > 0) {
            --busy;
            return answer(PtpResult_DeviceBusy);
        }
        return ok();
    };
    ASSERT_EQ(PtpTakeAndWaitWhileBusy(), PtpResult_Ok);
    std::vector<Command> all = sent();
    std::vector<Call> want = {press(1, 0), press(1, 0), press(1, 0),
                              press(2, 0), release(2),  release(1)};
    ASSERT_EQ(all.size(), want.size() + 1);
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ((Call{all[i].op, all[i].params}), want[i]) << "at " << i;
    EXPECT_GE(all[2].at - all[1].at, milliseconds(250));
    EXPECT_TRUE(is_write_of(all.back(), 0xD10F));

    // Other failures are returned as they are.
    canon();
    camera().responder = [](const Command& c) { return c.op == 0x9128 ? answer(0x2002) : ok(); };
    EXPECT_EQ(PtpTakeAndWaitWhileBusy(), 0x2002);
}

TEST_F(Capture, CanonTestShotHoldsFocusAndRestoresTheFlag) {
    for (uint32_t flag : {0u, 1u, 7u}) {
        SCOPED_TRACE(flag);
        canon();
        PtpSession_SetManualFocus(flag);
        EXPECT_EQ(PtpGenericInterface_TakeTestShot(), PtpResult_Ok);
        std::vector<Call> want = {press(1, 1), press(2, 1), release(2), release(1)};
        EXPECT_EQ(calls(), want);
        EXPECT_EQ(PtpSession_ManualFocus(), flag);
    }
}

TEST_F(Capture, CanonCouldDoubleShoot) {
    struct Case {
        int drive; // -1: no drive-mode property
        bool remoteRelease;
        uint32_t focusFlag;
        bool expected;
    } cases[] = {
        {1, true, 1, true},   {4, true, 1, true},  {22, true, 1, true},  {0, true, 1, false},
        {1, false, 1, false}, {1, true, 0, false}, {-1, true, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drive * 100 + c.remoteRelease * 10 + int(c.focusFlag));
        connect("Canon Inc.", c.remoteRelease ? kCanonOps : std::vector<uint16_t>{0x910F});
        if (c.drive >= 0) set_property(0xD106, uint32_t(c.drive));
        PtpSession_SetManualFocus(c.focusFlag);
        EXPECT_EQ(PtpGenericInterface_CouldDoubleShoot(), c.expected);
    }
    EXPECT_TRUE(sent().empty());
}

TEST_F(Capture, CanonMitigateWritesSingleShotVerified) {
    canon();
    PtpPropertyRecord* drive = set_property(0xD106, 1);
    // The camera reports the new value as soon as it takes the write.
    camera().responder = [drive](const Command& c) {
        uint32_t code = 0, value = 0;
        if (canon_write(c, &code, &value) && code == 0xD106) {
            PtpRecordHold hold(drive);
            drive->currentValue = value;
        }
        return ok();
    };
    EXPECT_EQ(PtpGenericInterface_MitigateDoubleShoot(), PtpResult_Ok);
    uint32_t code = 0, value = 9;
    ASSERT_FALSE(sent().empty());
    ASSERT_TRUE(canon_write(sent()[0], &code, &value));
    EXPECT_EQ(code, 0xD106u);
    EXPECT_EQ(value, 0u);
}

} // namespace
