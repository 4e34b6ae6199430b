// Canon live-view frames: the parse, in-place extraction and orientation mapping.
#include "eos/eos_live_view.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "comms/bytes.h"
#include "generic/session.h"
#include "ptp_eos.h"
#include "support/eos_event_block.h"

namespace {

using eosblock::Bytes;
using eosblock::operator+;
using eosblock::u32s;

const PtpEosFrameModel kModel = {5472, 3648, 0};

// A small JPEG-shaped stream: start marker and a table marker, some bytes, end.
Bytes jpeg(size_t body = 200) {
    Bytes j = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43};
    for (size_t i = 0; i < body; ++i)
        j.push_back(uint8_t(0x10 + i % 0x40));
    j.push_back(0xFF);
    j.push_back(0xD9);
    return j;
}

void record(Bytes& f, uint32_t type, const std::vector<uint32_t>& words) {
    f = f + u32s({uint32_t(8 + 4 * words.size()), type});
    for (uint32_t v : words)
        f = f + u32s({v});
}

// Zeros to the given length: a zero size ends the record walk.
void pad_to(Bytes& f, size_t length) {
    if (f.size() < length) f.resize(length, 0);
}

struct Parsed {
    bool ok = false;
    PtpEosLiveViewInfo info = {};
    Bytes image;
    uint32_t outLength = 0;
};

Parsed parse(const Bytes& frame, const PtpEosFrameModel& model = kModel) {
    Parsed p;
    uint8_t* out = nullptr;
    p.ok = PtpEos_ParseLiveViewFrame(frame.data(), uint32_t(frame.size()), model, &out,
                                     &p.outLength, &p.info);
    if (p.ok) {
        PtpEosLiveViewInfo head;
        std::memcpy(&head, out, sizeof head);
        EXPECT_EQ(std::memcmp(&head, &p.info, sizeof head), 0) << "info is the buffer's head";
        EXPECT_EQ(p.outLength, kEosLiveViewInfoBlock + p.info.imageLength);
        p.image.assign(out + kEosLiveViewInfoBlock, out + p.outLength);
    } else {
        EXPECT_EQ(out, nullptr);
    }
    std::free(out);
    return p;
}

// An uncompressed frame of w x h pixels: header length 32, then the pixels.
Bytes yuv(uint32_t w, uint32_t h, size_t length) {
    Bytes f(length, 0x20);
    f[0] = 32;
    put_u32(&f[12], w);
    put_u32(&f[16], h);
    return f;
}

TEST(EosLiveViewParse, LengthAndMarkers) {
    const Bytes j = jpeg();
    struct Case {
        const char* what;
        Bytes start;
        size_t length;
        bool ok;
    } cases[] = {
        {"3999 bytes are refused", j, 3999, false},
        {"4000 bytes", j, 4000, true},
        {"marker as late as offset 255", Bytes(255, 0) + j, 4000, true},
        {"no end marker", Bytes(j.begin(), j.end() - 2), 4000, false},
        {"end marker after fill bytes does not count",
         {0xFF, 0xD8, 0xFF, 0xC4, 0x01, 0x02, 0xFF, 0xFF, 0xFF, 0xD9},
         4000,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes f = c.start;
        f.resize(c.length, 0);
        Parsed p = parse(f);
        ASSERT_EQ(p.ok, c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(p.info.kind, kEosFrameJpeg);
        EXPECT_EQ(p.image, j);
    }
}

TEST(EosLiveViewParse, MarkerAtOffset300IsAnUncompressedFrame) {
    Bytes f = yuv(40, 40, 4000);
    const Bytes marker = {0xFF, 0xD8, 0xFF, 0xDB};
    std::copy(marker.begin(), marker.end(), f.begin() + 300);
    Parsed p = parse(f);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.info.kind, kEosFrameConverted);
    EXPECT_EQ(p.info.imageLength, 54u + 40 * 40 * 4);
    EXPECT_EQ(p.info.record15[1], 0u); // only the converted frame's markers are set
    EXPECT_EQ(p.info.zoom, 0u);

    // Pixel data the frame does not hold: the conversion fails, so does the parse.
    EXPECT_FALSE(parse(yuv(400, 400, 4000)).ok);

    // No pixels in a row, a billion rows (found by fuzzing): an empty image, at once.
    p = parse(yuv(0, 0x60600000, 4000));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.info.imageLength, 54u);
}

