// Image-file inspection on the samples (values from MANIFEST.tsv) and hostile files.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "comms/bytes.h"
#include "generic/objects.h"
#include "support/test_data.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Row = std::map<std::string, std::string>;

using testdata::ReadSample;

// The manifest: one row per sample, keyed by column name; empty cells mean the
// independent tool found no such tag.
std::vector<Row> manifest() {
    std::ifstream in(testdata::SamplePath("MANIFEST.tsv"));
    std::vector<Row> rows;
    std::vector<std::string> columns;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        std::stringstream ss(line);
        for (std::string cell; std::getline(ss, cell, '\t');)
            cells.push_back(cell);
        if (columns.empty()) {
            columns = cells;
            continue;
        }
        Row& row = rows.emplace_back();
        for (size_t i = 0; i < columns.size(); ++i)
            row[columns[i]] = i < cells.size() ? cells[i] : "";
    }
    return rows;
}

uint32_t number(const Row& row, const char* column) { return uint32_t(std::stoul(row.at(column))); }

struct Thumb {
    uint32_t size = 0;
    uint8_t orientation = 0;
    Bytes bytes;
};

// The inspections run on a heap copy of exactly the bytes given, so that ASan
// sees any read past them.
Thumb thumbnail_of(const Bytes& copy) {
    uint8_t* buffer = reinterpret_cast<uint8_t*>(0x1); // must be overwritten
    Thumb t;
    t.orientation = 0xEE;
    t.size = PtpGenericInterface_ExtractThumbnail(copy.empty() ? nullptr : copy.data(),
                                                  uint32_t(copy.size()), &t.orientation, &buffer);
    if (t.size) {
        t.bytes.assign(buffer, buffer + t.size);
        std::free(buffer);
    } else {
        EXPECT_EQ(buffer, nullptr);
    }
    return t;
}

struct Preview {
    bool found = false;
    uint32_t offset = 0;
    uint32_t length = 0;
};

Preview preview_of(const Bytes& copy, uint16_t format) {
    Preview p;
    p.offset = p.length = 0xEEEEEEEE;
    p.found = PtpGenericInterface_ExtractPreviewOffset(
        copy.empty() ? nullptr : copy.data(), uint32_t(copy.size()), &p.offset, &p.length, format);
    if (!p.found) {
        EXPECT_EQ(p.offset, 0u);
        EXPECT_EQ(p.length, 0u);
    }
    return p;
}

// JPEG files and the CR2 keep their thumbnail in IFD1 as the thumbnail tags
// describe it. The CR2 preview is IFD0's strip, which the manifest's tool
// reports as its PreviewImage (its strip_offsets column is a later IFD's). In
// file order the D70 NEF holds the JpgFromRaw (SubIFD) first and the
// MakerNote's PreviewImage second; the second is the one wanted, its offset
// counted from the MakerNote's own TIFF header. Every sample JPEG ends with its
// EOI marker.
TEST(ImageInspect, SamplesMatchTheManifest) {
    std::vector<Row> rows = manifest();
    ASSERT_FALSE(rows.empty());
    int thumbs = 0, cr2 = 0, nef = 0, jpegs = 0;
    for (const Row& row : rows) {
        const std::string& type = row.at("file_type");
        SCOPED_TRACE(row.at("file"));
        Bytes file = ReadSample(row.at("file"));
        ASSERT_EQ(file.size(), number(row, "bytes"));
        if (type == "JPEG" || type == "CR2") {
            Thumb t = thumbnail_of(file);
            if (row.at("thumbnail_offset").empty()) {
                EXPECT_EQ(t.size, 0u);
            } else {
                ASSERT_EQ(t.size, number(row, "thumbnail_length"));
                EXPECT_TRUE(std::equal(t.bytes.begin(), t.bytes.end(),
                                       file.begin() + number(row, "thumbnail_offset")));
                EXPECT_EQ(t.orientation, number(row, "orientation"));
                ++thumbs;
            }
        }
        if (type == "CR2" || type == "NEF") {
            if (type == "NEF")
                ASSERT_LT(number(row, "jpgfromraw_start"), number(row, "preview_start"));
            Preview p = preview_of(file, type == "CR2" ? kPtpFormatCr2 : kPtpFormatNef);
            ASSERT_TRUE(p.found);
            EXPECT_EQ(p.offset, number(row, "preview_start"));
            EXPECT_EQ(p.length, number(row, "preview_length"));
            ++(type == "CR2" ? cr2 : nef);
        }
        if (type == "JPEG") {
            EXPECT_EQ(PtpFindJpegEnd(file.data(), uint32_t(file.size())), file.size());
            ++jpegs;
        }
    }
    EXPECT_GE(thumbs, 6);
    EXPECT_EQ(cr2, 1);
    EXPECT_EQ(nef, 1);
    EXPECT_GE(jpegs, 6);
}

