// Property names and value labels: table search, the drivers' overrides, the
// decimal fallback and its per-thread buffer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "eos/label_tables.h"
#include "generic/driver.h"
#include "generic/property_names.h"
#include "nikon/label_tables.h"
#include "ptp_names.h"

namespace {

constexpr PtpVendor kVendors[] = {PtpVendor_Canon, PtpVendor_Nikon, PtpVendor_Sony,
                                  PtpVendor_Fujifilm};

const PtpDriver* driver(PtpVendor vendor) { return PtpDriver_ForVendor(vendor); }
PtpLabelContext camera(PtpVendor vendor, uint8_t model = 0, bool mirrorless = false) {
    return {driver(vendor), model, mirrorless};
}
PtpLabelContext canon(bool mirrorless = false) { return camera(PtpVendor_Canon, 0, mirrorless); }
PtpLabelContext nikon(uint8_t model) { return camera(PtpVendor_Nikon, model); }

// A label, or "(null)", so that expectations read as text.
std::string text(const char* label) { return label ? label : "(null)"; }

// Canon packed image-format code: count, then (kind, size, quality) per format.
uint32_t canon_format(uint32_t kind, uint32_t size, uint32_t quality) {
    return 1u << 28 | kind << 24 | size << 18 | quality << 14;
}
uint32_t canon_format(uint32_t kind, uint32_t size, uint32_t quality, uint32_t kind2,
                      uint32_t size2, uint32_t quality2) {
    return 2u << 28 | kind << 24 | size << 18 | quality << 14 | kind2 << 10 | size2 << 4 | quality2;
}

TEST(Names, NamesComeFromTheDriversTable) {
    struct Case {
        PtpVendor vendor;
        uint32_t code;
        const char* name;
    } cases[] = {
        {PtpVendor_Canon, 0x0000, "Unknown"},
        {PtpVendor_Canon, 0xD055, "Lens Zoom"},
        {PtpVendor_Nikon, 0xD055, "B2 ISO Step"}, // the same code means another property
        {PtpVendor_Canon, 0xD1DD, "Lens ID"},     // the end code's own row is searched
        {PtpVendor_Sony, 0xD2D4, "Pixel Shift Multi-Shoot"},
        {PtpVendor_Fujifilm, 0x0000, nullptr}, // Fujifilm lists no "Unknown"
        {PtpVendor_Sony, 0xD2D5, nullptr},
        {PtpVendor_None, 0xD101, nullptr},
        {PtpVendor(PtpResult_NoDeviceInfo), 0x5007, nullptr}, // a failed read names no vendor
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(PtpNames_PropertyName(driver(c.vendor), c.code)), text(c.name))
            << c.vendor << " 0x" << std::hex << c.code;
    // Before a session nothing is named or labelled.
    for (uint32_t code : {0u, 0x5007u, 0xD101u, 0xFFFFFFFFu})
        EXPECT_EQ(PtpGenericInterface_StringForPropertyCode(code), nullptr) << code;
    EXPECT_EQ(PtpGenericInterface_StringForPropertyCodeValue(0xD101, 0xFF), nullptr);
}

TEST(Names, SearchEndsAfterTheEndCodeRow) {
    const PtpVendorPropertyInfo rows[] = {{0x10, "first", 0, nullptr},
                                          {0x10, "second", 0, nullptr},
                                          {0x20, "end", 0, nullptr},
                                          {0x30, "beyond the end", 0, nullptr}};
    PtpPropertyNameTable table = {rows, sizeof rows / sizeof rows[0], 0x20};
    EXPECT_STREQ(PtpNames_FindRow(table, 0x10)->name, "first");
    EXPECT_EQ(PtpNames_FindRow(table, 0x30), nullptr);
    // Without its end code a table is still searched no further than its rows.
    table.endCode = 0x99;
    EXPECT_EQ(PtpNames_FindRow(table, 0x40), nullptr);
}

// Rows after the end code could never be found, so each table closes with it;
// every label table ends with an empty label, or a lookup of an unlisted value
// would run off its end.
TEST(Names, EveryDriverTableIsClosed) {
    std::vector<const PtpValueLabel*> labelTables;
    for (PtpVendor vendor : kVendors) {
        const PtpPropertyNameTable* table = driver(vendor)->tables.names;
        ASSERT_NE(table, nullptr) << vendor;
        ASSERT_GT(table->count, 0u);
        EXPECT_EQ(table->rows[table->count - 1].code, table->endCode) << vendor;
        for (size_t i = 0; i < table->count; ++i) {
            EXPECT_NE(table->rows[i].name[0], '\0') << vendor << " row " << i;
            EXPECT_EQ(PtpNames_FindRow(*table, table->rows[i].code)->code, table->rows[i].code);
            if (table->rows[i].values) labelTables.push_back(table->rows[i].values);
        }
    }
    for (size_t i = 0; i < kNikonLabelOverrideCount; ++i)
        labelTables.push_back(kNikonLabelOverrides[i].labels);
    labelTables.push_back(kCanonShutterSpeedMirrorlessLabels);
    for (const PtpValueLabel* labels : labelTables) {
        size_t n = 0;
        while (n < 1000 && labels[n].label[0] != '\0') {
            ASSERT_LT(std::strlen(labels[n].label), sizeof labels[n].label);
            ++n;
        }
        EXPECT_LT(n, 1000u) << "no terminator";
        EXPECT_GT(n, 0u) << "empty table";
    }
    const PtpValueLabel labels[] = {{"one", 1}, {"uno", 1}, {"two", 2}, {"", 0}};
    EXPECT_STREQ(PtpNames_FindLabel(labels, 1), "one"); // the first matching row wins
    EXPECT_EQ(PtpNames_FindLabel(labels, 0), nullptr);  // the end row never matches
    EXPECT_EQ(PtpNames_FindLabel(nullptr, 1), nullptr);
}

TEST(Labels, LookupFallsBackToTheSignedValue) {
    struct Case {
        PtpLabelContext camera;
        uint32_t code;
        uint32_t value;
        const char* label;
    } cases[] = {
        {canon(), 0xD101, 112, "f91"}, // last row
        {canon(), 0xD101, 9, "9"},     // not listed
        {canon(), 0xD101, 0xFFFFFFFE, "-2"},
        {canon(), 0xD10A, 5200, nullptr}, // a property without labels
        {canon(), 0xD1DE, 1, nullptr},    // no row
        {nikon(0), 0x500F, 0, "0"},       // the empty end row is not a label
        {nikon(0), 0x500F, 0x80000000u, "-2147483648"},
        {camera(PtpVendor_Sony), 0x500E, 0x78050, "Movie P"},
        {camera(PtpVendor_None), 0xD101, 0xFF, nullptr},
        {camera(PtpVendor_Canon, 199), 0x500F, 100, nullptr}, // Nikon tables stay Nikon's
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(PtpNames_ValueLabel(c.camera, c.code, c.value)), text(c.label))
            << c.camera.driver->vendor << " 0x" << std::hex << c.code << " value 0x" << c.value;
}

TEST(Labels, MirrorlessCanonShutterCodeFourIsAuto) {
    struct Case {
        uint32_t value;
        const char* withMirror;
        const char* mirrorless;
    } cases[] = {
        {0, "Auto", "Auto"},
        {4, "bulb", "Auto"},
        {12, "bulb", "bulb"},
        {184, "1/64000", "1/64000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text(PtpNames_ValueLabel(canon(false), 0xD102, c.value)), c.withMirror);
        EXPECT_EQ(text(PtpNames_ValueLabel(canon(true), 0xD102, c.value)), c.mirrorless);
    }
    // Only the shutter speed changes.
    EXPECT_STREQ(PtpNames_ValueLabel(canon(true), 0xD101, 0x30), "f5.6");
}

TEST(Labels, NikonModelTablesReplaceTheVendorTable) {
    struct Case {
        uint8_t model;
        uint32_t code;
        uint32_t value;
        const char* label;
    } cases[] = {
        {199, 0x500F, 100, "ISO Lo 1"},
        {199, 0xD1AA, 100, "ISO 100"}, // 199 keeps the vendor table for movie ISO
        {229, 0xD0B4, 204800, "ISO Hi 2.0"},
        {217, 0xD0B4, 3280000, "3280000"}, // beyond this model's table
        {219, 0x500F, 32, "32"},           // 219 has no 0x500F row of its own
        {219, 0x5004, 1, "JPG (BASIC)*"},
        {200, 0x5004, 1, "JPG (NORM)"}, // no starred qualities
        {0, 0xD0B4, 3280000, "ISO Hi 5"},
        {0, 0xD0B5, 3200, "ISO 3200"}, // the highest automatic ISO is printed on every model
        {199, 0xD0B5, 0xFFFFFFFF, "ISO -1"}};
    for (const Case& c : cases)
        EXPECT_EQ(text(PtpNames_ValueLabel(nikon(c.model), c.code, c.value)), c.label)
            << int(c.model) << " 0x" << std::hex << c.code << " " << std::dec << c.value;
}

// Threads that print unlisted values at the same time each read back their own.
TEST(Labels, PrintedValuesArePrivateToTheirThread) {
    constexpr int kThreads = 8;
    std::atomic<int> ready{0};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &ready, &wrong] {
            const uint32_t value = 1000 + uint32_t(t); // no Canon aperture row holds these
            const std::string expected = std::to_string(value);
            const char* mine = PtpNames_ValueLabel(canon(), 0xD101, value);
            ready.fetch_add(1);
            while (ready.load() < kThreads)
                std::this_thread::yield();
            for (int i = 0; i < 2000; ++i) {
                if (expected != mine) wrong.fetch_add(1);
                mine = PtpNames_ValueLabel(canon(), 0xD101, value);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
