// Canon shots, bulb and bracketing end to end against the virtual EOS cameras over loopback.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "hub_fixture.h"
#include "ptp_capture.h"
#include "ptp_eos.h"
#include "ptp_exposure.h"
#include "ptp_objects.h"
#include "ptp_properties.h"
#include "sim_canon_hooks.h"

namespace {

constexpr uint32_t kObjectAdded = 0x4002;
constexpr uint32_t kShutterSpeed = 0xD102;
constexpr uint32_t kBracketing = 0xD1D9;
constexpr uint32_t kShutterBulb = 0x0C;
constexpr uint16_t kFormatExifJpeg = 0x3801;
constexpr uint32_t kMirrorUp = 0xD13A;
constexpr uint32_t kColorSpace = 0xD10F;

// The card's picture, which every shot copies: the build's sample JPEG with a
// patterned tail to 1.5 MiB, so the download spans many relay reads.
bool WriteLargePicture(const std::string& dir) {
    const char* samples = SimHub_DefaultPictures();
    if (!samples) return false;
    std::ifstream in(std::string(samples) + "/Canon.jpg", std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return false;
    uint32_t x = 2463534242u;
    while (bytes.size() < (3u << 19)) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        bytes.push_back(char(x));
    }
    std::ofstream out(dir + "/large.jpg", std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

class CanonShot : public HubTest {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/canon_shot_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        madeDir = dir;
        if (WriteLargePicture(madeDir)) picturesDir = madeDir;
        HubTest::SetUp();
    }
    void TearDown() override {
        HubTest::TearDown();
        std::remove((madeDir + "/large.jpg").c_str());
        rmdir(madeDir.c_str());
    }
    std::string madeDir;
};

TEST_F(CanonShot, AddsOneObjectThatDownloadsWhole) {
    // The record type announcing the object (the others' parsing is the unit tests').
    SimHub_SetCanonObjectRecord(hub, 0xC181);
    ASSERT_TRUE(StartSessionAndLoop());
    const std::vector<uint32_t> before = SimHub_ObjectHandles(hub);

    // Press: the shutter is held and the event loop paused until the release.
    ASSERT_EQ(PtpGenericInterface_InitiateImageCapture(), PtpResult_Ok);
    EXPECT_TRUE(SimHub_CanonStats(hub).full_pressed);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1);
    ASSERT_EQ(PtpGenericInterface_InitiateShutterRelease(), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);

    const std::vector<uint32_t> after = SimHub_ObjectHandles(hub);
    ASSERT_EQ(after.size(), before.size() + 1); // Large Fine JPEG: one file
    SimObjectFacts stored;
    ASSERT_TRUE(SimHub_GetObjectFacts(hub, after.back(), &stored));
    ASSERT_TRUE(stored.bytes);

    std::vector<TakenEvent> taken;
    ASSERT_EQ(CountEventsAfterShot(kObjectAdded, &taken), 1);
    const PtpObjectInfo* info = nullptr;
    for (const TakenEvent& e : taken)
        if (e.code == kObjectAdded) info = &e.object;
    EXPECT_EQ(info->handle, stored.handle);
    EXPECT_EQ(std::string(info->fileName), stored.name);
    EXPECT_EQ(info->fileNameLength, stored.name.size() + 1);
    EXPECT_EQ(info->compressedSize, stored.bytes->size());
    EXPECT_EQ(info->objectFormat, kFormatExifJpeg);
    EXPECT_EQ(info->imageWidth, stored.width); // the camera's own ObjectInfo, fetched for it
    EXPECT_EQ(info->imageHeight, stored.height);
    EXPECT_EQ(Download(stored.handle), *stored.bytes);
}

// The model under test: the 5D Mark IV presses in two steps, the 90D raises
// its mirror with a press of its own.
class CanonMirrorUp : public HubTest, public ::testing::WithParamInterface<const char*> {
  protected:
    const char* camera() const override { return GetParam(); }
};

TEST_P(CanonMirrorUp, ShotReleasesTwiceHalfASecondApart) {
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    ASSERT_EQ(PtpEosInterface_ToggleMirrorUpMode(true, 1), PtpResult_Ok);
    EXPECT_EQ(ReadProperty(kMirrorUp).value, 1u);
    EXPECT_EQ(CameraValue(kMirrorUp), 1u);

    SimHub_ResetStats(hub);
    ASSERT_EQ(PtpGenericInterface_TakeAndWaitForShotToComplete(), PtpResult_Ok);
    SimCanonStats camera = SimHub_CanonStats(hub);
    ASSERT_EQ(camera.release_millis.size(), 2u); // the mirror, then the picture
    EXPECT_GE(camera.release_millis[1] - camera.release_millis[0], 500u);
    EXPECT_EQ(camera.pictures, 1u);
    EXPECT_FALSE(camera.mirror_raised);
    ASSERT_EQ(PtpEosInterface_ToggleMirrorUpMode(false, 1), PtpResult_Ok);
    EXPECT_EQ(ReadProperty(kMirrorUp).value, 0u);
}

INSTANTIATE_TEST_SUITE_P(Models, CanonMirrorUp, ::testing::Values("canon", "canon-90d"));

using CanonStoring = HubTest;

// The wait writes the colour space back with its own value until the camera
// takes it. Each write is refused twice (the engine retries a busy answer once
// after 100 ms), and the next write follows 250 ms later.
TEST_F(CanonStoring, WaitRewritesEveryQuarterSecondWhileTheCameraIsBusy) {
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    constexpr uint32_t kStoringMillis = 1200;
    SimHub_SetBusyAfterShot(hub, kStoringMillis);
    SimHub_ResetStats(hub);

    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(PtpGenericInterface_TakeAndWaitForShotToComplete(), PtpResult_Ok);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kStoringMillis));

    SimCanonStats camera = SimHub_CanonStats(hub);
    EXPECT_EQ(camera.pictures, 1u);
    ASSERT_EQ(camera.release_millis.size(), 1u);
    const uint32_t shot = camera.release_millis[0];
    const std::vector<uint32_t>& busy = camera.busy_millis;
    // Three or more writes fit in the storing time at this pace; a slower one
    // would fit two.
    ASSERT_GE(busy.size(), 6u);
    EXPECT_GE(busy.front(), shot);
    for (size_t i = 1; i + 1 < busy.size(); i += 2) // (the engine's retry between is its own test)
        EXPECT_GE(busy[i + 1] - busy[i], 250u) << "next write " << i;
    // Then the camera took the write: its own colour space, unchanged.
    EXPECT_EQ(camera.writes, 1u);
    EXPECT_EQ(camera.last_written_code, kColorSpace);
    EXPECT_EQ(camera.last_written_value, 1u); // sRGB
    EXPECT_FALSE(camera.storing);
}

