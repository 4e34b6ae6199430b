// The DeviceInfo parser: limits, optional trailing texts, texts longer than the
// data, and vendor detection from the Manufacturer text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comms/bytes.h"
#include "generic/session.h"

namespace {

struct Lists {
    std::vector<uint16_t> ops{0x1001, 0x1002, 0x9116};
    uint32_t opsCount = 3;  // the count written, which may lie
};

// A DeviceInfo data set; `texts` of the trailing four are written (0-4).
std::vector<uint8_t> device_info(const Lists& lists, int texts = 4,
                                 const char* manufacturer = "Canon Inc.") {
    ByteWriter w;
    write_u16(w, 100);
    write_u32(w, 11);
    write_u16(w, 100);
    write_ptp_string(w, "vendor ext");
    write_u16(w, 0);
    write_u32(w, lists.opsCount);
    for (uint16_t op : lists.ops) write_u16(w, op);
    for (int i = 0; i < 4; ++i) {  // events, properties, capture and image formats
        write_u32(w, 1);
        write_u16(w, uint16_t(0x4000 + i));
    }
    const char* tail[] = {manufacturer, "Model X", "1.0.0", "SN123"};
    for (int i = 0; i < texts; ++i) write_ptp_string(w, tail[i]);
    return w.buf;
}

TEST(DeviceInfo, ParsesEveryField) {
    std::vector<uint8_t> d = device_info(Lists{});
    PtpDeviceInfo info;
    ASSERT_TRUE(PtpParseDeviceInfo(d.data(), uint32_t(d.size()), &info));
    EXPECT_EQ(info.standardVersion, 100);
    EXPECT_EQ(info.vendorExtensionId, 11u);
    EXPECT_STREQ(info.vendorExtensionDesc, "vendor ext");
    ASSERT_EQ(info.operationsSupported.count, 3u);
    EXPECT_EQ(info.operationsSupported.codes[2], 0x9116);
    EXPECT_EQ(info.imageFormats.codes[0], 0x4003);
    EXPECT_STREQ(info.manufacturer, "Canon Inc.");
    EXPECT_STREQ(info.model, "Model X");
    EXPECT_STREQ(info.deviceVersion, "1.0.0");
    EXPECT_STREQ(info.serialNumber, "SN123");
}

TEST(DeviceInfo, TrailingTextsAreOptional) {
    for (int texts = 0; texts <= 4; ++texts) {
        std::vector<uint8_t> d = device_info(Lists{}, texts);
        PtpDeviceInfo info;
        ASSERT_TRUE(PtpParseDeviceInfo(d.data(), uint32_t(d.size()), &info)) << texts;
        EXPECT_EQ(info.manufacturer[0] != 0, texts >= 1);
        EXPECT_EQ(info.serialNumber[0] != 0, texts >= 4);
    }
}

TEST(DeviceInfo, RefusesTruncatedAndOversizedData) {
    std::vector<uint8_t> full = device_info(Lists{}, 0);
    PtpDeviceInfo info;
    // Every cut inside the required part fails; nothing reads past the data.
    for (size_t cut = 0; cut < full.size(); ++cut) {
        std::vector<uint8_t> d(full.begin(), full.begin() + long(cut));
        EXPECT_FALSE(PtpParseDeviceInfo(d.data(), uint32_t(d.size()), &info)) << cut;
    }

    // At most 320 operations; a count larger than the codes that follow fails.
    struct Case {
        size_t codes;
        uint32_t count;
        bool parsed;
    } cases[] = {{321, 321, false}, {320, 320, true}, {3, 200, false}};
    for (const Case& c : cases) {
        Lists lists;
        lists.ops.assign(c.codes, 0x1001);
        lists.opsCount = c.count;
        std::vector<uint8_t> d = device_info(lists, 0);
        EXPECT_EQ(PtpParseDeviceInfo(d.data(), uint32_t(d.size()), &info), c.parsed) << c.count;
    }
}

TEST(DeviceInfo, TextLongerThanTheDataIsNotCopied) {
    std::vector<uint8_t> d = device_info(Lists{}, 0);
    d.push_back(40);  // announces 40 characters, carries 3
    for (int i = 0; i < 3; ++i) {
        d.push_back('A');
        d.push_back(0);
    }
    PtpDeviceInfo info;
    ASSERT_TRUE(PtpParseDeviceInfo(d.data(), uint32_t(d.size()), &info));
    EXPECT_STREQ(info.manufacturer, "");

    // The longest text a count byte can give fits the field and ends in NUL;
    // only the low byte of each character is kept.
    d = device_info(Lists{}, 0);
    d.push_back(255);
    for (int i = 0; i < 254; ++i) {
        d.push_back('m');
        d.push_back(0x30);
    }
    d.push_back(0);
    d.push_back(0);
    ASSERT_TRUE(PtpParseDeviceInfo(d.data(), uint32_t(d.size()), &info));
    EXPECT_EQ(std::string(info.manufacturer), std::string(254, 'm'));
}

TEST(VendorDetection, ByManufacturerPrefix) {
    struct Case {
        const char* manufacturer;
        PtpVendor vendor;
    } cases[] = {
        {"Canon Inc.", PtpVendor_Canon},    {"Canon", PtpVendor_Canon},
        {"canon", PtpVendor_Nikon},         {"Nikon Corporation", PtpVendor_Nikon},
        {"Sony Corporation", PtpVendor_Sony}, {"SONY", PtpVendor_Nikon},
        {"FUJIFILM", PtpVendor_Fujifilm},   {"Fujifilm", PtpVendor_Nikon},
        {"Leica Camera AG", PtpVendor_Nikon}, {"", PtpVendor_Nikon},
    };
    for (const Case& c : cases) EXPECT_EQ(PtpDetectVendor(c.manufacturer), c.vendor) << c.manufacturer;
}

}  // namespace
