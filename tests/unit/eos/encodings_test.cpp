// Canon packed image-format codes; their JPEG and RAW parts, exposure steps and shutter
// times are checked through the generic calls (capabilities_test, exposure_test).
#include <gtest/gtest.h>

#include <vector>

#include "eos/eos_models.h"
#include "eos/label_tables.h"

namespace {

std::vector<uint32_t> fields(const PtpEosImageFormat& f) {
    return {f.count,      f.firstKind,  f.firstSize,    f.firstQuality,
            f.secondKind, f.secondSize, f.secondQuality};
}

TEST(EosImageFormat, WorkedExamplesOfCodesAndLabels) {
    struct {
        const char* label;
        uint32_t code;
        PtpEosImageFormat fields;
    } cases[] = {
        {"RAW", 0x16010000, {1, 6, 0, 4, 0, 0, 0}},
        {"S3 Normal JPEG", 0x11408000, {1, 1, 16, 2, 0, 0, 0}},
        {"RAW + Large Fine JPEG", 0x26010403, {2, 6, 0, 4, 1, 0, 3}},
        {"Small RAW + Small None JPEG", 0x26090420, {2, 6, 2, 4, 1, 2, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_STREQ(PtpNames_FindLabel(kCanonImageFormatLabels, c.code), c.label);
        EXPECT_EQ(PtpEos_PackImageFormat(c.fields), c.code);
        EXPECT_EQ(fields(PtpEos_UnpackImageFormat(c.code)), fields(c.fields));
    }
}

TEST(EosImageFormat, CombiningFormats) {
    const uint32_t none = kEosNoImageFormat;
    struct {
        uint32_t first, second;
        PtpResult rc;
        uint32_t combined;
    } cases[] = {
        {0x1100C000, 0x16010000, PtpResult_Ok, 0x2100D804}, // JPEG first, RAW second
        {0x16010000, 0x1100C000, PtpResult_Ok, 0x26010403}, // "RAW + Large Fine JPEG"
        {none, 0x11408000, PtpResult_Ok, 0x11408000},
        {0x16050000, none, PtpResult_Ok, 0x16050000},
        // Only the first format of a two-format argument is taken.
        {0x26010403, 0x11408000, PtpResult_Ok, 0x26010502},
        {none, none, PtpResult_InvalidArgument, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        uint32_t combined = 0;
        EXPECT_EQ(PtpEos_CombineImageFormats(c.first, c.second, &combined), c.rc);
        if (c.rc == PtpResult_Ok) EXPECT_EQ(combined, c.combined);
    }
    EXPECT_EQ(PtpEos_CombineImageFormats(0x1100C000, none, nullptr), PtpResult_InvalidArgument);
}

// Every labelled code packs back from its fields; a RAW + JPEG code, from its two parts.
TEST(EosImageFormat, LabelledCodesRoundTrip) {
    for (const PtpValueLabel* row = kCanonImageFormatLabels; row->label[0]; ++row) {
        SCOPED_TRACE(row->label);
        EXPECT_EQ(PtpEos_PackImageFormat(PtpEos_UnpackImageFormat(row->value)), row->value);
        if (PtpEos_UnpackImageFormat(row->value).count != 2) continue;
        uint32_t combined = 0;
        EXPECT_EQ(PtpEos_CombineImageFormats(PtpEos_RawPartOf(row->value),
                                             PtpEos_JpgPartOf(row->value), &combined),
                  PtpResult_Ok);
        EXPECT_EQ(combined, row->value);
    }
}

TEST(EosImageFormat, DetailsOfOnePart) {
    struct {
        uint32_t code, kind;
        PtpResult rc;
        uint16_t size;
        uint8_t quality;
    } cases[] = {
        {0x26010403, 6, PtpResult_Ok, 0, 4},  // the RAW of RAW + Large Fine JPEG
        {0x26010403, 1, PtpResult_Ok, 0, 3},  // its JPEG
        {0x11408000, 1, PtpResult_Ok, 16, 2}, // S3 Normal JPEG
        {0x1100C000, 6, PtpResult_Failed, 0, 0}, {0x16010000, 1, PtpResult_Failed, 0, 0},
        {0x01000000, 1, PtpResult_Failed, 0, 0}, // count 0: no format at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        uint16_t size = 0xFFFF;
        uint8_t quality = 0xFF;
        EXPECT_EQ(PtpEos_GetImageFormatDetails(c.code, c.kind, &size, &quality), c.rc);
        if (c.rc != PtpResult_Ok) continue;
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(quality, c.quality);
    }
    uint16_t size;
    EXPECT_EQ(PtpEos_GetImageFormatDetails(0x16010000, 6, &size, nullptr),
              PtpResult_InvalidArgument);
}

} // namespace
