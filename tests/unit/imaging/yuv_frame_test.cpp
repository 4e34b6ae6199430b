// Canon YUV live-view frames to BMP: colours, layout, model rules, hostile sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "comms/bytes.h"
#include "generic/session.h"
#include "imaging/yuv_frame.h"
#include "imaging/yuv_pixels.h"
#include "ptp_comms.h"
#include "ptp_liveview.h"

namespace {

struct Pair {
    int8_t u;
    uint8_t y0;
    int8_t v;
    uint8_t y1;
};

// A frame of length bytes: header length h at p, width and height after it, the
// pixel pairs from (p + h) mod 256.
std::vector<uint8_t> make_frame(uint32_t length, uint32_t p, uint8_t h, uint32_t width,
                                uint32_t height, const std::vector<Pair>& pairs) {
    std::vector<uint8_t> f(length, 0);
    f[p] = h;
    put_u32(&f[p + 12], width);
    put_u32(&f[p + 16], height);
    size_t at = (p + h) % 256;
    for (const Pair& q : pairs) {
        f[at++] = uint8_t(q.u);
        f[at++] = q.y0;
        f[at++] = uint8_t(q.v);
        f[at++] = q.y1;
    }
    return f;
}

struct Bmp {
    uint8_t* data = nullptr;
    uint32_t size = 0;
    explicit Bmp(const std::vector<uint8_t>& f)
        : size(PtpLiveView_ConvertYuvFrame(f.data(), uint32_t(f.size()), &data)) {}
    ~Bmp() { FreeMemory(data); }
    // {r, g, b, alpha} of pixel (x, y), y counted from the top of the picture.
    std::vector<uint8_t> at(uint32_t x, uint32_t y) const {
        uint32_t w = peek_u32(data, size, 18), h = peek_u32(data, size, 22);
        const uint8_t* px = data + 54 + (size_t(h - 1 - y) * w + x) * 4;
        return {px[2], px[1], px[0], px[3]};
    }
};

class YuvFrameTest : public ::testing::Test {
  protected:
    void SetUp() override { PtpSession_SetModel(0); }
    void TearDown() override { PtpSession_SetModel(0); }
};

TEST_F(YuvFrameTest, ConvertsWorkedColours) {
    struct Case {
        uint8_t y;
        int8_t u, v;
        std::vector<uint8_t> want;
    } cases[] = {
        {255, 127, 127, {255, 120, 255, 0xFF}}, // clamped above
        {0, -128, -128, {0, 135, 0, 0xFF}},     // clamped below
        {100, 0, 0, {100, 100, 100, 0xFF}},     // no chroma: grey
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.y));
        Bmp bmp(make_frame(256, 0, 32, 2, 1, {{c.u, c.y, c.v, c.y}}));
        ASSERT_EQ(bmp.size, 54u + 2 * 4);
        EXPECT_EQ(bmp.at(0, 0), c.want);
        EXPECT_EQ(bmp.at(1, 0), c.want);
    }
}

TEST_F(YuvFrameTest, WritesBmpHeader) {
    Bmp bmp(make_frame(300, 0, 40, 4, 3, {}));
    const uint32_t image = 3 * 4 * 4;
    ASSERT_EQ(bmp.size, 54 + image);
    // The fields a reader sizes the picture by; the others are constants.
    struct Field {
        size_t at, size;
        uint32_t want;
    } fields[] = {{0, 2, 0x4D42}, {2, 4, 54 + image}, {10, 4, 54},   {18, 4, 4},
                  {22, 4, 3},     {28, 2, 32},        {34, 4, image}};
    for (const Field& fl : fields) {
        uint32_t got = fl.size == 2 ? peek_u16(bmp.data, bmp.size, fl.at)
                                    : peek_u32(bmp.data, bmp.size, fl.at);
        EXPECT_EQ(got, fl.want) << "offset " << fl.at;
    }
}

// Width 3: two pairs per row, the fourth pixel dropped; the frame's first row is
// the BMP's last.
TEST_F(YuvFrameTest, PairFillsTwoPixelsOddWidthDropsLastRowsBottomUp) {
    Bmp bmp(make_frame(256, 0, 24, 3, 2,
                       {{0, 10, 0, 20}, {0, 30, 0, 40}, {0, 50, 0, 60}, {0, 70, 0, 80}}));
    ASSERT_EQ(bmp.size, 54u + 2 * 3 * 4);
    const uint8_t green[2][3] = {{10, 20, 30}, {50, 60, 70}};
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 3; ++x)
            EXPECT_EQ(bmp.at(x, y)[1], green[y][x]) << x << "," << y;
    EXPECT_EQ(bmp.data[54 + 1], 50); // the first stored pixel is the bottom row's
}