TEST(ImageInspect, FormatsWithoutARawRuleFindNoPreview) {
    Bytes tif = ReadSample("ExifTool.tif");
    Bytes jpg = ReadSample("Canon.jpg");
    const uint16_t formats[] = {kPtpFormatTiff, kPtpFormatExifJpeg, 0, 0xFFFF};
    for (uint16_t format : formats) {
        EXPECT_FALSE(preview_of(tif, format).found) << std::hex << format;
        EXPECT_FALSE(preview_of(jpg, format).found) << std::hex << format;
    }
    uint32_t n = 1, size = uint32_t(tif.size());
    const uint8_t* data = tif.data();
    EXPECT_FALSE(PtpGenericInterface_ExtractPreviewOffset(nullptr, 10, &n, &n, kPtpFormatCr2));
    EXPECT_FALSE(PtpGenericInterface_ExtractPreviewOffset(data, 0, &n, &n, kPtpFormatCr2));
    EXPECT_FALSE(PtpGenericInterface_ExtractPreviewOffset(data, size, nullptr, &n, kPtpFormatCr2));
    EXPECT_FALSE(PtpGenericInterface_ExtractPreviewOffset(data, size, &n, nullptr, kPtpFormatCr2));
}

// The CR3 preview is found through its track's boxes: the sample's preview
// data was replaced by a placeholder text.
TEST(ImageInspect, Cr3PreviewFromItsBoxes) {
    Bytes file = ReadSample("CanonRaw.cr3");
    ASSERT_EQ(file.size(), 52502u); // MANIFEST.tsv
    Preview p = preview_of(file, kPtpFormatCr3);
    ASSERT_TRUE(p.found);
    EXPECT_EQ(std::string(file.begin() + p.offset, file.begin() + p.offset + p.length),
              "<Dummy JpgFromRaw image data>");

    auto be = [](Bytes& b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = uint8_t(v >> (24 - 8 * i));
    };
    auto layout = [&be](size_t freeAt, uint32_t offset, uint32_t size, size_t total) {
        Bytes b(total, 0);
        std::memcpy(b.data(), "JPEGstsz", 8);
        std::memcpy(b.data() + freeAt, "free", 4);
        if (freeAt >= 12) be(b, freeAt - 12, size);
        std::memcpy(b.data() + freeAt + 8, "co64", 4);
        if (freeAt + 8 + 20 <= total) be(b, freeAt + 8 + 16, offset);
        return b;
    };
    struct Case {
        const char* what;
        Bytes data;
        bool found;
    } cases[] = {
        {"well formed", layout(24, 60, 20, 100), true},
        {"free right after the codes", layout(8, 60, 20, 100), false},
        {"co64 offset cut", layout(24, 60, 20, 24 + 8 + 19), false},
        {"preview past the end", layout(24, 90, 20, 100), false},
        {"preview size wraps", layout(24, 60, 0xFFFFFFF0, 100), false},
        {"no co64", Bytes{'J', 'P', 'E', 'G', 's', 't', 's', 'z', 0, 0, 0, 0,
                          0,   0,   0,   0,   'f', 'r', 'e', 'e', 0, 0, 0, 0},
         false},
    };
    for (const Case& c : cases) {
        Preview found = preview_of(c.data, kPtpFormatCr3);
        EXPECT_EQ(found.found, c.found) << c.what;
        if (c.found) EXPECT_EQ(found.offset, 60u) << c.what;
        if (c.found) EXPECT_EQ(found.length, 20u) << c.what;
    }
}

