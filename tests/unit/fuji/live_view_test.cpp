// Fujifilm live view on a scripted camera: the switch and its stop delegate,
// zoom steps, the focus-area text, nudges and the position on the grid.
#include "fuji/fuji_live_view.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "fuji/live_view_restart.h"
#include "generic/driver.h"
#include "ptp_fuji.h"
#include "ptp_liveview.h"
#include "support/capture_script.h"

namespace {

using scripted::Bytes;
using scripted::Command;

Bytes text(const char* s) {
    ByteWriter w;
    write_ptp_string(w, s);
    return w.buf;
}

// A camera that keeps u32 values and the focus-area text, and logs each write
// as "CODE=value" ("D395=x,y,s" for the area).
struct Camera {
    std::map<uint32_t, uint32_t> values;
    Bytes area = text("0,0,1");
    std::vector<std::string> writes;
    scripted::Reply answer(const Command& c) {
        const uint32_t code = c.params.empty() ? 0 : c.params[0];
        char name[8];
        std::snprintf(name, sizeof name, "%X=", code);
        if (c.op == 0x1016 && code == 0xD395) {
            area = c.data;
            std::string s;
            for (size_t i = 1; i + 1 < c.data.size() && c.data[i]; i += 2)
                s += char(c.data[i]);
            writes.push_back(name + s);
        } else if (c.op == 0x1016) {
            values[code] = peek_u32(c.data.data(), c.data.size(), 0);
            writes.push_back(name + std::to_string(values[code]));
        } else if (c.op == 0x1015) {
            if (code == 0xD395) return scripted::with_data(area);
            ByteWriter w;
            write_u32(w, values[code]);
            return scripted::with_data(w.buf);
        }
        return scripted::ok();
    }
};

std::vector<uint32_t> g_stops;
PtpResult record_stop(uint32_t argument) {
    g_stops.push_back(argument);
    return PtpResult_Ok;
}

class FujiLiveView : public ::testing::Test {
  protected:
    Camera cam;
    void SetUp() override {
        scripted::connect("FUJIFILM", {0x1015, 0x1016, 0x101C});
        PtpClearPropertyStore();
        scripted::camera().responder = [this](const Command& c) { return cam.answer(c); };
        g_stops.clear();
    }
    void TearDown() override {
        scripted::camera().responder = nullptr;
        PtpFujiInterface_SetStopLiveViewDelegate(nullptr);
        PtpSession_SetLiveViewOn(false);
    }
    // Stores code with value on both sides.
    void hold(uint32_t code, uint32_t value) {
        scripted::set_property(code, value);
        cam.values[code] = value;
    }
};

// The text both ways. F1: a count beyond the data, or no data, is refused.
// F4: fields beyond 19 and texts over 19 bytes are never built.
TEST(FujiFocusAreaText, ParseAndFormat) {
    const struct {
        Bytes value;
        bool ok;
        int32_t x, y, s;
    } parses[] = {
        {text("1,2,3"), true, 1, 2, 3},
        {text("-10,-9,5"), true, -10, -9, 5},
        {text("19,-15,0"), true, 19, -15, 0},
        {{5, '1'}, false},
        {{3, '1', 0, ',', 0}, false},
        {text("1,2"), false},
        {text("a,2,3"), false},
        {{}, false},
    };
    for (const auto& p : parses) {
        int32_t x = 99, y = 99, s = 99;
        EXPECT_EQ(PtpFuji_ParseFocusArea(p.value.data(), uint32_t(p.value.size()), &x, &y, &s),
                  p.ok);
        if (p.ok) EXPECT_EQ(std::vector<int32_t>({x, y, s}), std::vector<int32_t>({p.x, p.y, p.s}));
    }

    const struct {
        int32_t x, y, s;
        const char* text; // "" when refused
    } formats[] = {{-9, 0, 1, "-9,0,1"},     {-10, 0, 1, "-10,0,1"}, {12, -8, 3, "12,-8,3"},
                   {-10, -9, 5, "-10,-9,5"}, {-10, -10, 5, ""},      {20, 0, 1, ""},
                   {0, -20, 1, ""},          {0, 0, 10, ""}};
    for (const auto& f : formats) {
        char out[16];
        PtpFuji_FormatFocusArea(f.x, f.y, f.s, out, sizeof out);
        EXPECT_STREQ(out, f.text) << f.x << "," << f.y << "," << f.s;
    }
    // Everything that can be written reads back as written.
    for (int32_t fx = -19; fx <= 19; ++fx)
        for (int32_t fy = -19; fy <= 19; ++fy) {
            char out[16];
            int32_t x, y, s;
            if (!PtpFuji_FormatFocusArea(fx, fy, 7, out, sizeof out)) continue;
            Bytes v = text(out);
            ASSERT_TRUE(PtpFuji_ParseFocusArea(v.data(), uint32_t(v.size()), &x, &y, &s));
            EXPECT_EQ(std::vector<int32_t>({x, y, s}), std::vector<int32_t>({fx, fy, 7}));
        }
}

// Nudges through the vendor-neutral call, with the focus mode set around the
// write where the body needs it. F4: a nudge out of range writes nothing.
TEST_F(FujiLiveView, Nudges) {
    const struct {
        const char* area;
        uint8_t direction, model;
        uint32_t focusMode;
        PtpResult rc;
        std::vector<std::string> writes;
    } cases[] = {
        {"1,2,3", 3, 22, 1, PtpResult_Ok, {"D395=2,2,3"}},
        {"1,2,3", 0, 22, 1, PtpResult_Ok, {"D395=1,3,3"}},
        {"-9,0,1", 2, 22, 1, PtpResult_Ok, {"D395=-10,0,1"}},
        {"0,0,1", 1, 22, 2, PtpResult_Ok, {"500A=1", "D395=0,-1,1", "500A=2"}},
        {"0,0,1", 1, 19, 2, PtpResult_Ok, {"D395=0,-1,1"}},
        {"0,0,1", 7, 22, 0, PtpResult_Ok, {"500A=1", "D395=0,0,1"}},
        {"-10,-9,5", 1, 22, 2, PtpResult_InvalidArgument, {}},
        {"19,0,5", 3, 22, 2, PtpResult_InvalidArgument, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.area) + " direction " + std::to_string(c.direction));
        PtpSession_SetModel(c.model);
        hold(0x500A, c.focusMode);
        cam.area = text(c.area);
        cam.writes.clear();
        EXPECT_EQ(PtpGenericInterface_NudgeLiveViewPosition(c.direction, 0), c.rc);
        EXPECT_EQ(cam.writes, c.writes);
    }
    // F1: a short Focus Area value fails the nudge before any write.
    cam.area = {5, '1'};
    cam.writes.clear();
    EXPECT_EQ(PtpGenericInterface_NudgeLiveViewPosition(0, 0), PtpResult_Failed);
    EXPECT_TRUE(cam.writes.empty());
}

