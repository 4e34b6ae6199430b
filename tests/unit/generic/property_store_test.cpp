// Property descriptions, values and write validation, on hand-made
// DevicePropDesc data sets (no session: no vendor table, no driver).
#include "generic/property_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "comms/bytes.h"
#include "generic/session.h"

namespace {

void write_typed(ByteWriter& w, uint32_t type, uint32_t v) {
    switch (PtpDataTypeSize(type)) {
    case 1: write_u8(w, uint8_t(v)); break;
    case 2: write_u16(w, uint16_t(v)); break;
    default: write_u32(w, v); break;
    }
}

std::vector<uint8_t> enum_desc(uint16_t code, uint16_t type, uint32_t current,
                               const std::vector<uint32_t>& values) {
    ByteWriter w;
    write_u16(w, code);
    write_u16(w, type);
    write_u8(w, 1);
    write_typed(w, type, values.empty() ? 0 : values[0]);
    write_typed(w, type, current);
    write_u8(w, 2);
    write_u16(w, uint16_t(values.size()));
    for (uint32_t v : values) write_typed(w, type, v);
    return w.buf;
}

std::vector<uint8_t> range_desc(uint16_t code, uint16_t type, uint32_t current, uint32_t min,
                                uint32_t max, uint32_t step) {
    ByteWriter w;
    write_u16(w, code);
    write_u16(w, type);
    write_u8(w, 1);
    write_typed(w, type, min);
    write_typed(w, type, current);
    write_u8(w, 1);
    write_typed(w, type, min);
    write_typed(w, type, max);
    write_typed(w, type, step);
    return w.buf;
}

std::vector<uint8_t> text_desc(uint16_t code, const char* current,
                               const std::vector<const char*>& texts) {
    ByteWriter w;
    write_u16(w, code);
    write_u16(w, 0xFFFF);
    write_u8(w, 1);
    write_ptp_string(w, texts.empty() ? "" : texts[0]);
    write_ptp_string(w, current);
    write_u8(w, 2);
    write_u16(w, uint16_t(texts.size()));
    for (const char* t : texts) write_ptp_string(w, t);
    return w.buf;
}

class Store : public ::testing::Test {
protected:
    void SetUp() override {
        PtpSession_SetVendor(PtpVendor_None);  // no driver: the write step answers 0xFFFF
        PtpClearPropertyStore();
    }
    PtpPropertyRecord* parsed(uint32_t code, const std::vector<uint8_t>& desc) {
        PtpPropertyRecord* r = PtpAddPropertyRecord(code, false, false);
        EXPECT_NE(r, nullptr);
        EXPECT_TRUE(PtpParsePropertyDescription(r, desc.data(), uint32_t(desc.size())));
        return r;
    }
};

TEST_F(Store, EnumerationOfThreeHundredValuesIsKeptWhole) {
    std::vector<uint32_t> values;
    for (uint32_t i = 0; i < 300; ++i) values.push_back(1000 + i);
    PtpPropertyRecord* r = parsed(0xD2F0, enum_desc(0xD2F0, 4, 1150, values));
    ASSERT_EQ(r->valueCount, 300);
    EXPECT_EQ(r->values[299].value, 1299u);
    EXPECT_STREQ(r->values[299].label, "1299");
    EXPECT_EQ(r->currentValue, 1150u);
    EXPECT_STREQ(r->currentLabel, "1150");
    EXPECT_EQ(r->access, 1);
    EXPECT_EQ(r->dataType, 4u);
}

TEST_F(Store, RangesExpandWhenTheyMakeAList) {
    struct Case {
        const char* what;
        uint16_t type;
        uint32_t min, max, step;
        uint16_t count;
        uint32_t last;
        const char* lastLabel;
    } cases[] = {
        {"step 0", 4, 0, 10, 0, 0, 0, nullptr},
        {"max = min", 4, 100, 100, 1, 0, 0, nullptr},
        {"plain", 4, 0, 100, 25, 5, 100, "100"},
        {"signed", 3, 0xFFFD, 3, 1, 7, 3, "3"},
        {"too wide for a 16-bit count", 6, 0, 0xFFFFFFFF, 1, 0, 0, nullptr},
        {"max below min", 5, 10, 0, 1, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        PtpClearPropertyStore();
        PtpPropertyRecord* r = parsed(0x5001, range_desc(0x5001, c.type, c.min, c.min, c.max, c.step));
        ASSERT_EQ(r->valueCount, c.count) << c.what;
        EXPECT_EQ(r->values == nullptr, c.count == 0) << c.what;
        if (c.count) {
            EXPECT_EQ(r->values[c.count - 1].value, c.last) << c.what;
            EXPECT_STREQ(r->values[c.count - 1].label, c.lastLabel) << c.what;
        }
    }
    // Signed entries keep the type's own bit pattern, labelled as numbers.
    PtpClearPropertyStore();
    PtpPropertyRecord* r = parsed(0x5010, range_desc(0x5010, 3, 0xFFFE, 0xFFFD, 3, 1));
    ASSERT_EQ(r->valueCount, 7);
    EXPECT_EQ(r->values[0].value, 0xFFFDu);
    EXPECT_STREQ(r->values[0].label, "-3");
    EXPECT_EQ(r->currentValue, 0xFFFEu);
    EXPECT_STREQ(r->currentLabel, "-2");
}

TEST_F(Store, TextPropertiesFindTheirCurrentValueByLabel) {
    PtpPropertyRecord* r = parsed(0x5011, text_desc(0x5011, "Large", {"Small", "Medium", "Large"}));
    ASSERT_EQ(r->valueCount, 3);
    EXPECT_EQ(r->currentValue, 2u);
    EXPECT_STREQ(r->currentLabel, "Large");
    EXPECT_STREQ(r->values[1].label, "Medium");
    PtpClearPropertyStore();
    r = parsed(0x5011, text_desc(0x5011, "Small", {"Small", "Medium", "Large"}));
    EXPECT_EQ(r->currentValue, 0u);
}

TEST_F(Store, MalformedDescriptionsLeaveTheRecordUnchanged) {
    PtpPropertyRecord* r = parsed(0x5007, enum_desc(0x5007, 4, 400, {280, 400, 560}));
    std::vector<std::vector<uint8_t>> goods = {enum_desc(0x5007, 4, 560, {400, 560}),
                                               range_desc(0x5007, 6, 5, 0, 10, 5),
                                               text_desc(0x5007, "b", {"a", "b"})};
    for (const std::vector<uint8_t>& good : goods) {
        for (size_t cut = 0; cut < good.size(); ++cut) {
            std::vector<uint8_t> d(good.begin(), good.begin() + long(cut));
            EXPECT_FALSE(PtpParsePropertyDescription(r, d.data(), uint32_t(d.size()))) << cut;
            EXPECT_EQ(r->currentValue, 400u);
            ASSERT_EQ(r->valueCount, 3);
            EXPECT_EQ(r->values[2].value, 560u);
        }
    }
    std::vector<uint8_t> typeZero = enum_desc(0x5007, 4, 400, {400});
    typeZero[2] = 0;
    EXPECT_FALSE(PtpParsePropertyDescription(r, typeZero.data(), uint32_t(typeZero.size())));
    // A count larger than the values that follow.
    std::vector<uint8_t> lying = enum_desc(0x5007, 4, 400, {400, 560});
    put_u16(lying.data() + 10, 5000);
    EXPECT_FALSE(PtpParsePropertyDescription(r, lying.data(), uint32_t(lying.size())));
    EXPECT_EQ(r->valueCount, 3);
}

TEST_F(Store, ApplyValueChecksTheLength) {
    PtpPropertyRecord* r = parsed(0x500F, enum_desc(0x500F, 6, 100, {100, 200}));
    const uint8_t two[2] = {200, 0};
    EXPECT_EQ(PtpApplyPropertyValue(0x500F, two, 2), -1);
    EXPECT_EQ(r->currentValue, 100u);
    const uint8_t four[4] = {200, 0, 0, 0};
    EXPECT_EQ(PtpApplyPropertyValue(0x500F, four, 4), 0);
    EXPECT_EQ(r->currentValue, 200u);
    EXPECT_STREQ(r->currentLabel, "200");
    EXPECT_EQ(PtpApplyPropertyValue(0x9999, four, 4), -1);
}

TEST_F(Store, WritesAreCutAndValidatedBeforeTheDriver) {
    parsed(0x5013, enum_desc(0x5013, 2, 1, {1, 2}));
    // With no vendor the driver step answers 0xFFFF: reaching it means the
    // value passed validation.
    struct Case {
        uint32_t value;
        PtpResult expected;
    } cases[] = {{2, 0xFFFF}, {0x102, 0xFFFF}, {3, 0x2006}, {0x103, 0x2006}};
    for (const Case& c : cases)
        EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0x5013, c.value, 0), c.expected) << c.value;
    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0x7777, 1, 0), 0x2006);
    EXPECT_TRUE(PtpIsPropertyValueAllowed(0x5013, 0x201));
    EXPECT_FALSE(PtpIsPropertyValueAllowed(0x5013, 5));
    EXPECT_FALSE(PtpIsPropertyValueAllowed(0x7777, 1));
}

TEST_F(Store, CapacityAndLookup) {
    for (uint32_t i = 0; i < kPropertyStoreCapacity; ++i)
        ASSERT_NE(PtpAddPropertyRecord(0x6000 + i, false, false), nullptr);
    EXPECT_EQ(PtpAddPropertyRecord(0x7000, false, false), nullptr);
    EXPECT_TRUE(PtpGenericInterface_IsPropertySupported(0x6000 + 299));
    PtpPropertyRecord* r = PtpGenericInterface_GetProperty(0x6005, 1);
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(PtpUnlockProperty(r));
    PtpClearPropertyStore();
    EXPECT_FALSE(PtpGenericInterface_IsPropertySupported(0x6000));
    EXPECT_EQ(PtpPropertyCount(), 0);
}

}  // namespace
