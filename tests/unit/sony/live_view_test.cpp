// Sony live view: the JPEG and focus rectangle in frames, focus-point moves and
// nudges held inside the camera's range, and zoom on lists that may be ranges.
#include "sony/sony_live_view.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "ptp_liveview.h"
#include "ptp_sony.h"
#include "sony/property_controls.h"
#include "support/capture_script.h"

namespace {

using scripted::Bytes;
using scripted::Call;

constexpr uint8_t k7M2 = 162, k7M3 = 163, k6400 = 167, kIlce1 = 180, k7M4 = 182, k7RM5 = 183;

void sony(uint8_t model, bool normal) {
    scripted::connect("Sony", {0x1008, 0x1009, 0x9205, 0x9207});
    PtpSession_SetModel(model);
    PtpSony_SetNormalPropertyControls(normal);
    PtpSony_SetZoomPauseForTest(1);
}

uint32_t data_u32(const scripted::Command& c, size_t at) {
    return peek_u32(c.data.data(), c.data.size(), at);
}
uint16_t data_u16(const scripted::Command& c, size_t at) {
    return peek_u16(c.data.data(), c.data.size(), at);
}

// Gives code a list of count values 10, 11, ... (count 255 with no list: a range).
void set_list(uint32_t code, uint32_t current, uint16_t count, bool withList = true) {
    PtpPropertyRecord* r = scripted::set_property(code, current);
    PtpLockProperty(r);
    std::free(r->values);
    r->values = nullptr;
    r->valueCount = count;
    if (withList) {
        r->values = static_cast<PtpValueLabel*>(std::calloc(count, sizeof(PtpValueLabel)));
        for (uint16_t i = 0; i < count; ++i)
            r->values[i].value = 10 + i;
    }
    PtpUnlockProperty(r);
}

Bytes frame(size_t length, size_t jpegAt) {
    Bytes f(length, 0x11);
    if (jpegAt + 4 <= length)
        f[jpegAt] = 0xFF, f[jpegAt + 1] = 0xD8, f[jpegAt + 2] = 0xFF, f[jpegAt + 3] = 0xDB;
    return f;
}

TEST(SonyLiveView, JpegInTheFrame) {
    Bytes soiHuffman = frame(300, 300);
    soiHuffman[20] = 0xFF, soiHuffman[21] = 0xD8, soiHuffman[22] = 0xFF, soiHuffman[23] = 0xC4;
    Bytes cut = frame(64, 60);
    cut.pop_back();
    struct Case {
        const char* what;
        Bytes data;
        bool found;
        uint32_t offset;
    } cases[] = {{"after a 136-byte header", frame(500, 136), true, 136},
                 {"at the start", frame(50, 0), true, 0},
                 {"in the last four bytes", frame(64, 60), true, 60},
                 {"cut one byte short", cut, false, 0},
                 {"a Huffman table is not the frame's JPEG", soiHuffman, false, 0},
                 {"empty", {}, false, 0}};
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PtpSonyInterface_LiveViewOffset(c.data.data(), uint32_t(c.data.size())),
                  c.offset);
        Bytes before = c.data;
        uint32_t length = uint32_t(c.data.size());
        ASSERT_EQ(PtpSonyInterface_ExtractLiveViewImage(c.data.data(), &length), c.found);
        EXPECT_EQ(length, before.size() - c.offset);
        EXPECT_TRUE(std::equal(before.begin() + c.offset, before.end(), c.data.begin()));
    }
}

TEST(SonyLiveView, FocusRectangleByBody) {
    struct Case {
        uint8_t model;
        bool normal;
        size_t length, base; // base 0: no rectangle
    } cases[] = {{kIlce1, true, 2000, 1093}, {k7M4, true, 1101, 581}, {k7M3, false, 2000, 0},
                 {k7M4, true, 1100, 0},      {kIlce1, true, 1106, 0}, {kIlce1, true, 1107, 1093}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        sony(c.model, c.normal);
        Bytes f(c.length, 0);
        for (size_t i = 0; i < 4 && c.base; ++i)
            put_u16(&f[c.base + 4 * i], uint16_t(0x100 * (i + 1) + i)); // base, +4, +8, +12
        uint16_t v[4] = {};
        ASSERT_EQ(PtpSonyInterface_GetLiveViewFocusRect(f.data(), uint32_t(f.size()), &v[0], &v[1],
                                                        &v[2], &v[3]),
                  c.base != 0);
        if (c.base)
            EXPECT_EQ(std::vector<uint16_t>(v, v + 4),
                      (std::vector<uint16_t>{0x100, 0x201, 0x403, 0x302}));
    }
}