// The position on each grid; the metering mode that places the area itself
// and an unknown grid are refused before anything is written.
TEST_F(FujiLiveView, PositionOnTheGrid) {
    const struct {
        double x, y;
        uint32_t points, metering;
        PtpResult rc;
        std::vector<std::string> writes;
    } cases[] = {
        {0.5, 0.5, 1, 1, PtpResult_Ok, {"D395=0,0,4"}},
        {0.0, 0.0, 1, 1, PtpResult_Ok, {"D395=-6,3,4"}},
        {1.0, 1.0, 4, 1, PtpResult_Ok, {"D395=12,-8,4"}},
        {0.3, 0.7, 2, 1, PtpResult_Ok, {"D395=-6,-4,4"}},
        {0.5, 0.5, 3, 0x8003, 0x201C, {}},
        {0.5, 0.5, 7, 1, PtpResult_BadReply, {}},
    };
    PtpSession_SetModel(22);
    hold(0x500A, 1);
    hold(0x5003, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        hold(0xD025, c.points);
        hold(0x501C, c.metering);
        cam.area = text("5,5,4");
        cam.writes.clear();
        EXPECT_EQ(PtpGenericInterface_SetLiveViewPosition(c.x, c.y), c.rc);
        EXPECT_EQ(cam.writes, c.writes);
    }
}

