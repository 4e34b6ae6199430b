// Nikon live view and movie end to end against the virtual Nikon bodies: the
// session start on each, frames in each header layout (fixed 128 and 384
// bytes, the (A, B) header, the extended header), focus point and zoom, and a
// recording that adds a movie file.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "hub_fixture.h"
#include "ptp_capture.h"
#include "ptp_liveview.h"
#include "ptp_nikon.h"
#include "sim_jpeg.h"

namespace {

constexpr PtpResult kNotInLiveView = 0xA00B;
constexpr uint16_t kOpStartLiveView = 0x9201;
constexpr uint16_t kOpDeviceReady = 0x90C8;
constexpr uint16_t kPropLiveViewStatus = 0xD1A2;
constexpr uint16_t kFormatMov = 0x300D;
constexpr uint32_t kRecord = PTP_NIKON_LIVE_VIEW_INFO_SIZE;

struct Body {
    const char* camera;
    uint8_t model;         // the library's number for the Model text
    uint16_t frameOp;      // the frame request the driver picks from the DeviceInfo
    uint32_t jpegOffset;   // where the record puts the JPEG
    PtpResult outside;     // a frame request outside live view
    uint16_t zoomProperty; // what zoom level 100 writes, and the value
    uint32_t zoom100;
    bool movie; // the body records movies on request
};
// clang-format off
const Body kBodies[] = {
    {"nikon",       219, 0x9203, kRecord,    kNotInLiveView,       0xD1A3, 6,    true},
    {"nikon-z6",    220, 0x9428, 1024,       PtpResult_DeviceBusy, 0xD1BD, 1024, true},
    {"nikon-d800",  196, 0x9203, 384 + 8,    kNotInLiveView,       0xD1A3, 4,    true},
    {"nikon-d5000", 192, 0x9203, 128 + 8,    kNotInLiveView,       0xD1A3, 5,    false},
};
// clang-format on

struct Frame {
    PtpResult rc = 0;
    PtpNikonLiveViewInfo info = {};
    std::vector<uint8_t> jpeg;
};

Frame Fetch() {
    Frame f;
    std::vector<uint8_t> frame;
    f.rc = FetchLiveView(&frame);
    if (f.rc != PtpResult_Ok) return f;
    EXPECT_GE(frame.size(), kRecord);
    std::memcpy(&f.info, frame.data(), sizeof f.info);
    const uint64_t end = uint64_t(f.info.jpegOffset) + f.info.jpegSize;
    EXPECT_LE(end, frame.size());
    if (end <= frame.size()) f.jpeg.assign(frame.data() + f.info.jpegOffset, frame.data() + end);
    return f;
}

class NikonLiveView : public HubTest, public ::testing::WithParamInterface<Body> {
  protected:
    const char* camera() const override { return GetParam().camera; }
    void SetUp() override {
        HubTest::SetUp();
        ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
        EXPECT_EQ(PtpGenericInterface_CameraModel(), GetParam().model);
        EXPECT_TRUE(ReadProperty(kPropLiveViewStatus).found); // from the bulk descriptions
    }
};

TEST_P(NikonLiveView, FramesInTheBodysLayout) {
    const Body& body = GetParam();
    EXPECT_EQ(Fetch().rc, body.outside);
    SimHub_ResetStats(hub);
    ASSERT_EQ(PtpGenericInterface_ToggleLiveView(1), PtpResult_Ok);
    EXPECT_EQ(CameraValue(kPropLiveViewStatus), 1u);
    // The camera is busy for a moment after the start; the driver waits it out.
    std::vector<uint16_t> ops = SimHub_Stats(hub).operations;
    auto start = std::find(ops.begin(), ops.end(), kOpStartLiveView);
    ASSERT_NE(start, ops.end());
    EXPECT_GE(std::count(start, ops.end(), kOpDeviceReady), 2);

    Frame first = Fetch(), second = Fetch();
    for (const Frame* f : {&first, &second}) {
        ASSERT_EQ(f->rc, PtpResult_Ok);
        EXPECT_EQ(uint32_t(f->info.jpegOffset), body.jpegOffset);
        ASSERT_GE(f->jpeg.size(), 4u);
        EXPECT_EQ(f->jpeg[0], 0xFF);
        EXPECT_EQ(f->jpeg[1], 0xD8);
        EXPECT_EQ(f->jpeg[f->jpeg.size() - 2], 0xFF);
        EXPECT_EQ(f->jpeg.back(), 0xD9);
        // The header's image size is the JPEG's own.
        SimJpegFacts facts = SimJpeg_Inspect(f->jpeg.data(), f->jpeg.size());
        EXPECT_GT(facts.width, 0u);
        EXPECT_EQ(uint32_t(f->info.words8[0]), facts.width);
        EXPECT_EQ(uint32_t(f->info.words8[1]), facts.height);
        EXPECT_EQ(uint32_t(f->info.zoomX), uint32_t(f->info.areaWidth / 2)); // the point starts in the middle
        EXPECT_EQ(uint32_t(f->info.zoomY), uint32_t(f->info.areaHeight / 2));
    }
    EXPECT_NE(first.jpeg, second.jpeg) << "the picture moves";
    ops = SimHub_Stats(hub).operations;
    EXPECT_NE(std::find(ops.begin(), ops.end(), body.frameOp), ops.end());

    const uint16_t width = first.info.areaWidth, height = first.info.areaHeight;
    ASSERT_GT(width, 0u);
    ASSERT_EQ(PtpGenericInterface_SetLiveViewPosition(0.25, 0.75), PtpResult_Ok);
    ASSERT_EQ(PtpGenericInterface_SetLiveViewZoomLevel(100), PtpResult_Ok);
    EXPECT_EQ(CameraValue(body.zoomProperty), body.zoom100);
    Frame moved = Fetch();
    ASSERT_EQ(moved.rc, PtpResult_Ok);
    EXPECT_EQ(uint32_t(moved.info.zoomX), uint32_t(uint16_t(width * 0.25)));
    EXPECT_EQ(uint32_t(moved.info.zoomY), uint32_t(uint16_t(height * 0.75)));
    EXPECT_LT(uint32_t(moved.info.words16[0]), uint32_t(width)) << "zoomed in, a part of the frame shows";

    ASSERT_EQ(PtpGenericInterface_ToggleLiveView(0), PtpResult_Ok);
    EXPECT_EQ(CameraValue(kPropLiveViewStatus), 0u);
    EXPECT_EQ(PtpGenericInterface_GetLiveViewZoomLevel(0), 0);
    EXPECT_EQ(Fetch().rc, body.outside);
}

TEST_P(NikonLiveView, RecordingAddsAMovie) {
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    ASSERT_TRUE(SettleEventLoop());
    DrainEvents();
    ASSERT_EQ(PtpGenericInterface_StartMovieMode(), PtpResult_Ok);
    EXPECT_EQ(CameraValue(kPropLiveViewStatus), 1u);
    EXPECT_EQ(Fetch().rc, PtpResult_Ok);
    if (!GetParam().movie) {
        EXPECT_NE(PtpGenericInterface_StartRecordMovie(), PtpResult_Ok);
    } else {
        const uint32_t objects = SimHub_ObjectCount(hub);
        ASSERT_EQ(PtpGenericInterface_StartRecordMovie(), PtpResult_Ok);
        const auto stop = std::chrono::steady_clock::now();
        ASSERT_EQ(PtpGenericInterface_StopRecordMovie(), PtpResult_Ok);
        // The stop returns once the file's event has come, not after its 10 s limit.
        EXPECT_LT(std::chrono::steady_clock::now() - stop, std::chrono::seconds(5));
        EXPECT_EQ(SimHub_ObjectCount(hub), objects + 1);

        std::vector<TakenEvent> taken;
        ASSERT_TRUE(WaitForEvent([](const TakenEvent& e) { return e.code == 0x4002; }, &taken));
        const PtpObjectInfo& movie = taken.back().object;
        EXPECT_EQ(movie.objectFormat, kFormatMov);
        SimObjectFacts stored;
        ASSERT_TRUE(SimHub_GetObjectFacts(hub, movie.handle, &stored));
        EXPECT_EQ(std::string(movie.fileName), stored.name);
        EXPECT_EQ(movie.compressedSize, stored.bytes->size());
    }
    ASSERT_EQ(PtpGenericInterface_StopMovieMode(), PtpResult_Ok);
    EXPECT_EQ(CameraValue(kPropLiveViewStatus), 0u);
}

INSTANTIATE_TEST_SUITE_P(Bodies, NikonLiveView, ::testing::ValuesIn(kBodies),
                         [](const ::testing::TestParamInfo<Body>& info) {
                             std::string name = info.param.camera;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

} // namespace
