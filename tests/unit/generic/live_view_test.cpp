// Live-view dispatch against a scripted Canon camera (zoom, position, nudge,
// viewfinder switch) and the generic JPEG search.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "comms/bytes.h"
#include "eos/eos_live_view.h"
#include "eos/eos_models.h"
#include "generic/session.h"
#include "ptp_eos.h"
#include "ptp_liveview.h"
#include "support/capture_script.h"

namespace {

using namespace scripted;

const std::vector<uint16_t> kLiveViewOps = {0x9110, 0x9153, 0x9158, 0x9159};

class LiveViewDispatch : public ::testing::Test {
  protected:
    void SetUp() override {
        connect("Canon Inc.", kLiveViewOps, {0xD1B0, 0xD1B1});
        PtpEos_EvaluateModel(); // "Model": the table's last row, 3888 x 2592
        PtpSession_SetModel(0);
        PtpSession_SetLiveViewZoom(0);
        clear_sent();
    }
    void TearDown() override { camera().responder = nullptr; }
};

// A frame whose info reports orientation code and zoom position (x, y).
void parse_frame(uint32_t orientation, uint32_t x, uint32_t y) {
    ByteWriter w;
    for (uint8_t b : {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x04, 0x11, 0x22, 0xFF, 0xD9})
        write_u8(w, b);
    for (uint32_t v : {16u, 5u, x, y, 24u, 16u, 0u, orientation, 0u, 0u})
        write_u32(w, v);
    w.buf.resize(4000, 0);
    uint8_t* out = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(PtpEosInterface_ParseLiveViewData(w.buf.data(), 4000, &out, &length));
    std::free(out);
}

TEST_F(LiveViewDispatch, ZoomCodesPerModel) {
    struct Case {
        uint8_t model;
        uint32_t level;
        PtpResult result;
        std::vector<Call> sent;
    };
    const Case cases[] = {{251, 200, PtpResult_Ok, {{0x9158, {15}}}},
                          {252, 150, PtpResult_Ok, {{0x9158, {1}}}},
                          {236, 200, PtpResult_Ok, {{0x9158, {10}}}},
                          {0, 0, PtpResult_Ok, {{0x9158, {1}}}},
                          {232, 200, PtpResult_OperationNotSupported, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.model));
        PtpSession_SetModel(c.model);
        clear_sent();
        EXPECT_EQ(PtpGenericInterface_SetLiveViewZoomLevel(c.level), c.result);
        EXPECT_EQ(calls(), c.sent);
    }
}

TEST_F(LiveViewDispatch, ZoomLevelIsKeptWhenTheCameraRefuses) {
    EXPECT_EQ(PtpGenericInterface_SetLiveViewZoomLevel(100), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_GetLiveViewZoomLevel(0), 100);

    camera().responder = [](const Command& c) { return c.op == 0x9158 ? answer(0x2002) : ok(); };
    EXPECT_EQ(PtpGenericInterface_SetLiveViewZoomLevel(200), 0x2002);
    EXPECT_EQ(PtpGenericInterface_GetLiveViewZoomLevel(0), 100);
}

TEST_F(LiveViewDispatch, PositionIsPlacedInTheModelsImage) {
    ASSERT_EQ(PtpEos_ImageWidth(), 3888);
    ASSERT_EQ(PtpEos_ImageHeight(), 2592);
    struct Case {
        double x, y;
        uint32_t px, py;
    };
    const Case cases[] = {
        {0.05, 1.0, 0, 2332}, // (0, 0.9 x height)
        {0.5, 0.5, 1555, 1036},
        {-3.0, 7.0, 0, 2332},
        {1.0, 0.1, 3499, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        clear_sent();
        EXPECT_EQ(PtpGenericInterface_SetLiveViewPosition(c.x, c.y), PtpResult_Ok);
        std::vector<Call> want = {{0x9159, {c.px, c.py}}};
        EXPECT_EQ(calls(), want);
    }
}

TEST_F(LiveViewDispatch, NudgeTurnsWithTheFrame) {
    struct Case {
        uint32_t orientationCode; // the camera's; 1 is EXIF 6, 2 EXIF 8, 4 EXIF 3
        uint8_t direction, unrotated;
        uint32_t x, y;
    };
    const Case cases[] = {
        {1, 0, 0, 900, 800},                        // portrait: up moves left
        {1, 3, 0, 1000, 700}, {1, 0, 1, 1000, 700}, // unrotated: up is up
        {0, 1, 0, 1000, 900}, {0, 2, 0, 900, 800},  {2, 0, 0, 1100, 800},
        {4, 0, 0, 1000, 900}, {0, 9, 0, 1000, 700}, // other directions move up
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.orientationCode << " " << int(c.direction));
        parse_frame(c.orientationCode, 1000, 800);
        clear_sent();
        EXPECT_EQ(PtpGenericInterface_NudgeLiveViewPosition(c.direction, c.unrotated),
                  PtpResult_Ok);
        std::vector<Call> want = {{0x9159, {c.x, c.y}}};
        EXPECT_EQ(calls(), want);
    }
    // At the edge the area stops at 0 rather than wrapping round.
    parse_frame(0, 50, 30);
    clear_sent();
    EXPECT_EQ(PtpGenericInterface_NudgeLiveViewPosition(0, 1), PtpResult_Ok);
    std::vector<Call> want = {{0x9159, {50, 0}}};
    EXPECT_EQ(calls(), want);
}

