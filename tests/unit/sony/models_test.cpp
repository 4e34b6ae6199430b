// The Sony model table, image-format value, value labels and capability answers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "generic/driver.h"
#include "generic/property_names.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp_capabilities.h"
#include "ptp_capture.h"
#include "ptp_exposure.h"
#include "ptp_focus.h"
#include "ptp_sony.h"
#include "sony/property_controls.h"
#include "sony/sony_formats.h"
#include "sony/sony_models.h"

namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;
using Pairs = std::vector<std::pair<uint32_t, uint32_t>>;

// The fake camera's writes, and the code it refuses with 0x2005.
Pairs g_writes;
uint32_t g_refused = 0;

PtpResult fake_write(uint32_t code, uint32_t value) {
    g_writes.push_back({code, value});
    return code == g_refused ? PtpResult(0x2005) : PtpResult_Ok;
}
PtpVerifyOutcome fake_confirm(uint32_t, uint32_t) { return PtpVerifyOutcome::Verified; }

PtpDriver fake_sony() {
    PtpDriver d = kPtpSonyDriver;
    d.properties.write = fake_write;
    d.properties.waitForValue = fake_confirm;
    return d;
}
const PtpDriver kFakeSony = fake_sony();

// A Sony session on model with a store of {code, value} records.
void become(uint8_t model, const Pairs& records = {}) {
    PtpClearPropertyStore();
    PtpSession_SetVendor(PtpVendor_Sony);
    PtpSession_SetDriverForTest(&kFakeSony);
    PtpSession_SetModel(model);
    for (auto [code, value] : records)
        PtpAddPropertyRecord(code, false, false)->currentValue = value;
    g_writes.clear();
    g_refused = 0;
}

// Flags of a body: normal controls, incremental focus, format cap 19, 200 % zoom, movies.
constexpr int N = 1, I = 2, C = 4, Z = 8, M = 16;

