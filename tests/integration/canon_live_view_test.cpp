// Canon live view, zoom and movie mode end to end against the virtual EOS cameras.
#include <cstdint>
#include <cstring>
#include <vector>

#include "hub_fixture.h"
#include "ptp_capture.h"
#include "ptp_eos.h"
#include "ptp_liveview.h"
#include "sim_canon_hooks.h"

namespace {

constexpr PtpResult kCanonNotReady = 0xA102;

struct Frame {
    PtpResult rc = 0;
    PtpEosLiveViewInfo info = {};
    std::vector<uint8_t> image;
};

// A frame: the 1364-byte info, then the image.
Frame Fetch() {
    Frame f;
    std::vector<uint8_t> frame;
    f.rc = FetchLiveView(&frame);
    if (f.rc != PtpResult_Ok) return f;
    EXPECT_GE(frame.size(), 1364u);
    std::memcpy(&f.info, frame.data(), sizeof f.info);
    EXPECT_EQ(frame.size(), 1364u + f.info.imageLength);
    f.image.assign(frame.begin() + 1364, frame.end());
    return f;
}

class CanonLiveView : public HubTest, public ::testing::WithParamInterface<const char*> {
  protected:
    const char* camera() const override { return GetParam(); }
    void SetUp() override {
        HubTest::SetUp();
        ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    }
};

TEST_P(CanonLiveView, FramesCarryTheJpegAndTheInfo) {
    EXPECT_TRUE(PtpGenericInterface_SupportsLiveView());
    EXPECT_TRUE(PtpGenericInterface_Has200ZoomLevel());
    EXPECT_EQ(Fetch().rc, kCanonNotReady) << "no frames before live view is on";

    ASSERT_EQ(PtpGenericInterface_ToggleLiveView(1), PtpResult_Ok);
    EXPECT_TRUE(SimHub_CanonLiveViewStats(hub).live_view);
    // The switch keeps the exposure mode the camera reported (M).
    EXPECT_EQ(ReadProperty(PtpGetAutoExposurePropertyCode()).value, 3u);
    std::vector<uint8_t> previous;
    for (int i = 0; i < 5; ++i) {
        Frame f = Fetch();
        ASSERT_EQ(f.rc, PtpResult_Ok);
        const std::vector<uint8_t> sent = SimHub_CanonLiveViewFrame(hub);
        EXPECT_EQ(f.info.kind, 1u);
        // The image is the whole JPEG at the start of what the camera sent.
        ASSERT_GE(f.image.size(), 4u);
        ASSERT_LE(f.image.size(), sent.size());
        EXPECT_TRUE(std::equal(f.image.begin(), f.image.end(), sent.begin()));
        EXPECT_EQ(f.image[0], 0xFF);
        EXPECT_EQ(f.image[f.image.size() - 1], 0xD9);
        EXPECT_NE(f.image, previous) << "the picture moves";
        previous = f.image;
        EXPECT_EQ(f.info.zoom, 1u);
        EXPECT_EQ(f.info.afFrameCount, 3u); // (the info's fields are the unit tests')
    }
    EXPECT_EQ(SimHub_CanonLiveViewStats(hub).frames, 5u);
    EXPECT_EQ(PtpEosInterface_GetLastLiveViewInfo()->afFrameCount, 3u);

    ASSERT_EQ(PtpGenericInterface_ToggleLiveView(0), PtpResult_Ok);
    EXPECT_FALSE(SimHub_CanonLiveViewStats(hub).live_view);
    EXPECT_EQ(Fetch().rc, kCanonNotReady);
}

TEST_P(CanonLiveView, ZoomMovesWhatTheCameraReports) {
    ASSERT_EQ(PtpGenericInterface_ToggleLiveView(1), PtpResult_Ok);
    Frame f = Fetch();
    ASSERT_EQ(f.rc, PtpResult_Ok);
    const uint32_t width = f.info.fullWidth, height = f.info.fullHeight;
    ASSERT_GT(width, 0u);

    ASSERT_EQ(PtpGenericInterface_SetLiveViewZoomLevel(100), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_GetLiveViewZoomLevel(0), 100);
    f = Fetch();
    ASSERT_EQ(f.rc, PtpResult_Ok);
    EXPECT_EQ(f.info.zoom, 5u);
    EXPECT_EQ(f.info.visibleWidth1, width / 5);
    EXPECT_EQ(f.info.visibleHeight2, height / 5);
    // A new switch starts unzoomed.
    ASSERT_EQ(PtpGenericInterface_ToggleLiveView(0), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_GetLiveViewZoomLevel(0), 0);
}

TEST_P(CanonLiveView, MovieModeAndRecording) {
    EXPECT_TRUE(PtpEosInterface_HasMovieServo());
    ASSERT_EQ(PtpGenericInterface_StartMovieMode(), PtpResult_Ok);
    SimCanonLiveViewStats s = SimHub_CanonLiveViewStats(hub);
    EXPECT_TRUE(s.movie_mode);
    EXPECT_TRUE(s.live_view);
    EXPECT_EQ(Fetch().rc, PtpResult_Ok);

    ASSERT_EQ(PtpGenericInterface_StartRecordMovie(), PtpResult_Ok);
    EXPECT_TRUE(SimHub_CanonLiveViewStats(hub).recording);
    ASSERT_EQ(PtpGenericInterface_StopRecordMovie(), PtpResult_Ok);
    EXPECT_FALSE(SimHub_CanonLiveViewStats(hub).recording);

    ASSERT_EQ(PtpGenericInterface_StopMovieMode(), PtpResult_Ok);
    s = SimHub_CanonLiveViewStats(hub);
    EXPECT_FALSE(s.movie_mode);
    EXPECT_FALSE(s.live_view);
    EXPECT_EQ(Fetch().rc, kCanonNotReady);
}

INSTANTIATE_TEST_SUITE_P(Models, CanonLiveView, ::testing::Values("canon", "canon-r"));

} // namespace