// The first two samples of each file type, for one truncation test each.
std::vector<std::string> sample_files() {
    std::vector<std::string> files;
    std::map<std::string, int> perType;
    for (const Row& row : manifest())
        if (++perType[row.at("file_type")] <= 2) files.push_back(row.at("file"));
    return files;
}

// The raw rules to run on a sample: its own, or all three on the small
// non-raw files (a JPEG's EXIF and MakerNote are TIFF structures too).
std::vector<uint16_t> preview_formats(const std::string& type) {
    if (type == "CR2") return {kPtpFormatCr2};
    if (type == "NEF") return {kPtpFormatNef, kPtpFormatArw};
    if (type == "CR3") return {kPtpFormatCr3};
    return {kPtpFormatCr2, kPtpFormatNef, kPtpFormatArw};
}

class Truncation : public ::testing::TestWithParam<std::string> {};

// Every prefix fails or gives the whole file's result; ASan guards each prefix's heap block.
TEST_P(Truncation, EveryPrefixFailsOrGivesTheWholeFilesResult) {
    Row row;
    for (const Row& r : manifest())
        if (r.at("file") == GetParam()) row = r;
    ASSERT_FALSE(row.empty());
    Bytes file = ReadSample(GetParam());
    ASSERT_EQ(file.size(), number(row, "bytes"));

    Thumb fullThumb = thumbnail_of(file);
    uint32_t fullEnd = PtpFindJpegEnd(file.data(), uint32_t(file.size()));
    std::vector<uint16_t> formats = preview_formats(row.at("file_type"));
    std::vector<Preview> full;
    for (uint16_t format : formats)
        full.push_back(preview_of(file, format));

    for (size_t n = 0; n < file.size(); ++n) {
        Bytes copy(file.begin(), file.begin() + n);
        Thumb t = thumbnail_of(copy);
        if (t.size) {
            ASSERT_EQ(t.size, fullThumb.size) << n;
            ASSERT_EQ(t.bytes, fullThumb.bytes) << n;
            ASSERT_EQ(t.orientation, fullThumb.orientation) << n;
        }
        uint32_t end = PtpFindJpegEnd(copy.empty() ? nullptr : copy.data(), uint32_t(n));
        ASSERT_TRUE(end == 0 || (end == fullEnd && end <= n)) << n;

        for (size_t f = 0; f < formats.size(); ++f) {
            Preview p = preview_of(copy, formats[f]);
            if (!p.found) continue;
            ASSERT_TRUE(full[f].found) << n;
            ASSERT_EQ(p.offset, full[f].offset) << n;
            ASSERT_EQ(p.length, full[f].length) << n;
            ASSERT_LE(uint64_t(p.offset) + p.length, n) << n;
        }
    }
}

std::string test_name(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Samples, Truncation, ::testing::ValuesIn(sample_files()), test_name);

// --- Hand-made files ------------------------------------------------------------------

// A TIFF writer in either byte order.
struct Tiff {
    bool big = false;
    Bytes b;

    void put_int(uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b.push_back(uint8_t(v >> 8 * (big ? bytes - 1 - i : i)));
    }
    void u16(uint16_t v) { put_int(v, 2); }
    void u32(uint32_t v) { put_int(v, 4); }
    void header(uint32_t ifd0) {
        if (big)
            b.insert(b.end(), {'M', 'M', 0, 42});
        else
            b.insert(b.end(), {'I', 'I', 42, 0});
        u32(ifd0);
    }
    // An entry whose value is a LONG (or an offset).
    void entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        u16(tag);
        u16(type);
        u32(count);
        u32(value);
    }
    // An entry with one SHORT value, left-justified as TIFF stores it.
    void short_entry(uint16_t tag, uint16_t value) {
        u16(tag);
        u16(3);
        u32(1);
        u16(value);
        u16(0);
    }
    void pad_to(size_t n) { b.resize(n, 0); }
    void put(size_t at, const char* text) {
        if (b.size() < at + std::strlen(text)) b.resize(at + std::strlen(text), 0);
        std::memcpy(b.data() + at, text, std::strlen(text));
    }
};