// The switch: InitiateOpenCapture on, the delegate with 0xFF01 off; the flag
// and the restart flag follow only a success.
TEST_F(FujiLiveView, SwitchThroughTheDelegate) {
    EXPECT_EQ(PtpGenericInterface_ToggleLiveView(0), PtpResult_Failed); // no delegate
    PtpFujiInterface_SetStopLiveViewDelegate(record_stop);
    PtpFuji_SetRestartLiveView();
    EXPECT_EQ(PtpGenericInterface_ToggleLiveView(1), PtpResult_Ok);
    EXPECT_TRUE(PtpSession_LiveViewOn());
    EXPECT_FALSE(PtpFuji_TakeRestartLiveView());
    ASSERT_EQ(scripted::calls().size(), 1u);
    EXPECT_EQ(scripted::calls()[0], (scripted::Call{0x101C, {0, 0}}));
    EXPECT_EQ(PtpGenericInterface_ToggleLiveView(0), PtpResult_Ok);
    EXPECT_EQ(g_stops, std::vector<uint32_t>{0xFF01});
    EXPECT_FALSE(PtpSession_LiveViewOn());
    // The session start installs the Tetherhub's request, which has no link here.
    kPtpFujiDriver.liveView.sessionStarted();
    EXPECT_EQ(PtpGenericInterface_ToggleLiveView(0), PtpResult_ConnectionLost);
}

// Zoom levels to steps per body, and back; leaving the unzoomed view saves
// the focus mode and sets manual focus first.
TEST_F(FujiLiveView, ZoomSteps) {
    const struct {
        uint8_t model;
        uint32_t step, focusMode, level;
        std::vector<std::string> writes;
        uint8_t reads;
    } cases[] = {
        {22, 2, 1, 200, {"D01B=3"}, 200}, {35, 2, 1, 200, {"D01B=5"}, 200},
        {22, 3, 2, 100, {"D01B=2"}, 100}, {22, 1, 2, 100, {"500A=1", "D01B=2"}, 100},
        {22, 2, 1, 0, {"D01B=1"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        PtpSession_SetModel(c.model);
        hold(0xD01B, c.step);
        hold(0x500A, c.focusMode);
        PtpFuji_SaveFocusMode(0);
        cam.writes.clear();
        EXPECT_EQ(PtpGenericInterface_SetLiveViewZoomLevel(c.level), PtpResult_Ok);
        EXPECT_EQ(cam.writes, c.writes);
        EXPECT_EQ(PtpGenericInterface_GetLiveViewZoomLevel(0), c.reads);
        EXPECT_EQ(PtpFuji_SavedFocusMode(), c.step == 1 ? c.focusMode : 0);
    }
}

// The focus location in fractions; a missing record fails but the rest is read.
TEST_F(FujiLiveView, FocusLocation) {
    float v[4] = {};
    EXPECT_EQ(PtpFujiInterface_GetLiveViewPosition(&v[0], &v[1], &v[2], &v[3]), PtpResult_Failed);
    scripted::set_property(0xEEE0, 500);
    scripted::set_property(0xEEE1, 250);
    scripted::set_property(0xEEE2, 100);
    EXPECT_EQ(PtpFujiInterface_GetLiveViewPosition(&v[0], &v[1], &v[2], &v[3]), PtpResult_Failed);
    EXPECT_FLOAT_EQ(v[1], 0.25f);
    scripted::set_property(0xEEE3, 1000);
    EXPECT_EQ(PtpFujiInterface_GetLiveViewPosition(&v[0], &v[1], &v[2], &v[3]), PtpResult_Ok);
    EXPECT_EQ(std::vector<float>(v, v + 4), std::vector<float>({0.5f, 0.25f, 0.1f, 1.0f}));
}

} // namespace
