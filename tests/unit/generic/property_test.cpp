// The property store: descriptions parsed and fetched, values, write validation,
// and the vendor-neutral write around a stand-in for the Sony and Fujifilm writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comms/bytes.h"
#include "fuji/live_view_restart.h"
#include "generic/driver.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp_comms.h"
#include "ptp_events.h"
#include "ptp_liveview.h"
#include "sim_hub.h"
#include "sony/property_controls.h"

namespace {

void write_typed(ByteWriter& w, uint32_t type, uint32_t v) {
    switch (PtpDataTypeSize(type)) {
    case 1: write_u8(w, uint8_t(v)); break;
    case 2: write_u16(w, uint16_t(v)); break;
    default: write_u32(w, v); break;
    }
}

// A DevicePropDesc: code, type, read-write, factory default, current, then the form.
ByteWriter desc_head(uint16_t code, uint16_t type, uint32_t current, uint32_t factory) {
    ByteWriter w;
    write_u16(w, code);
    write_u16(w, type);
    write_u8(w, 1);
    write_typed(w, type, factory);
    write_typed(w, type, current);
    return w;
}

std::vector<uint8_t> enum_desc(uint16_t code, uint16_t type, uint32_t current,
                               const std::vector<uint32_t>& values) {
    ByteWriter w = desc_head(code, type, current, values.empty() ? 0 : values[0]);
    write_u8(w, 2);
    write_u16(w, uint16_t(values.size()));
    for (uint32_t v : values)
        write_typed(w, type, v);
    return w.buf;
}

std::vector<uint8_t> range_desc(uint16_t code, uint16_t type, uint32_t current, uint32_t min,
                                uint32_t max, uint32_t step) {
    ByteWriter w = desc_head(code, type, current, min);
    write_u8(w, 1);
    for (uint32_t v : {min, max, step})
        write_typed(w, type, v);
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
    for (const char* t : texts)
        write_ptp_string(w, t);
    return w.buf;
}

// --- The store, without a session: no names table, the plain driver ---------------------

class Store : public ::testing::Test {
  protected:
    void SetUp() override {
        PtpSession_SetVendor(PtpVendor_None); // the plain write answers 0xFFFF
        PtpClearPropertyStore();
    }
    PtpPropertyRecord* parsed(uint32_t code, const std::vector<uint8_t>& desc) {
        PtpPropertyRecord* r = PtpAddPropertyRecord(code, false, false);
        EXPECT_NE(r, nullptr);
        EXPECT_TRUE(PtpParsePropertyDescription(r, desc.data(), uint32_t(desc.size())));
        return r;
    }
};

// A text property finds its current value by label.
TEST_F(Store, TextsAreFoundByLabel) {
    PtpPropertyRecord* r = parsed(0x5011, text_desc(0x5011, "Large", {"Small", "Medium", "Large"}));
    ASSERT_EQ(r->valueCount, 3);
    EXPECT_EQ(r->currentValue, 2u);
    EXPECT_STREQ(r->currentLabel, "Large");
    EXPECT_STREQ(r->values[1].label, "Medium");
}

TEST_F(Store, RangesExpandWhenTheyMakeAList) {
    struct Case {
        const char* what;
        uint16_t type;
        uint32_t current, min, max, step;
        uint16_t count;
        uint32_t first;
        const char* firstLabel;
        const char* currentLabel;
    } cases[] = {
        {"step 0", 4, 0, 0, 10, 0, 0, 0, nullptr, "0"},
        {"max = min", 4, 100, 100, 100, 1, 0, 0, nullptr, "100"},
        {"plain", 4, 0, 0, 100, 25, 5, 0, "0", "0"},
        // signed entries keep the type's own bit pattern, labelled as numbers
        {"signed", 3, 0xFFFE, 0xFFFD, 3, 1, 7, 0xFFFD, "-3", "-2"},
        {"too wide for a 16-bit count", 6, 0, 0, 0xFFFFFFFF, 1, 0, 0, nullptr, "0"},
        {"max below min", 5, 10, 10, 0, 1, 0, 0, nullptr, "10"},
    };
    for (const Case& c : cases) {
        PtpClearPropertyStore();
        PtpPropertyRecord* r =
            parsed(0x5001, range_desc(0x5001, c.type, c.current, c.min, c.max, c.step));
        ASSERT_EQ(r->valueCount, c.count) << c.what;
        EXPECT_EQ(r->values == nullptr, c.count == 0) << c.what;
        EXPECT_STREQ(r->currentLabel, c.currentLabel) << c.what;
        if (c.count) {
            EXPECT_EQ(r->values[0].value, c.first) << c.what;
            EXPECT_STREQ(r->values[0].label, c.firstLabel) << c.what;
        }
    }
}

TEST_F(Store, MalformedDescriptionsLeaveTheRecordUnchanged) {
    PtpPropertyRecord* r = parsed(0x5007, enum_desc(0x5007, 4, 400, {280, 400, 560}));
    std::vector<uint8_t> typeZero = enum_desc(0x5007, 4, 400, {400});
    typeZero[2] = 0;
    std::vector<uint8_t> lying = enum_desc(0x5007, 4, 400, {400, 560});
    put_u16(lying.data() + 10, 5000); // a count larger than the values that follow
    std::vector<std::vector<uint8_t>> bad = {typeZero, lying};
    for (const std::vector<uint8_t>& good :
         {enum_desc(0x5007, 4, 560, {400, 560}), range_desc(0x5007, 6, 5, 0, 10, 5),
          text_desc(0x5007, "b", {"a", "b"})})
        for (size_t cut = 0; cut < good.size(); ++cut)
            bad.emplace_back(good.begin(), good.begin() + long(cut));
    for (const std::vector<uint8_t>& d : bad) {
        EXPECT_FALSE(PtpParsePropertyDescription(r, d.data(), uint32_t(d.size()))) << d.size();
        EXPECT_EQ(r->currentValue, 400u);
        ASSERT_EQ(r->valueCount, 3);
        EXPECT_EQ(r->values[2].value, 560u);
    }
}

TEST_F(Store, ValuesAndWritesAreChecked) {
    PtpPropertyRecord* r = parsed(0x500F, enum_desc(0x500F, 6, 100, {100, 200}));
    const uint8_t four[4] = {200, 0, 0, 0};
    EXPECT_EQ(PtpApplyPropertyValue(0x500F, four, 2), -1); // too short
    EXPECT_EQ(r->currentValue, 100u);
    EXPECT_EQ(PtpApplyPropertyValue(0x500F, four, 4), 0);
    EXPECT_EQ(r->currentValue, 200u);
    EXPECT_STREQ(r->currentLabel, "200");
    EXPECT_EQ(PtpApplyPropertyValue(0x9999, four, 4), -1);

    // Writes are cut to the type and validated before the driver's write (the
    // plain 0xFFFF means the value passed).
    parsed(0x5013, enum_desc(0x5013, 2, 1, {1, 2}));
    struct Case {
        uint32_t code, value;
        PtpResult expected;
    } cases[] = {
        {0x5013, 2, 0xFFFF},     {0x5013, 0x102, 0xFFFF}, {0x5013, 3, 0x2006},
        {0x5013, 0x103, 0x2006}, {0x7777, 1, 0x2006},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PtpGenericInterface_SetPropertyValue(c.code, c.value, 0), c.expected) << c.value;
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

// --- Through the engine, from the virtual camera ------------------------------------------

TEST(PropertyFetch, DescriptionsAndValuesComeFromTheCamera) {
    SimOptions options;
    options.camera = "nikon"; // plain PTP descriptions
    SimHub* hub = SimHub_Start(options);
    ASSERT_NE(hub, nullptr);
    ASSERT_GE(ConnectToServer("127.0.0.1", std::to_string(SimHub_Port(hub)).c_str()), 0);
    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);
    PtpGenericInterface_StartSession(0); // reads the DeviceInfo, picks the driver
    PtpClearPropertyStore();             // the records below are fetched one by one
    auto fetch = [](uint32_t code) {
        PtpPropertyRecord* r = PtpAddPropertyRecord(code, false, false);
        EXPECT_TRUE(r && PtpFetchPropertyDescription(r)) << std::hex << code;
        return r;
    };
    EXPECT_EQ(fetch(0xD2F0)->valueCount, 300);  // a long list
    PtpPropertyRecord* battery = fetch(0x5001); // range 0..100 step 1, read-only
    EXPECT_EQ(battery->valueCount, 101);
    EXPECT_EQ(battery->access, 0);
    EXPECT_FALSE(PtpFetchPropertyDescription(PtpAddPropertyRecord(0xD999, false, false)));

    PtpPropertyRecord* iso = fetch(0x500F);
    ASSERT_TRUE(SimHub_SetPropertyValue(hub, 0x500F, 800));
    EXPECT_EQ(PtpGenericInterface_RefreshPropertyValue(0x500F), PtpResult_Ok);
    EXPECT_EQ(iso->currentValue, 800u);
    EXPECT_STREQ(iso->currentLabel, "ISO 800"); // the Nikon label table
    EXPECT_EQ(PtpGenericInterface_RefreshPropertyValue(0x1234), PtpResult_OperationNotSupported);
    CloseServerConnection();
    SimHub_Stop(hub);
}

// --- The write around the Sony and Fujifilm entries -------------------------------------

PtpResult writeResult = PtpResult_Ok;
bool stopsLiveView = false;
int writes = 0;

PtpResult stand_in_write(uint32_t, uint32_t) {
    ++writes;
    if (stopsLiveView) PtpFuji_SetRestartLiveView();
    return writeResult;
}

class PropertyWrite : public ::testing::Test {
  protected:
    void TearDown() override { use(PtpVendor_None); }
    // The vendor's driver with the stand-in write.
    void use(PtpVendor vendor) {
        PtpSession_SetVendor(vendor);
        driver = *PtpDriver_ForVendor(vendor);
        driver.properties.write = stand_in_write;
        PtpSession_SetDriverForTest(&driver);
        PtpClearPropertyStore();
        PtpSony_SetNormalPropertyControls(false);
        PtpFuji_TakeRestartLiveView();
        while (PopEventPtr()) {
        }
        writes = 0;
    }
    PtpDriver driver;
};

// A verification that is skipped leaves the write's own result: Device Busy
// stays Device Busy instead of turning into OK.
TEST_F(PropertyWrite, SonySkippedVerificationKeepsTheWriteResult) {
    use(PtpVendor_Sony);
    constexpr uint32_t kProgram = 0x500E, kAperture = 0x5007;
    ASSERT_NE(PtpAddPropertyRecord(kProgram, false, false), nullptr);
    ASSERT_NE(PtpAddPropertyRecord(kAperture, false, false), nullptr);
    struct Case {
        bool normalControls;
        uint32_t code, value;
        PtpResult written, expected;
    } cases[] = {// older bodies: never verified
                 {false, kAperture, 0x118, PtpResult_DeviceBusy, PtpResult_DeviceBusy},
                 {false, kAperture, 0x118, PtpResult_Ok, PtpResult_Ok},
                 // exposure programs above 0x7804F are not reported back
                 {true, kProgram, 0x78050, PtpResult_DeviceBusy, PtpResult_DeviceBusy},
                 {true, kProgram, 0x78050, PtpResult_Ok, PtpResult_Ok},
                 // otherwise the value must be seen; without the Sony wait it is not
                 {true, kProgram, 0x7804F, PtpResult_Ok, PtpResult_PropertyWriteFailed},
                 {true, kAperture, 0x118, PtpResult_DeviceBusy, PtpResult_PropertyWriteFailed},
                 // a failed write is returned as it is
                 {true, kAperture, 0x118, 0x2005, 0x2005}};
    for (const Case& c : cases) {
        PtpSony_SetNormalPropertyControls(c.normalControls);
        writeResult = c.written;
        EXPECT_EQ(PtpGenericInterface_SetPropertyValue(c.code, c.value, 1), c.expected)
            << std::hex << c.code << " " << c.value << " written " << c.written;
    }
    writeResult = PtpResult_DeviceBusy;
    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(kAperture, 0x118, 0), PtpResult_DeviceBusy);
}