// A little-endian TIFF whose IFD0, at ifd0, holds one-value entries given as
// (tag, value, type), padded with zeros to size; count, when not -1, is the
// entry count written instead of the true one.
struct Entry {
    uint16_t tag;
    uint32_t value;
    uint16_t type = 4;
};
Bytes ifd0_file(const std::vector<Entry>& entries, size_t size, uint32_t ifd0 = 8, int count = -1) {
    Tiff t;
    t.header(ifd0);
    t.u16(uint16_t(count < 0 ? int(entries.size()) : count));
    for (const Entry& e : entries)
        t.entry(e.tag, e.type, 1, e.value);
    t.pad_to(size);
    return t.b;
}

TEST(ImageInspect, ThumbnailOrientationIsReadAsAShortInEitherByteOrder) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "MM" : "II");
        Tiff t;
        t.big = big;
        t.header(8);
        t.u16(3);
        t.short_entry(0x0112, 6);
        t.entry(0x0201, 4, 1, 100);
        t.entry(0x0202, 4, 1, 4);
        t.u32(0);
        t.pad_to(100);
        t.put(100, "JPEG");
        Thumb th = thumbnail_of(t.b);
        ASSERT_EQ(th.size, 4u);
        EXPECT_EQ(th.orientation, 6);
        EXPECT_EQ(std::string(th.bytes.begin(), th.bytes.end()), "JPEG");
    }
}

TEST(ImageInspect, ThumbnailOutsideTheDataIsRefused) {
    struct Case {
        uint32_t offset, size;
    } cases[] = {
        {100, 5},            // one byte past the end
        {0xFFFFFFF0u, 0x20}, // offset + size wraps in 32 bits
        {20, 0xFFFFFFF0u},   // size larger than the data
        {104, 0},            // nothing to copy
        {105, 1},            // offset past the end
    };
    for (const Case& c : cases) {
        Bytes f = ifd0_file({{0x0112, 1, 3}, {0x0201, c.offset}, {0x0202, c.size}}, 104);
        EXPECT_EQ(thumbnail_of(f).size, 0u) << c.offset << " " << c.size;
    }
    // Without an orientation tag there is no complete set.
    Bytes f = ifd0_file({{0x0201, 40}, {0x0202, 4}}, 60);
    EXPECT_EQ(thumbnail_of(f).size, 0u);
    uint8_t* buffer = nullptr;
    EXPECT_EQ(PtpGenericInterface_ExtractThumbnail(f.data(), uint32_t(f.size()), nullptr, nullptr),
              0u);
    EXPECT_EQ(PtpGenericInterface_ExtractThumbnail(nullptr, 10, nullptr, &buffer), 0u);
}

// A NEF-like file: IFD0 with a Model text, then `pairs` JPEGInterchangeFormat
// pairs at the given offsets, each JPEG 8 bytes long.
Bytes nef_with(const char* model, const std::vector<uint32_t>& jpegs, bool big = false) {
    Tiff t;
    t.big = big;
    t.header(8);
    t.u16(1);
    t.entry(0x0110, 2, uint32_t(std::strlen(model) + 1), 400);
    t.u32(0);
    for (size_t i = 0; i < jpegs.size(); ++i) {
        t.u16(2);
        t.entry(0x0201, 4, 1, jpegs[i]);
        t.entry(0x0202, 4, 1, 8 + uint32_t(i));
        t.u32(0);
    }
    t.put(400, model);
    t.pad_to(1000);
    return t.b;
}

