// The virtual Sony bodies end to end over loopback, one table row per body:
// the session start from the all-properties data, a confirmed write (absolute
// on newer bodies, stepped on the older one), captures through the fixed
// handle, live view (with the focus rectangle where the body has one), bulb
// and lens drives, one at a time and packaged.
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "hub_fixture.h"
#include "ptp_capture.h"
#include "ptp_exposure.h"
#include "ptp_focus.h"
#include "ptp_liveview.h"
#include "ptp_sony.h"
#include "sim_sony_hooks.h"

namespace {

constexpr uint16_t kOpSetProperty = 0x9205;
constexpr uint16_t kOpControl = 0x9207;
constexpr uint32_t kIso = 0xD21E, kShutter = 0xD20D, kFocusDrive = 0xD2D1;
constexpr uint32_t kCaptureHandle = 0xFFFFC001;

struct Body {
    const char* camera;
    uint8_t model;
    bool normal;         // absolute writes
    size_t isoValues;    // the list the store holds after the session start
    uint32_t frameAt;    // where the live-view JPEG starts
    bool focusRect;
};

const Body kBodies[] = {
    {"sony", 182, true, 29, 136, false},
    {"sony-a6400", 167, false, 29, 136, false}, // the library's own list: Auto, 50 .. 25600
    {"sony-a7r5", 183, true, 29, 1024, true},
};

class Sony : public HubTest, public ::testing::WithParamInterface<Body> {
  protected:
    const char* camera() const override { return GetParam().camera; }
    void SetUp() override {
        HubTest::SetUp();
        ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    }
    SimSonyFacts Facts() const {
        SimSonyFacts f;
        EXPECT_TRUE(SimHub_SonyFacts(hub, &f));
        return f;
    }
    // Presses and releases the shutter, then reads the capture through the
    // fixed handle once the camera announces it.
    std::vector<uint8_t> Capture(PtpObjectInfo* info) {
        EXPECT_EQ(PtpGenericInterface_InitiateImageCapture(), PtpResult_Ok);
        EXPECT_EQ(PtpGenericInterface_InitiateShutterRelease(), PtpResult_Ok);
        uint32_t count = 0;
        EXPECT_TRUE(WaitUntil([&] {
            uint32_t* handles = nullptr;
            PtpResult rc = PtpGenericInterface_GetObjectHandles2(&handles, &count);
            if (rc == PtpResult_Ok && count) EXPECT_EQ(handles[0], kCaptureHandle);
            FreeMemory(handles);
            return rc == PtpResult_Ok && count > 0;
        }));
        EXPECT_EQ(PtpGenericInterface_GetObjectInfo(kCaptureHandle, info), PtpResult_Ok);
        return Download(kCaptureHandle);
    }
};

TEST_P(Sony, SessionStartLoadsTheStore) {
    const Body& b = GetParam();
    EXPECT_EQ(PtpGenericInterface_CameraModel(), b.model);
    EXPECT_EQ(PtpSonyInterface_SupportsNormalPropertyControls(), b.normal);
    EXPECT_EQ(ReadProperty(kShutter).label, "1/125");
    RecordCopy iso = ReadProperty(kIso);
    EXPECT_EQ(iso.value, 400u);
    EXPECT_EQ(iso.values.size(), b.isoValues);
    EXPECT_EQ(ReadProperty(0x5007).value, 560u);
    EXPECT_EQ(ReadProperty(0xD203).label, "L");
    if (b.normal) EXPECT_EQ(ReadProperty(0xD253).label, "JPEG");
}

TEST_P(Sony, WriteIsConfirmedAbsoluteOrStepped) {
    SimHub_ResetStats(hub);
    ASSERT_EQ(PtpGenericInterface_SetPropertyValue(kIso, 800, 1), PtpResult_Ok);
    EXPECT_EQ(CameraValue(uint16_t(kIso)), 800u);
    EXPECT_EQ(ReadProperty(kIso).value, 800u);
    const std::vector<uint16_t> ops = SimHub_Stats(hub).operations;
    const std::vector<uint16_t> controls = Facts().controls;
    if (GetParam().normal) {
        EXPECT_NE(std::find(ops.begin(), ops.end(), kOpSetProperty), ops.end());
        EXPECT_TRUE(controls.empty());
    } else {
        EXPECT_EQ(std::find(ops.begin(), ops.end(), kOpSetProperty), ops.end());
        EXPECT_EQ(std::count(controls.begin(), controls.end(), kIso), 3); // 400 -> 800 in thirds
    }
}

TEST_P(Sony, TwoCapturesArriveThroughTheFixedHandleWhole) {
    PtpObjectInfo first{}, second{};
    std::vector<uint8_t> a = Capture(&first), b = Capture(&second);
    for (const auto* pair : {&first, &second})
        EXPECT_EQ(std::string(pair->fileName).substr(0, 3), "DSC");
    EXPECT_STRNE(first.fileName, second.fileName);
    EXPECT_EQ(a.size(), first.compressedSize);
    EXPECT_EQ(b.size(), second.compressedSize);
    ASSERT_GE(a.size(), 2u);
    EXPECT_EQ(a[0], 0xFF);
    EXPECT_EQ(a[1], 0xD8);
    EXPECT_NE(a, b);
    EXPECT_EQ(Facts().pending, 0u);
    EXPECT_EQ(Facts().shots, 2u);
}

TEST_P(Sony, LiveViewFrameCarriesTheJpegAndFocusRectangle) {
    const Body& b = GetParam();
    ASSERT_EQ(PtpGenericInterface_ToggleLiveView(1), PtpResult_Ok);
    std::vector<uint8_t> frame;
    ASSERT_EQ(FetchLiveView(&frame), PtpResult_Ok);
    const uint32_t length = uint32_t(frame.size());
    EXPECT_EQ(PtpSonyInterface_LiveViewOffset(frame.data(), length), b.frameAt);
    uint16_t r[4] = {};
    if (b.focusRect) {
        const SimSonyFacts f = Facts();
        ASSERT_TRUE(PtpSonyInterface_GetLiveViewFocusRect(frame.data(), length, &r[0], &r[1],
                                                          &r[2], &r[3]));
        // left, top, then the fields at +12 and +8: bottom, right.
        EXPECT_EQ(std::vector<uint16_t>(r, r + 4),
                  (std::vector<uint16_t>{f.focus_rect[0], f.focus_rect[1], f.focus_rect[3],
                                         f.focus_rect[2]}));
        EXPECT_LT(r[0], r[3]);
    }
}

TEST_P(Sony, BulbHoldsTheShutterAndFocusDriveMovesTheLens) {
    ASSERT_EQ(PtpGenericInterface_SetPropertyValue(kShutter, 0, 1), PtpResult_Ok);
    ASSERT_EQ(ReadProperty(kShutter).label, "Bulb");
    ASSERT_EQ(PtpGenericInterface_StartBulb(), PtpResult_Ok);
    EXPECT_TRUE(Facts().bulb_open);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_EQ(PtpGenericInterface_StopBulb(), PtpResult_Ok);
    SimSonyFacts f = Facts();
    EXPECT_FALSE(f.bulb_open);
    EXPECT_GE(f.last_bulb_ms, 140u);
    EXPECT_EQ(f.shots, 1u);

    SimHub_ResetStats(hub);
    ASSERT_EQ(PtpGenericInterface_DriveLens(10), PtpResult_Ok);
    ASSERT_EQ(PtpGenericInterface_DriveLens(-2), PtpResult_Ok);
    f = Facts();
    ASSERT_EQ(f.lens_drives.size(), 2u);
    EXPECT_EQ(f.controls, (std::vector<uint16_t>{kFocusDrive, kFocusDrive}));
    EXPECT_EQ(f.lens_drives[0], -10);
    EXPECT_GT(f.lens_drives[1], 0); // the other way, widened
    EXPECT_EQ(SimHub_Stats(hub).operations, (std::vector<uint16_t>{kOpControl, kOpControl}));
    // A packaged pull: one drive of -(step x count).
    ASSERT_EQ(Comms_SendPackagedFocusChange(-3, 2), PtpResult_Ok);
    f = Facts();
    EXPECT_EQ(f.lens_drives, (std::vector<int16_t>{-10, f.lens_drives[1], 6}));
}

INSTANTIATE_TEST_SUITE_P(Bodies, Sony, ::testing::ValuesIn(kBodies),
                         [](const ::testing::TestParamInfo<Body>& info) {
                             std::string name = info.param.camera;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
