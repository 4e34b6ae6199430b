// Bulb exposures and bracketing against a scripted camera: what a Canon body
// is sent to open and close the shutter (with and without remote release), the
// wait after closing, and every vendor's answers.
#include <gtest/gtest.h>

#include <vector>

#include "eos/eos_capture.h"
#include "generic/session.h"
#include "ptp_exposure.h"
#include "support/capture_script.h"

namespace {

using namespace scripted;

class Bulb : public ::testing::Test {
  protected:
    void TearDown() override {
        camera().responder = nullptr;
        while (PtpGenericInterface_ResumeEventCheckLoop()) {
        }
    }
    // A Canon body listing ops, in bulb mode (exposure mode 4), with a
    // writable colour space for the wait after a shot.
    void canon(const std::vector<uint16_t>& ops) {
        connect("Canon Inc.", ops);
        PtpEos_ReleaseShutter();
        PtpGenericInterface_ResumeEventCheckLoop();
        set_property(0xD106, 0);
        set_property(0xD10F, 1);
        set_property(0xD105, 4);
        clear_sent();
    }
    static bool writes_color_space(const Command& c) {
        uint32_t code = 0, value = 0;
        return canon_write(c, &code, &value) && code == 0xD10F && value == 1;
    }
};

TEST_F(Bulb, CanonWithoutRemoteReleaseUsesTheBulbOperations) {
    canon({0x9110, 0x9125, 0x9126});
    ASSERT_TRUE(PtpGenericInterface_CanStartBulb());
    EXPECT_EQ(PtpGenericInterface_StartBulb(), PtpResult_Ok);
    EXPECT_EQ(calls(), std::vector<Call>({{0x9125, {}}}));
    clear_sent();
    EXPECT_EQ(PtpGenericInterface_StopBulb(), PtpResult_Ok);
    std::vector<Command> s = sent();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].op, 0x9126);
    EXPECT_TRUE(s[0].params.empty());
    EXPECT_TRUE(writes_color_space(s[1])); // the wait for the picture to be stored
}

TEST_F(Bulb, CanonWithRemoteReleaseHoldsAFullPress) {
    canon({0x9110, 0x9125, 0x9126, 0x9128, 0x9129});
    PtpSession_SetManualFocus(1);
    EXPECT_EQ(PtpGenericInterface_StartBulb(), PtpResult_Ok);
    EXPECT_EQ(calls(), std::vector<Call>({{0x9128, {1, 1}}, {0x9128, {2, 1}}}));
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1); // held until the release
    clear_sent();
    EXPECT_EQ(PtpGenericInterface_StopBulb(), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    std::vector<Command> s = sent();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ((Call{s[0].op, s[0].params}), (Call{0x9129, {2}}));
    EXPECT_EQ((Call{s[1].op, s[1].params}), (Call{0x9129, {1}}));
    EXPECT_TRUE(writes_color_space(s[2]));
}

TEST_F(Bulb, CanonCloseThatFailsDoesNotWait) {
    canon({0x9110, 0x9125, 0x9126});
    camera().responder = [](const Command& c) { return c.op == 0x9126 ? answer(0x2002) : ok(); };
    EXPECT_EQ(PtpGenericInterface_StopBulb(), 0x2002);
    EXPECT_EQ(calls(), std::vector<Call>({{0x9126, {}}}));
}

TEST_F(Bulb, VendorsWithoutBulb) {
    struct {
        const char* maker;
        uint8_t model;
        bool available;
    } cases[] = {{"Nikon", 0, false},
                 {"Sony Corporation", 0, false},
                 {"FUJIFILM", 20, true},
                 {"FUJIFILM", 16, false}};
    for (const auto& c : cases) {
        connect(c.maker, {0x9125, 0x9126, 0x100E});
        PtpSession_SetModel(c.model);
        EXPECT_EQ(PtpGenericInterface_StartBulb(), PtpResult_NotSupportedForCamera) << c.maker;
        EXPECT_EQ(PtpGenericInterface_StopBulb(), PtpResult_NotSupportedForCamera) << c.maker;
        EXPECT_FALSE(PtpGenericInterface_CanStartBulb()) << c.maker;
        EXPECT_FALSE(PtpGenericInterface_IsBulbMode()) << c.maker;
        EXPECT_EQ(PtpGenericInterface_IsBulbAvailable(), c.available) << c.maker;
        EXPECT_TRUE(sent().empty()) << c.maker;
    }
    connect_nobody({0x9125, 0x9126});
    EXPECT_EQ(PtpGenericInterface_StartBulb(), PtpResult_NotSupportedForCamera);
    EXPECT_EQ(PtpGenericInterface_StopBulb(), PtpResult_NotSupportedForCamera);
    EXPECT_FALSE(PtpGenericInterface_IsBulbAvailable());
    EXPECT_TRUE(sent().empty());
}

// --- Bracketing switches -----------------------------------------------------------------------

// The generic call hands out the step on either side.
TEST_F(Bulb, CanonBracketingStops) {
    canon({0x9110});
    float out[PTP_BRACKET_STOPS_MAX] = {};
    EXPECT_EQ(PtpGenericInterface_GetExposureBracketingStops(1.0f / 3, out, 0), 2u);
    EXPECT_FLOAT_EQ(out[0], 1.0f / 3);
    EXPECT_FLOAT_EQ(out[1], -1.0f / 3);
    EXPECT_EQ(PtpGenericInterface_GetExposureBracketingStops(1.0f, nullptr, 0), 0u);
}

TEST_F(Bulb, BracketingOnOtherVendors) {
    float out[PTP_BRACKET_STOPS_MAX];
    for (const char* maker : {"Nikon", "Sony Corporation", "FUJIFILM"}) {
        connect(maker, {});
        set_property(0xD0C0, 1);
        set_property(0xD1D9, 1);
        bool nikon = PtpSession_Vendor() == PtpVendor_Nikon;
        EXPECT_EQ(PtpGenericInterface_IsExposureBracketingOn(), nikon) << maker;
        // Without the Nikon driver's frame count no stops are handed out, and
        // out keeps what it held.
        out[0] = 42.0f;
        EXPECT_EQ(PtpGenericInterface_GetExposureBracketingStops(1.0f, out, 1), 0u) << maker;
        EXPECT_EQ(out[0], 42.0f);
        EXPECT_EQ(PtpGenericInterface_SetBracketing(8), 0) << maker;
        EXPECT_FALSE(PtpGenericInterface_IsExposureBracketingEnabled()) << maker;
        EXPECT_FALSE(PtpGenericInterface_IsExposureCompensationEnabled()) << maker;
        EXPECT_EQ(PtpGenericInterface_TurnOffBracketing(), PtpResult_NotSupportedForCamera);
        EXPECT_TRUE(sent().empty()) << maker;
    }
}

} // namespace