// A release in a new session must not end a pause the host takes itself.
using CanonPressAcrossSessions = HubTest;

TEST_F(CanonPressAcrossSessions, NewSessionForgetsThePauseOfAPressHeldInTheLastOne) {
    SimHub_SetBusyAfterShot(hub, 0);
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    ASSERT_EQ(PtpGenericInterface_InitiateImageCapture(), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1);

    PtpGenericInterface_StopEventCheckLoop(1);
    CloseServerConnection();
    ASSERT_TRUE(Connect());
    InitializeLibrary();
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    PtpGenericInterface_StartEventCheckLoop(nullptr);

    ASSERT_TRUE(PtpGenericInterface_PauseEventCheckLoop());
    ASSERT_EQ(PtpEosInterface_InitiateImageCapture(true), PtpResult_Ok);
    EXPECT_EQ(SimHub_CanonStats(hub).pictures, 2u);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1); // still the host's
    EXPECT_TRUE(PtpGenericInterface_ResumeEventCheckLoop());
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
}

class CanonExposure : public HubTest {
  protected:
    void SetUp() override {
        HubTest::SetUp();
        ASSERT_TRUE(StartSessionAndLoop());
    }
};

TEST_F(CanonExposure, BulbExposureStoresOnePicture) {
    EXPECT_TRUE(PtpGenericInterface_IsBulbAvailable());
    EXPECT_FALSE(PtpGenericInterface_CanStartBulb()); // 1/125 in M
    ASSERT_EQ(PtpGenericInterface_SetPropertyValue(kShutterSpeed, kShutterBulb, 1), PtpResult_Ok);
    EXPECT_TRUE(PtpGenericInterface_IsBulbMode());
    ASSERT_TRUE(PtpGenericInterface_CanStartBulb());
    const size_t before = SimHub_ObjectHandles(hub).size();
    const uint32_t picturesBefore = SimHub_CanonStats(hub).pictures;

    ASSERT_EQ(PtpGenericInterface_StartBulb(), PtpResult_Ok);
    EXPECT_TRUE(SimHub_CanonStats(hub).bulb_open);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ASSERT_EQ(PtpGenericInterface_StopBulb(), PtpResult_Ok);

    SimCanonStats stats = SimHub_CanonStats(hub);
    EXPECT_FALSE(stats.bulb_open);
    EXPECT_GE(stats.last_bulb_ms, 400u); // the shutter stayed open until the close
    EXPECT_EQ(stats.pictures, picturesBefore + 1);
    EXPECT_FALSE(stats.storing); // the close waited until the camera had stored it
    EXPECT_EQ(SimHub_ObjectHandles(hub).size(), before + 1);

    std::vector<TakenEvent> taken;
    EXPECT_EQ(CountEventsAfterShot(kObjectAdded, &taken), 1);
}

TEST_F(CanonExposure, BracketingOnAndOff) {
    EXPECT_TRUE(PtpGenericInterface_IsExposureBracketingEnabled()); // mode M
    EXPECT_FALSE(PtpGenericInterface_IsExposureBracketingOn());
    const uint32_t value = PtpGenericInterface_ExposureBracketValueForStop(2.0f / 3); // 5
    ASSERT_EQ(PtpGenericInterface_SetBracketing(value), PtpResult_Ok);
    EXPECT_TRUE(PtpGenericInterface_IsExposureBracketingOn());
    RecordCopy on = ReadProperty(kBracketing);
    EXPECT_EQ(on.value, 5u);
    EXPECT_EQ(on.label, "+/- 2/3");
    ASSERT_EQ(PtpGenericInterface_TurnOffBracketing(), PtpResult_Ok);
    EXPECT_EQ(CameraValue(kBracketing), 0u);
    // A step the list does not hold is refused before anything is sent.
    EXPECT_EQ(
        PtpGenericInterface_SetBracketing(PtpGenericInterface_ExposureBracketValueForStop(0.5f)),
        0x2006);
}

} // namespace