TEST(EosLiveViewParse, Records) {
    // Without size records: the model's size, and a zoom factor's share of it.
    const uint32_t W = 5472, H = 3648;
    struct Case {
        const char* name;
        std::vector<std::pair<uint32_t, std::vector<uint32_t>>> records;
        uint32_t zoom, zoomX, full[2], visible[3], orientation;
        float angles[2];
    };
    const Case cases[] = {
        {"zoom 5 defaults", {{4, {5}}}, 5, 0, {W, H}, {1094, 729, 1094}, 0, {0, 0}},
        {"no records", {}, 1, 0, {W, H}, {W, H, W}, 0, {0, 0}},
        {"zoom reported as 0", {{4, {0}}}, 1, 0, {W, H}, {W, H, W}, 0, {0, 0}},
        {"full size and visible pairs",
         {{4, {10}}, {14, {6000, 4000}}, {18, {0, 0, 640, 480}}},
         10,
         0,
         {6000, 4000},
         {640, 480, 600},
         0,
         {0, 0}},
        {"second pair", {{13, {0, 0, 320, 240}}}, 1, 0, {W, H}, {W, H, 320}, 0, {0, 0}},
        {"position", {{5, {1200, 900}}}, 1, 1200, {W, H}, {W, H, W}, 0, {0, 0}},
        {"level 35000 folds", {{16, {0, 1, 35000, 35000}}}, 1, 0, {W, H}, {W, H, W}, 1, {350, -10}},
        {"level 18000 stays", {{16, {0, 4, 18000, 18000}}}, 1, 0, {W, H}, {W, H, W}, 4, {180, 180}},
        // A record too short for its fields is ignored; the walk goes on.
        {"short zoom record", {{4, {}}, {5, {7, 8}}}, 1, 7, {W, H}, {W, H, W}, 0, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes f = jpeg();
        for (const auto& r : c.records)
            record(f, r.first, r.second);
        pad_to(f, 4000);
        Parsed p = parse(f);
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(p.info.zoom, c.zoom);
        EXPECT_EQ(p.info.zoomX, c.zoomX);
        EXPECT_EQ(p.info.fullWidth, c.full[0]);
        EXPECT_EQ(p.info.fullHeight, c.full[1]);
        EXPECT_EQ(p.info.visibleWidth1, c.visible[0]);
        EXPECT_EQ(p.info.visibleHeight1, c.visible[1]);
        EXPECT_EQ(p.info.visibleWidth2, c.visible[2]);
        EXPECT_EQ(p.info.orientation, c.orientation);
        EXPECT_FLOAT_EQ(p.info.levelAngle1, c.angles[0]);
        EXPECT_FLOAT_EQ(p.info.levelAngle2, c.angles[1]);
    }
}

TEST(EosLiveViewParse, RecordEndingAtTheEndIsNotUsed) {
    for (size_t extra : {0u, 1u}) {
        SCOPED_TRACE(extra);
        Bytes f = jpeg();
        // A filler record brings the zoom record to end at 4000 (+ extra).
        const size_t fillerSize = 4000 - 12 - f.size();
        record(f, 0x7F, std::vector<uint32_t>((fillerSize - 8) / 4, 0));
        record(f, 4, {5});
        f.resize(f.size() + extra, 0);
        Parsed p = parse(f);
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(p.info.zoom, extra ? 5u : 1u);
    }

    // A size that runs past the data, or below a header, ends the walk.
    for (uint32_t size : {0u, 4u, 7u, 0xFFFFFFF8u}) {
        SCOPED_TRACE(size);
        Bytes f = jpeg() + u32s({size, 4, 9});
        record(f, 5, {11, 12});
        pad_to(f, 4000);
        Parsed p = parse(f);
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(p.info.zoom, 1u);
        EXPECT_EQ(p.info.zoomX, 0u);
    }
}

TEST(EosLiveViewParse, AfFramesAreLimited) {
    struct Case {
        uint32_t reported, held, expected;
    };
    const Case cases[] = {{80, 80, 64}, {3, 3, 3}, {80, 2, 2}, {0, 5, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reported);
        // The count, then six words per frame.
        std::vector<uint32_t> words = {c.reported};
        for (uint32_t i = 0; i < c.held; ++i)
            for (uint32_t k = 0; k < 6; ++k)
                words.push_back((i + 1) * 16 + k);
        Bytes f = jpeg();
        record(f, 8, words);
        pad_to(f, 4000);
        Parsed p = parse(f);
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(p.info.afFrameCount, c.expected);
        if (c.expected == 0) continue;
        const uint32_t last = c.expected - 1;
        EXPECT_EQ(p.info.afWord0[0], 16u);
        EXPECT_EQ(p.info.afWord2[0], 18u); // the word at +4 is not kept
        EXPECT_EQ(p.info.afWord5[0], 21u);
        EXPECT_EQ(p.info.afWord0[last], (last + 1) * 16);
        if (c.expected < 64) EXPECT_EQ(p.info.afWord0[c.expected], 0u);
    }
}

// Frames at position (i, i) arrive while the last info is copied: never a mix of two.
TEST(EosLiveViewParse, LastInfoCopiesAreWholeWhileFramesArrive) {
    std::atomic<bool> done{false};
    auto parse_at = [](uint32_t i) {
        Bytes f = jpeg(20);
        record(f, 5, {i, i});
        pad_to(f, 4000);
        uint8_t* out = nullptr;
        uint32_t length = 0;
        EXPECT_TRUE(PtpEosInterface_ParseLiveViewData(f.data(), uint32_t(f.size()), &out, &length));
        std::free(out);
    };
    parse_at(0); // what an earlier test left is no frame of this one
    std::thread parser([&] {
        for (uint32_t i = 1; i <= 300; ++i)
            parse_at(i);
        done = true;
    });
    int mixed = 0;
    while (!done) {
        PtpEosLiveViewInfo info;
        PtpEos_CopyLastLiveViewInfo(&info);
        if (info.zoomX != info.zoomY) ++mixed;
    }
    parser.join();
    EXPECT_EQ(mixed, 0);
    EXPECT_EQ(PtpEosInterface_GetLastLiveViewInfo()->zoomX, 300u);

    // A frame that fails leaves the last info as it was and hands out nothing.
    Bytes bad(3999, 0);
    uint8_t* out = nullptr;
    uint32_t length = 0;
    EXPECT_FALSE(
        PtpEosInterface_ParseLiveViewData(bad.data(), uint32_t(bad.size()), &out, &length));
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(PtpEosInterface_ParseLiveViewData(nullptr, 5000, &out, &length));
    EXPECT_EQ(PtpEosInterface_GetLastLiveViewInfo()->zoomX, 300u);
}

// Runs the in-place extraction on a heap copy of in, given as length bytes
// (all of in when 0).
struct Extracted {
    bool ok;
    Bytes data;
};
Extracted extract(const Bytes& in, uint32_t length = 0) {
    uint8_t* data = static_cast<uint8_t*>(std::malloc(in.size()));
    std::memcpy(data, in.data(), in.size());
    if (!length) length = uint32_t(in.size());
    Extracted e;
    e.ok = PtpEosInterface_ExtractLiveViewImage(&data, &length);
    e.data.assign(data, data + length);
    std::free(data);
    return e;
}

TEST(EosLiveViewExtract, InPlace) {
    PtpSession_SetModel(0);
    const Bytes j = jpeg(20);
    const Bytes withMarker = Bytes(10, 0x55) + j;
    Extracted e = extract(withMarker);
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.data, j);

    // Short data without a marker is refused, untouched.
    const Bytes shortData(100, 0x11);
    e = extract(shortData);
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.data, shortData);

    // Data of 260 bytes or more without a marker is an uncompressed frame.
    e = extract(yuv(4, 2, 300));
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.data.size(), 54u + 4 * 2 * 4);
    EXPECT_EQ(e.data[0], 'B');

    // A frame that does not convert is refused and kept.
    e = extract(yuv(100, 100, 300));
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.data.size(), 300u);

    EXPECT_FALSE(extract(withMarker, 3).ok);
    uint32_t length = 3;
    EXPECT_FALSE(PtpEosInterface_ExtractLiveViewImage(nullptr, &length));
}

TEST(EosLiveViewOrientation, CodesToExif) {
    const std::pair<uint32_t, uint32_t> cases[] = {{0, 1}, {1, 6}, {2, 8}, {3, 1}, {4, 3}, {5, 1}};
    for (const auto& c : cases) {
        PtpEosLiveViewInfo info = {};
        info.orientation = c.first;
        EXPECT_EQ(PtpEosInterface_GetLiveViewOrientation(&info), c.second) << c.first;
    }
    EXPECT_EQ(PtpEosInterface_GetLiveViewOrientation(nullptr), 1u);
}

} // namespace