TEST(ImageInspect, NefModelDecidesWhichJpegIsThePreview) {
    struct Case {
        const char* model;
        uint32_t offset, length;
    } cases[] = {
        {"NIKON D850", 600, 9}, // the second pair
        {"NIKON Z 8", 700, 10}, // the third
        {"nikon z 9", 700, 10},
        {"NIKON Z 6", 600, 9},
    };
    for (bool big : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.model);
            Bytes nef = nef_with(c.model, {500, 600, 700}, big);
            Preview p = preview_of(nef, kPtpFormatNef);
            ASSERT_TRUE(p.found);
            EXPECT_EQ(p.offset, c.offset);
            EXPECT_EQ(p.length, c.length);
            // An ARW takes the first pair whatever the model.
            Preview arw = preview_of(nef, kPtpFormatArw);
            ASSERT_TRUE(arw.found);
            EXPECT_EQ(arw.offset, 500u);
            EXPECT_EQ(arw.length, 8u);
        }
    }
    // A Z 8 file with only two previews has no third: nothing is found.
    Bytes two = nef_with("NIKON Z 8", {500, 600});
    EXPECT_FALSE(preview_of(two, kPtpFormatNef).found);
}

TEST(ImageInspect, NefOffsetsInsideANikonMakerNoteCountFromItsHeader) {
    for (bool bigFile : {false, true}) {
        for (bool bigNote : {false, true}) {
            SCOPED_TRACE(std::string(bigFile ? "MM" : "II") + " file, " + (bigNote ? "MM" : "II") +
                         " note");
            Tiff t;
            t.big = bigFile;
            t.header(8);
            t.u16(3);
            t.entry(0x0201, 4, 1, 500);
            t.entry(0x0202, 4, 1, 8);
            t.entry(0x927C, 7, 200, 100);
            t.u32(0);
            t.pad_to(100);
            t.put(100, "Nikon");
            t.b.insert(t.b.end(), {0, 2, 0x10, 0, 0});
            Tiff note; // the MakerNote's own TIFF, at 110
            note.big = bigNote;
            note.header(8);
            note.u16(2);
            note.entry(0x0201, 4, 1, 300);
            note.entry(0x0202, 4, 1, 9);
            note.u32(0);
            t.b.insert(t.b.end(), note.b.begin(), note.b.end());
            t.pad_to(600);
            Preview p = preview_of(t.b, kPtpFormatNef);
            ASSERT_TRUE(p.found);
            EXPECT_EQ(p.offset, 110u + 300u);
            EXPECT_EQ(p.length, 9u);
        }
    }
}

TEST(ImageInspect, NefModelTextIsBoundedByTheData) {
    // The Model entry points at the last bytes of the file and claims more.
    Bytes nef = nef_with("NIKON D70", {500, 600});
    Tiff t;
    t.b = nef;
    // Rewrite the Model entry's offset to 996 and its count to 200.
    ByteWriter w;
    write_u32(w, 200);
    write_u32(w, 996);
    std::memcpy(t.b.data() + 10 + 4, w.buf.data(), 8);
    t.put(996, "NIKO");
    Preview p = preview_of(t.b, kPtpFormatNef);
    ASSERT_TRUE(p.found);
    EXPECT_EQ(p.offset, 600u);
    // ... and one whose offset lies beyond the data.
    std::memcpy(t.b.data() + 10 + 8, "\xff\xff\xff\xff", 4);
    EXPECT_TRUE(preview_of(t.b, kPtpFormatNef).found);
}

TEST(ImageInspect, PreviewNeedsIfd0InsideTheData) {
    struct Case {
        uint32_t ifd0;
        int entries;
    } cases[] = {
        {0xFFFFFFF8u, 1}, // header + offset wraps in 32 bits
        {63, 1},          // the entry count's second byte is missing
        {64, 1},          // IFD0 at the very end
        {8, 5},           // 5 entries need 62 bytes after the count, 54 are left
    };
    for (const Case& c : cases) {
        Bytes f = ifd0_file({{0x0111, 40}, {0x0117, 4}}, 64, c.ifd0, c.entries);
        EXPECT_FALSE(preview_of(f, kPtpFormatCr2).found) << c.ifd0;
    }
    // A header at 100 whose IFD0 offset wraps around to an IFD placed at 8:
    // taken in 32 bits it would be found.
    Tiff t;
    t.pad_to(8);
    t.u16(2);
    t.entry(0x0111, 4, 1, 50);
    t.entry(0x0117, 4, 1, 20);
    t.pad_to(100);
    t.header(0xFFFFFFA4u); // 100 + this = 2^32 + 8
    t.pad_to(200);
    EXPECT_FALSE(preview_of(t.b, kPtpFormatCr2).found);
}

