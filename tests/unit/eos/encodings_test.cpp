// Canon encodings: packed image-format codes and their labels, exposure-step
// codes, the codes one stop apart, drive modes and shutter-speed times.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
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
        {"Large Fine JPEG", 0x1100C000, {1, 1, 0, 3, 0, 0, 0}},
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

TEST(EosImageFormat, PartsOfACode) {
    const uint32_t none = kEosNoImageFormat;
    struct {
        uint32_t code;
        uint32_t jpg, raw;
        bool hasJpg;
    } cases[] = {
        {0x26010403, 0x1100C000, 0x16010000, true}, // RAW + Large Fine JPEG
        {0x26090420, 0x11080000, 0x16090000, true}, // Small RAW + Small None JPEG
        {0x26050503, 0x1140C000, 0x16050000, true}, // Medium RAW + S3 Fine JPEG
        {0x1100C000, 0x1100C000, none, true},       // Large Fine JPEG
        {0x16010000, none, 0x16010000, false},      // RAW
        {0x2100D804, 0x1100C000, none, true},       // Large Fine JPEG first, RAW second
        {0x00000000, none, none, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(PtpEos_JpgPartOf(c.code), c.jpg);
        EXPECT_EQ(PtpEos_RawPartOf(c.code), c.raw);
        EXPECT_EQ(PtpEos_ImageFormatHasJpg(c.code), c.hasJpg);
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
        {0x16090000, 0x11080000, PtpResult_Ok, 0x26090420}, // "Small RAW + Small None JPEG"
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
        {0x26090420, 1, PtpResult_Ok, 2, 0},  // Small None JPEG
        {0x11408000, 1, PtpResult_Ok, 16, 2}, // S3 Normal JPEG
        {0x16050000, 6, PtpResult_Ok, 1, 4},  // Medium RAW
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

// Stops written in a label: "+4 2/3", "-1/2", "0", "+/- 1 1/3" (sign given apart).
float stops_in_label(const char* label) {
    float sign = 1;
    if (std::string(label).rfind("+/- ", 0) == 0) {
        label += 4;
    } else if (label[0] == '+' || label[0] == '-') {
        sign = label[0] == '-' ? -1 : 1;
        ++label;
    }
    int whole = 0, num = 0, den = 1;
    if (std::sscanf(label, "%d %d/%d", &whole, &num, &den) == 3)
        return sign * (whole + float(num) / den);
    if (std::sscanf(label, "%d/%d", &num, &den) == 2) return sign * float(num) / den;
    if (std::sscanf(label, "%d", &whole) == 1) return sign * whole;
    return NAN;
}

TEST(EosExposureCodes, CodesDecodeToTheStopsOfTheirLabels) {
    for (const PtpValueLabel* table :
         {kCanonExposureCompensationLabels, kCanonExposureBracketingLabels}) {
        for (const PtpValueLabel* row = table; row->label[0]; ++row) {
            if (std::string(row->label) == "Off") {
                EXPECT_EQ(PtpEos_StopsForExposureCode(row->value), 0.0f);
                continue;
            }
            EXPECT_NEAR(PtpEos_StopsForExposureCode(row->value), stops_in_label(row->label), 1e-5)
                << row->label;
        }
    }
    // Past the labelled range, and a sign-extended INT8, which keeps its byte.
    EXPECT_NEAR(PtpEos_StopsForExposureCode(0xA0), 20.0f, 1e-5);
    EXPECT_NEAR(PtpEos_StopsForExposureCode(0xFFFFFFF8), -1.0f, 1e-5);
}

TEST(EosExposureCodes, ContinuousDriveModes) {
    for (uint32_t value : {0x01, 0x04, 0x05, 0x14, 0x15, 0x16})
        EXPECT_TRUE(PtpEos_IsDriveModeContinuous(value)) << value;
    // Single, video, silent single, self-timer continuous, a wider value.
    for (uint32_t value : {0x00, 0x02, 0x06, 0x07, 0x10001})
        EXPECT_FALSE(PtpEos_IsDriveModeContinuous(value)) << value;
}

TEST(EosShutterSpeed, TimesAgreeWithTheShutterLabels) {
    // 30" or 0"3: whole milliseconds; 1/N: 1000/N, at least 1, down to 1/2000 (0x90); else 0.
    for (const PtpValueLabel* row = kCanonShutterSpeedLabels; row->label[0]; ++row) {
        int seconds = 0, tenths = 0, denominator = 0;
        int64_t expected = 0;
        if (std::sscanf(row->label, "1/%d", &denominator) == 1) {
            if (row->value <= 0x90) expected = std::max<int64_t>(1, 1000 / denominator);
        } else if (std::sscanf(row->label, "%d\"%d", &seconds, &tenths) == 2) {
            expected = seconds * 1000 + tenths * 100;
        } else if (std::sscanf(row->label, "%d\"", &seconds) == 1) {
            expected = seconds * 1000;
        }
        EXPECT_EQ(PtpEos_MillisecondsForShutterSpeed(row->value), expected) << row->label;
    }
    EXPECT_EQ(PtpEos_MillisecondsForShutterSpeed(0x110), 0); // past the table
}

} // namespace
