// The DeviceInfo parser: limits, optional trailing texts, texts longer than the
// data, and vendor detection from the Manufacturer text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generic/session.h"
#include "support/device_info.h"

namespace {

DeviceInfoFields fields(int texts = 4) {
    DeviceInfoFields f;
    f.model = "Model X";
    f.extension = "vendor ext";
    f.operations = {0x1001, 0x1002, 0x9116};
    f.events = {0x4000};
    f.properties = {0x4001};
    f.captureFormats = {0x4002};
    f.imageFormats = {0x4003};
    f.texts = texts;
    return f;
}

bool parse(const std::vector<uint8_t>& d, PtpDeviceInfo* info) {
    return PtpParseDeviceInfo(d.data(), uint32_t(d.size()), info);
}

TEST(DeviceInfo, ParsesEveryFieldAndTheTrailingTextsAreOptionalAndBounded) {
    PtpDeviceInfo info;
    ASSERT_TRUE(parse(DeviceInfoData(fields()), &info));
    EXPECT_EQ(info.standardVersion, 100);
    EXPECT_EQ(info.vendorExtensionId, 11u);
    EXPECT_STREQ(info.vendorExtensionDesc, "vendor ext");
    ASSERT_EQ(info.operationsSupported.count, 3u);
    EXPECT_EQ(info.operationsSupported.codes[2], 0x9116);
    EXPECT_EQ(info.imageFormats.codes[0], 0x4003);
    EXPECT_STREQ(info.manufacturer, "Canon Inc.");
    EXPECT_STREQ(info.model, "Model X");
    EXPECT_STREQ(info.deviceVersion, "1.0");
    EXPECT_STREQ(info.serialNumber, "SN");
    for (int texts = 0; texts < 4; ++texts) {
        ASSERT_TRUE(parse(DeviceInfoData(fields(texts)), &info)) << texts;
        EXPECT_EQ(info.manufacturer[0] != 0, texts >= 1);
        EXPECT_EQ(info.serialNumber[0] != 0, texts >= 4);
    }
    // A trailing text longer than the data is not copied.
    std::vector<uint8_t> d = DeviceInfoData(fields(0));
    d.insert(d.end(), {40, 'A', 0, 'A', 0, 'A', 0}); // announces 40 characters, carries 3
    ASSERT_TRUE(parse(d, &info));
    EXPECT_STREQ(info.manufacturer, "");

    // The longest text a count byte can give fits the field and ends in NUL;
    // only the low byte of each character is kept.
    d = DeviceInfoData(fields(0));
    d.push_back(255);
    for (int i = 0; i < 254; ++i)
        d.insert(d.end(), {'m', 0x30});
    d.insert(d.end(), {0, 0});
    ASSERT_TRUE(parse(d, &info));
    EXPECT_EQ(std::string(info.manufacturer), std::string(254, 'm'));
}

TEST(DeviceInfo, RefusesTruncatedAndOversizedData) {
    std::vector<uint8_t> full = DeviceInfoData(fields(0));
    PtpDeviceInfo info;
    // Every cut inside the required part fails; nothing reads past the data.
    for (size_t cut = 0; cut < full.size(); ++cut)
        EXPECT_FALSE(parse(std::vector<uint8_t>(full.begin(), full.begin() + long(cut)), &info))
            << cut;

    // At most 320 operations; a count larger than the codes that follow fails.
    struct Case {
        size_t codes;
        uint32_t count;
        bool parsed;
    } cases[] = {{321, 321, false}, {320, 320, true}, {3, 200, false}};
    for (const Case& c : cases) {
        DeviceInfoFields f = fields(0);
        f.operations.assign(c.codes, 0x1001);
        f.operationCount = c.count;
        EXPECT_EQ(parse(DeviceInfoData(f), &info), c.parsed) << c.count;
    }
}

TEST(VendorDetection, ByManufacturerPrefix) {
    struct Case {
        const char* manufacturer;
        PtpVendor vendor;
    } cases[] = {
        {"Canon Inc.", PtpVendor_Canon},      {"Canon", PtpVendor_Canon},
        {"canon", PtpVendor_Nikon},           {"Nikon Corporation", PtpVendor_Nikon},
        {"Sony Corporation", PtpVendor_Sony}, {"SONY", PtpVendor_Nikon},
        {"FUJIFILM", PtpVendor_Fujifilm},     {"Fujifilm", PtpVendor_Nikon},
        {"Leica Camera AG", PtpVendor_Nikon}, {"", PtpVendor_Nikon},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PtpDetectVendor(c.manufacturer), c.vendor) << c.manufacturer;
}

} // namespace
