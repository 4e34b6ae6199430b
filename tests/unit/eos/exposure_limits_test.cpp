// Canon bracketing and compensation limits, through the vendor-neutral calls.
#include <gtest/gtest.h>

#include "eos/eos_session.h"
#include "eos/label_tables.h"
#include "ptp_exposure.h"
#include "support/eos_scripted_camera.h"

namespace {

using Rows = std::vector<std::pair<const char*, uint32_t>>;

// The rows of a label table, as the camera would list them.
Rows rows_of(const PtpValueLabel* table) {
    Rows rows;
    for (const PtpValueLabel* row = table; row->label[0]; ++row)
        rows.push_back({row->label, row->value});
    return rows;
}

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
};

// Bracketing in P, Tv, Av, M, A-DEP, C1, C2, and only when the camera lists
// 0xD1D9; compensation in P, Tv, Av, and in movie mode while 0xD1C5 is 0.
TEST_F(EosExposure, AvailabilityByExposureMode) {
    EXPECT_FALSE(PtpGenericInterface_IsExposureBracketingEnabled()); // no exposure mode yet
    EXPECT_FALSE(PtpGenericInterface_IsExposureCompensationEnabled());
    for (bool listsBracketing : {false, true}) {
        connect(listsBracketing ? std::vector<uint16_t>{0xD1D9} : std::vector<uint16_t>{});
        PtpPropertyRecord* mode = scripted_property(PtpEos_ExposureModePropertyCode(), 0);
        for (uint32_t m = 0; m < 24; ++m) {
            mode->currentValue = m;
            bool bracketing = m == 0 || m == 1 || m == 2 || m == 3 || m == 7 || m == 16 || m == 17;
            EXPECT_EQ(PtpGenericInterface_IsExposureBracketingEnabled(),
                      bracketing && listsBracketing)
                << m;
            if (m != 20) EXPECT_EQ(PtpGenericInterface_IsExposureCompensationEnabled(), m <= 2);
        }
        mode->currentValue = 20;
        EXPECT_FALSE(PtpGenericInterface_IsExposureCompensationEnabled()); // no 0xD1C5
        PtpPropertyRecord* gate = scripted_property(0xD1C5, 0);
        EXPECT_TRUE(PtpGenericInterface_IsExposureCompensationEnabled());
        gate->currentValue = 1;
        EXPECT_FALSE(PtpGenericInterface_IsExposureCompensationEnabled());
    }
}

TEST_F(EosExposure, LargestBracketingStepIsKeptForTheSession) {
    EXPECT_EQ(PtpGenericInterface_MaxExposureBracketStop(), 0.0f); // no 0xD1D9
    scripted_property(0xD1D9, 0);
    EXPECT_EQ(PtpGenericInterface_MaxExposureBracketStop(), 0.0f); // an empty list is not kept
    EXPECT_EQ(PtpSession_MaxBracketStop(), kMaxBracketStopUnknown);

    PtpClearPropertyStore();
    scripted_property(0xD1D9, 0, "Off", rows_of(kCanonExposureBracketingLabels));
    EXPECT_FLOAT_EQ(PtpGenericInterface_MaxExposureBracketStop(), 3.0f); // "+/- 3" = 24 eighths

    // A smaller list later in the session does not change the kept value ...
    PtpClearPropertyStore();
    scripted_property(0xD1D9, 0, "Off", {{"Off", 0}, {"+/- 1", 8}, {"+/- 2", 16}});
    EXPECT_FLOAT_EQ(PtpGenericInterface_MaxExposureBracketStop(), 3.0f);
    // ... until the next session start forgets it.
    PtpSession_SetMaxBracketStop(kMaxBracketStopUnknown);
    EXPECT_FLOAT_EQ(PtpGenericInterface_MaxExposureBracketStop(), 2.0f);
}

// Only whole-stop labels of up to three characters count: "+3 1/3" does not.
TEST_F(EosExposure, CompensationRangeFromWholeStopLabels) {
    struct {
        Rows rows;
        float max, min;
    } cases[] = {
        {{}, 0, 0},
        {{{"+3", 24}, {"+2 2/3", 21}, {"0", 0}, {"-2 2/3", 235}, {"-3", 232}}, 3.0f, -3.0f},
        {{{"+1/3", 0x03}, {"0", 0}, {"-1/3", 0xFD}}, 0, 0},
    };
    for (const auto& c : cases) {
        PtpClearPropertyStore();
        if (!c.rows.empty()) scripted_property(0xD104, 0, "0", c.rows);
        EXPECT_FLOAT_EQ(PtpGenericInterface_MaxExposureCompensationStop(1), c.max);
        EXPECT_FLOAT_EQ(PtpGenericInterface_MinExposureCompensationStop(0), c.min);
    }
}

} // namespace
