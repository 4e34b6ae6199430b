// Session start, the engine and the relay link through the shipped library,
// against the virtual Tetherhub over loopback TCP.
#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "hub_fixture.h"

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

TEST_F(Session, DetectsTheVendorAndIdentifiesTheCamera) {
    // The Canon model table knows the 5D Mark IV (a row without a model number).
    EXPECT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_CameraManufacturer(), PtpVendor_Canon);
    EXPECT_STREQ(PtpGenericInterface_GetCameraName(), "Canon EOS 5D Mark IV");
    EXPECT_STRNE(PtpGenericInterface_CameraSerialNumber(), "");
    EXPECT_EQ(PtpGenericInterface_CameraModel(), 0);
    EXPECT_TRUE(PtpGenericInterface_ShouldCameraBeSupported());
    EXPECT_EQ(PtpGenericInterface_SetConnectionHostMode(1, 0), PtpResult_NotSupportedForCamera);
}

TEST_F(Session, HostileDeviceInfoGivesNoDeviceInfo) {
    std::vector<uint8_t> raw = {100, 0, 11, 0, 0, 0, 100, 0, 0, 0, 0};
    raw.insert(raw.end(), {0x41, 0x01, 0, 0});  // OperationsSupported count 321
    raw.resize(raw.size() + 642, 0);
    SimHub_SetDeviceInfo(hub, raw);
    EXPECT_EQ(PtpGenericInterface_StartSession(0), PtpResult_NoDeviceInfo);
    EXPECT_EQ(PtpGenericInterface_CameraManufacturer(), PtpResult_NoDeviceInfo);
    // The vendor stays "none" for vendor calls.
    EXPECT_EQ(PtpGenericInterface_SetConnectionHostMode(1, 0), PtpResult_NotSupportedForCamera);
}

TEST_F(Session, DeviceInfoIsRetriedOnceWhenBusy) {
    Inject(SimFault_Busy);
    EXPECT_EQ(PtpGenericInterface_GetCameraManufacturer(), PtpVendor_Canon);
    EXPECT_EQ(SimHub_Stats(hub).ptp_commands, 2u);

    SimHub_ResetStats(hub);
    Inject(SimFault_Busy, 0xA102, 2);
    EXPECT_EQ(PtpGenericInterface_GetCameraManufacturer(), PtpResult_NoDeviceInfo);
    EXPECT_EQ(SimHub_Stats(hub).ptp_commands, 2u);
}

TEST_F(Session, NoResponseInPlaceOfTheDataFailsTheRead) {
    Inject(SimFault_NoResponseForData);
    EXPECT_EQ(PtpGenericInterface_GetCameraManufacturer(), PtpResult_NoDeviceInfo);
    // A bare "no response" in place of the response container is success.
    Inject(SimFault_NoResponse);
    EXPECT_EQ(PtpGenericInterface_GetCameraManufacturer(), PtpVendor_Canon);
}

TEST_F(Session, EachVendorIsDetected) {
    // Vendors whose driver knows no model yet stop after detection.
    struct Case {
        const char* camera;
        PtpVendor vendor;
        PtpResult start;
    } cases[] = {{"canon", PtpVendor_Canon, PtpResult_Ok},
                 {"nikon", PtpVendor_Nikon, PtpResult_NotSupportedForCamera},
                 {"sony", PtpVendor_Sony, PtpResult_NotSupportedForCamera},
                 {"fuji", PtpVendor_Fujifilm, PtpResult_NotSupportedForCamera}};
    for (const Case& c : cases) {
        SimOptions options;
        options.camera = c.camera;
        SimHub* other = SimHub_Start(options);
        ASSERT_NE(other, nullptr);
        ASSERT_GE(ConnectToServer("127.0.0.1", std::to_string(SimHub_Port(other)).c_str()), 0);
        EXPECT_EQ(PtpGenericInterface_StartSession(0), c.start) << c.camera;
        EXPECT_EQ(PtpGenericInterface_CameraManufacturer(), c.vendor) << c.camera;
        CloseServerConnection();
        SimHub_Stop(other);
    }
}

