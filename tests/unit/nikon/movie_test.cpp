// Nikon live view on/off and movie recording on a scripted camera.
#include <gtest/gtest.h>

#include <vector>

#include "generic/driver.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_live_view.h"
#include "nikon/nikon_models.h"
#include "ptp_capture.h"
#include "ptp_liveview.h"
#include "support/capture_script.h"

namespace {

using namespace scripted;

const std::vector<uint16_t> kOps = {0x9207, 0x90C8, 0x9201, 0x9202, 0x920A, 0x920B, 0x1015};

class NikonMovie : public ::testing::Test {
  protected:
    void SetUp() override {
        connect("Nikon", kOps);
        PtpSession_SetDriverForTest(&kPtpNikonDriver);
        uint8_t model = 0;
        ASSERT_TRUE(PtpNikon_DetectModelText("D850", &model));
        PtpSession_SetModel(model);
        PtpNikon_SetMoviePauseForTest(1);
    }
    void TearDown() override {
        camera().responder = nullptr;
        PtpSession_SetDriverForTest(nullptr);
        PtpNikon_SetMoviePauseForTest(0);
    }
};

TEST_F(NikonMovie, Recording) {
    // clang-format off
    struct Case {
        const char* what; bool liveView; uint16_t stopReply; PtpResult stop, start;
        std::vector<Call> sent;
    } cases[] = {
        // The file event never comes: the stop gives up waiting and the next
        // start is not held back.
        {"stop without file event", true, 0x2001, PtpResult_Ok, PtpResult_Ok, {{0x920B, {}}, {0x920A, {}}}},
        {"refused stop clears the mark", true, 0xA008, PtpResult(0xA008), PtpResult_Ok, {{0x920B, {}}, {0x920A, {}}}},
        {"start outside live view", false, 0x2001, PtpResult_Ok, PtpResult(0xA004), {{0x920B, {}}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PtpSession_SetLiveViewOn(c.liveView);
        camera().responder = [&c](const Command& cmd) {
            return cmd.op == 0x920B ? answer(c.stopReply) : ok();
        };
        clear_sent();
        EXPECT_EQ(PtpGenericInterface_StopRecordMovie(), c.stop);
        EXPECT_EQ(PtpGenericInterface_StartRecordMovie(), c.start);
        EXPECT_EQ(calls_except(0x1015), c.sent);
    }
}

// Live view already on by the camera's status: nothing is sent.
TEST_F(NikonMovie, ToggleKnownState) {
    set_property(kNikonPropLiveViewStatus, 1);
    clear_sent();
    camera().responder = [](const Command& cmd) {
        return cmd.op == 0x1015 ? with_data(Bytes{1, 0, 0, 0}) : ok();
    };
    EXPECT_EQ(PtpGenericInterface_ToggleLiveView(1), PtpResult_Ok);
    EXPECT_TRUE(calls_except(0x1015).empty());
}

} // namespace
