// The virtual Fujifilm bodies end to end over loopback: host priority, writes
// around live view, the Tetherhub's property records, shots in capture-mode
// steps with their objects, bulb, a focus stack, the focus-area position and
// the preview inside a RAF, and a failed autofocus.
#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "hub_fixture.h"
#include "ptp_comms.h"
#include "ptp_capture.h"
#include "ptp_exposure.h"
#include "ptp_focus.h"
#include "ptp_fuji.h"
#include "ptp_liveview.h"
#include "sim_fuji_hooks.h"

namespace {

constexpr uint32_t kObjectAdded = 0x4002;
constexpr uint16_t kFormatRaf = 0xB111;

// What each body's property table and model row say.
struct Body {
    const char* camera;
    uint8_t model;
    uint32_t exposureMode;
    bool apertureWritable, shutterWritable, compensationWritable; // in host priority
    size_t apertures;                                             // from the lens's text
    uint16_t focalLength;
    uint32_t objectsPerShot; // JPEG on the X-T4; RAF + JPEG on the GFX
};

const Body kBodies[] = {
    {"fuji", 25, 3, true, false, true, 18, 35, 1},
    {"fuji-gfx", 23, 1, true, true, false, 22, 63, 2},
};

class Fuji : public HubTest, public ::testing::WithParamInterface<Body> {
  protected:
    const char* camera() const override { return GetParam().camera; }

    void StartInHostPriority() {
        ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
        ASSERT_EQ(PtpGenericInterface_SetConnectionHostMode(1, 0), PtpResult_Ok);
    }
};

TEST_P(Fuji, SessionStartsInCameraPriorityAndTakesHostPriority) {
    const Body& b = GetParam();
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_CameraModel(), b.model);
    EXPECT_EQ(CameraValue(0xD20C), 1u); // media recording set at start
    // The host-mode flag outlives a session, so camera priority is asked for here.
    ASSERT_EQ(PtpGenericInterface_SetConnectionHostMode(0, 0), PtpResult_Ok);
    EXPECT_EQ(ReadProperty(0x5007).access, 0);
    // The camera itself refuses writes in camera priority.
    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0x5005, 4, 0), PtpResult(0x200F));

    ASSERT_EQ(PtpGenericInterface_SetConnectionHostMode(1, 0), PtpResult_Ok);
    EXPECT_EQ(CameraValue(0xD207), 2u);
    EXPECT_EQ(ReadProperty(0x500E).value, b.exposureMode);
    EXPECT_EQ(ReadProperty(0x5007).access, b.apertureWritable);
    EXPECT_EQ(ReadProperty(0x500D).access, b.shutterWritable);
    EXPECT_EQ(ReadProperty(0x5010).access, b.compensationWritable);
    EXPECT_EQ(ReadProperty(0x5007).values.size(), b.apertures);
    uint16_t focal = 0;
    EXPECT_EQ(PtpFujiInterface_GetLensFocalLength(&focal), PtpResult_Ok);
    EXPECT_EQ(focal, b.focalLength);
    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0x5005, 4, 1), PtpResult_Ok);
    EXPECT_EQ(CameraValue(0x5005), 4u);
}

TEST_P(Fuji, WriteStopsLiveViewAndRestartsItEvenWhenRefused) {
    StartInHostPriority();
    ASSERT_EQ(PtpGenericInterface_ToggleLiveView(1), PtpResult_Ok);
    struct Write {
        uint32_t value;
        PtpResult result;
    } writes[] = {{4, PtpResult_Ok}, {0x1234, PtpResult(0x201C)}};
    uint32_t round = 0;
    for (const Write& w : writes) {
        SCOPED_TRACE(w.value);
        ++round;
        EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0x5005, w.value, 0), w.result);
        EXPECT_EQ(SimHub_ServiceStats(hub).fuji_live_view_stops, round);
        EXPECT_EQ(SimHub_FujiStats(hub).live_view_starts, round + 1);
    }
    EXPECT_EQ(CameraValue(0x5005), 4u);
}

TEST_P(Fuji, StuckBusyRefusesWritesUntilItClears) {
    StartInHostPriority();
    SimHub_SetFujiStuckBusy(hub, true);
    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0x5005, 4, 0), PtpResult_DeviceBusy);
    SimHub_SetFujiStuckBusy(hub, false);
    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0x5005, 4, 0), PtpResult_Ok);
}

TEST_P(Fuji, DialTurnedInTheCameraReachesTheStore) {
    StartInHostPriority();
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    ASSERT_TRUE(SimHub_SetPropertyValue(hub, 0x500F, 800));
    EXPECT_TRUE(WaitUntil([] { return ReadProperty(0x500F).value == 800; }));
    EXPECT_EQ(ReadProperty(0x500F).label, "ISO 800");
}