TEST_F(Session, TetherhubServices) {
    uint8_t attached = 0;
    EXPECT_EQ(Comms_IsCameraConnected(&attached), PtpResult_Ok);
    EXPECT_EQ(attached, 1);
    SimHub_SetCameraAttached(hub, false);
    EXPECT_EQ(Comms_IsCameraConnected(&attached), PtpResult_Ok);
    EXPECT_EQ(attached, 0);

    uint8_t hardware = 0;
    EXPECT_EQ(Comms_HardwareVersion(&hardware), PtpResult_Ok);
    EXPECT_GT(hardware, 0);
    EXPECT_GT(Comms_PlatformVersion(), 0.0f);
    ASSERT_NE(Comms_CameraModel(), nullptr);
    EXPECT_STREQ(Comms_CameraModel(), "Canon EOS 5D Mark IV");
    uint8_t* serial = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(Comms_GetTetherhubSerialNumber(&serial, &length), PtpResult_Ok);
    EXPECT_GT(length, 0u);
    FreeMemory(serial);
    EXPECT_EQ(Comms_ServerPing(), PtpResult_Ok);
    EXPECT_EQ(Comms_IsCameraConnected(nullptr), PtpResult_InvalidArgument);

    // A hub that does not know the platform-version request answers 0xFF15.
    SimFault refuse;
    refuse.kind = SimFault_RawReply;
    refuse.bytes = {12, 0, 0, 0, 13, 7, 0, 0, 0, 0, 0x15, 0xFF};
    SimHub_InjectFault(hub, refuse);
    EXPECT_EQ(Comms_PlatformVersion(), 2.0f);
    // A one-byte answer where one byte is wanted, and a wrong size.
    refuse.bytes = {14, 0, 0, 0, 13, 9, 0, 0, 0, 0, 0x01, 0x20, 1, 2};
    SimHub_InjectFault(hub, refuse);
    EXPECT_EQ(Comms_HardwareVersion(&hardware), PtpResult_BadReply);
}

std::atomic<int> g_notices{0};
std::atomic<bool> g_otherThread{false};
std::thread::id g_testThread;

void on_notice(uint8_t* message) {
    g_otherThread = std::this_thread::get_id() != g_testThread;
    ++g_notices;
    FreeMemory(message);
}

TEST_F(Session, NoticeBeforeAReplyReachesTheDelegateOnAnotherThread) {
    g_testThread = std::this_thread::get_id();
    SetOOBDelegate(on_notice);
    Inject(SimFault_OobBeforeReply, 16);
    EXPECT_EQ(PtpGenericInterface_GetCameraManufacturer(), PtpVendor_Canon);
    for (int i = 0; i < 100 && g_notices == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(g_notices.load(), 1);
    EXPECT_TRUE(g_otherThread.load());
}

TEST_F(Session, LinkLossMakesEveryCallFailFastUntilReconnected) {
    Inject(SimFault_CloseConnection);
    EXPECT_EQ(Comms_ServerPing(), PtpResult_ConnectionLost);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Comms_ServerPing(), PtpResult_ConnectionLost);
    EXPECT_EQ(PtpGenericInterface_GetCameraManufacturer(), PtpResult_NoDeviceInfo);
    EXPECT_EQ(Comms_PlatformVersion(), 0.0f);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

    ASSERT_TRUE(Connect());
    EXPECT_EQ(Comms_ServerPing(), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_GetCameraManufacturer(), PtpVendor_Canon);
}

TEST_F(Session, ShortHeaderIsBadReplyAndTheLinkStaysUp) {
    Inject(SimFault_ShortHeader, 4);
    EXPECT_EQ(Comms_ServerPing(), PtpResult_BadReply);
    EXPECT_EQ(Comms_ServerPing(), PtpResult_Ok);
}

TEST_F(Session, ConcurrentTransactionsAndControlExchanges) {
    // Transactions and control exchanges from several threads never take each
    // other's replies.
    std::vector<std::future<int>> workers;
    for (int t = 0; t < 4; ++t) {
        workers.push_back(std::async(std::launch::async, [t] {
            int failures = 0;
            for (int i = 0; i < 40; ++i) {
                if (t % 2) {
                    failures += PtpGenericInterface_GetCameraManufacturer() != PtpVendor_Canon;
                } else {
                    uint8_t version = 0;
                    failures += Comms_HardwareVersion(&version) != PtpResult_Ok;
                }
            }
            return failures;
        }));
    }
    for (auto& w : workers) EXPECT_EQ(w.get(), 0);
}

}  // namespace
