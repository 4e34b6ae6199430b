// Exposure sequences end to end, through the shipped library against the
// virtual EOS 5D Mark IV over loopback: a bulb exposure that stores one
// picture, switching bracketing on and off, and the step counts and HDR series
// the camera's own lists give.
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "hub_fixture.h"
#include "ptp_exposure.h"
#include "ptp_properties.h"

namespace {

constexpr uint32_t kObjectAdded = 0x4002;
constexpr uint32_t kAperture = 0xD101;
constexpr uint32_t kShutterSpeed = 0xD102;
constexpr uint32_t kIso = 0xD103;
constexpr uint32_t kBracketing = 0xD1D9;
constexpr uint32_t kShutterBulb = 0x0C;
constexpr uint32_t kOneOver125 = 0x70;

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
    EXPECT_EQ(SimHub_ObjectHandles(hub).size(), before); // nothing stored while open
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ASSERT_EQ(PtpGenericInterface_StopBulb(), PtpResult_Ok);

    SimCanonStats stats = SimHub_CanonStats(hub);
    EXPECT_FALSE(stats.bulb_open);
    EXPECT_GE(stats.last_bulb_ms, 400u); // the shutter stayed open until the close
    EXPECT_EQ(stats.pictures, picturesBefore + 1);
    EXPECT_FALSE(stats.storing); // the close waited until the camera had stored it
    EXPECT_EQ(SimHub_ObjectHandles(hub).size(), before + 1);

    std::vector<TakenEvent> taken;
    ASSERT_TRUE(TakeEventsAfter(kObjectAdded, &taken));
    int added = 0;
    for (const TakenEvent& e : taken)
        added += e.code == kObjectAdded;
    EXPECT_EQ(added, 1);
}

TEST_F(CanonExposure, BracketingOnAndOff) {
    EXPECT_TRUE(PtpGenericInterface_IsExposureBracketingEnabled()); // mode M
    EXPECT_FALSE(PtpGenericInterface_IsExposureBracketingOn());
    EXPECT_FLOAT_EQ(PtpGenericInterface_MaxExposureBracketStop(), 3.0f); // "+/- 3"
    const uint32_t value = PtpGenericInterface_ExposureBracketValueForStop(2.0f / 3);
    EXPECT_EQ(value, 5u);
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

TEST_F(CanonExposure, StepsFromTheCameraLists) {
    EXPECT_EQ(PtpGenericInterfaceStepsForStop(kShutterSpeed), 3u);
    EXPECT_EQ(PtpGenericInterfaceStepsForStop(kAperture), 3u);
    EXPECT_EQ(PtpGenericInterfaceStepsForStop(kIso), 3u);
    EXPECT_EQ(PtpGenericInterface_ExposureCompensationStepSize(), 3u);
    EXPECT_FLOAT_EQ(PtpGenericInterface_MaxExposureCompensationStop(0), 5.0f);
    EXPECT_FLOAT_EQ(PtpGenericInterface_MinExposureCompensationStop(0), -5.0f);
    EXPECT_FLOAT_EQ(PtpGenericInterface_GetNextBracketStep(1.0f, 3), 1.0000001f);
    EXPECT_EQ(PtpGenericInterface_MillisecondsForShutterSpeed(kOneOver125), 8);

    // Shutter speeds: bulb, then 30" to 1/8000 in thirds; 1/125 is 12 stops
    // (36 entries) after 30", so 37 entries lie before it and 18 after. One stop
    // (3 entries) at a time, 12 fit on the bright side and 6 on the dark side.
    EXPECT_EQ(PtpGenericInterface_GetMaxNumberOfHdrSteps(kShutterSpeed, kOneOver125, 3, 0), 13u);
    EXPECT_EQ(PtpGenericInterface_GetMaxNumberOfHdrSteps(kShutterSpeed, kOneOver125, 3, 1), 7u);
    EXPECT_EQ(PtpGenericInterface_GetMaxNumberOfHdrSteps(kShutterSpeed, kOneOver125, 3, 2), 13u);
    EXPECT_STREQ(PtpGenericInterface_GetEndHdrValue(kShutterSpeed, kOneOver125, 3, 3, 0, 1),
                 "1/60");
    EXPECT_STREQ(PtpGenericInterface_GetEndHdrValue(kShutterSpeed, kOneOver125, 3, 3, 0, 2),
                 "1/250");
    // A series toward the brighter end ends, on the dark side, where it starts.
    EXPECT_STREQ(PtpGenericInterface_GetEndHdrValue(kShutterSpeed, kOneOver125, 3, 3, 2, 2),
                 "1/125");
}

} // namespace
