// The virtual Tetherhub's faults by name (tetherhub-sim --fault) against the
// library: each ends a call cleanly within a bound, busy passes after its count,
// an unplugged camera is reported, a dropped event is missing.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "comms/bytes.h"
#include "comms/ptp_transport.h"
#include "comms/relay_link.h"
#include "ptp/transaction.h"
#include "ptp_comms.h"
#include "sim_hub.h"

namespace {

constexpr uint16_t kOpGetDeviceInfo = 0x1001;
constexpr uint16_t kNoCamera = 0x2002;

PtpResult device_info() {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpTransaction_RunDataIn(kOpGetDeviceInfo, {}, &data, &length);
    std::free(data);
    return rc;
}

PtpResult event_poll() {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = Comms_ReadEventData(&data, &length, 0);
    std::free(data);
    return rc;
}

struct Hub {
    SimHub* sim = nullptr;
    explicit Hub(const char* fault, const char* camera = "nikon") {
        SimOptions options;
        options.camera = camera;
        options.small_pictures = true;
        sim = SimHub_Start(options);
        SimFaultOption parsed;
        if (fault && SimFaultOption_Parse(fault, &parsed, nullptr))
            SimHub_ApplyFaultOption(sim, parsed);
        std::string port = std::to_string(SimHub_Port(sim));
        ConnectToServer("127.0.0.1", port.c_str());
        Comms_SetReceiveTimeout(1);
    }
    ~Hub() {
        CloseServerConnection();
        SimHub_Stop(sim);
        Comms_SetReceiveTimeout(kReceiveTimeoutSeconds);
    }
};

TEST(HubFaults, OptionsAreParsedOrRefused) {
    struct Row {
        const char* text;
        SimFaultOptionKind kind;
        uint32_t value;
    } good[] = {
        {"close:0", SimFaultOption_Close, 0},
        {"stall:600000", SimFaultOption_Stall, 600000},
        {"trickle:1", SimFaultOption_Trickle, 1},
        {"garbage", SimFaultOption_Garbage, 1},
        {"garbage:7", SimFaultOption_Garbage, 7},
        {"busy:3", SimFaultOption_Busy, 3},
        {"unplug:0", SimFaultOption_Unplug, 0},
        {"drop-event:4294967295", SimFaultOption_DropEvent, 4294967295u},
    };
    for (const Row& row : good) {
        SimFaultOption fault;
        ASSERT_TRUE(SimFaultOption_Parse(row.text, &fault, nullptr)) << row.text;
        EXPECT_EQ(fault.kind, row.kind) << row.text;
        EXPECT_EQ(fault.value, row.value) << row.text;
    }
    const char* bad[] = {
        "",          "nope",         "busy",    "busy:",        "busy:0",       "busy:-1",
        "busy:+1",   "busy: 1",      "busy:1x", "stall:600001", "unplug:86401", "close:4294967296",
        "garbage:0", "drop-event:0", "Stall:5", "stall:5:5"};
    for (const char* text : bad) {
        SimFaultOption fault;
        std::string why;
        EXPECT_FALSE(SimFaultOption_Parse(text, &fault, &why)) << text;
        EXPECT_FALSE(why.empty() || why.find('\n') != std::string::npos) << text;
    }
}

// Receive time-out 1 s. Each call ends within its bound with the result given;
// then the link is either lost for good or answers the next call.
TEST(HubFaults, EachFaultEndsTheCallCleanly) {
    struct Row {
        const char* fault;
        PtpResult (*call)();
        PtpResult want; // 0: any failure
        int bound_ms;
        bool link_kept; // the next call succeeds
    } rows[] = {
        {"close:30", device_info, PtpResult_ConnectionLost, 1000, false},
        {"close:0", Comms_ServerPing, PtpResult_ConnectionLost, 1000, false},
        {"stall:2500", device_info, PtpResult_ConnectionLost, 2000, false},
        {"trickle:100", device_info, PtpResult_ConnectionLost, 2500, false},
        {"garbage", Comms_ServerPing, 0, 1000, true},
        {"garbage", device_info, 0, 1000, false},
        {"busy:1", device_info, PtpResult_Ok, 1000, true}, // the retry passes
        {"busy:2", device_info, PtpResult_DeviceBusy, 1000, true},
        {"unplug:0", device_info, 0, 1000, false},
        {"unplug:0", event_poll, kNoCamera, 1000, false},
        {"unplug:0", Comms_ServerPing, PtpResult_Ok, 1000, true},
        {"stall:300", Comms_ServerPing, PtpResult_Ok, 1000, true},
        {"trickle:2000", device_info, PtpResult_Ok, 2500, true},
    };
    for (const Row& row : rows) {
        Hub hub(row.fault);
        auto start = std::chrono::steady_clock::now();
        PtpResult rc = row.call();
        auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        if (row.want)
            EXPECT_EQ(rc, row.want) << row.fault;
        else
            EXPECT_NE(rc, PtpResult_Ok) << row.fault;
        EXPECT_LT(took.count(), row.bound_ms) << row.fault;
        if (row.link_kept) EXPECT_EQ(row.call(), PtpResult_Ok) << row.fault << " (next call)";
    }
}

TEST(HubFaults, UnplugLaterIsSeenByTheCameraQueries) {
    Hub hub("unplug:1");
    uint8_t attached = 0;
    ASSERT_EQ(Comms_IsCameraConnected(&attached), PtpResult_Ok);
    EXPECT_EQ(attached, 1);
    EXPECT_EQ(device_info(), PtpResult_Ok);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    ASSERT_EQ(Comms_IsCameraConnected(&attached), PtpResult_Ok);
    EXPECT_EQ(attached, 0);
    EXPECT_EQ(event_poll(), kNoCamera);
}

// Nikon's event data: u16 count, then u16 code and u32 parameter (the handle)
// per event.
TEST(HubFaults, DroppedEventIsNeverReported) {
    Hub hub("drop-event:2");
    uint32_t handles[3];
    for (uint32_t& h : handles)
        h = SimHub_AddObject(hub.sim, "X.JPG", std::vector<uint8_t>(100, 1));
    uint8_t* data = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(Comms_ReadEventData(&data, &length, 0), PtpResult_Ok);
    ASSERT_EQ(length, 14u);
    EXPECT_EQ(peek_u16(data, length, 0), 2);
    EXPECT_EQ(peek_u32(data, length, 4), handles[0]);
    EXPECT_EQ(peek_u32(data, length, 10), handles[2]);
    std::free(data);
    EXPECT_EQ(SimHub_Stats(hub.sim).events_dropped, 1u);
}

} // namespace