// Fractions are held to 0-1 and coordinates to 0..0xFFFF; NaN is refused.
TEST(SonyLiveView, FocusPointStaysInRange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        bool focusPosition; // the body has 0xD2DC
        double fx, fy;
        PtpResult rc;
        uint16_t op;
        uint32_t param;
        uint16_t x, y;
    } cases[] = {{true, 0.5, 0.5, PtpResult_Ok, 0x9207, 0xD2DC, 324, 240},
                 {true, 0.0, 0.5, PtpResult_Ok, 0x9207, 0xD2DC, 0, 240},
                 {true, -3, 7, PtpResult_Ok, 0x9207, 0xD2DC, 0, 480},
                 {true, inf, -inf, PtpResult_Ok, 0x9207, 0xD2DC, 684, 0},
                 {false, 1.0, 1.0, PtpResult_Ok, 0x9205, 0xD232, 640, 428},
                 {false, 0.25, 0.5, PtpResult_Ok, 0x9205, 0xD232, 160, 214},
                 {true, nan, 0.5, PtpResult_InvalidArgument, 0, 0, 0, 0},
                 {false, 0.5, nan, PtpResult_InvalidArgument, 0, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fx << ", " << c.fy);
        sony(k7M4, true);
        if (c.focusPosition) scripted::set_property(0xD2DC, 0);
        ASSERT_EQ(PtpGenericInterface_SetLiveViewPosition(c.fx, c.fy), c.rc);
        auto sent = scripted::sent();
        ASSERT_EQ(sent.size(), c.op ? 1u : 0u);
        if (!c.op) continue;
        EXPECT_EQ(Call({sent[0].op, sent[0].params}), Call({c.op, {c.param}}));
        EXPECT_EQ(data_u16(sent[0], 0), c.y);
        EXPECT_EQ(data_u16(sent[0], 2), c.x);
    }
}

TEST(SonyLiveView, Nudges) {
    struct Case {
        uint8_t model, direction;
        uint32_t position; // x << 16 | y, from 0xD254
        PtpResult rc;
        std::vector<Call> calls;
        uint32_t sentPosition;
    } cases[] = {
        {k7M3, 1, 0, PtpResult_Ok, {{0x9207, {0xD2CE}}, {0x9207, {0xD2CE}}}, 0},
        {k7M3, 7, 0, PtpResult_InvalidArgument, {}, 0},
        {k7RM5, 0, 0x00640002, PtpResult_Ok, {{0x9205, {0xD254}}}, 0x00640000},
        {kIlce1, 2, 0x00030050, PtpResult_Ok, {{0x9205, {0xD254}}}, 0x00000050},
        {kIlce1, 3, 0xFFFE0050, PtpResult_Ok, {{0x9205, {0xD254}}}, 0xFFFF0050},
        {k7RM5, 1, 0x00640002, PtpResult_Ok, {{0x9205, {0xD254}}}, 0x00640007},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.model) << " " << int(c.direction));
        sony(c.model, c.model != k7M3);
        scripted::set_property(0xD254, 0x1234);
        PtpSony_SetLiveViewPosition(c.position);
        ASSERT_EQ(PtpGenericInterface_NudgeLiveViewPosition(c.direction, 0), c.rc);
        auto sent = scripted::sent();
        ASSERT_GE(sent.size(), c.calls.size());
        for (size_t i = 0; i < c.calls.size(); ++i)
            EXPECT_EQ(Call({sent[i].op, sent[i].params}), c.calls[i]);
        if (c.model == k7M3 && !c.calls.empty()) {
            EXPECT_EQ(data_u16(sent[0], 0), 2); // pressed, then released
            EXPECT_EQ(data_u16(sent[1], 0), 1);
        }
        if (c.sentPosition) {
            EXPECT_EQ(data_u32(sent[0], 0), c.sentPosition);
            EXPECT_EQ(data_u32(sent[0], 4), 0x1234u);
        }
    }
    sony(k7RM5, true); // no 0xD254 record
    EXPECT_EQ(PtpGenericInterface_NudgeLiveViewPosition(0, 0), PtpResult_InvalidArgument);
}

// A magnification range (count 255, no list) is never indexed: level 0.
TEST(SonyLiveView, ZoomLevelReadsOnlyRealLists) {
    struct Case {
        uint8_t model;
        uint32_t code, value;
        uint16_t count;
        bool list;
        uint8_t level;
    } cases[] = {{k7M4, 0xD254, 12, 4, true, 100},  {k7M4, 0xD254, 13, 4, true, 200},
                 {k7M4, 0xD254, 13, 3, true, 0},    {k7M4, 0xD254, 12, 255, false, 0},
                 {k7M4, 0xD254, 12, 4, false, 0},   {k7M2, 0xD254, 12, 4, true, 0},
                 {k7M3, 0xD22F, 25, 0, false, 0},   {k7M3, 0xD22F, 26, 0, false, 100},
                 {k7M3, 0xD22F, 74, 0, false, 100}, {k7M3, 0xD22F, 75, 0, false, 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code << " " << c.value << " " << c.count);
        sony(c.model, c.code == 0xD254);
        set_list(c.code, c.value, c.count, c.list);
        EXPECT_EQ(PtpGenericInterface_GetLiveViewZoomLevel(0), c.level);
    }
}

