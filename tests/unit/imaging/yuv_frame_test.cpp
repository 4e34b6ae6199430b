// Canon YUV live-view frames to BMP: the colour conversion on known pixels, the
// BMP layout (header, bottom-up rows), the per-model frame rules, frames that are
// short or lie about their size, and a check of the BMP by an independent reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
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

struct Rgb {
    uint8_t r, g, b;
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
    ~Bmp() { FreeMemory(data); }
    // Pixel (x, y) with y counted from the top of the picture.
    Rgb at(uint32_t x, uint32_t y) const {
        uint32_t w = peek_u32(data, size, 18), h = peek_u32(data, size, 22);
        const uint8_t* px = data + 54 + (size_t(h - 1 - y) * w + x) * 4;
        return {px[2], px[1], px[0]};
    }
    uint8_t alpha(uint32_t x, uint32_t y) const {
        uint32_t w = peek_u32(data, size, 18), h = peek_u32(data, size, 22);
        return data[54 + (size_t(h - 1 - y) * w + x) * 4 + 3];
    }
};

void convert(const std::vector<uint8_t>& f, Bmp& out) {
    out.size = PtpLiveView_ConvertYuvFrame(f.data(), uint32_t(f.size()), &out.data);
}

class YuvFrameTest : public ::testing::Test {
  protected:
    void SetUp() override { PtpSession_SetModel(0); }
    void TearDown() override { PtpSession_SetModel(0); }
};

TEST_F(YuvFrameTest, ConvertsWorkedColours) {
    struct Case {
        uint8_t y;
        int8_t u, v;
        Rgb want;
    } cases[] = {
        {255, 127, 127, {255, 120, 255}}, // clamped above
        {0, -128, -128, {0, 135, 0}},     // clamped below
        {100, 0, 0, {100, 100, 100}},     // no chroma: grey
    };
    for (const Case& c : cases) {
        // Both pixels of the pair carry the case.
        auto f = make_frame(256, 0, 32, 2, 1, {{c.u, c.y, c.v, c.y}});
        Bmp bmp;
        convert(f, bmp);
        ASSERT_EQ(bmp.size, 54u + 2 * 4) << int(c.y);
        for (uint32_t x = 0; x < 2; ++x) {
            Rgb got = bmp.at(x, 0);
            EXPECT_EQ(got.r, c.want.r) << int(c.y) << " x=" << x;
            EXPECT_EQ(got.g, c.want.g) << int(c.y) << " x=" << x;
            EXPECT_EQ(got.b, c.want.b) << int(c.y) << " x=" << x;
            EXPECT_EQ(bmp.alpha(x, 0), 0xFF);
        }
    }
}

TEST_F(YuvFrameTest, WritesBmpHeader) {
    auto f = make_frame(300, 0, 40, 4, 3, {});
    Bmp bmp;
    convert(f, bmp);
    const uint32_t image = 3 * 4 * 4;
    ASSERT_EQ(bmp.size, 54 + image);
    struct Field {
        size_t at, size;
        uint32_t want;
    } fields[] = {
        {0, 2, 0x4D42}, {2, 4, 54 + image}, {6, 4, 0},     {10, 4, 54}, {14, 4, 40},
        {18, 4, 4},     {22, 4, 3},         {26, 2, 1},    {28, 2, 32}, {30, 4, 0},
        {34, 4, image}, {38, 4, 3780},      {42, 4, 3780}, {46, 4, 0},  {50, 4, 0},
    };
    for (const Field& fl : fields) {
        uint32_t got = fl.size == 2 ? peek_u16(bmp.data, bmp.size, fl.at)
                                    : peek_u32(bmp.data, bmp.size, fl.at);
        EXPECT_EQ(got, fl.want) << "offset " << fl.at;
    }
}

