// The Fujifilm model table, image sizes and formats, compensation and the RAF preview.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fuji/fuji_formats.h"
#include "fuji/fuji_models.h"
#include "generic/driver.h"
#include "ptp_capabilities.h"
#include "ptp_exposure.h"
#include "ptp_fuji.h"
#include "ptp_objects.h"
#include "support/capture_script.h"
#include "support/test_data.h"

namespace {

using namespace scripted;

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint32_t kAbsent = 0xFFFFFFFE; // a table cell: the store lacks the property

using Write = std::pair<uint32_t, uint32_t>; // code, value
std::vector<Write> g_writes;

// The Fujifilm driver with a property writer that records, stores and verifies at once.
PtpDriver g_driver = [] {
    PtpDriver d = kPtpFujiDriver;
    d.properties.write = [](uint32_t code, uint32_t value) {
        g_writes.push_back({code, value});
        set_property(code, value);
        return PtpResult(PtpResult_Ok);
    };
    d.properties.waitForValue = [](uint32_t, uint32_t) { return PtpVerifyOutcome::Verified; };
    d.properties.finishWrite = nullptr;
    return d;
}();

// A Fujifilm session on the body of model number model with an empty store.
void become(uint8_t model, const std::vector<uint16_t>& listed = {}) {
    connect("FUJIFILM", {0x1014, 0x1015, 0x1016}, listed);
    PtpClearPropertyStore();
    PtpSession_SetModel(model);
}

void add(uint32_t code, uint32_t value, const std::vector<uint32_t>& list = {}) {
    if (value == kAbsent) return;
    PtpPropertyRecord* r = PtpAddPropertyRecord(code, false, true);
    r->dataType = 0x0004;
    r->currentValue = value;
    if (list.empty()) return;
    r->values = static_cast<PtpValueLabel*>(std::calloc(list.size(), sizeof(PtpValueLabel)));
    for (size_t i = 0; i < list.size(); ++i)
        r->values[i].value = list[i];
    r->valueCount = uint16_t(list.size());
}

TEST(FujiModels, ModelTextAndGroups) {
    // Model -1: no Fujifilm body.
    const std::tuple<const char*, int, bool> cases[] = {
        {"X-T30 II", 32, false}, {"x-t3", 22, false},      {"X-T1", 16, false},
        {"X-E5", 36, false},     {"GFX100S II", 37, true}, {"GFX100S", 33, true},
        {"GFX 100", 23, true},   {"GFX50S II", 34, true},  {"GFX 50R", 21, true},
        {"X-Pro3", 24, false},   {"X100V", -1, false},
    };
    for (auto [text, want, gfx] : cases) {
        SCOPED_TRACE(text);
        uint8_t model = 0;
        EXPECT_EQ(PtpFuji_ModelForText(text, &model), want >= 0);
        if (want >= 0) EXPECT_EQ(model, want);
        if (want >= 0) EXPECT_EQ(PtpFuji_IsGfxModel(model), gfx);
    }
}

TEST(FujiImageSize, TextsMapToTheBodysRows) {
    const std::tuple<uint8_t, const char*, uint16_t> cases[] = {
        {23, "10192x8736", 54}, // the large bodies' own 7:6 size is found
        {23, "8256x5504", 41},     {33, "8256x5504", 41},      {20, "8256x5504", 21},
        {22, "6000x4000", 15},     {22, "10192x8736", 0xFFFF}, {36, "5472x3648", 64},
        {36, "6000x4000", 0xFFFF}, {22, "", 0xFFFF},
    };
    for (auto [model, text, index] : cases) {
        SCOPED_TRACE(std::to_string(model) + " " + text);
        become(model);
        EXPECT_EQ(PtpFuji_ImageSizeIndex(text), index);
    }
}

TEST(FujiImageFormat, CurrentFormatsAndTheirStrings) {
    const struct {
        uint32_t quality, size, compression;
        uint32_t format, jpeg, raw;
        const char* text;
    } cases[] = {
        {4, 15, 2, 0x02010F02, 0x0F02, 0x02010000, "C-RAW + L JPG (FINE)"},
        {5, 3, 1, 0x01010303, 0x0303, 0x01010000, "RAW + M JPG (NORM)"},
        {1, 15, kAbsent, 0x00010000, kNone, 0x00010000, "RAW"},
        {6, 0, kAbsent, 0x00000006, 0x0006, kNone, "S JPG (S-FINE)"},
        // An unknown size text (0xFFFF): no size letter, nothing read past the table.
        {2, 0xFFFF, kAbsent, 0x0000FF02, 0xFF02, kNone, "JPG (FINE)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        become(22);
        add(0xD018, c.quality);
        add(0x5003, c.size);
        add(0xD022, c.compression);
        uint32_t format = 0, jpeg = 0, raw = 0;
        ASSERT_EQ(PtpFujiInterface_GetCurrentImageFormat(&format), PtpResult_Ok);
        EXPECT_EQ(format, c.format);
        EXPECT_STREQ(PtpFujiInterface_StringForImageFormat(format), c.text);
        EXPECT_EQ(PtpGenericInterface_GetCurrentJpgFormat(&jpeg), PtpResult_Ok);
        EXPECT_EQ(jpeg, c.jpeg);
        EXPECT_EQ(PtpGenericInterface_GetCurrentRawFormat(&raw), PtpResult_Ok);
        EXPECT_EQ(raw, c.raw);
        EXPECT_EQ(PtpGenericInterface_IsImageFormatRawPlusJpg(), c.quality == 4 || c.quality == 5);
    }
    EXPECT_STREQ(PtpFujiInterface_StringForImageFormat(kNone), "--");
    become(22);
    uint32_t format = 0;
    EXPECT_EQ(PtpFujiInterface_GetCurrentImageFormat(&format), PtpResult_InvalidArgument);
    EXPECT_EQ(PtpGenericInterface_GetCurrentJpgFormat(&format), PtpResult_Failed);
}

TEST(FujiImageFormat, PossibleFormatsFollowTheAspectAndTheBody) {
    const std::vector<uint32_t> sizes = {0, 15, 21, 41, 54, 27};
    const struct {
        uint8_t model;
        uint32_t kind, size;
        std::vector<uint16_t> listed;
        std::vector<uint32_t> formats;
    } cases[] = {
        // clang-format off
        {20, 1, 15, {}, {kNone, 3, 2, 6, 0x0F03, 0x0F02, 0x0F06, 0x1503, 0x1502, 0x1506}},
        {23, 1, 0x0115, {}, {kNone, 3, 2, 6, 0x0F03, 0x0F02, 0x0F06, 0x2903, 0x2902, 0x2906}},
        // clang-format on
        {23, 1, 27, {}, {kNone, 0x1B03, 0x1B02, 0x1B06, 0x3603, 0x3602, 0x3606}},
        {22, 1, 0xFFFF, {}, {kNone}}, // an unknown size offers no JPEG
        {22, 6, 15, {}, {kNone, 0x01010000}},
        {22, 6, 15, {0xD022}, {kNone, 0x01010000, 0x02010000}},
        {22, 2, 15, {}, {kNone}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.model) + " kind " + std::to_string(c.kind) + " size " +
                     std::to_string(c.size));
        become(c.model, c.listed);
        add(0xD018, 2, {1, 2, 3, 6});
        add(0x5003, c.size, sizes);
        uint32_t* formats = nullptr;
        uint32_t count = 0;
        ASSERT_EQ(PtpGenericInterface_GetPossibleImageFormats(c.kind, &formats, &count),
                  PtpResult_Ok);
        EXPECT_EQ(std::vector<uint32_t>(formats, formats + count), c.formats);
        std::free(formats);
    }
}

TEST(FujiImageFormat, SetWritesWhatDiffers) {
    const struct {
        uint32_t raw, jpeg, size;
        PtpResult result;
        std::vector<Write> writes;
        const char* text; // the size text written, or null
    } cases[] = {
        {0x00010000, 0x0F03, 6, PtpResult_Ok, {{0xD018, 5}, {0xD022, 0}}, "6000x4000"},
        {kNone, 0x0F02, 15, PtpResult_Ok, {}, nullptr},
        {0x02010000, kNone, 15, PtpResult_Ok, {{0xD018, 1}}, nullptr},
        {kNone, 0xFF02, 15, PtpResult_Failed, {}, nullptr}, // no such size
        {kNone, kNone, 15, PtpResult_Failed, {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.raw) + " " + std::to_string(c.jpeg));
        become(22, {0xD022});
        PtpSession_SetDriverForTest(&g_driver);
        add(0xD018, 2);
        add(0xD022, 2);
        add(0x5003, c.size);
        g_writes.clear();
        EXPECT_EQ(PtpGenericInterface_SetImageFormat(c.raw, c.jpeg), c.result);
        EXPECT_EQ(g_writes, c.writes);
        std::vector<Command> strings = sent();
        ASSERT_EQ(strings.size(), c.text ? 1u : 0u);
        if (!c.text) continue;
        ByteWriter want;
        write_ptp_string(want, c.text);
        EXPECT_EQ(calls(), (std::vector<Call>{{0x1016, {0x5003}}}));
        EXPECT_EQ(strings[0].data, want.buf);
    }
    PtpSession_SetDriverForTest(nullptr);
}

TEST(FujiExposure, CompensationStepsAndLimits) {
    become(22);
    EXPECT_EQ(PtpGenericInterface_ExposureCompensationStepSize(), 3u);
    EXPECT_EQ(PtpGenericInterface_ExposureCompensationValueForStop(-1.0f), 0xFC18u);
    EXPECT_FLOAT_EQ(PtpGenericInterface_StopForExposureCompensationValue(0xFC18), -1.0f);
    add(0x5010, 0, {0xF448, 0xFC18, 0, 0x03E8, 0x0BB8});
    EXPECT_FLOAT_EQ(PtpGenericInterface_MaxExposureCompensationStop(0), 3.0f);
    EXPECT_FLOAT_EQ(PtpGenericInterface_MinExposureCompensationStop(0), -3.0f);
    // Compensation is the host's only in host priority and outside manual exposure.
    const struct {
        uint8_t host;
        uint32_t mode;
        bool enabled;
    } modes[] = {{1, 2, true}, {1, 1, false}, {1, kAbsent, false}, {0, 2, false}};
    for (const auto& m : modes) {
        become(22);
        ASSERT_EQ(PtpGenericInterface_SetConnectionHostMode(m.host, 0), PtpResult_Ok);
        add(0x500E, m.mode);
        EXPECT_EQ(PtpGenericInterface_IsExposureCompensationEnabled(), m.enabled);
    }
}

// A RAF-shaped file: a header naming the embedded JPEG's offset and length,
// the JPEG, then raw data.
Bytes raf(const Bytes& jpeg, uint32_t at) {
    Bytes file(at, 0x20);
    std::memcpy(file.data(), "RAFHEADER", 9);
    put_u32(file.data() + 84, at);
    put_u32(file.data() + 88, uint32_t(jpeg.size()));
    file.insert(file.end(), jpeg.begin(), jpeg.end());
    file.insert(file.end(), 300, 0x5A);
    return file;
}

TEST(FujiRafPreview, FindsTheWholeEmbeddedJpeg) {
    const Bytes sample = testdata::ReadSample("FujiFilm.jpg");
    ASSERT_EQ(sample.size(), 1373u); // MANIFEST.tsv: bytes
    const Bytes cut = Bytes(sample.begin(), sample.begin() + 600);
    const struct {
        const char* name;
        Bytes file;
        uint16_t format;
        bool found;
        uint32_t offset, size;
    } cases[] = {
        {"sample JPEG in a RAF", raf(sample, 148), 0xB111, true, 148, 1373},
        {"sample JPEG alone", sample, 0xB111, true, 0, 1373},
        {"JPEG without its end", raf(cut, 100), 0xB111, false, 0, 0},
        {"JPEG past the header", raf(sample, 500), 0xB111, false, 0, 0},
        {"start marker only", Bytes{0xFF, 0xD8, 0xFF, 0xE1}, 0xB111, false, 0, 0},
        {"other format", raf(sample, 148), 0x3801, false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto copy = testdata::heap_copy(c.file);
        uint32_t offset = 7, size = 7;
        EXPECT_EQ(PtpGenericInterface_ExtractPreviewOffset(copy.get(), uint32_t(c.file.size()),
                                                           &offset, &size, c.format),
                  c.found);
        EXPECT_EQ(offset, c.offset);
        EXPECT_EQ(size, c.size);
        // The finder itself reports no empty preview.
        uint64_t at = 7;
        EXPECT_EQ(PtpFuji_FindRafPreview(c.format, copy.get(), uint32_t(c.file.size()), &at, &size),
                  c.found);
        EXPECT_EQ(at, c.offset);
        EXPECT_EQ(size, c.size);
    }
}

} // namespace