// Live view the Fujifilm write stopped is switched on again whichever way the write ends;
// the caller sees the write's failure, else the restart's result.
TEST_F(PropertyWrite, FujifilmRestartsLiveViewOnEveryExit) {
    use(PtpVendor_Fujifilm);
    stopsLiveView = true;
    const PtpResult restart = PtpGenericInterface_ToggleLiveView(1); // with no Fujifilm driver
    ASSERT_NE(restart, PtpResult_Ok);
    struct Case {
        PtpResult written;
        uint8_t verify;
        PtpResult expected;
    } cases[] = {
        {0x2005, 0, 0x2005},                              // failed write
        {0x2005, 1, 0x2005},                              // failed write, verified call
        {PtpResult_Ok, 1, PtpResult_PropertyWriteFailed}, // failed verification
        {PtpResult_DeviceBusy, 0, PtpResult_DeviceBusy},  // busy, not verified
        {PtpResult_Ok, 0, restart},                       // success: the restart's result
    };
    for (const Case& c : cases) {
        writeResult = c.written;
        EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0xD001, 2, c.verify), c.expected)
            << "written " << std::hex << c.written << " verify " << int(c.verify);
        EXPECT_FALSE(PtpFuji_TakeRestartLiveView()) << "live view left off after " << c.written;
    }
    EXPECT_EQ(writes, 5);
    // A write that did not stop live view does not switch it on.
    stopsLiveView = false;
    writeResult = PtpResult_Ok;
    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0xD001, 2, 0), PtpResult_Ok);
}

} // namespace
