// Session start, the engine and the relay link through the shipped library,
// against the virtual Tetherhub over loopback TCP.
#include <algorithm>
#include <future>
#include <string>
#include <vector>

#include "hub_fixture.h"
#include "ptp_eos.h"
#include "ptp_names.h"

namespace {

using Session = HubTest;

TEST_F(Session, FirstTransactionOfEverySessionCarriesIdZero) {
    for (int round = 0; round < 2; ++round) {
        SimHub_ResetStats(hub);
        PtpGenericInterface_StartSession(0);
        SimStats stats = SimHub_Stats(hub);
        ASSERT_FALSE(stats.transaction_ids.empty());
        EXPECT_EQ(stats.operations[0], 0x1001);
        EXPECT_EQ(stats.transaction_ids[0], 0u) << "round " << round;
    }
}

// What a session with each body gives. Vendors whose driver knows no model yet
// stop after detection; for Canon, model number 0 is a row without one.
struct Body {
    const char* camera;
    PtpVendor vendor;
    PtpResult start;
    const char* name = nullptr;
    uint8_t model = 0;
    uint32_t rawFormat = 0, exposureMode = 0, shutterCode = 0;
    const char* shutterLabel = nullptr;
    uint16_t focusModes = 0;
};

const Body kBodies[] = {
    {"canon", PtpVendor_Canon, PtpResult_Ok, "Canon EOS 5D Mark IV", 0, 0xB103, 0xD105, 0x0C,
     "bulb", 3},
    {"canon-r", PtpVendor_Canon, PtpResult_Ok, "Canon EOS R", 228, 0xB108, 0xD138, 4, "Auto", 4},
    // The R5 shares the R6's number.
    {"canon-r5", PtpVendor_Canon, PtpResult_Ok, "Canon EOS R5", 230, 0xB108, 0xD138, 4, "Auto", 4},
    // The Nikon body's own checks are in nikon_end_to_end_test.cpp.
    {"nikon", PtpVendor_Nikon, PtpResult_Ok},
    // The Sony bodies' own checks are in sony_end_to_end_test.cpp.
    {"sony", PtpVendor_Sony, PtpResult_Ok},
    {"fuji", PtpVendor_Fujifilm, PtpResult_Ok},
};

TEST_F(Session, EachBodyIsIdentified) {
    for (const Body& b : kBodies) {
        SCOPED_TRACE(b.camera);
        SimOptions options;
        options.camera = b.camera;
        SimHub* other = SimHub_Start(options);
        ASSERT_NE(other, nullptr);
        ASSERT_GE(ConnectToServer("127.0.0.1", std::to_string(SimHub_Port(other)).c_str()), 0);
        InitializeLibrary();
        EXPECT_EQ(PtpGenericInterface_StartSession(0), b.start);
        EXPECT_EQ(PtpGenericInterface_CameraManufacturer(), b.vendor);
        if (b.name) {
            EXPECT_STREQ(PtpGenericInterface_GetCameraName(), b.name);
            EXPECT_STRNE(PtpGenericInterface_CameraSerialNumber(), "");
            EXPECT_TRUE(PtpGenericInterface_ShouldCameraBeSupported());
            EXPECT_EQ(PtpGenericInterface_CameraModel(), b.model);
            EXPECT_EQ(PtpEosInterface_RawImageFormat(), b.rawFormat);
            EXPECT_EQ(PtpGetAutoExposurePropertyCode(), b.exposureMode);
            EXPECT_STREQ(PtpGenericInterface_StringForPropertyCodeValue(0xD102, b.shutterCode),
                         b.shutterLabel);
            RecordCopy focus = ReadProperty(0xD108);
            EXPECT_EQ(focus.values.size(), b.focusModes);
            EXPECT_EQ(focus.access, 0);
            EXPECT_EQ(PtpGenericInterface_SetConnectionHostMode(1, 0),
                      PtpResult_NotSupportedForCamera);
        }
        CloseServerConnection();
        SimHub_Stop(other);
    }
}

TEST_F(Session, HostileDeviceInfoGivesNoDeviceInfo) {
    // OperationsSupported count 321, one more than a DeviceInfo may list.
    const uint8_t head[] = {100, 0, 11, 0, 0, 0, 100, 0, 0, 0, 0, 0x41, 0x01, 0, 0};
    std::vector<uint8_t> raw(sizeof head + 642, 0);
    std::copy(head, head + sizeof head, raw.begin());
    SimHub_SetDeviceInfo(hub, raw);
    EXPECT_EQ(PtpGenericInterface_StartSession(0), PtpResult_NoDeviceInfo);
    EXPECT_EQ(PtpGenericInterface_CameraManufacturer(), PtpResult_NoDeviceInfo);
    // The vendor stays "none" for vendor calls.
    EXPECT_EQ(PtpGenericInterface_SetConnectionHostMode(1, 0), PtpResult_NotSupportedForCamera);
}

// A hub that closes the connection at the DeviceInfo: the start reports the
// lost link, not a camera without a DeviceInfo.
TEST_F(Session, LinkLostAtTheDeviceInfoIsReportedAsLost) {
    SimFault close;
    close.kind = SimFault_CloseConnection;
    SimHub_InjectFault(hub, close);
    EXPECT_EQ(PtpGenericInterface_StartSession(0), PtpResult_ConnectionLost);
}

// Transactions and control exchanges from several threads never take each
// other's replies.
TEST_F(Session, ConcurrentTransactionsAndControlExchanges) {
    std::vector<std::future<int>> workers;
    for (int t = 0; t < 4; ++t) {
        workers.push_back(std::async(std::launch::async, [t] {
            int failures = 0;
            for (int i = 0; i < 40; ++i) {
                uint8_t version = 0;
                failures += t % 2 ? PtpGenericInterface_GetCameraManufacturer() != PtpVendor_Canon
                                  : Comms_HardwareVersion(&version) != PtpResult_Ok;
            }
            return failures;
        }));
    }
    for (auto& w : workers)
        EXPECT_EQ(w.get(), 0);
}

} // namespace