TEST(SonyModels, FirstMatchingNameDecidesModelAndFlags) {
    const struct {
        const char* text;
        int model; // -1: no Sony body
        int flags;
    } cases[] = {
        // clang-format off
        // The first two hold neither "7M4" nor a plain "ILCE-9" match.
        {"ILCE-7RM4", 171, N | I | Z | M}, {"ILCE-9M2", 176, N | I | Z | M},
        {"ILCE-9", 164, I | M},            {"ilce-7sm3", 177, N | I | Z | M},
        {"ILCE-7S", 173, M},               {"ILCE-7CR", 186, N | I | M},
        {"ZV-E10", 187, N | I | Z | M},    {"ZV-E1", 188, N | I | Z | M},
        {"SLT-A99V", 165, C},              {"ILCE-6300", 166, C | M},
        {"ILCE-7M3", 163, I | M},          {"DSC-RX100M7", -1, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        PtpSony_SetNormalPropertyControls(true);
        uint8_t model = 0;
        ASSERT_EQ(PtpSony_DetectModelText(c.text, &model), c.model >= 0);
        EXPECT_EQ(PtpSony_SupportsNormalPropertyControls(), bool(c.flags & N));
        if (c.model < 0) continue;
        EXPECT_EQ(model, c.model);
        become(model);
        EXPECT_EQ(PtpGenericInterface_IsIncrementalFocusSupported(), bool(c.flags & I));
        EXPECT_EQ(PtpGenericInterface_IsFocusStackSupported(), bool(c.flags & I));
        EXPECT_EQ(PtpSony_HasImageFormatCap19(), bool(c.flags & C));
        EXPECT_EQ(PtpSony_Has200ZoomLevel(), bool(c.flags & Z));
        EXPECT_EQ(PtpGenericInterface_SupportsMovieRecording(), bool(c.flags & M));
    }
}

TEST(SonyModels, SettingAnswers) {
    const struct {
        uint32_t drive, compensation;
        bool doubleShot, compensated;
    } cases[] = {{1, 0, false, false}, {0x8012, 0xFC18, false, true}, {0x8013, 300, true, true}};
    for (const auto& c : cases) {
        become(182, {{0x5013, c.drive}, {0x5010, c.compensation}});
        EXPECT_EQ(PtpGenericInterface_CouldDoubleShoot(), c.doubleShot) << c.drive;
        EXPECT_EQ(PtpGenericInterface_IsExposureCompensationEnabled(), c.compensated);
    }
    EXPECT_EQ(PtpGenericInterface_ExposureCompensationValueForStop(-1.0f), 0xFFFFFC18u);
    EXPECT_EQ(PtpGenericInterface_TurnOffBracketing(), PtpResult_Ok);
    EXPECT_EQ(g_writes, (Pairs{{0x5013, 1}}));
}

// The holder is 0xD253 when the store has it (newer scheme), else 0x5004. Its
// value is composed from its code, 0xD252 and 0xD203; an absent part counts as 0.
TEST(SonyImageFormat, ComposedLabelsAndParts) {
    const struct {
        uint32_t holder, value;
        const char* label;
        uint32_t jpg, raw;
    } cases[] = {
        {0xD253, 0x00010302, "RAW + L JPG (STD)", 0x00010303, 1},
        {0xD253, 0x00030103, "S JPG (X-FINE)", 0x00030103, kNone},
        {0xD253, 0x00020401, "RAW", kNone, 1},
        {0x5004, 0x00020013, "RAW + M JPG (FINE)", 0x00020003, 0x10},
        {0x5004, 0x00000010, "RAW", kNone, 0x10},
        {0x5004, 0x00010001, "L JPG (LIGHT)", 0x00010001, kNone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Pairs records = {{c.holder, 0xFFFF00 | (c.value & 0xFF)}, {0xD203, c.value >> 16}};
        if (c.holder == 0xD253) records.push_back({0xD252, c.value >> 8 & 0xFF});
        become(182, records);
        PtpSony_ComposeImageFormat();
        uint32_t jpg = 0, raw = 0, value = 0;
        EXPECT_TRUE(PtpReadCurrentValue(c.holder, &value));
        EXPECT_EQ(value, c.value);
        EXPECT_STREQ(PtpSonyInterface_StringForImageFormat(c.value), c.label);
        EXPECT_EQ(PtpGenericInterface_GetCurrentJpgFormat(&jpg), PtpResult_Ok);
        EXPECT_EQ(PtpGenericInterface_GetCurrentRawFormat(&raw), PtpResult_Ok);
        EXPECT_EQ(jpg, c.jpg);
        EXPECT_EQ(raw, c.raw);
        EXPECT_EQ(PtpGenericInterface_ImageFormatHasJpg(c.value), c.jpg != kNone);
    }
    EXPECT_STREQ(PtpSonyInterface_StringForImageFormat(kNone), "--");
    become(182, {{0xD203, 2}, {0xD252, 1}}); // no holder: nothing to compose or set
    PtpSony_ComposeImageFormat();
    EXPECT_EQ(PtpGenericInterface_SetImageFormat(1, kNone), PtpResult_Failed);
}

TEST(SonyImageFormat, PossibleFormats) {
    // clang-format off
    const struct {
        uint8_t model;
        uint32_t holder, kind;
        std::vector<uint32_t> formats;
    } cases[] = {
        {166, 0x5004, 1, {kNone, 0x10002, 0x20002, 0x30002, 0x10003, 0x20003, 0x30003,
                          0x10004, 0x20004, 0x30004}},
        {171, 0xD253, 1, {kNone, 0x10303, 0x10203, 0x10103, 0x20303, 0x20203, 0x20103,
                          0x30303, 0x30203, 0x30103}},
        {182, 0xD253, 1, {kNone, 0x10403, 0x10303, 0x10203, 0x10103, 0x20403, 0x20303,
                          0x20203, 0x20103, 0x30403, 0x30303, 0x30203, 0x30103}},
        {166, 0x5004, 6, {kNone, 0x10}}, {182, 0xD253, 6, {kNone, 1}}, {182, 0xD253, 3, {kNone}},
    };
    // clang-format on
    for (const auto& c : cases) {
        become(c.model, {{c.holder, 3}});
        uint32_t* formats = nullptr;
        uint32_t count = 0;
        ASSERT_EQ(PtpGenericInterface_GetPossibleImageFormats(c.kind, &formats, &count),
                  PtpResult_Ok);
        EXPECT_EQ(std::vector<uint32_t>(formats, formats + count), c.formats) << int(c.model);
        std::free(formats);
    }
}

// Only the parts that differ are written, each verified; the first refused
// write ends the change with the camera's code.
TEST(SonyImageFormat, SetterWritesThePartsThatDiffer) {
    const PtpResult kRefused = PtpResult(0x2005);
    const struct {
        uint8_t model;
        uint32_t holder, now, raw, jpeg, refused;
        PtpResult rc;
        Pairs writes;
    } cases[] = {
        {166, 0x5004, 0x10002, 0x10, 0x30004, 0, PtpResult_Ok, {{0x5004, 0x13}, {0xD203, 3}}},
        {163, 0x5004, 0x10002, 0x10, 0x30004, 0, PtpResult_Ok, {{0x5004, 0x14}, {0xD203, 3}}},
        {182, 0xD253, 0x10103, kNone, 0x20203, 0, PtpResult_Ok, {{0xD252, 2}, {0xD203, 2}}},
        {182, 0xD253, 0x10103, 1, kNone, 0, PtpResult_Ok, {{0xD253, 1}}},
        {182, 0xD253, 0x10302, 1, 0x10303, 0, PtpResult_Ok, {}},
        {182, 0xD253, 0x10103, 1, 0x20203, 0xD252, kRefused, {{0xD253, 2}, {0xD252, 2}}},
        {182, 0xD253, 0x10303, kNone, 0x30303, 0xD203, kRefused, {{0xD203, 3}}},
        {166, 0x5004, 0x10003, kNone, 0x20003, 0xD203, kRefused, {{0xD203, 2}}},
        {182, 0xD253, 0x10103, kNone, kNone, 0, PtpResult_Failed, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.model) << " " << c.raw << " " << c.jpeg);
        become(c.model, {{c.holder, c.now}, {0xD252, c.now >> 8 & 0xFF}, {0xD203, c.now >> 16}});
        g_refused = c.refused;
        EXPECT_EQ(PtpGenericInterface_SetImageFormat(c.raw, c.jpeg), c.rc);
        EXPECT_EQ(g_writes, c.writes);
    }
}

const char* label(uint32_t code, uint32_t value) {
    return PtpNames_ValueLabel({&kPtpSonyDriver, 182, false}, code, value);
}

TEST(SonyLabels, SignedStopsAndTables) {
    const struct {
        uint32_t code, value;
        const char* label;
    } cases[] = {
        {0x5010, 0xFD12, "-0.8"},  {0x5010, 0, "+/-0"},      {0x5010, 700, "+0.7"},
        {0xD200, 0xFC18, "-1.0"},  {0xD200, 0, "0"},         {0xD200, 1500, "+1.5"},
        {0xD20F, 5600, "5600"},    {0x5007, 560, "5.6"},     {0x500A, 0x8004, "AF-C"},
        {0x500B, 0x8001, "Multi"}, {0x500A, 0x1234, "4660"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(label(c.code, c.value), c.label) << c.code;
}

// The event thread labels values while hosts read theirs: each keeps its text.
TEST(SonyLabels, EachThreadReadsItsOwnText) {
    become(182, {{0xD253, 3}});
    auto run = [](uint32_t stops, std::string want, uint32_t format, std::string wantFormat,
                  int* wrong) {
        for (int i = 0; i < 1000000; ++i) {
            *wrong += label(0x5010, stops) != want;
            if (i % 16 == 0) *wrong += PtpSonyInterface_StringForImageFormat(format) != wantFormat;
        }
    };
    int wrong[2] = {};
    std::thread a(run, uint32_t(-700), "-0.7", 0x00010103u, "L JPG (X-FINE)", &wrong[0]);
    std::thread b(run, 700u, "+0.7", 0x00030402u, "RAW + S JPG (LIGHT)", &wrong[1]);
    a.join();
    b.join();
    EXPECT_EQ(wrong[0] + wrong[1], 0);
}

} // namespace
