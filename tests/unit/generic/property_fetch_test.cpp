// Property descriptions and values read from the virtual camera through the
// engine: each form of DevicePropDesc lands in the right record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "generic/property_store.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "sim_hub.h"

namespace {

class PropertyFetch : public ::testing::Test {
protected:
    SimHub* hub = nullptr;
    void SetUp() override {
        SimOptions options;
        options.camera = "nikon";  // plain PTP descriptions
        hub = SimHub_Start(options);
        ASSERT_NE(hub, nullptr);
        ASSERT_GE(ConnectToServer("127.0.0.1", std::to_string(SimHub_Port(hub)).c_str()), 0);
        PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);
        PtpGenericInterface_StartSession(0);  // reads the DeviceInfo, detects the vendor
    }
    void TearDown() override {
        CloseServerConnection();
        SimHub_Stop(hub);
    }
    PtpPropertyRecord* fetch(uint32_t code) {
        PtpPropertyRecord* r = PtpAddPropertyRecord(code, false, false);
        EXPECT_NE(r, nullptr);
        EXPECT_TRUE(PtpFetchPropertyDescription(r)) << std::hex << code;
        return r;
    }
};

TEST_F(PropertyFetch, EachFormParsesIntoTheRightRecord) {
    PtpPropertyRecord* longList = fetch(0xD2F0);
    EXPECT_EQ(longList->valueCount, 300);
    EXPECT_EQ(longList->values[299].value, 3990u);

    PtpPropertyRecord* battery = fetch(0x5001);  // range 0..100 step 1, read-only
    EXPECT_EQ(battery->valueCount, 101);
    EXPECT_EQ(battery->access, 0);
    EXPECT_EQ(battery->currentValue, 92u);

    EXPECT_EQ(fetch(0x5008)->valueCount, 0);  // step 0
    EXPECT_EQ(fetch(0x5016)->valueCount, 0);  // max = min

    PtpPropertyRecord* bias = fetch(0x5010);  // INT16 list around 0
    ASSERT_EQ(bias->valueCount, 31);
    EXPECT_EQ(bias->values[0].value, uint32_t(uint16_t(-5000)));
    EXPECT_EQ(bias->currentValue, 0u);

    PtpPropertyRecord* size = fetch(0x5003);  // texts, current found by label
    ASSERT_EQ(size->valueCount, 3);
    EXPECT_STREQ(size->currentLabel, "8256x5504");
    EXPECT_EQ(size->currentValue, 0u);
    EXPECT_STREQ(size->values[2].label, "4128x2752");

    // A property the camera does not describe.
    PtpPropertyRecord* unknown = PtpAddPropertyRecord(0xD999, false, false);
    EXPECT_FALSE(PtpFetchPropertyDescription(unknown));
}

TEST_F(PropertyFetch, RefreshReadsTheCurrentValue) {
    PtpPropertyRecord* iso = fetch(0x500F);
    EXPECT_EQ(iso->currentValue, 200u);
    ASSERT_TRUE(SimHub_SetPropertyValue(hub, 0x500F, 800));
    EXPECT_EQ(PtpGenericInterface_RefreshPropertyValue(0x500F), PtpResult_Ok);
    EXPECT_EQ(iso->currentValue, 800u);
    EXPECT_STREQ(iso->currentLabel, "800");
    EXPECT_EQ(PtpGenericInterface_RefreshPropertyValue(0x1234), PtpResult_OperationNotSupported);

    ASSERT_TRUE(SimHub_SetPropertyText(hub, 0x5003, "4128x2752"));
    fetch(0x5003);
    PtpPropertyRecord* size = PtpGenericInterface_GetProperty(0x5003, 0);
    EXPECT_EQ(size->currentValue, 2u);
}

TEST_F(PropertyFetch, WritesAreValidatedAgainstTheParsedList) {
    fetch(0x5007);
    // Not in the camera's list: refused before anything is sent.
    SimHub_ResetStats(hub);
    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0x5007, 123, 0), 0x2006);
    EXPECT_EQ(SimHub_Stats(hub).ptp_commands, 0u);
}

}  // namespace
