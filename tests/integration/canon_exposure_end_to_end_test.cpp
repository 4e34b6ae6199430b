// Exposure sequences end to end, through the shipped library against the
// virtual EOS 5D Mark IV over loopback: a bulb exposure that stores one
// picture, and switching bracketing on and off.
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "hub_fixture.h"
#include "ptp_exposure.h"
#include "ptp_properties.h"
#include "sim_canon_hooks.h"

namespace {

constexpr uint32_t kObjectAdded = 0x4002;
constexpr uint32_t kShutterSpeed = 0xD102;
constexpr uint32_t kBracketing = 0xD1D9;
constexpr uint32_t kShutterBulb = 0x0C;

class CanonExposure : public HubTest {
  protected:
    void SetUp() override {
        HubTest::SetUp();
        ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
        PtpGenericInterface_StartEventCheckLoop(nullptr);
        ASSERT_TRUE(SettleEventLoop());
        DrainEvents();
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
    uint32_t camera = 1;
    ASSERT_TRUE(SimHub_GetPropertyValue(hub, kBracketing, &camera));
    EXPECT_EQ(camera, 0u);
    // A step the list does not hold is refused before anything is sent.
    EXPECT_EQ(
        PtpGenericInterface_SetBracketing(PtpGenericInterface_ExposureBracketValueForStop(0.5f)),
        0x2006);
}

} // namespace
