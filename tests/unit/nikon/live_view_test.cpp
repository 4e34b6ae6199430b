// Nikon live view: the three frame layouts, refused headers, zoom, and the nudge by the last frame.
#include "nikon/nikon_live_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "nikon/nikon_codes.h"
#include "nikon/nikon_models.h"
#include "ptp_liveview.h"
#include "support/capture_script.h"

namespace {

using scripted::Bytes;

constexpr uint8_t kD90 = 203, kD750 = 212, kD800 = 196, kZ7 = 221, kZ9 = 228;

void be(Bytes& b, size_t at, uint32_t v, int width) {
    for (int i = width - 1; i >= 0; --i, v >>= 8)
        b[at + i] = uint8_t(v);
}

// A frame of length bytes, filled with a recognisable pattern.
Bytes frame(size_t length) {
    Bytes b(length);
    for (size_t i = 0; i < length; ++i)
        b[i] = uint8_t(i * 7 + 1);
    return b;
}
// Newer bodies: header length A, JPEG length B, then the header.
Bytes current(size_t length, uint32_t a, uint32_t b) {
    Bytes f = frame(length);
    be(f, 0, a, 4);
    be(f, 4, b, 4);
    return f;
}
// Extended layout of a version, the JPEG at offset with size bytes.
Bytes extended(size_t length, uint16_t version, uint32_t offset, uint32_t size) {
    Bytes f = frame(length);
    be(f, 0, version, 2);
    be(f, 8, offset, 4);
    be(f, 12, size, 4);
    return f;
}

struct Fetched {
    PtpResult rc;
    Bytes out;
    PtpNikonLiveViewInfo info;
};

Fetched fetch(uint8_t model, const Bytes& reply, bool listsExtended = false) {
    std::vector<uint16_t> ops = {kNikonOpGetLiveViewImage, 0x1015};
    if (listsExtended) ops.push_back(kNikonOpGetLiveViewImageEx);
    scripted::connect("Nikon", ops);
    PtpSession_SetModel(model);
    scripted::camera().responder = [reply](const scripted::Command&) {
        return scripted::with_data(reply);
    };
    uint8_t* buffer = nullptr;
    uint32_t length = 0;
    Fetched f{PtpGenericInterface_GetLiveViewImage(&buffer, &length), {}, {}};
    if (buffer) f.out.assign(buffer, buffer + length);
    if (f.rc != PtpResult_Ok) EXPECT_TRUE(buffer == nullptr && length == 0);
    std::free(buffer);
    if (f.out.size() >= sizeof f.info) std::memcpy(&f.info, f.out.data(), sizeof f.info);
    return f;
}

TEST(NikonLiveView, FramesInEveryLayout) {
    Bytes d800 = frame(500);
    be(d800, 4, 640, 2);     // area width (record 12)
    be(d800, 12, 1200, 2);   // zoom x (record 20)
    d800[29] = 2;            // orientation (record 37)
    be(d800, 44, 0x1234, 2); // sent as u16, kept as u32 (record 52)
    Bytes d90 = frame(300);  // record byte 68 is cleared on this body
    Bytes z7 = extended(1000, 2, 900, 50);
    be(z7, 16, 3000, 2);
    be(z7, 24, 1500, 2);
    z7[839] = 1;
    be(z7, 816 + 4 + 20, 0xBEEF, 2);
    struct Case {
        const char* what;
        uint8_t model;
        Bytes reply;
        bool listsExtended;
        uint32_t jpegOffset, jpegSize, source; // source: where the JPEG lies in the reply
        uint16_t width, x;
        uint32_t orientation, value52;
    } cases[] = {
        {"D800, 384-byte header", kD800, d800, false, 392, 116, 384, 640, 1200, 6, 0x1234},
        {"D90, 128-byte header", kD90, d90, false, 136, 172, 128, 0x1d24, 0x555c, 1, 0x353c},
        {"D750, A = 16", kD750, current(200, 16, 100), false, 385, 100, 24, 0x555c, 0x8d94, 1, 0},
        {"D750, B cut to the data", kD750, current(200, 16, 999), false, 385, 176, 24, 0, 0, 1, 0},
        {"Z 7, extended version 2", kZ7, z7, true, 900, 50, 900, 3000, 1500, 8, 0xBEEF},
        {"extended, size cut", kZ7, extended(1000, 1, 950, 80), true, 950, 50, 950, 0, 0, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fetched f = fetch(c.model, c.reply, c.listsExtended);
        ASSERT_EQ(f.rc, PtpResult_Ok);
        EXPECT_EQ(f.out.size(), c.reply.size() + 385);
        EXPECT_EQ(f.info.jpegOffset, c.jpegOffset);
        ASSERT_EQ(f.info.jpegSize, c.jpegSize);
        EXPECT_EQ(0, std::memcmp(&f.out[c.jpegOffset], &c.reply[c.source], c.jpegSize));
        if (c.width) EXPECT_EQ(f.info.areaWidth, c.width);
        if (c.x) EXPECT_EQ(f.info.zoomX, c.x);
        EXPECT_EQ(PtpNikonInterface_GetLastLiveViewOrientation(), c.orientation);
        if (c.value52) EXPECT_EQ(f.info.values52[0], c.value52);
        if (c.model == kD90) EXPECT_EQ(f.info.bytes68[0], 0);
        // The buffer's record up to the JPEG is the last live-view info.
        EXPECT_EQ(0, std::memcmp(PtpNikonInterface_GetLastLiveViewInfo(), &f.info,
                                 std::min<size_t>(385, c.jpegOffset)));
    }
}

// Headers whose lengths and offsets lie outside the data are refused whole.
TEST(NikonLiveView, RefusesHeadersOutsideTheData) {
    struct Case {
        const char* what;
        uint8_t model;
        Bytes reply;
        bool listsExtended;
    } cases[] = {
        {"A + 8 beyond the data", kD750, current(100, 200, 50), false},
        {"A wraps in 32 bits", kD750, current(100, 0xFFFFFFFC, 50), false},
        {"no room for A and B", kD750, Bytes{0, 0, 0, 0}, false},
        {"shorter than the fixed header", kD800, frame(300), false},
        {"version 2 without its block", kZ7, extended(100, 2, 60, 10), true},
        {"shorter than the fixed fields", kZ7, extended(40, 0, 20, 10), true},
        {"JPEG offset past the data", kZ7, extended(1000, 1, 1010, 10), true},
        {"JPEG offset wraps", kZ7, extended(1000, 1, 0xFFFFFFF0, 0x20), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(fetch(c.model, c.reply, c.listsExtended).rc, PtpResult_InvalidData);
    }
}

TEST(NikonLiveView, NotInLiveViewAndBusy) {
    struct Case {
        uint8_t model;
        uint32_t status; // the camera's 0xD1A2
        PtpResult want;
    } cases[] = {{kZ9, 0, PtpResult_DeviceBusy},
                 {kD750, 1, PtpResult_DeviceBusy},
                 {kD750, 0, PtpResult(0xA00B)}};
    uint8_t* buffer = nullptr;
    uint32_t length = 0;
    for (const Case& c : cases) {
        fetch(c.model, {});
        scripted::set_property(kNikonPropLiveViewStatus, 9);
        scripted::camera().responder = [c](const scripted::Command& cmd) {
            if (cmd.op == 0x1015) return scripted::with_data(Bytes{uint8_t(c.status), 0, 0, 0});
            return scripted::answer(0xA00B);
        };
        EXPECT_EQ(PtpGenericInterface_GetLiveViewImage(&buffer, &length), c.want);
        EXPECT_EQ(buffer, nullptr);
    }
    // A focus stack's shots hold frame requests off without camera traffic.
    scripted::clear_sent();
    PtpNikon_SetCaptureInProgress(true);
    EXPECT_EQ(PtpGenericInterface_GetLiveViewImage(&buffer, &length), PtpResult_DeviceBusy);
    PtpNikon_SetCaptureInProgress(false);
    EXPECT_TRUE(scripted::sent().empty());
}

TEST(NikonLiveView, ZoomValueOfTheModel) {
    struct Case {
        const char* model;
        uint32_t level, code, value;
        bool has200;
    } cases[] = {{"D90", 50, kNikonPropLiveViewZoom, 3, false},
                 {"D800", 200, kNikonPropLiveViewZoom, 5, true},
                 {"Df", 0, kNikonPropLiveViewZoom, 0, true},
                 {"Z 9", 100, kNikonPropMirrorlessZoom, 1024, true},
                 {"Z 50", 100, kNikonPropMirrorlessZoom, 720, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        uint8_t model = 0;
        ASSERT_TRUE(PtpNikon_DetectModelText(c.model, &model));
        PtpSession_SetModel(model);
        uint32_t code = 0, value = 0;
        PtpNikon_ZoomSetting(c.level, &code, &value);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(PtpNikon_Has200ZoomLevel(), c.has200);
    }
}

// A camera held upright-turned (code 2, EXIF 6): the host's "up" moves left.
TEST(NikonLiveView, NudgeTurnsByTheLastFrame) {
    Bytes d800 = frame(500);
    be(d800, 12, 1200, 2);
    be(d800, 14, 700, 2);
    d800[29] = 2;
    ASSERT_EQ(fetch(kD800, d800).rc, PtpResult_Ok);
    PtpTransaction_SetSupportedOperations(&kNikonOpChangeAfArea, 1);
    scripted::camera().responder = nullptr;
    scripted::clear_sent();
    EXPECT_EQ(PtpGenericInterface_NudgeLiveViewPosition(0, 0), PtpResult_Ok);
    EXPECT_EQ(scripted::calls(),
              (std::vector<scripted::Call>{{kNikonOpChangeAfArea, {1100, 700}}}));
}

} // namespace