TEST_P(Fuji, ShotObjectsDownloadWholeAndTheRafHoldsItsPreview) {
    StartInHostPriority();
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    ASSERT_TRUE(SettleEventLoop());
    DrainEvents();
    ASSERT_EQ(PtpGenericInterface_TakeAndWaitForShotToComplete(), PtpResult_Ok);
    const std::vector<uint32_t> steps = SimHub_FujiStats(hub).steps;
    EXPECT_EQ(steps, (std::vector<uint32_t>{0x0200, 0x0304}));

    std::vector<TakenEvent> taken;
    ASSERT_EQ(CountEventsAfterShot(kObjectAdded, &taken), int(GetParam().objectsPerShot));
    std::vector<uint32_t> handles = SimHub_ObjectHandles(hub);
    handles.erase(handles.begin(), handles.end() - GetParam().objectsPerShot);
    for (uint32_t handle : handles) {
        SimObjectFacts stored;
        ASSERT_TRUE(SimHub_GetObjectFacts(hub, handle, &stored));
        std::vector<uint8_t> data = Download(handle);
        EXPECT_EQ(data, *stored.bytes);
        uint32_t offset = 0, size = 0;
        const bool preview = PtpGenericInterface_ExtractPreviewOffset(
            data.data(), uint32_t(data.size()), &offset, &size, stored.format);
        if (stored.format != kFormatRaf) continue;
        ASSERT_TRUE(preview);
        EXPECT_EQ(offset, 148u); // where the RAF header points
        EXPECT_EQ(stored.bytes->at(offset), 0xFF);
        EXPECT_EQ(stored.bytes->at(offset + size - 1), 0xD9);
    }
}

TEST_P(Fuji, FailedAutofocusLeavesTheEventLoopRunning) {
    StartInHostPriority();
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    SimHub_SetFujiAutofocusFails(hub, true);
    EXPECT_EQ(PtpGenericInterface_TakeTestShot(), PtpResult(0xA002));
    EXPECT_EQ(SimHub_FujiStats(hub).steps, (std::vector<uint32_t>{0x0200, 0x0004}));
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    auto paused = std::async(std::launch::async, [] {
        bool ok = PtpGenericInterface_PauseEventCheckLoop();
        return ok && PtpGenericInterface_ResumeEventCheckLoop();
    });
    ASSERT_EQ(paused.wait_for(std::chrono::seconds(1)), std::future_status::ready);
    EXPECT_TRUE(paused.get());
    ASSERT_TRUE(SimHub_SetPropertyValue(hub, 0x500F, 800));
    EXPECT_TRUE(WaitUntil([] { return ReadProperty(0x500F).value == 800; }));
}

TEST_P(Fuji, BulbKeepsTheShutterOpenUntilItsRelease) {
    StartInHostPriority();
    ASSERT_EQ(PtpGenericInterface_SetPropertyValue(0x500E, 1, 1), PtpResult_Ok);
    ASSERT_EQ(PtpGenericInterface_SetPropertyValue(0x500D, 0xFFFFFFFF, 1), PtpResult_Ok);
    ASSERT_EQ(PtpGenericInterface_StartBulb(), PtpResult_Ok);
    EXPECT_TRUE(SimHub_FujiStats(hub).bulb_open);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(PtpGenericInterface_StopBulb(), PtpResult_Ok);
    SimFujiStats stats = SimHub_FujiStats(hub);
    EXPECT_EQ(stats.steps, (std::vector<uint32_t>{0x0200, 0x0500, 0x000C}));
    EXPECT_FALSE(stats.bulb_open);
    EXPECT_GE(stats.last_bulb_ms, 300u);
    EXPECT_EQ(stats.pictures, 1u);
}

TEST_P(Fuji, FocusStackDrivesTheLensBetweenShots) {
    StartInHostPriority();
    const uint32_t start = CameraValue(0xD171);
    ASSERT_EQ(PtpGenericInterface_DoFocusStack(3, 1), PtpResult_Ok);
    EXPECT_EQ(SimHub_FujiStats(hub).pictures, 3u);
    // Two moves of the smallest step towards the near end (the host's step is negated).
    EXPECT_EQ(int16_t(CameraValue(0xD171)), int16_t(start) - 12);
    // A packaged pull is one drive of step x count.
    ASSERT_EQ(Comms_SendPackagedFocusChange(5, 2), PtpResult_Ok);
    EXPECT_EQ(int16_t(CameraValue(0xD171)), int16_t(start) - 2);
}

TEST_P(Fuji, LiveViewPositionMovesTheFocusArea) {
    StartInHostPriority();
    ASSERT_EQ(PtpGenericInterface_SetLiveViewPosition(0.5, 0.5), PtpResult_Ok);
    std::string area;
    ASSERT_TRUE(SimHub_GetPropertyText(hub, 0xD395, &area));
    EXPECT_EQ(area, "0,0,3");
    ASSERT_EQ(PtpGenericInterface_SetLiveViewPosition(0.9, 0.2), PtpResult_Ok);
    ASSERT_TRUE(SimHub_GetPropertyText(hub, 0xD395, &area));
    EXPECT_NE(area, "0,0,3");
    EXPECT_EQ(CameraValue(0x500A), 0x8001u); // the focus mode is put back
}

INSTANTIATE_TEST_SUITE_P(Bodies, Fuji, ::testing::ValuesIn(kBodies),
                         [](const auto& info) {
                             return std::string(info.param.camera) == "fuji" ? "XT4" : "Gfx100";
                         });

} // namespace
