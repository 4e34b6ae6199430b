// The virtual D850's capture side through the public interface: autofocus
// before a shot, lens drives to the ends of the travel, a focus stack, a bulb
// exposure and a bracketed series.
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "hub_fixture.h"
#include "ptp_comms.h"
#include "ptp_capture.h"
#include "ptp_exposure.h"
#include "ptp_focus.h"
#include "sim_nikon_capture_hooks.h"

namespace {

constexpr uint16_t kOpAutofocusCancel = 0x9206;
constexpr uint16_t kShutterSpeed = 0xD100;
constexpr uint32_t kBulb = 0xFFFFFFFF;
constexpr uint32_t kObjectAdded = 0x4002;
constexpr int32_t kMiddle = kSimNikonLensTravel / 2;

std::vector<uint32_t> g_shots; // the stack calls back on the caller's thread
void log_shot(uint32_t shot) { g_shots.push_back(shot); }

class NikonCapture : public HubTest {
  protected:
    const char* camera() const override { return "nikon"; }
    void SetUp() override {
        HubTest::SetUp();
        g_shots.clear();
        ASSERT_TRUE(StartSessionAndLoop());
        SimHub_ResetStats(hub);
    }
    uint32_t pictures() const { return SimHub_NikonCaptureStats(hub).pictures; }
};

// A shot focuses first while the library leaves focus to the camera; a lens
// that finds no focus takes no picture, and the driver cancels the drive.
TEST_F(NikonCapture, FocusFirstShotFailsWithoutAPicture) {
    for (const bool fails : {true, false}) {
        SCOPED_TRACE(fails);
        SimHub_SetNikonAutofocusFails(hub, fails);
        SimHub_ResetStats(hub);
        const uint32_t before = pictures();
        PtpResult rc = PtpGenericInterface_TakeAndWaitForShotToComplete();
        EXPECT_EQ(rc == PtpResult_Ok, !fails) << std::hex << rc;
        EXPECT_EQ(pictures() - before, fails ? 0u : 1u);
        const std::vector<uint16_t> ops = SimHub_Stats(hub).operations;
        EXPECT_EQ(std::count(ops.begin(), ops.end(), kOpAutofocusCancel), fails ? 1 : 0);
    }
}

// Autofocus holds the focus found (the camera in manual focus), then each
// drive moves the lens until an end stops it.
TEST_F(NikonCapture, AutofocusThenLensDrivesToTheEnds) {
    ASSERT_EQ(PtpGenericInterface_Focus(), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_FocusMode(), 1u);
    EXPECT_EQ(CameraValue(0xD161), 4u); // manual, as the driver writes it
    struct Row {
        int32_t steps;
        PtpResult rc;
        int32_t position;
    };
    const Row rows[] = {
        {1, PtpResult_Ok, kMiddle - 32768}, // 32 x (32 x 1)^2 units towards the nearest end
        {-1, PtpResult_Ok, kMiddle},
        {-2, PtpResult_Ok, kMiddle + 32 * 128 * 128},
        {100, PtpResult_Ok, 0},      // past the end: stops there
        {100, PtpResult(0xA00C), 0}, // at the end: refused
        {-100, PtpResult_Ok, kSimNikonLensTravel},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.steps);
        EXPECT_EQ(PtpGenericInterface_DriveLens(row.steps), row.rc);
        EXPECT_EQ(SimHub_NikonCaptureStats(hub).lens_position, row.position);
    }
    // A packaged pull is one drive of |step| x count, then focus held.
    PtpGenericInterface_SetFocusMode(0, 0);
    ASSERT_EQ(Comms_SendPackagedFocusChange(300, 2), PtpResult_Ok);
    EXPECT_EQ(SimHub_NikonCaptureStats(hub).lens_position, kSimNikonLensTravel - 600);
    EXPECT_EQ(PtpGenericInterface_FocusMode(), 1u);
}

TEST_F(NikonCapture, FocusStackOfThreeShotsDrivesTwice) {
    const uint32_t before = pictures();
    ASSERT_EQ(PtpGenericInterface_DoFocusStackWithCallback(3, 2, 0, log_shot), PtpResult_Ok);
    EXPECT_EQ(g_shots, std::vector<uint32_t>({1, 2, 3}));
    SimNikonCaptureStats stats = SimHub_NikonCaptureStats(hub);
    EXPECT_EQ(stats.pictures - before, 3u);
    // Step 2: 32 x 2^2 units towards infinity, twice.
    EXPECT_EQ(stats.lens_drives, std::vector<uint32_t>({2, 128, 2, 128}));
    EXPECT_EQ(stats.lens_position, kMiddle + 256);
    EXPECT_EQ(CameraValue(0xD0C0), 0u); // bracketing turned off first
}

TEST_F(NikonCapture, BulbOfOneSecondStoresNefAndJpeg) {
    ASSERT_EQ(PtpGenericInterface_SetPropertyValue(kShutterSpeed, kBulb, 1), PtpResult_Ok);
    ASSERT_TRUE(PtpGenericInterface_CanStartBulb());
    ASSERT_EQ(PtpGenericInterface_StartBulb(), PtpResult_Ok);
    EXPECT_TRUE(SimHub_NikonCaptureStats(hub).bulb_open);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_EQ(PtpGenericInterface_StopBulb(), PtpResult_Ok);
    SimNikonCaptureStats stats = SimHub_NikonCaptureStats(hub);
    EXPECT_FALSE(stats.bulb_open);
    EXPECT_GE(stats.last_bulb_ms, 1000u);
    EXPECT_LT(stats.last_bulb_ms, 1500u);

    std::vector<TakenEvent> taken;
    ASSERT_EQ(CountEventsAfterShot(kObjectAdded, &taken), 2);
    std::vector<uint16_t> formats;
    for (const TakenEvent& e : taken)
        if (e.code == kObjectAdded) formats.push_back(e.object.objectFormat);
    EXPECT_EQ(formats, std::vector<uint16_t>({0x3000, 0x3801}));  // the NEF, then its JPEG
    EXPECT_EQ(PtpGenericInterface_StopBulb(), PtpResult(0x2002)); // nothing open
}

// One stop of bracketing: the camera's three-frame pattern gives -1 and +1
// around the metered shot; three shots, then bracketing goes off again.
TEST_F(NikonCapture, BracketedSeriesOfOneStop) {
    const uint32_t code = PtpGenericInterface_ExposureBracketValueForStop(1.0f);
    ASSERT_EQ(PtpGenericInterface_SetBracketing(code), PtpResult_Ok);
    EXPECT_TRUE(PtpGenericInterface_IsExposureBracketingOn());
    EXPECT_EQ(CameraValue(0xD0C0), 1u);
    EXPECT_EQ(CameraValue(0xD0C1), 3u); // 1 EV
    float stops[PTP_BRACKET_STOPS_MAX] = {};
    ASSERT_EQ(PtpGenericInterface_GetExposureBracketingStops(1.0f, stops, 0), 2u);
    EXPECT_FLOAT_EQ(stops[0], -1.0f);
    EXPECT_FLOAT_EQ(stops[1], 1.0f);
    const uint32_t before = pictures();
    for (int shot = 0; shot < 3; ++shot)
        ASSERT_EQ(PtpGenericInterface_TakeAndWaitForShotToComplete(), PtpResult_Ok);
    EXPECT_EQ(pictures() - before, 3u);
    ASSERT_EQ(PtpGenericInterface_TurnOffBracketing(), PtpResult_Ok);
    EXPECT_EQ(CameraValue(0xD0C0), 0u);
    EXPECT_FALSE(PtpGenericInterface_IsExposureBracketingOn());
}

} // namespace
