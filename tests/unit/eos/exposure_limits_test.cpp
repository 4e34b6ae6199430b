// Canon exposure availability and limits from the property store: bracketing and
// compensation by exposure mode, the largest bracketing step (kept for the
// session) and the compensation range (read afresh on every call).
#include <gtest/gtest.h>

#include "eos/eos_models.h"
#include "eos/eos_session.h"
#include "eos/label_tables.h"
#include "support/eos_scripted_camera.h"

namespace {

class EosExposure : public ::testing::Test {
  protected:
    void SetUp() override { connect({}); }

    // A Canon camera listing properties, with an empty store and its roles.
    void connect(std::vector<uint16_t> properties) {
        PtpClearPropertyStore();
        ScriptedCamera camera;
        camera.properties = std::move(properties);
        ASSERT_TRUE(scripted_connect(camera));
        PtpSetupPropertyRoles();
        PtpSession_SetMaxBracketStop(kMaxBracketStopUnknown); // as a session start does
        ASSERT_NE(PtpEos_ExposureModePropertyCode(), 0u);
    }
    void exposure_mode(uint32_t mode) {
        scripted_property(PtpEos_ExposureModePropertyCode(), mode);
    }
};

TEST_F(EosExposure, BracketingByExposureMode) {
    EXPECT_FALSE(PtpEos_IsExposureBracketingEnabled(false)); // no exposure mode yet
    PtpPropertyRecord* mode = scripted_property(PtpEos_ExposureModePropertyCode(), 0);
    for (uint32_t m = 0; m < 24; ++m) {
        mode->currentValue = m;
        bool allowed = m == 0 || m == 1 || m == 2 || m == 3 || m == 7 || m == 16 || m == 17;
        EXPECT_EQ(PtpEos_IsExposureBracketingEnabled(false), allowed) << m;
        // Asked with the support check, the camera must list 0xD1D9 too.
        EXPECT_FALSE(PtpEos_IsExposureBracketingEnabled(true)) << m;
    }
    connect({0xD1D9});
    exposure_mode(3);
    EXPECT_TRUE(PtpEos_IsExposureBracketingEnabled(true));
}

TEST_F(EosExposure, CompensationByExposureMode) {
    EXPECT_FALSE(PtpEos_IsExposureCompensationEnabled());
    PtpPropertyRecord* mode = scripted_property(PtpEos_ExposureModePropertyCode(), 0);
    for (uint32_t m = 0; m < 24; ++m) {
        mode->currentValue = m;
        EXPECT_EQ(PtpEos_IsExposureCompensationEnabled(), m <= 2) << m;
    }
    // Movie mode: only while 0xD1C5 is present and 0.
    mode->currentValue = 20;
    PtpPropertyRecord* gate = scripted_property(0xD1C5, 0);
    EXPECT_TRUE(PtpEos_IsExposureCompensationEnabled());
    gate->currentValue = 1;
    EXPECT_FALSE(PtpEos_IsExposureCompensationEnabled());
}

TEST_F(EosExposure, LargestBracketingStepIsKeptForTheSession) {
    scripted_property(0xD1D9, 0);
    EXPECT_EQ(PtpEos_MaxExposureBracketStop(), 0.0f); // an empty list is not kept
    EXPECT_EQ(PtpSession_MaxBracketStop(), kMaxBracketStopUnknown);

    std::vector<std::pair<const char*, uint32_t>> rows;
    for (const PtpValueLabel* row = kCanonExposureBracketingLabels; row->label[0]; ++row)
        rows.push_back({row->label, row->value});
    PtpClearPropertyStore();
    scripted_property(0xD1D9, 0, "Off", rows);
    EXPECT_FLOAT_EQ(PtpEos_MaxExposureBracketStop(), 3.0f); // "+/- 3" = 24 eighths

    // A smaller list later in the session does not change the kept value ...
    PtpClearPropertyStore();
    scripted_property(0xD1D9, 0, "Off", {{"Off", 0}, {"+/- 1", 8}, {"+/- 2", 16}});
    EXPECT_FLOAT_EQ(PtpEos_MaxExposureBracketStop(), 3.0f);
    // ... until the next session start forgets it.
    PtpSession_SetMaxBracketStop(kMaxBracketStopUnknown);
    EXPECT_FLOAT_EQ(PtpEos_MaxExposureBracketStop(), 2.0f);
}

// Only whole-stop labels of up to three characters count: "+3 1/3" does not.
TEST_F(EosExposure, CompensationRangeFromWholeStopLabels) {
    EXPECT_EQ(PtpEos_MaxExposureCompensationStop(), 0.0f);
    EXPECT_EQ(PtpEos_MinExposureCompensationStop(), 0.0f);

    std::vector<std::pair<const char*, uint32_t>> rows;
    for (const PtpValueLabel* row = kCanonExposureCompensationLabels; row->label[0]; ++row)
        rows.push_back({row->label, row->value});
    scripted_property(0xD104, 0, "0", rows);
    EXPECT_FLOAT_EQ(PtpEos_MaxExposureCompensationStop(), 5.0f);
    EXPECT_FLOAT_EQ(PtpEos_MinExposureCompensationStop(), -5.0f);

    // Recomputed on every call; only fractions give no range.
    PtpClearPropertyStore();
    scripted_property(0xD104, 0, "0", {{"+1/3", 0x03}, {"0", 0}, {"-1/3", 0xFD}});
    EXPECT_EQ(PtpEos_MaxExposureCompensationStop(), 0.0f);
    EXPECT_EQ(PtpEos_MinExposureCompensationStop(), 0.0f);
}

} // namespace
