// The Canon model table and the capability queries through the public API, on
// the virtual Canon cameras: a DSLR without a model number (5D Mark IV) and two
// mirrorless bodies (EOS R, EOS R5).
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "hub_fixture.h"
#include "ptp_capabilities.h"
#include "ptp_eos.h"
#include "ptp_names.h"
#include "ptp_objects.h"

namespace {

class CanonDslrModel : public HubTest {};

TEST_F(CanonDslrModel, IsKnownAndAnswersFromItsProperties) {
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_CameraModel(), 0);
    EXPECT_EQ(PtpEosInterface_RawImageFormat(), 0xB103u);
    EXPECT_STREQ(PtpGenericInterface_StringForPropertyCodeValue(0xD102, 0x0C), "bulb");

    EXPECT_TRUE(PtpGenericInterface_SupportsHalfPress());      // lists 0x9128
    EXPECT_TRUE(PtpGenericInterface_SupportsMovieRecording()); // lists 0x9133
    EXPECT_FALSE(PtpGenericInterface_SupportsLensZoom());
    EXPECT_FALSE(PtpGenericInterface_IsAutoIso()); // ISO 400
    EXPECT_FLOAT_EQ(PtpGenericInterface_ApertureValue(), 5.6f);
    const char* lens = PtpGenericInterface_LensName();
    ASSERT_NE(lens, nullptr);
    EXPECT_STREQ(lens, "EF24-70mm f/2.8L II USM");
    EXPECT_EQ(PtpGenericInterface_BatteryPercentage(4), 75u);

    // Large Fine JPEG.
    EXPECT_TRUE(PtpGenericInterface_IsImageFormatJpg());
    EXPECT_FALSE(PtpGenericInterface_IsImageFormatRaw());
    uint32_t jpg = 0, raw = 0;
    ASSERT_EQ(PtpGenericInterface_GetCurrentJpgFormat(&jpg), PtpResult_Ok);
    ASSERT_EQ(PtpGenericInterface_GetCurrentRawFormat(&raw), PtpResult_Ok);
    EXPECT_EQ(jpg, 0x1100C000u);
    EXPECT_EQ(raw, 0xFFFFFFFFu);

    uint32_t* formats = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(PtpGenericInterface_GetPossibleImageFormats(6, &formats, &count), PtpResult_Ok);
    EXPECT_EQ(std::vector<uint32_t>(formats, formats + count),
              (std::vector<uint32_t>{0xFFFFFFFF, 0x16010000, 0x16050000, 0x16090000}));
    FreeMemory(formats);

    // RAW first and Large Fine JPEG second: "RAW + Large Fine JPEG", verified.
    ASSERT_EQ(PtpGenericInterface_SetImageFormat(0x16010000, 0x1100C000), PtpResult_Ok);
    EXPECT_TRUE(PtpGenericInterface_IsImageFormatRawPlusJpg());
    ASSERT_EQ(PtpGenericInterface_GetCurrentRawFormat(&raw), PtpResult_Ok);
    EXPECT_EQ(raw, 0x16010000u);
    EXPECT_EQ(PtpGenericInterface_GetProperty(0xD120, 0)->currentValue, 0x26010403u);
}

class CanonMirrorlessModel : public HubTest {
    const char* camera() const override { return "canon-r"; }
};

TEST_F(CanonMirrorlessModel, HasItsNumberRawFormatAndShutterLabels) {
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_CameraModel(), 228);
    EXPECT_EQ(PtpEosInterface_RawImageFormat(), 0xB108u);
    // Mirrorless bodies report "Auto" as shutter code 4.
    EXPECT_STREQ(PtpGenericInterface_StringForPropertyCodeValue(0xD102, 4), "Auto");
}

class CanonR5Model : public HubTest {
    const char* camera() const override { return "canon-r5"; }
};

TEST_F(CanonR5Model, SharesTheNumberOfTheR6) {
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_CameraModel(), 230);
    EXPECT_EQ(PtpEosInterface_RawImageFormat(), 0xB108u);
}

} // namespace