TEST_F(LiveViewDispatch, DslrSwitchWritesTheOutputAndKeepsTheFlag) {
    set_property(0xD1B0, 0);
    set_property(0xD1B1, 0);
    set_property(0xD105, 3);
    PtpSession_SetLiveViewZoom(5);
    ASSERT_EQ(PtpGenericInterface_ToggleLiveView(1), PtpResult_Ok);
    std::vector<std::pair<uint32_t, uint32_t>> writes;
    for (const Command& c : sent()) {
        uint32_t code = 0, value = 0;
        if (canon_write(c, &code, &value)) writes.emplace_back(code, value);
    }
    std::vector<std::pair<uint32_t, uint32_t>> on = {{0xD1B1, 1}, {0xD1B0, 2}};
    EXPECT_EQ(writes, on);
    EXPECT_TRUE(PtpSession_LiveViewOn());
    EXPECT_EQ(PtpGenericInterface_GetLiveViewZoomLevel(0), 0);

    clear_sent();
    ASSERT_EQ(PtpGenericInterface_ToggleLiveView(0), PtpResult_Ok);
    uint32_t code = 0, value = 0;
    ASSERT_EQ(sent().size(), 1u);
    ASSERT_TRUE(canon_write(sent()[0], &code, &value));
    EXPECT_EQ(code, 0xD1B0u);
    EXPECT_EQ(value, 0u);
    EXPECT_FALSE(PtpSession_LiveViewOn());

    // A refused write leaves the flag as it was.
    camera().responder = [](const Command&) { return answer(0x2002); };
    EXPECT_EQ(PtpGenericInterface_ToggleLiveView(1), 0x2002);
    EXPECT_FALSE(PtpSession_LiveViewOn());
}

TEST_F(LiveViewDispatch, StandardFocusWritesTheAfSystem) {
    EXPECT_EQ(PtpGenericInterface_SetStandardLiveViewFocus(), PtpResult_Ok);
    ASSERT_EQ(sent().size(), 1u);
    uint32_t code = 0, value = 0;
    ASSERT_TRUE(canon_write(sent()[0], &code, &value));
    EXPECT_EQ(code, 0xD1BAu);
    EXPECT_EQ(value, 1u);
}

// Without a vendor there is no standard focus area to set; a vendor without
// the operation has nothing to set.
TEST(LiveViewExtract, FindsTheJpegInTheFirst2048Bytes) {
    const uint8_t soi[] = {0xFF, 0xD8, 0xFF, 0xC4};
    auto block = [&](size_t length, size_t at) {
        std::vector<uint8_t> b(length, 0x42);
        if (at + 4 <= length) std::copy(soi, soi + 4, b.begin() + long(at));
        return b;
    };
    struct Case {
        const char* name;
        size_t length, at;
        uint16_t opcode;
        bool found;
    };
    const Case cases[] = {
        {"1027 bytes", 1027, 0, 0, false},
        {"1028 bytes", 1028, 0, 0, true},
        {"marker at 2047", 3000, 2047, 0, true},
        {"marker at 2048", 3000, 2048, 0, false},
        {"marker in the last 4 bytes", 1028, 1024, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> b = block(c.length, c.at);
        uint8_t* out = nullptr;
        uint32_t outLength = 0;
        bool found = PtpGenericInterface_ExtractLiveViewImage(b.data(), uint32_t(b.size()), &out,
                                                              &outLength, c.opcode);
        EXPECT_EQ(found, c.found);
        if (found) {
            ASSERT_EQ(outLength, c.length - c.at);
            EXPECT_EQ(std::vector<uint8_t>(out, out + outLength),
                      std::vector<uint8_t>(b.begin() + long(c.at), b.end()));
        }
        std::free(out);
    }
    std::vector<uint8_t> b = block(2000, 0);
    uint8_t* out = nullptr;
    uint32_t outLength = 0;
    EXPECT_FALSE(PtpGenericInterface_ExtractLiveViewImage(nullptr, 2000, &out, &outLength, 0));
    EXPECT_FALSE(PtpGenericInterface_ExtractLiveViewImage(b.data(), 2000, nullptr, &outLength, 0));
}

} // namespace
