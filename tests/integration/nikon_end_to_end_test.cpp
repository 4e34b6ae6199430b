// The virtual D850 end to end over loopback: the session start with its bulk
// property descriptions, a verified write, and a shot whose NEF is announced
// with its object information and downloads whole.
#include <algorithm>
#include <string>
#include <vector>

#include "hub_fixture.h"
#include "ptp_capture.h"

namespace {

constexpr uint8_t kCtlBulkDescriptions = 235;
constexpr uint16_t kOpDeviceReady = 0x90C8;
constexpr uint16_t kOpCaptureToCard = 0x9207;
constexpr uint32_t kObjectAdded = 0x4002;
constexpr uint16_t kFormatNef = 0x3000;

class Nikon : public HubTest {
  protected:
    const char* camera() const override { return "nikon"; }
};

TEST_F(Nikon, SessionStartLoadsTheBulkDescriptions) {
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    EXPECT_EQ(SimHub_Stats(hub).control_requests[kCtlBulkDescriptions], 1u);

    RecordCopy aperture = ReadProperty(0x5007);
    EXPECT_EQ(aperture.label, "f/8");
    EXPECT_EQ(aperture.values.size(), 19u);
    RecordCopy iso = ReadProperty(0xD0B4);
    EXPECT_EQ(iso.label, "ISO 200");
    ASSERT_EQ(iso.values.size(), 33u);
    EXPECT_EQ(*iso.LabelOf(32), "ISO Lo 1");
    EXPECT_EQ(*iso.LabelOf(102400), "ISO Hi 2");
    // The quality carries the image size's index and the RAW size above it.
    RecordCopy quality = ReadProperty(0x5004);
    EXPECT_EQ(quality.value, 12u);
    EXPECT_EQ(quality.label, "RAW + JPG (FINE)");
    EXPECT_EQ(ReadProperty(0xD100).label, "1/125");
    EXPECT_EQ(ReadProperty(0xD16A).value, 0u); // the camera's 1 (off), inverted
    EXPECT_TRUE(ReadProperty(0x5003).found);   // read apart from the bulk list
}

TEST_F(Nikon, VerifiedWriteReachesTheCameraAndTheStore) {
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    ASSERT_EQ(PtpGenericInterface_SetPropertyValue(0x5007, 560, 1), PtpResult_Ok);
    EXPECT_EQ(CameraValue(0x5007), 560u);
    EXPECT_EQ(ReadProperty(0x5007).label, "f/5.6");
}

TEST_F(Nikon, ShotAnnouncesANefThatDownloadsWhole) {
    ASSERT_TRUE(StartSessionAndLoop());
    SimHub_ResetStats(hub);

    ASSERT_EQ(PtpGenericInterface_TakeAndWaitForShotToComplete(), PtpResult_Ok);
    // The camera stays busy a while after the shot; the driver waits it out.
    const std::vector<uint16_t> ops = SimHub_Stats(hub).operations;
    auto shot = std::find(ops.begin(), ops.end(), kOpCaptureToCard);
    ASSERT_NE(shot, ops.end());
    EXPECT_GE(std::count(shot, ops.end(), kOpDeviceReady), 2);

    std::vector<TakenEvent> taken;
    ASSERT_EQ(CountEventsAfterShot(kObjectAdded, &taken), 2); // RAW + JPEG
    const PtpObjectInfo* nef = nullptr;
    for (const TakenEvent& e : taken)
        if (e.code == kObjectAdded && e.object.objectFormat == kFormatNef) nef = &e.object;
    ASSERT_NE(nef, nullptr);
    SimObjectFacts stored;
    ASSERT_TRUE(SimHub_GetObjectFacts(hub, nef->handle, &stored));
    EXPECT_EQ(std::string(nef->fileName), stored.name);
    EXPECT_EQ(nef->compressedSize, stored.bytes->size());
    EXPECT_EQ(Download(nef->handle), *stored.bytes);
}

} // namespace
