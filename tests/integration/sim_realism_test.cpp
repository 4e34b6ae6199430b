// The virtual cameras as a user meets them: shots at the body's pixel size
// with EXIF naming it, pictures taken on the camera's own, live view at the
// camera's frame rate.
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "hub_fixture.h"
#include "ptp_capture.h"
#include "ptp_liveview.h"

namespace {

struct JpegFacts {
    uint32_t width = 0, height = 0;
    std::string make, model;
};

// IFD0's ASCII value of `tag` in a little- or big-endian TIFF block.
std::string exif_text(const uint8_t* tiff, size_t n, uint16_t tag) {
    const bool be = n > 1 && tiff[0] == 'M';
    auto get = [&](size_t at, int bytes) {
        uint32_t v = 0;
        for (int i = 0; i < bytes && at + bytes <= n; ++i)
            v |= uint32_t(tiff[at + i]) << 8 * (be ? bytes - 1 - i : i);
        return v;
    };
    const size_t ifd = get(4, 4);
    for (uint32_t i = 0, count = get(ifd, 2); i < count; ++i) {
        const size_t e = ifd + 2 + 12 * i;
        const uint32_t len = get(e + 4, 4), at = get(e + 8, 4);
        if (get(e, 2) == tag && get(e + 2, 2) == 2 && len > 4 && at < n && n - at >= len)
            return std::string(reinterpret_cast<const char*>(tiff + at), len - 1);
    }
    return "";
}

// The frame header's size and the EXIF Make and Model, read as a viewer would.
JpegFacts inspect(const std::vector<uint8_t>& j) {
    JpegFacts f;
    for (size_t pos = 2; j.size() - pos >= 9 && j[pos] == 0xFF;) {
        const uint8_t m = j[pos + 1];
        const size_t len = size_t(j[pos + 2]) << 8 | j[pos + 3];
        if (m == 0xDA || len < 2 || j.size() - pos - 2 < len) break;
        const uint8_t* body = j.data() + pos + 4;
        if (m == 0xC0) {
            f.height = uint32_t(body[1] << 8 | body[2]);
            f.width = uint32_t(body[3] << 8 | body[4]);
        } else if (m == 0xE1 && len > 8 && std::memcmp(body, "Exif\0\0", 6) == 0) {
            f.make = exif_text(body + 6, len - 8, 0x010F);
            f.model = exif_text(body + 6, len - 8, 0x0110);
        }
        pos += 2 + len;
    }
    return f;
}

// A hub with the tool's defaults (full-size pictures, paced live view).
class SimRealism : public HubTest {
  protected:
    void Start(const char* camera, double shoot_every = 0) {
        SimOptions options;
        options.camera = camera;
        options.shoot_every_seconds = shoot_every;
        hub = SimHub_Start(options);
        ASSERT_NE(hub, nullptr);
        ASSERT_TRUE(Connect());
        InitializeLibrary();
        DrainEvents();
        ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    }
    void SetUp() override {}
    void TearDown() override {
        if (hub) HubTest::TearDown();
    }
};

TEST_F(SimRealism, ShotsHaveTheBodysSizeAndNameItInExif) {
    struct Row {
        const char* camera;
        uint32_t width, height;
        const char *make, *model;
    } rows[] = {{"canon", 6720, 4480, "Canon Inc.", "Canon EOS 5D Mark IV"},
                {"nikon", 8256, 5504, "Nikon", "D850"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.camera);
        Start(row.camera);
        ASSERT_EQ(PtpGenericInterface_TakeAndWaitForShotToComplete(), PtpResult_Ok);
        const std::vector<uint8_t> jpeg = Download(SimHub_ObjectHandles(hub).back());
        const JpegFacts f = inspect(jpeg);
        EXPECT_EQ(f.width, row.width);
        EXPECT_EQ(f.height, row.height);
        EXPECT_EQ(f.make, row.make);
        EXPECT_EQ(f.model, row.model);
        EXPECT_GT(jpeg.size(), 1u << 20);
        HubTest::TearDown();
        hub = nullptr;
    }
}

TEST_F(SimRealism, CameraShootingOnItsOwnAnnouncesPicturesThatDownloadWhole) {
    Start("canon", 0.2);
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    std::vector<TakenEvent> added;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (TakenEvent e; TakeEvent(&e);)
                if (e.code == 0x4002) added.push_back(e);
            return added.size() >= 2;
        },
        std::chrono::seconds(15)));
    for (const TakenEvent& e : added) {
        SimObjectFacts stored;
        ASSERT_TRUE(SimHub_GetObjectFacts(hub, e.object.handle, &stored));
        const std::vector<uint8_t> bytes = Download(e.object.handle);
        EXPECT_EQ(bytes.size(), e.object.compressedSize);
        EXPECT_TRUE(bytes == *stored.bytes);
    }
    EXPECT_NE(added[0].object.handle, added[1].object.handle);
}

TEST_F(SimRealism, LiveViewIsPacedToThirtyFramesASecond) {
    Start("canon");
    ASSERT_EQ(PtpGenericInterface_ToggleLiveView(1), PtpResult_Ok);
    const int kFrames = 16;
    std::chrono::steady_clock::time_point first;
    for (int i = 0; i < kFrames; ++i) {
        std::vector<uint8_t> frame;
        ASSERT_EQ(FetchLiveView(&frame), PtpResult_Ok);
        if (i == 0) first = std::chrono::steady_clock::now();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - first).count();
    const double rate = (kFrames - 1) / seconds;
    EXPECT_LE(rate, 31.0); // paced: a slow or loaded machine is slower, never faster
}

} // namespace