TEST_F(YuvFrameTest, FirstFrameRowIsLastBmpRow) {
    // Three rows of two pixels: white, grey, black from the top.
    auto f = make_frame(256, 0, 20, 2, 3, {{0, 255, 0, 255}, {0, 128, 0, 128}, {0, 0, 0, 0}});
    Bmp bmp;
    convert(f, bmp);
    ASSERT_EQ(bmp.size, 54u + 3 * 2 * 4);
    const uint8_t stored[3] = {0, 128, 255}; // bottom row first
    for (int row = 0; row < 3; ++row)
        for (int x = 0; x < 2; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(bmp.data[54 + row * 8 + x * 4 + c], stored[row]) << row << "," << x;
}

TEST_F(YuvFrameTest, PairFillsTwoPixelsAndOddWidthDropsLast) {
    // Width 3: two pairs per row, the fourth pixel dropped.
    auto f = make_frame(256, 0, 24, 3, 1, {{0, 10, 0, 20}, {0, 30, 0, 40}});
    Bmp bmp;
    convert(f, bmp);
    ASSERT_EQ(bmp.size, 54u + 3 * 4);
    EXPECT_EQ(bmp.at(0, 0).g, 10);
    EXPECT_EQ(bmp.at(1, 0).g, 20);
    EXPECT_EQ(bmp.at(2, 0).g, 30);
}

TEST_F(YuvFrameTest, Model225AlwaysHas425Rows) {
    PtpSession_SetModel(225);
    const uint32_t start = 28, width = 2;
    std::vector<Pair> rows(425, Pair{0, 50, 0, 50});
    rows[0] = {0, 200, 0, 200}; // top
    rows[424] = {0, 10, 0, 10}; // bottom: row 425, beyond the height field
    auto f = make_frame(start + 425 * width * 2, 0, start, width, 424, rows);
    Bmp bmp;
    convert(f, bmp);
    ASSERT_EQ(bmp.size, 54u + 425 * width * 4);
    EXPECT_EQ(peek_u32(bmp.data, bmp.size, 22), 425u);
    EXPECT_EQ(bmp.at(0, 0).g, 200);
    EXPECT_EQ(bmp.at(0, 424).g, 10);
    EXPECT_EQ(bmp.data[54 + 1], 10); // the first stored row is the frame's last

    // Data for the 424 rows of the height field only is too short.
    f.resize(start + 424 * width * 2);
    Bmp shortBmp;
    convert(f, shortBmp);
    EXPECT_EQ(shortBmp.size, 0u);
    EXPECT_EQ(shortBmp.data, nullptr);

    // Other models take the height field.
    PtpSession_SetModel(226);
    Bmp other;
    convert(f, other);
    EXPECT_EQ(peek_u32(other.data, other.size, 22), 424u);
}

TEST_F(YuvFrameTest, PrefixModelsReadHeaderAfterFirstByte) {
    const uint8_t models[] = {235, 237, 239, 240, 241, 242, 243, 244};
    for (uint8_t m : models) {
        PtpSession_SetModel(m);
        // p = 40, h = 30: pixels at 70.
        auto f = make_frame(256, 40, 30, 2, 1, {{0, 77, 0, 77}});
        f[0] = 40;
        Bmp bmp;
        convert(f, bmp);
        ASSERT_EQ(bmp.size, 54u + 8) << int(m);
        EXPECT_EQ(bmp.at(1, 0).g, 77) << int(m);
    }
    // Without a prefix model the same frame's first byte is the header length.
    PtpSession_SetModel(236);
    auto f = make_frame(256, 0, 30, 2, 1, {{0, 99, 0, 99}});
    f[0] = 30;
    Bmp bmp;
    convert(f, bmp);
    ASSERT_EQ(bmp.size, 54u + 8);
    EXPECT_EQ(bmp.at(0, 0).g, 99);
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

    PtpSession_SetModel(0);
    std::vector<uint8_t> f(256, 0);
    uint8_t* image = nullptr;
    EXPECT_EQ(PtpLiveView_ConvertYuvFrame(nullptr, 256, &image), 0u);
    EXPECT_EQ(PtpLiveView_ConvertYuvFrame(f.data(), 256, nullptr), 0u);
}

TEST(YuvBmpSize, ComputesIn64Bits) {
    struct Case {
        uint32_t width, rows, data;
        bool ok;
        uint32_t size;
    } cases[] = {
        {640, 480, 640 * 480 * 2, true, 54 + 640 * 480 * 4},
        {640, 480, 640 * 480 * 2 - 1, false, 0},
        // 2^31 pixel bytes fit a 4 GiB frame, but the BMP would be 54 + 2^32.
        {0x8000, 0x8000, 0xFFFFFFFFu, false, 0},
        // The largest 2-wide image whose BMP length fits in 32 bits.
        {2, 536870905, 0xFFFFFFFFu, true, 54 + 536870905u * 8},
        {2, 536870906, 0xFFFFFFFFu, false, 0},
        {0x10000, 0x10000, 0, false, 0}, // width x rows x 2 is 0 in 32 bits
    };
    for (const Case& c : cases) {
        uint32_t size = 0;
        EXPECT_EQ(PtpLiveView_YuvBmpSize(c.width, c.rows, c.data, &size), c.ok)
            << c.width << "x" << c.rows;
        if (c.ok) EXPECT_EQ(size, c.size);
    }
}

TEST_F(YuvFrameTest, IndependentReaderOpensBmp) {
    if (std::system("python3 -c pass >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    // 4 x 2: the worked colours on the top row, greys on the bottom row.
    auto f = make_frame(256, 0, 20, 4, 2,
                        {{127, 255, 127, 255}, {-128, 0, -128, 0}, {0, 100, 0, 100}, {0, 7, 0, 9}});
    Bmp bmp;
    convert(f, bmp);
    ASSERT_EQ(bmp.size, 54u + 2 * 4 * 4);

    char path[] = "/tmp/ptp_yuv_bmp_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    FILE* out = fdopen(fd, "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(std::fwrite(bmp.data, 1, bmp.size, out), bmp.size);
    std::fclose(out);

    // Reads the file with struct only; pixel (x, y) counts y from the top.
    const std::string script = "import struct,sys\n"
                               "d=open(sys.argv[1],'rb').read()\n"
                               "assert d[:2]==b'BM'\n"
                               "size,off=struct.unpack_from('<I4xI',d,2)\n"
                               "assert size==len(d) and off==54\n"
                               "hs,w,h,pl,bpp,comp=struct.unpack_from('<IiiHHI',d,14)\n"
                               "assert (hs,w,h,pl,bpp,comp)==(40,4,2,1,32,0),(hs,w,h,pl,bpp,comp)\n"
                               "def px(x,y):\n"
                               " b,g,r,a=struct.unpack_from('<4B',d,off+((h-1-y)*w+x)*4)\n"
                               " return (r,g,b,a)\n"
                               "assert px(0,0)==(255,120,255,255),px(0,0)\n"
                               "assert px(1,0)==(255,120,255,255),px(1,0)\n"
                               "assert px(2,0)==(0,135,0,255),px(2,0)\n"
                               "assert px(0,1)==(100,100,100,255),px(0,1)\n"
                               "assert px(2,1)==(7,7,7,255),px(2,1)\n"
                               "assert px(3,1)==(9,9,9,255),px(3,1)\n";
    const std::string cmd = "python3 -c \"" + script + "\" " + path;
    int rc = std::system(cmd.c_str());
    std::remove(path);
    EXPECT_EQ(rc, 0);
}

} // namespace

// Every converter the CPU runs (vector ones a block of pairs at a time, and
// the scalar one) must give exactly what the maker's formula gives for every
// luma and chroma combination, the rounding corner cases included. Chroma
// varies along each row, so pairs that need the formula sit between pairs
// that do not, in every position of a block.
TEST(YuvPixel, EveryConverterMatchesTheFormulaForEveryInput) {
    size_t count = 0;
    const YuvConverter* converters = Yuv_Converters(&count);
    ASSERT_GE(count, 1u);
    EXPECT_EQ(converters[count - 1].pairs, nullptr);

    constexpr uint32_t kPairs = 256; // v from -128 to 127
    std::vector<uint8_t> row(kPairs * 4), out(kPairs * 8);
    std::vector<uint32_t> expected(kPairs * 2);
    std::vector<uint32_t> mismatches(count, 0);
    for (int u = -128; u < 128; ++u) {
        for (int y = 0; y < 256; y += 2) {
            for (uint32_t j = 0; j < kPairs; ++j) {
                const int v = int(j) - 128;
                row[4 * j] = uint8_t(u);
                row[4 * j + 1] = uint8_t(y);
                row[4 * j + 2] = uint8_t(v);
                row[4 * j + 3] = uint8_t(y + 1);
                expected[2 * j] = Yuv_ReferencePixel(y, u, v);
                expected[2 * j + 1] = Yuv_ReferencePixel(y + 1, u, v);
            }
            for (size_t c = 0; c < count; ++c) {
                Yuv_ConvertRow(converters[c], row.data(), kPairs * 2, out.data());
                for (uint32_t k = 0; k < kPairs * 2; ++k)
                    if (peek_u32(out.data(), uint32_t(out.size()), 4 * k) != expected[k])
                        ++mismatches[c];
            }
        }
    }
    for (size_t c = 0; c < count; ++c)
        EXPECT_EQ(mismatches[c], 0u) << converters[c].name;
}

// Blocks in which several pairs, at every position, need the maker's formula
// (green's 0.344 u + 0.714 v a whole number), between pairs that do not.
TEST(YuvPixel, BlocksWithSeveralPairsNeedingTheFormula) {
    std::vector<std::pair<int, int>> whole;
    for (int u = -128; u < 128; ++u)
        for (int v = -128; v < 128; ++v)
            if ((344 * u + 714 * v) % 1000 == 0) whole.push_back({u, v});
    ASSERT_GT(whole.size(), 100u);

    size_t count = 0;
    const YuvConverter* converters = Yuv_Converters(&count);
    constexpr uint32_t kPairs = 64;
    std::vector<uint8_t> row(kPairs * 4), out(kPairs * 8);
    for (size_t start = 0; start < whole.size(); start += 5) {
        std::vector<uint32_t> expected;
        for (uint32_t j = 0; j < kPairs; ++j) {
            const auto [u, v] = j % 4 == 3 ? std::pair<int, int>{7, -3}
                                           : whole[(start + j) % whole.size()];
            const int y0 = int((j * 37 + start) & 255), y1 = y0 ^ 0x5A;
            row[4 * j] = uint8_t(u);
            row[4 * j + 1] = uint8_t(y0);
            row[4 * j + 2] = uint8_t(v);
            row[4 * j + 3] = uint8_t(y1);
            expected.push_back(Yuv_ReferencePixel(y0, u, v));
            expected.push_back(Yuv_ReferencePixel(y1, u, v));
        }
        for (size_t c = 0; c < count; ++c) {
            Yuv_ConvertRow(converters[c], row.data(), kPairs * 2, out.data());
            for (uint32_t k = 0; k < kPairs * 2; ++k)
                ASSERT_EQ(peek_u32(out.data(), uint32_t(out.size()), 4 * k), expected[k])
                    << converters[c].name << " pixel " << k << " from " << start;
        }
    }
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
