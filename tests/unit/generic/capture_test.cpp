// Capture dispatch against a scripted camera: no vendor, busy retries, Fujifilm bulb.
#include "generic/capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "eos/eos_capture.h"
#include "generic/session.h"
#include "ptp_exposure.h"
#include "ptp_liveview.h"
#include "support/capture_script.h"

namespace {

using namespace scripted;

Call press(uint32_t step) { return {0x9128, {step, 0}}; }
Call release(uint32_t step) { return {0x9129, {step}}; }

class Capture : public ::testing::Test {
  protected:
    void TearDown() override {
        camera().responder = nullptr;
        resume_all();
    }
};

TEST_F(Capture, WithoutAVendor) {
    connect_nobody({0x100E, 0x9128, 0x9129});
    ASSERT_EQ(PtpSession_Vendor(), PtpResult_NoDeviceInfo); // no vendor detected
    struct Case {
        const char* what;
        PtpResult (*run)();
        PtpResult expected;
        std::vector<Call> sent;
    } cases[] = {
        {"capture", PtpGenericInterface_InitiateImageCapture, PtpResult_Ok, {{0x100E, {}}}},
        // A test shot is a plain shot: the capture, and no release of its own.
        {"test shot", PtpGenericInterface_TakeTestShot, PtpResult_Ok, {{0x100E, {}}}},
        {"release", PtpGenericInterface_InitiateShutterRelease, PtpResult_Ok, {}},
        {"take and wait",
         PtpGenericInterface_TakeAndWaitForShotToComplete,
         PtpResult_NotSupportedForCamera,
         {}},
        {"take while busy",
         [] { return PtpTakeAndWaitWhileBusy(); },
         PtpResult_NotSupportedForCamera,
         {}},
        {"half press", PtpGenericInterface_StartHalfPress, PtpResult_OperationNotSupported, {}},
        {"half release", PtpGenericInterface_ReleaseHalfPress, PtpResult_OperationNotSupported, {}},
        {"movie mode", PtpGenericInterface_StartMovieMode, PtpResult_NotSupportedForCamera, {}},
        {"record off", PtpGenericInterface_StopRecordMovie, PtpResult_NotSupportedForCamera, {}},
        {"mitigate", PtpGenericInterface_MitigateDoubleShoot, PtpResult_NotSupportedForCamera, {}},
        {"bulb", PtpGenericInterface_StartBulb, PtpResult_NotSupportedForCamera, {}},
        {"live-view focus", PtpGenericInterface_SetStandardLiveViewFocus,
         PtpResult_NotSupportedForCamera, {}}};
    for (const Case& c : cases) {
        clear_sent();
        EXPECT_EQ(c.run(), c.expected) << c.what;
        EXPECT_EQ(calls(), c.sent) << c.what;
    }
    EXPECT_FALSE(PtpGenericInterface_CouldDoubleShoot());
    EXPECT_FALSE(PtpGenericInterface_IsDriveModeContinuous(1));
    EXPECT_FALSE(PtpGenericInterface_IsBulbAvailable());
}

TEST_F(Capture, TakeAndWaitWhileBusyRetriesTheShot) {
    connect("Canon Inc.", {0x9110, 0x9128, 0x9129});
    PtpEos_ReleaseShutter();
    set_property(0xD106, 0);
    set_property(0xD10F, 1);
    clear_sent();
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
    std::vector<Call> want = {press(1), press(1), press(1), press(2), release(2), release(1)};
    std::vector<Call> all = calls();
    ASSERT_EQ(all.size(), want.size() + 1); // and the wait's write
    EXPECT_EQ(std::vector<Call>(all.begin(), all.end() - 1), want);
    EXPECT_GE(sent()[2].at - sent()[1].at, std::chrono::milliseconds(250));

    // Other failures are returned as they are.
    camera().responder = [](const Command& c) { return c.op == 0x9128 ? answer(0x2002) : ok(); };
    EXPECT_EQ(PtpTakeAndWaitWhileBusy(), 0x2002);

    // A camera that stays busy ends the wait after the attempts given.
    camera().responder = [](const Command& c) {
        return c.op == 0x9128 ? answer(PtpResult_DeviceBusy) : ok();
    };
    clear_sent();
    EXPECT_EQ(PtpTakeAndWaitWhileBusy(2), PtpResult_DeviceBusy);
    EXPECT_LE(calls().size(), 6u);
}

TEST_F(Capture, FujifilmModelWithoutBulb) {
    for (uint8_t model : {20, 16}) {
        connect("FUJIFILM", {});
        PtpSession_SetModel(model);
        EXPECT_EQ(PtpGenericInterface_IsBulbAvailable(), model != 16) << int(model);
    }
}

} // namespace