TEST_F(YuvFrameTest, Model225AlwaysHas425Rows) {
    PtpSession_SetModel(225);
    const uint32_t start = 28, width = 2;
    std::vector<Pair> rows(425, Pair{0, 50, 0, 50});
    rows[0] = {0, 200, 0, 200}; // top
    rows[424] = {0, 10, 0, 10}; // bottom: row 425, beyond the height field
    auto f = make_frame(start + 425 * width * 2, 0, start, width, 424, rows);
    {
        Bmp bmp(f);
        ASSERT_EQ(bmp.size, 54u + 425 * width * 4);
        EXPECT_EQ(peek_u32(bmp.data, bmp.size, 22), 425u);
        EXPECT_EQ(bmp.at(0, 0)[1], 200);
        EXPECT_EQ(bmp.at(0, 424)[1], 10);
    }
    // Data for the 424 rows of the height field only is too short.
    f.resize(start + 424 * width * 2);
    Bmp tooShort(f);
    EXPECT_EQ(tooShort.size, 0u);
    EXPECT_EQ(tooShort.data, nullptr);
    // Other models take the height field.
    PtpSession_SetModel(226);
    Bmp other(f);
    EXPECT_EQ(peek_u32(other.data, other.size, 22), 424u);
}

// Prefix models read the header after frame[0] bytes; the others read it at 0.
TEST_F(YuvFrameTest, PrefixModelsReadHeaderAfterFirstByte) {
    for (uint8_t m : {235, 244, 236}) { // the first and last prefix model, and a neighbour
        SCOPED_TRACE(int(m));
        PtpSession_SetModel(m);
        const bool prefixed = m != 236;
        auto f = make_frame(256, prefixed ? 40 : 0, 30, 2, 1, {{0, 77, 0, 77}});
        f[0] = prefixed ? 40 : 30;
        Bmp bmp(f);
        ASSERT_EQ(bmp.size, 54u + 8);
        EXPECT_EQ(bmp.at(1, 0)[1], 77);
    }
}

TEST_F(YuvFrameTest, RejectsShortAndHostileFrames) {
    struct Case {
        const char* name;
        uint8_t model;
        uint32_t length, p;
        uint8_t h;
        uint32_t width, height;
        uint32_t want; // BMP size, 0 for a rejected frame
    } cases[] = {
        {"255 bytes", 0, 255, 0, 20, 0, 0, 0},
        {"256 bytes, no rows", 0, 256, 0, 20, 0, 0, 54},
        {"pixels fill the frame exactly", 0, 256, 0, 56, 10, 10, 54 + 400},
        {"one byte more than the frame", 0, 256, 0, 57, 10, 10, 0},
        {"start wraps mod 256", 235, 300, 200, 100, 2, 2, 54 + 16},
        {"32-bit product wraps to zero", 0, 256, 0, 20, 0x10000, 0x8000, 0},
        {"width past the signed BMP field", 0, 256, 0, 20, 0x80000000u, 0, 0},
        {"height past the signed BMP field", 0, 256, 0, 20, 0, 0x80000000u, 0},
        {"odd width needs its last whole pair", 0, 256, 0, 250, 3, 1, 0},
        {"header ends at the frame's end", 235, 256, 236, 250, 0, 0, 54},
        {"prefix leaves no room for the header", 235, 256, 237, 250, 0, 0, 0},
        {"prefix 255", 235, 256, 255, 250, 0, 0, 0},
    };
    for (const Case& c : cases) {
        PtpSession_SetModel(c.model);
        std::vector<uint8_t> f(c.length, 0);
        if (c.length - c.p >= 20) {
            f[c.p] = c.h;
            put_u32(&f[c.p + 12], c.width);
            put_u32(&f[c.p + 16], c.height);
        }
        if (c.model) f[0] = uint8_t(c.p);
        uint8_t* image = reinterpret_cast<uint8_t*>(uintptr_t(1)); // must be overwritten
        uint32_t got = PtpLiveView_ConvertYuvFrame(f.data(), c.length, &image);
        EXPECT_EQ(got, c.want) << c.name;
        if (c.want == 0) EXPECT_EQ(image, nullptr) << c.name;
        if (got) FreeMemory(image);
    }
    std::vector<uint8_t> f(256, 0);
    uint8_t* image = nullptr;
    EXPECT_EQ(PtpLiveView_ConvertYuvFrame(nullptr, 256, &image), 0u);
    EXPECT_EQ(PtpLiveView_ConvertYuvFrame(f.data(), 256, nullptr), 0u);
}