// The strip is found when its byte count is the second strip tag met, after
// an offset, and the strip lies inside the data.
TEST(ImageInspect, Cr2SuccessNeedsTheByteCountAsSecondHit) {
    struct Case {
        const char* what;
        std::vector<Entry> entries;
        bool found;
    } cases[] = {{"offsets first", {{0x0111, 100}, {0x0117, 20}}, true},
                 {"byte counts first: no later pair makes a byte count the second hit",
                  {{0x0117, 20}, {0x0111, 100}, {0x0111, 120}, {0x0117, 20}},
                  false},
                 {"two byte counts and no offset", {{0x0117, 20}, {0x0117, 20}}, false},
                 {"strip past the end", {{0x0111, 190}, {0x0117, 20}}, false},
                 {"strip wraps in 32 bits", {{0x0111, 0xFFFFFFF0u}, {0x0117, 20}}, false}};
    for (const Case& c : cases) {
        Bytes f = ifd0_file(c.entries, 200);
        Preview p = preview_of(f, kPtpFormatCr2);
        EXPECT_EQ(p.found, c.found) << c.what;
        if (p.found) {
            EXPECT_EQ(p.offset, 100u);
            EXPECT_EQ(p.length, 20u);
        }
    }
}

TEST(ImageInspect, PreviewHeaderIsLookedForInTheFirst500Bytes) {
    for (size_t at : {0u, 499u, 500u}) {
        Bytes f(at, 0);
        Bytes tiff = ifd0_file({{0x0111, 100}, {0x0117, 20}}, 200);
        f.insert(f.end(), tiff.begin(), tiff.end());
        Preview p = preview_of(f, kPtpFormatCr2);
        EXPECT_EQ(p.found, at < 500) << at;
        if (p.found) {
            EXPECT_EQ(p.offset, at + 100);
        }
    }
}

// --- JPEG end ---------------------------------------------------------------------------

TEST(ImageInspect, JpegEndFinder) {
    struct Case {
        const char* what;
        Bytes data;
        uint32_t end;
    } cases[] = {
        {"segment then scan",
         {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 1, 2, 0xFF, 0xDA, 0x00, 0x02, 7, 7, 0xFF, 0xD9, 9, 9},
         16},
        {"EOI in the marker walk", {0xFF, 0xD8, 0xFF, 0xD9, 0}, 4},
        {"nested scan needs two EOIs",
         {0xFF, 0xD8, 0xFF, 0xDA, 1, 0xFF, 0xDA, 2, 0xFF, 0xD9, 3, 0xFF, 0xD9},
         13},
        {"non-marker bytes step by two", {0xFF, 0xD8, 1, 2, 3, 4, 0xFF, 0xD9}, 8},
        {"segment runs past the end", {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10, 1, 2, 3}, 0},
        {"segment length cut off", {0xFF, 0xD8, 0x00, 0x00, 0xFF, 0xE1, 0x00}, 0},
        {"marker at the last byte", {0xFF, 0xD8, 0x00, 0x00, 0x00, 0xFF}, 0},
        {"no EOI after the scan", {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 1, 2, 3}, 0},
        {"too short", {0xFF, 0xD8, 0xFF, 0xD9}, 0},
        {"no SOI", {0xFF, 0xD9, 0xFF, 0xD9, 0xFF, 0xD9}, 0},
        {"segment ends exactly at the end", {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x03, 1}, 0}};
    for (const Case& c : cases) {
        Bytes copy = c.data; // exact-size heap copy for ASan
        EXPECT_EQ(PtpFindJpegEnd(copy.data(), uint32_t(copy.size())), c.end) << c.what;
    }
    EXPECT_EQ(PtpFindJpegEnd(nullptr, 100), 0u);
}

} // namespace