TEST(SonyLiveView, ZoomLevelWrites) {
    struct Case {
        const char* what;
        uint8_t model;
        uint32_t level;
        uint16_t count; // of 0xD254's list; 0: no record
        uint32_t magnified, drive;
        PtpResult rc;
        size_t commands;
        uint32_t value; // sent after 0xFFFFFFFF on 0xD254
    } cases[] = {
        {"7M4 100", k7M4, 100, 4, 0, 1, PtpResult_Ok, 1, 12},
        {"7M4 200", k7M4, 200, 4, 0, 1, PtpResult_Ok, 1, 13},
        {"7M4 200, 3 entries", k7M4, 200, 3, 0, 1, PtpResult_Ok, 1, 0},
        {"7M4 range", k7M4, 100, 255, 0, 1, PtpResult_Ok, 1, 0},
        {"7M4 without 0xD254", k7M4, 100, 0, 0, 1, PtpResult_OperationNotSupported, 0, 0},
        {"older, no buttons", k7M2, 100, 4, 0, 1, PtpResult_NotSupportedForCamera, 0, 0},
        {"6400 not magnified", k6400, 100, 0, 0, 1, PtpResult_Ok, 4, 0},
        {"6400 magnified", k6400, 100, 0, 80, 1, PtpResult_Ok, 2, 0},
        {"7M3 one press", k7M3, 200, 0, 0, 1, PtpResult_Ok, 2, 0},
        {"7M3 continuous drive", k7M3, 100, 0, 0, 0x10002, PtpResult_NotAllowedInDriveMode, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sony(c.model, c.model == k7M4);
        if (c.count) set_list(0xD254, 0, c.count, c.count != 255);
        scripted::set_property(0xD22F, c.magnified);
        scripted::set_property(0x5013, c.drive);
        ASSERT_EQ(PtpGenericInterface_SetLiveViewZoomLevel(c.level), c.rc);
        auto sent = scripted::sent();
        ASSERT_EQ(sent.size(), c.commands);
        for (const auto& s : sent)
            EXPECT_EQ(s.params, (std::vector<uint32_t>{c.model == k7M4 ? 0xD254u : 0xD2CBu}));
        if (c.model == k7M4 && c.commands) {
            EXPECT_EQ(data_u32(sent[0], 0), 0xFFFFFFFFu);
            EXPECT_EQ(data_u32(sent[0], 4), c.value);
        }
    }
}

TEST(SonyLiveView, FramesAndSmallExports) {
    sony(k7M4, true);
    const Bytes f = frame(200, 40);
    scripted::camera().responder = [f](const scripted::Command& c) {
        return c.op == 0x1009 ? scripted::with_data(f) : scripted::answer(0x2009);
    };
    EXPECT_EQ(PtpGenericInterface_ToggleLiveView(0), PtpResult_Ok);
    EXPECT_TRUE(scripted::sent().empty());
    EXPECT_EQ(PtpGenericInterface_ToggleLiveView(1), PtpResult(0x2009)); // GetObjectInfo's answer
    uint8_t* buffer = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(PtpGenericInterface_GetLiveViewImage(&buffer, &length), PtpResult_Ok);
    EXPECT_EQ(Bytes(buffer, buffer + length), f);
    std::free(buffer);
    EXPECT_EQ(scripted::calls(),
              (std::vector<Call>{{0x1008, {0xFFFFC002}}, {0x1009, {0xFFFFC002}}}));

    scripted::camera().responder = nullptr;
    scripted::clear_sent();
    ASSERT_EQ(PtpSonyInterface_ZoomLens(0xF9), PtpResult_Ok);
    EXPECT_EQ(scripted::sent()[0].data, Bytes{0xF9});
    EXPECT_EQ(scripted::sent()[0].params, std::vector<uint32_t>{0xD2DD});

    uint32_t a = 0, b = 0, c = 0;
    EXPECT_FALSE(PtpSonyInterface_CurrentZoomBar(&a, &b, &c));
    scripted::set_property(0xD25D, 0x12345678);
    ASSERT_TRUE(PtpSonyInterface_CurrentZoomBar(&a, &b, &c));
    EXPECT_EQ(std::vector<uint32_t>({a, b, c}), std::vector<uint32_t>({0x12, 0x34, 0x78}));

    // Older bodies touch-focus only in the flexible-spot areas 257-260.
    PtpSony_SetNormalPropertyControls(false);
    for (uint32_t area : {256u, 257u, 260u, 261u}) {
        scripted::set_property(0xD22C, area);
        EXPECT_EQ(PtpSonyInterface_FocusAreaCanTouchFocus(), area >= 257 && area <= 260) << area;
    }
}

} // namespace