// Converts `row` with every converter and counts the pixels that differ from `want`.
void ExpectEveryConverter(const std::vector<uint8_t>& row, const std::vector<uint32_t>& want,
                          std::vector<uint32_t>& mismatches) {
    size_t count = 0;
    const YuvConverter* converters = Yuv_Converters(&count);
    mismatches.resize(count, 0);
    std::vector<uint8_t> out(want.size() * 4);
    for (size_t c = 0; c < count; ++c) {
        Yuv_ConvertRow(converters[c], row.data(), uint32_t(want.size()), out.data());
        for (uint32_t k = 0; k < want.size(); ++k)
            if (peek_u32(out.data(), uint32_t(out.size()), 4 * k) != want[k]) ++mismatches[c];
    }
}

// Pairs of (u, y0, v, y1) as a row, with the maker's formula for each pixel.
void AddPair(std::vector<uint8_t>& row, std::vector<uint32_t>& want, int u, int y0, int v, int y1) {
    row.insert(row.end(), {uint8_t(u), uint8_t(y0), uint8_t(v), uint8_t(y1)});
    want.push_back(Yuv_ReferencePixel(y0, u, v));
    want.push_back(Yuv_ReferencePixel(y1, u, v));
}

void ReportMismatches(const std::vector<uint32_t>& mismatches) {
    size_t count = 0;
    const YuvConverter* converters = Yuv_Converters(&count);
    for (size_t c = 0; c < count; ++c)
        EXPECT_EQ(mismatches[c], 0u) << converters[c].name;
}

// Every converter the CPU runs (vector ones a block of pairs at a time, and the
// scalar one) gives exactly the maker's formula for every luma and chroma value.
TEST(YuvPixel, EveryConverterMatchesTheFormulaForEveryInput) {
    size_t count = 0;
    const YuvConverter* converters = Yuv_Converters(&count);
    ASSERT_GE(count, 1u);
    EXPECT_EQ(converters[count - 1].pairs, nullptr);
    std::vector<uint32_t> mismatches;
    for (int u = -128; u < 128; ++u) {
        for (int y = 0; y < 256; y += 2) {
            std::vector<uint8_t> row;
            std::vector<uint32_t> want;
            for (int v = -128; v < 128; ++v)
                AddPair(row, want, u, y, v, y + 1);
            ExpectEveryConverter(row, want, mismatches);
        }
    }
    ReportMismatches(mismatches);
}

// Blocks in which several pairs, at every position, need the maker's formula
// (green's 0.344 u + 0.714 v a whole number), between pairs that do not.
TEST(YuvPixel, BlocksWithSeveralPairsNeedingTheFormula) {
    std::vector<std::pair<int, int>> whole;
    for (int u = -128; u < 128; ++u)
        for (int v = -128; v < 128; ++v)
            if ((344 * u + 714 * v) % 1000 == 0) whole.push_back({u, v});
    ASSERT_GT(whole.size(), 100u);
    std::vector<uint32_t> mismatches;
    for (size_t start = 0; start < whole.size(); start += 5) {
        std::vector<uint8_t> row;
        std::vector<uint32_t> want;
        for (uint32_t j = 0; j < 64; ++j) {
            const auto [u, v] =
                j % 4 == 3 ? std::pair<int, int>{7, -3} : whole[(start + j) % whole.size()];
            const int y0 = int((j * 37 + start) & 255);
            AddPair(row, want, u, y0, v, y0 ^ 0x5A);
        }
        ExpectEveryConverter(row, want, mismatches);
    }
    ReportMismatches(mismatches);
}

// Rows of every width up to a few blocks: the vector converters hand the pairs
// after their last whole block, and an odd width's last pixel, to the scalar
// code, and write nothing past the row.
TEST(YuvPixel, EveryConverterHandlesRowTails) {
    size_t count = 0;
    const YuvConverter* converters = Yuv_Converters(&count);
    const YuvConverter& scalar = converters[count - 1];
    uint32_t x = 12345;
    for (uint32_t width = 1; width <= 70; ++width) {
        std::vector<uint8_t> row((width + 1) / 2 * 4);
        for (uint8_t& b : row) {
            x = x * 1103515245u + 12345u;
            b = uint8_t(x >> 16);
        }
        std::vector<uint8_t> want(width * 4);
        Yuv_ConvertRow(scalar, row.data(), width, want.data());
        for (size_t c = 0; c + 1 < count; ++c) {
            std::vector<uint8_t> got(width * 4 + 8, 0xEE);
            Yuv_ConvertRow(converters[c], row.data(), width, got.data());
            EXPECT_TRUE(std::equal(want.begin(), want.end(), got.begin()))
                << converters[c].name << " width " << width;
            EXPECT_EQ(got[width * 4], 0xEE) << converters[c].name << " width " << width;
        }
    }
}

} // namespace
