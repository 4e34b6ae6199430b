// A Canon session through the public API against the virtual Canon cameras:
// the first report fills the property store, and a verified write is seen in
// the camera's event data.
#include <gtest/gtest.h>

#include "hub_fixture.h"
#include "ptp_properties.h"

namespace {

class CanonSession : public HubTest {};

TEST_F(CanonSession, FirstReportFillsTheStoreAndAWriteIsVerified) {
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    EXPECT_EQ(PtpGetAutoExposurePropertyCode(), 0xD105u);

    PtpPropertyRecord* format = PtpGenericInterface_GetProperty(0xD120, 0);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->currentValue, 0x1100C000u); // Large Fine JPEG
    EXPECT_STREQ(format->currentLabel, "Large Fine JPEG");
    EXPECT_GT(format->valueCount, 1);

    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0xD120, 0x26010403, 1), PtpResult_Ok);
    EXPECT_EQ(format->currentValue, 0x26010403u); // RAW + Large Fine JPEG
    SimCanonStats stats = SimHub_CanonStats(hub);
    EXPECT_EQ(stats.last_written_code, 0xD120);
    EXPECT_EQ(stats.last_written_value, 0x26010403u);
}

class CanonR : public HubTest {
    const char* camera() const override { return "canon-r"; }
};

TEST_F(CanonR, ModeDialIsTheExposureModeAndFocusModeIsMadeUp) {
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    EXPECT_EQ(PtpGetAutoExposurePropertyCode(), 0xD138u);
    // Reported but not described by the camera: the driver gives it a list.
    PtpPropertyRecord* focus = PtpGenericInterface_GetProperty(0xD108, 0);
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus->valueCount, 4);
    EXPECT_EQ(focus->access, 0);
}

} // namespace
