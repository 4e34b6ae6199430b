// The Nikon model table, image-format values and exposure encodings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_formats.h"
#include "nikon/nikon_models.h"
#include "ptp_capabilities.h"
#include "ptp_exposure.h"
#include "ptp_nikon.h"
#include "ptp_objects.h"

namespace {

// A Nikon session on the body of model number model with an empty store.
void become(uint8_t model) {
    PtpClearPropertyStore();
    PtpSession_SetVendor(PtpVendor_Nikon);
    PtpSession_SetModel(model);
}

PtpPropertyRecord* add(uint32_t code, uint32_t value, uint16_t listLength = 0) {
    PtpPropertyRecord* r = PtpAddPropertyRecord(code, false, false);
    r->currentValue = value;
    if (listLength) {
        r->values = static_cast<PtpValueLabel*>(std::calloc(listLength, sizeof(PtpValueLabel)));
        r->valueCount = listLength;
    }
    return r;
}

TEST(NikonModels, LongerNamesWinOverTheNamesTheyContain) {
    const struct {
        const char* text;
        int model; // -1: no Nikon body
        bool afSwitch;
        PtpNikonZoomTable zoom;
    } cases[] = {
        {"NIKON Z fc", 229, false, PtpNikonZoomTable::Default},
        {"Nikon Z 6_2", 226, false, PtpNikonZoomTable::Default},
        {"Nikon Z 50", 222, false, PtpNikonZoomTable::Default},
        {"D7500", 217, false, PtpNikonZoomTable::Default},
        {"nikon d7000", 194, false, PtpNikonZoomTable::D5000},
        {"D4", 200, false, PtpNikonZoomTable::D800},
        {"D300S", 202, false, PtpNikonZoomTable::D3},
        {"D500", 216, false, PtpNikonZoomTable::Default},
        {"D5000", 192, true, PtpNikonZoomTable::D5000},
        {"D90", 203, true, PtpNikonZoomTable::D5000},
        {"Df", 209, false, PtpNikonZoomTable::Df},
        {"Coolpix P1000", -1, false, PtpNikonZoomTable::Default},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        uint8_t model = 0;
        EXPECT_EQ(PtpNikon_DetectModelText(c.text, &model), c.model >= 0);
        if (c.model >= 0) EXPECT_EQ(model, c.model);
        EXPECT_EQ(PtpNikon_HasAfModeSwitch(), c.afSwitch);
        EXPECT_EQ(PtpNikon_ZoomTable(), c.zoom);
    }
    // Only the first 255 characters count.
    uint8_t model = 0;
    EXPECT_FALSE(PtpNikon_DetectModelText((std::string(254, 'x') + "D850").c_str(), &model));
}

TEST(NikonImageFormat, Labels) {
    const struct {
        uint8_t model;
        uint32_t value;
        const char* label;
    } cases[] = {
        {212, 0x00020001, "S JPG (NORM)"},
        {212, 0xFFFFFFFF, "--"},
        {212, 0x00000003, ""},
        {212, 0x01000007, "M RAW + L JPG (FINE)"},
        {230, 0x0101000C, "M RAW + M JPG (FINE)"},
        {230, 0x00000005, "L JPG (FINE)*"},
        {230, 0x00000006, ""},
    };
    for (const auto& c : cases) {
        become(c.model);
        EXPECT_STREQ(PtpNikonInterface_StringForImageFormat(c.value), c.label) << c.value;
    }
}

TEST(NikonImageFormat, PossibleFormats) {
    // An empty list: only the count is checked (six qualities, three sizes, and none: 19).
    const uint32_t no = 0xFFFFFFFF;
    const struct {
        uint8_t model;
        uint32_t kind;
        bool rawSize;
        std::vector<uint32_t> formats;
        size_t count;
    } cases[] = {
        // clang-format off
        {229, 1, false, {no, 0, 0x10000, 0x20000, 2, 0x10002, 0x20002, 4, 0x10004, 0x20004}, 10},
        {212, 1, false, {no, 0, 0x10000, 0x20000, 1, 0x10001, 0x20001, 2, 0x10002, 0x20002}, 10},
        {228, 6, true, {no, 7, 0x01000007, 0x02000007}, 4}, {212, 6, false, {no, 4}, 2},
        {212, 3, false, {no}, 1}, {228, 1, false, {}, 19},
        // clang-format on
    };
    for (const auto& c : cases) {
        become(c.model);
        if (c.rawSize) add(0xD0B6, 0);
        uint32_t* formats = nullptr;
        uint32_t count = 0;
        ASSERT_EQ(PtpGenericInterface_GetPossibleImageFormats(c.kind, &formats, &count),
                  PtpResult_Ok);
        EXPECT_EQ(count, c.count) << int(c.model);
        if (!c.formats.empty())
            EXPECT_EQ(std::vector<uint32_t>(formats, formats + count), c.formats) << int(c.model);
        std::free(formats);
    }
}

TEST(NikonImageFormat, CurrentPartsFollowTheListLength) {
    const struct {
        uint16_t listLength; // of 0x5004: 11 or more is the newer family
        uint32_t composite, rawSize, jpg, raw;
    } cases[] = {
        {8, 0x00010006, 0, 0x00010001, 4},
        {8, 0x00000002, 0, 2, 0xFFFFFFFF},
        {14, 0x0002000C, 2, 0x00020004, 0x02000007},
        {14, 0x00000007, 1, 0xFFFFFFFF, 0x01000007},
    };
    for (const auto& c : cases) {
        become(212);
        add(0x5004, c.composite, c.listLength);
        add(0xD0B6, c.rawSize);
        uint32_t jpg = 0, raw = 0;
        EXPECT_EQ(PtpGenericInterface_GetCurrentJpgFormat(&jpg), PtpResult_Ok);
        EXPECT_EQ(PtpGenericInterface_GetCurrentRawFormat(&raw), PtpResult_Ok);
        EXPECT_EQ(jpg, c.jpg) << c.composite;
        EXPECT_EQ(raw, c.raw) << c.composite;
    }
    become(212);
    uint16_t size = 0;
    uint8_t compression = 9;
    EXPECT_EQ(PtpGenericInterface_GetImageFormatDetails(0x01000004, 6, &size, &compression),
              PtpResult_Ok);
    EXPECT_EQ(size, 1);
    EXPECT_EQ(compression, 0);
    EXPECT_EQ(PtpGenericInterface_GetImageFormatDetails(0x01000004, 1, &size, &compression),
              PtpResult_Failed);
    EXPECT_EQ(PtpGenericInterface_SetImageFormat(0xFFFFFFFF, 0xFFFFFFFF), PtpResult_Failed);
    // RAW M with JPEG M fine: 12 in the newer codes, 7 in the older.
    EXPECT_EQ(PtpNikon_ImageQualityFor(0x01000007, 0x00010004, true), 12u);
    EXPECT_EQ(PtpNikon_ImageQualityFor(0x01000004, 0x00010002, false), 7u);
    EXPECT_EQ(PtpNikon_ImageQualityFor(0xFFFFFFFF, 0x00010004, true), 4u);
    EXPECT_EQ(PtpNikon_ImageQualityFor(0x01000007, 0xFFFFFFFF, true), 7u);
}

TEST(NikonExposure, Encodings) {
    become(212);
    EXPECT_EQ(int16_t(PtpGenericInterface_ExposureCompensationValueForStop(0.667f)), 666);
    EXPECT_EQ(int16_t(PtpGenericInterface_ExposureCompensationValueForStop(-0.333f)), -333);
    EXPECT_EQ(PtpGenericInterface_ExposureCompensationValueForStop(0.05f), 0u);
    EXPECT_EQ(PtpGenericInterface_ExposureBracketValueForStop(0.05f), 0xFFFFu);
    EXPECT_EQ(PtpGenericInterface_ExposureBracketValueForStop(1.0f), 3u);
    become(228); // sixths of a stop
    EXPECT_EQ(PtpGenericInterface_ExposureBracketValueForStop(1.0f), 6u);
}

TEST(NikonExposure, BracketFramesByPattern) {
    const struct {
        uint8_t model;
        bool on;
        uint32_t pattern, below, above;
    } cases[] = {
        {192, true, 0, 1, 1},     {212, false, 0, 1, 1},    {197, true, 0, 1, 0},
        {197, true, 9, 0, 0},     {212, true, 7, 4, 4},     {212, true, 4, 1, 1},
        {223, true, 0x203, 0, 2}, {227, true, 0x202, 1, 0}, {227, true, 0x999, 0, 2},
        {206, true, 3, 1, 1},
    };
    for (const auto& c : cases) {
        uint32_t below = 9, above = 9;
        PtpNikon_BracketFrames(c.model, c.on, c.pattern, &below, &above);
        EXPECT_EQ(below, c.below) << int(c.model) << " " << c.pattern;
        EXPECT_EQ(above, c.above) << int(c.model) << " " << c.pattern;
    }
    become(212);
    add(0xD0C0, 1);
    add(0xD0C2, 5);
    float stops[PTP_BRACKET_STOPS_MAX] = {};
    ASSERT_EQ(PtpGenericInterface_GetExposureBracketingStops(0.5f, stops, 0), 4u);
    EXPECT_EQ(std::vector<float>(stops, stops + 4), (std::vector<float>{-0.5f, -1, 0.5f, 1}));
}

TEST(NikonCapabilities, ContinuousShotsSaturate) {
    const struct {
        int minimum, limit; // -1: absent
        uint8_t shots;
    } cases[] = {{300, -1, 255}, {256, -1, 255}, {-1, 5, 20}, {50, 10, 10}, {50, -1, 50}};
    for (const auto& c : cases) {
        become(212);
        if (c.minimum >= 0) add(0xD1B4, c.minimum);
        if (c.limit >= 0) add(0xD1F1, c.limit);
        EXPECT_EQ(PtpNikonInterface_GetMaxContinuousShots(), c.shots) << c.minimum;
    }
}

TEST(NikonCapabilities, AutoIsoAndFocusProperties) {
    become(212);
    EXPECT_EQ(PtpNikonInterface_AutoIsoEnabledProperty(), nullptr);
    EXPECT_FALSE(PtpNikonInterface_SupportsAutoIso());
    add(0xD16A, 1);
    add(0xD0B5, 6400);
    EXPECT_EQ(PtpNikonInterface_AutoIsoEnabledPropertyCode(), 0xD16Au);
    EXPECT_FALSE(PtpNikonInterface_AutoIsoEnabledValue(PtpNikonInterface_AutoIsoEnabledProperty()));
    EXPECT_TRUE(PtpNikonInterface_SupportsAutoIso());
    EXPECT_TRUE(PtpGenericInterface_IsAutoIso());
    add(0xD054, 0);
    add(0x500E, 0x8051);
    add(0xD0FC, 20); // a user mode holding aperture priority
    EXPECT_EQ(PtpNikonInterface_AutoIsoEnabledPropertyCode(), 0xD054u);
    EXPECT_FALSE(PtpGenericInterface_IsExposureBracketingEnabled()); // a user mode
    EXPECT_FALSE(PtpGenericInterface_IsAutoIso());
    EXPECT_EQ(PtpNikonInterface_GetFocusModePropertyCode(), 0x500Au);
    add(0xD161, 0);
    EXPECT_EQ(PtpNikonInterface_GetFocusModePropertyCode(), 0xD161u);
    become(230);
    EXPECT_EQ(PtpNikonInterface_GetFocusModePropertyCode(), 0xD061u);
    EXPECT_TRUE(PtpNikonInterface_IsMirrorless());
    PtpClearPropertyStore();
}

} // namespace
