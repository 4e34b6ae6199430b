// The Tetherhub services against the virtual Tetherhub: what goes on the wire,
// what the caller gets back, and what happens to replies of the wrong size.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "comms/services.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_comms.h"
#include "ptp_focus.h"
#include "sim_hub.h"
#include "support/raw_peer.h"

namespace {

class Services : public ::testing::Test {
  protected:
    SimHub* hub = nullptr;

    void SetUp() override {
        SimOptions options;
        hub = SimHub_Start(options);
        ASSERT_NE(hub, nullptr);
        std::string port = std::to_string(SimHub_Port(hub));
        ASSERT_GE(ConnectToServer("127.0.0.1", port.c_str()), 0);
        PtpSession_SetVendor(PtpVendor_Canon);
        PtpSession_SetManualFocus(0);
    }
    void TearDown() override {
        PtpSession_SetVendor(PtpVendor_None);
        CloseServerConnection();
        SimHub_Stop(hub);
    }
    // The next request is answered with exactly these bytes.
    void ReplyWith(const std::vector<uint8_t>& bytes) {
        SimFault fault;
        fault.kind = SimFault_RawReply;
        fault.bytes = bytes;
        SimHub_InjectFault(hub, fault);
    }
    SimStats Stats() const { return SimHub_Stats(hub); }

    // A camera object's record (only the fields the services read).
    PtpObjectInfo CameraRecord(SimObjectFacts* facts) {
        std::vector<uint32_t> handles = SimHub_ObjectHandles(hub);
        EXPECT_FALSE(handles.empty());
        PtpObjectInfo record{};
        if (handles.empty()) return record;
        EXPECT_TRUE(SimHub_GetObjectFacts(hub, handles[0], facts));
        record.handle = handles[0];
        record.sequenceNumber = 0x55555555;
        std::snprintf(record.fileName, sizeof record.fileName, "%s", facts->name.c_str());
        return record;
    }
};

std::vector<uint8_t> take(uint8_t* data, uint32_t length) {
    std::vector<uint8_t> copy;
    if (data) copy.assign(data, data + length);
    FreeMemory(data);
    return copy;
}

std::vector<uint8_t> f32_bytes(float f) {
    ByteWriter w;
    write_f32(w, f);
    return w.buf;
}

TEST_F(Services, PlatformVersion) {
    EXPECT_FLOAT_EQ(Comms_PlatformVersion(), 1.5f);
    ReplyWith(ControlReply(0x2001, {0, 0, 0}));
    EXPECT_FLOAT_EQ(Comms_PlatformVersion(), 0.0f);
    ReplyWith(ControlReply(0x2002, f32_bytes(3.0f)));
    EXPECT_FLOAT_EQ(Comms_PlatformVersion(), 0.0f);
}

TEST_F(Services, BatteryRecord) {
    PtpHubBatteryInfo info;
    std::memset(&info, 0xEE, sizeof info);
    ASSERT_EQ(Comms_GetTetherhubBatteryInfo(&info), PtpResult_Ok);
    EXPECT_EQ(std::memcmp(&info, kSimBatteryRecord, sizeof info), 0);
    EXPECT_EQ(Stats().control_requests[135], 1u);

    // 40 bytes: result 0 and the caller's record untouched.
    std::memset(&info, 0xEE, sizeof info);
    PtpHubBatteryInfo before = info;
    ReplyWith(ControlReply(0x2001, std::vector<uint8_t>(40, 0x11)));
    EXPECT_EQ(Comms_GetTetherhubBatteryInfo(&info), 0);
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);
    // A failed request passes its result and hands nothing over either.
    ReplyWith(ControlReply(0x2002, std::vector<uint8_t>(44, 0x11)));
    EXPECT_EQ(Comms_GetTetherhubBatteryInfo(&info), 0x2002);
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);
    EXPECT_EQ(Comms_GetTetherhubBatteryInfo(nullptr), PtpResult_InvalidArgument);
}

TEST_F(Services, FixedSizeReplies) {
    uint8_t orientation = 0xEE;
    ReplyWith(ControlReply(0x2001, {6, 6}));
    EXPECT_EQ(Comms_GetObjectOrientation(1, &orientation), PtpResult_BadReply);
    EXPECT_EQ(orientation, 0xEE);
    ReplyWith(ControlReply(0x2001, {6}));
    EXPECT_EQ(Comms_GetObjectOrientation(0x01020304, &orientation), PtpResult_Ok);
    EXPECT_EQ(orientation, 6);
    EXPECT_EQ(Stats().last_control_payload, (std::vector<uint8_t>{4, 3, 2, 1}));

    EXPECT_EQ(Comms_SendFujiStopLiveView(), PtpResult_Ok);
    ReplyWith(ControlReply(0x2001, {0x19, 0x20}));
    EXPECT_EQ(Comms_SendFujiStopLiveView(), PtpResult_DeviceBusy);
    ReplyWith(ControlReply(0x2001, {1, 0x20, 0}));
    EXPECT_EQ(Comms_SendFujiStopLiveView(), PtpResult_BadReply);
}

TEST_F(Services, SwitchesReachTheHub) {
    EXPECT_EQ(Comms_SetSkipFujiRaws(1), PtpResult_Ok);
    EXPECT_EQ(Comms_ToggleUsbInterruptRead(1), PtpResult_Ok);
    EXPECT_EQ(Comms_CancelDelayMessage(), PtpResult_Ok);
    SimServiceStats s = SimHub_ServiceStats(hub);
    EXPECT_EQ(s.skip_fuji_raws, 1);
    EXPECT_EQ(s.usb_interrupt_read, 1);
    EXPECT_EQ(s.cancel_delays, 1u);
}

TEST_F(Services, CameraConnectedProbesALostLink) {
    Comms_SetLinkLost();
    EXPECT_EQ(Comms_ServerPing(), PtpResult_ConnectionLost);
    // The ping closed the socket; reconnect, then mark the link lost again.
    std::string port = std::to_string(SimHub_Port(hub));
    ASSERT_GE(ConnectToServer("127.0.0.1", port.c_str()), 0);
    Comms_SetLinkLost();
    uint8_t attached = 0;
    EXPECT_EQ(Comms_IsCameraConnected(&attached), PtpResult_Ok);
    EXPECT_EQ(attached, 1);
    EXPECT_FALSE(Comms_IsLinkLost());
}

TEST_F(Services, CameraModelTextIsPerThread) {
    const char* mine = Comms_CameraModel();
    ASSERT_NE(mine, nullptr);
    const char* other = nullptr;
    std::string otherText;
    std::thread([&] {
        other = Comms_CameraModel();
        if (other) otherText = other;
    }).join();
    EXPECT_NE(mine, other);
    EXPECT_STREQ(mine, "Canon EOS 5D Mark IV");
    EXPECT_EQ(otherText, "Canon EOS 5D Mark IV");
}

// --- Packaged focus steps ---------------------------------------------------------

// Canon counts go in packages of at most 300 drives, the direction in bit 15;
// a lens the host moved holds the focus mode.
TEST_F(Services, PackagedFocusSplitsCanonCountsIntoThreeHundreds) {
    struct Case {
        int32_t step;
        uint16_t count;
        std::vector<uint16_t> packages;
        uint32_t param;
    } cases[] = {
        {5, 0, {}, 0}, // nothing sent
        {-3, 2, {2}, 0x8003},
        {1, 650, {300, 300, 50}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        SimHub_ResetStats(hub);
        ASSERT_EQ(Comms_SendPackagedFocusChange(c.step, c.count), PtpResult_Ok);
        SimStats s = Stats();
        EXPECT_EQ(s.repeat_counts, c.packages);
        EXPECT_EQ(SimHub_CanonStats(hub).lens_drives.size(), c.count);
        EXPECT_EQ(PtpGenericInterface_FocusMode(), c.count ? 1u : 0u);
        if (c.count) {
            EXPECT_EQ(s.last_operation, 0x9155);
            EXPECT_EQ(s.last_params, (std::vector<uint32_t>{c.param}));
        }
    }
}

TEST_F(Services, PackagedFocusResults) {
    // A step beyond the 15 bits of distance would turn into the other direction.
    EXPECT_EQ(Comms_SendPackagedFocusChange(0x8000, 1), PtpResult_InvalidArgument);
    EXPECT_EQ(Comms_SendPackagedFocusChange(-0x8000, 1), PtpResult_InvalidArgument);
    EXPECT_EQ(Stats().repeated_commands, 0u);

    // The camera's busy answer ends a long pull at the first package.
    SimFault busy;
    busy.kind = SimFault_Busy;
    SimHub_InjectFault(hub, busy);
    EXPECT_EQ(Comms_SendPackagedFocusChange(1, 650), PtpResult_DeviceBusy);
    EXPECT_EQ(Stats().repeated_commands, 1u);
    EXPECT_EQ(PtpGenericInterface_FocusMode(), 0u);

    ReplyWith(ControlReply(0x2001, {1, 0x20, 0}));
    EXPECT_EQ(Comms_SendPackagedFocusChange(1, 1), PtpResult_BadReply);
    ReplyWith(ControlReply(0x2001, {}));
    EXPECT_EQ(Comms_SendPackagedFocusChange(1, 1), PtpResult_Ok);
    ReplyWith(ControlReply(0x2002, {}));
    EXPECT_EQ(Comms_SendPackagedFocusChange(1, 1), 0x2002);

    // A link lost in the middle frees the relay link too: after reconnecting,
    // another thread's exchange goes through instead of waiting on it forever.
    SimFault close;
    close.kind = SimFault_CloseConnection;
    SimHub_InjectFault(hub, close);
    EXPECT_EQ(Comms_SendPackagedFocusChange(1, 1), PtpResult_ConnectionLost);
    ASSERT_GE(ConnectToServer("127.0.0.1", std::to_string(SimHub_Port(hub)).c_str()), 0);
    PtpResult next = PtpResult_Failed;
    std::thread([&next] { next = Comms_SendPackagedFocusChange(1, 1); }).join();
    EXPECT_EQ(next, PtpResult_Ok);

    for (PtpVendor vendor : {PtpVendor_None, PtpVendor_Nikon, PtpVendor_Sony, PtpVendor_Fujifilm}) {
        PtpSession_SetVendor(vendor);
        EXPECT_EQ(Comms_SendPackagedFocusChange(1, 3), PtpResult_NotSupportedForCamera) << vendor;
    }
}

TEST(RepeatedCommand, Layouts) {
    uint8_t buf[256];
    uint32_t length = 0;
    uint32_t id = PtpTransaction_NextTransactionId();
    ASSERT_EQ(Comms_BuildRepeatedCommand(PtpVendor_Canon, -1, 7, buf, sizeof buf, &length),
              PtpResult_Ok);
    std::vector<uint8_t> canon = {31, 0,  0, 0,  5, 26, 0, 0, 0, 7,    0,   0,
                                  0,  75, 0, 16, 0, 0,  0, 1, 0, 0x55, 0x91};
    for (int i = 0; i < 4; ++i)
        canon.push_back(uint8_t(id >> (8 * i)));
    canon.insert(canon.end(), {0x01, 0x80, 0, 0});
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + length), canon);

    ASSERT_EQ(Comms_BuildRepeatedCommand(PtpVendor_Sony, 2, 1, buf, sizeof buf, &length),
              PtpResult_Ok);
    ASSERT_EQ(length, 15u + 16u + 16u);
    ByteReader r = make_reader(buf + 15, length - 15);
    EXPECT_EQ(read_u32(r), 16u);
    EXPECT_EQ(read_u16(r), 1);
    EXPECT_EQ(read_u16(r), 0x9207);
    skip(r, 4);
    EXPECT_EQ(read_u32(r), 0xD2D1u);
    EXPECT_EQ(read_u32(r), 16u);
    EXPECT_EQ(read_u16(r), 2);
    EXPECT_EQ(read_u16(r), 0x9207);
    skip(r, 4);
    EXPECT_EQ(read_u32(r), 2u);
    EXPECT_TRUE(r.ok);

    EXPECT_EQ(Comms_BuildRepeatedCommand(PtpVendor_Nikon, 1, 1, buf, sizeof buf, &length),
              PtpResult_NotSupportedForCamera);
    EXPECT_EQ(Comms_BuildRepeatedCommand(PtpVendor_Canon, 1, 1, buf, 30, &length),
              PtpResult_InvalidData);
    EXPECT_EQ(length, 0u);
}

TEST(SonyFocusDrive, ValueIsHeldToSixteenBits) {
    struct Case {
        int32_t step;
        uint16_t count;
        uint16_t value;
    } cases[] = {
        {1, 3, 0xFFFD}, // -3
        {-2, 5, 10},
        {0, 9, 0},
        {100, 300, 0x8AD0},  // -30000 fits
        {100, 400, 0x8000},  // -40000 held at -32768
        {-100, 400, 0x7FFF}, // 40000 held at 32767
        {INT32_MIN, 65535, 0x7FFF},
        {INT32_MAX, 65535, 0x8000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Comms_SonyFocusDriveValue(c.step, c.count), c.value)
            << c.step << " x " << c.count;
}

TEST(FocusStepConversion, Table) {
    struct Case {
        PtpVendor vendor;
        bool gfx, slow;
        uint16_t expected[6]; // step sizes 0, 1, 2, 3, 4, 1000
    } cases[] = {
        {PtpVendor_Canon, false, false, {0, 1, 10, 25, 4, 1000}},
        {PtpVendor_Nikon, false, false, {0, 15, 75, 375, 4, 1000}},
        {PtpVendor_Nikon, false, true, {0, 37, 187, 937, 10, 2500}},
        {PtpVendor_Sony, false, false, {0, 2, 5, 7, 4, 1000}},
        {PtpVendor_Fujifilm, true, false, {0, 20, 125, 500, 4, 1000}},
        {PtpVendor_Fujifilm, false, false, {0, 6, 50, 140, 4, 1000}},
        {PtpVendor_None, false, false, {0, 1, 2, 3, 4, 1000}},
    };
    const uint16_t sizes[6] = {0, 1, 2, 3, 4, 1000};
    for (const Case& c : cases)
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(Comms_ConvertFocusStepsFor(c.vendor, c.gfx, c.slow, sizes[i]), c.expected[i])
                << "vendor " << c.vendor << " gfx " << c.gfx << " slow " << c.slow << " size "
                << sizes[i];
    // 2.5 times a large input is held at the 16-bit maximum instead of wrapping.
    EXPECT_EQ(Comms_ConvertFocusStepsFor(PtpVendor_Nikon, false, true, 60000), 65535);
}

// --- Capture sequences ----------------------------------------------------------------

TEST_F(Services, CaptureSequenceWithoutBlocksSendsNothing) {
    EXPECT_EQ(Comms_SendRepeatImageCapture(0, 1, 1, 0, 0x5007, 1, 1, 0, 1, 1, 0),
              PtpResult_InvalidArgument);
    EXPECT_EQ(Comms_SendRepeatImageCapture(-1, 1, 1, 0, 0x5007, 1, 1, -5, 1, 1, 0),
              PtpResult_InvalidArgument);
    EXPECT_EQ(Comms_SendRepeatImageCapture(70000, 1, 1, 0, 0x5007, 1, 1, 0, 1, 1, 0),
              PtpResult_InvalidArgument);
    EXPECT_EQ(Stats().control_requests[211], 0u);
}

TEST_F(Services, CaptureSequenceLayout) {
    PtpSession_SetManualFocus(1);
    ASSERT_EQ(Comms_SendRepeatImageCapture(3, 1.5f, 2.5f, 0.25f, 0xD20D, 0x30, 0x08, 5, 1, 2.0f, 7),
              PtpResult_Ok);
    ByteWriter w;
    write_u8(w, 0x03); // bracket and repeat blocks
    write_u8(w, 7);
    write_u32(w, 39);
    write_u32(w, 0x1234); // a bulb time turns the property into the bulb marker
    write_u32(w, 0x30);
    write_u32(w, 0x08);
    write_u16(w, 5);
    write_u8(w, 1); // a Canon keeps its order
    write_f32(w, 2.0f);
    write_u16(w, 0);
    write_u8(w, 1); // focus mode
    write_u16(w, 3);
    write_f32(w, 1.5f);
    write_f32(w, 2.5f);
    write_f32(w, 0.25f);
    write_u16(w, 0);
    write_u8(w, 1);
    EXPECT_EQ(SimHub_ServiceStats(hub).capture_sequence, w.buf);
}

TEST(CaptureSequence, BlocksAndOrder) {
    CaptureSequence seq;
    seq.repeatCount = 2;
    std::vector<uint8_t> out;
    ASSERT_EQ(Comms_BuildCaptureSequence(seq, PtpVendor_Canon, 0, &out), PtpResult_Ok);
    EXPECT_EQ(out.size(), 6u + 17u);
    EXPECT_EQ(out[0], 0x01);

    seq.repeatCount = 0;
    seq.bracketCount = 3;
    seq.propertyCode = 0xD20D;
    struct Case {
        PtpVendor vendor;
        int32_t code;
        uint8_t order, sent;
    } cases[] = {
        {PtpVendor_Sony, 0xD20D, 1, 2},     {PtpVendor_Sony, 0xD20D, 2, 1},
        {PtpVendor_Sony, 0xD20D, 0, 0},     {PtpVendor_Sony, 0x5007, 1, 1},
        {PtpVendor_Fujifilm, 0x5007, 1, 2}, {PtpVendor_Fujifilm, 0x5007, 2, 1},
        {PtpVendor_Canon, 0xD20D, 1, 1},    {PtpVendor_Nikon, 0x5007, 2, 2},
    };
    for (const Case& c : cases) {
        seq.propertyCode = c.code;
        seq.order = c.order;
        ASSERT_EQ(Comms_BuildCaptureSequence(seq, c.vendor, 0, &out), PtpResult_Ok);
        ASSERT_EQ(out.size(), 6u + 22u);
        EXPECT_EQ(out[0], 0x02);
        EXPECT_EQ(peek_u32(out.data(), out.size(), 6), uint32_t(c.code));
        EXPECT_EQ(out[6 + 14], c.sent) << c.vendor << " " << c.code << " " << int(c.order);
    }
    seq.bracketCount = 65536;
    EXPECT_EQ(Comms_BuildCaptureSequence(seq, PtpVendor_Canon, 0, &out), PtpResult_InvalidArgument);
}

// --- Object data ----------------------------------------------------------------------

TEST_F(Services, PartialObjectOfACameraObject) {
    SimObjectFacts facts;
    PtpObjectInfo record = CameraRecord(&facts);
    ASSERT_GT(facts.bytes->size(), 300u);
    uint8_t* data = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(Comms_GetPartialObject(&record, 100, 200, &data, &length, 0), PtpResult_Ok);
    EXPECT_EQ(take(data, length),
              std::vector<uint8_t>(facts.bytes->begin() + 100, facts.bytes->begin() + 300));
    SimStats s = Stats();
    EXPECT_EQ(s.last_control_code, 65);
    EXPECT_EQ(s.share_prefixes, 0u);

    // Shared, the prefix's record carries the part's offset.
    ASSERT_EQ(Comms_GetPartialObject(&record, 64, 32, &data, &length, 0xA1), PtpResult_Ok);
    EXPECT_EQ(take(data, length),
              std::vector<uint8_t>(facts.bytes->begin() + 64, facts.bytes->begin() + 96));
    s = Stats();
    EXPECT_EQ(s.share_prefixes, 1u);
    EXPECT_EQ(s.last_share_mode, 0xA1);
    EXPECT_EQ(s.last_share_kind, 0xB1);
    ASSERT_EQ(s.last_share_record.size(), 612u);
    EXPECT_EQ(peek_u32(s.last_share_record.data(), 612, 0), record.handle);
    EXPECT_EQ(peek_u32(s.last_share_record.data(), 612, 52), 64u);
    EXPECT_EQ(record.sequenceNumber, 0x55555555u); // the caller's record is not touched

    // A hub that sends more than was asked is refused and its data released.
    ReplyWith(ControlReply(0x2001, std::vector<uint8_t>(11, 1)));
    EXPECT_EQ(Comms_GetPartialObject(&record, 0, 10, &data, &length, 0), PtpResult_BadReply);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
    ReplyWith(ControlReply(0x2009, std::vector<uint8_t>(4, 1)));
    EXPECT_EQ(Comms_GetPartialObject(&record, 0, 10, &data, &length, 0), 0x2009);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(Comms_GetPartialObject(nullptr, 0, 10, &data, &length, 0), PtpResult_InvalidArgument);
    EXPECT_EQ(Comms_GetPartialObject(&record, 0, 10, nullptr, &length, 0),
              PtpResult_InvalidArgument);
}

TEST_F(Services, PartialObjectOfAnSdCardFile) {
    std::vector<uint8_t> file(10000);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = uint8_t(i * 7 + i / 256);
    std::string path = SimHub_SdCardDir(hub) + "/PART.BIN";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    PtpObjectInfo record{};
    record.handle = PTP_OBJECT_HANDLE_SD_CARD;
    std::strcpy(record.fileName, "PART.BIN");

    uint8_t* data = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(Comms_GetPartialObject(&record, 4096, 100, &data, &length, 0), PtpResult_Ok);
    EXPECT_EQ(take(data, length), std::vector<uint8_t>(file.begin() + 4096, file.begin() + 4196));
    SimSdStats sd = SimHub_SdStats(hub);
    ASSERT_EQ(sd.file_requests.size(), 1u);
    EXPECT_EQ(sd.file_requests[0].offset, 4096u);
    EXPECT_EQ(sd.file_requests[0].length, 100u);
    EXPECT_EQ(sd.file_requests[0].name, "PART.BIN");
    EXPECT_EQ(Stats().last_control_code, 248);

    ASSERT_EQ(Comms_GetPartialObject(&record, 0, 8, &data, &length, 0xA0), PtpResult_Ok);
    FreeMemory(data);
    SimStats s = Stats();
    EXPECT_EQ(s.last_share_mode, 0xA0);
    EXPECT_EQ(s.last_share_kind, 0xB2);
    EXPECT_EQ(s.last_share_record,
              (std::vector<uint8_t>{'P', 'A', 'R', 'T', '.', 'B', 'I', 'N', 0}));

    // A name that fills its 256 bytes without a NUL is refused before sending.
    std::memset(record.fileName, 'A', sizeof record.fileName);
    uint32_t before = Stats().control_requests[248];
    EXPECT_EQ(Comms_GetPartialObject(&record, 0, 8, &data, &length, 0), PtpResult_InvalidArgument);
    EXPECT_EQ(Stats().control_requests[248], before);
}

TEST_F(Services, ExtractedJpeg) {
    SimObjectFacts facts;
    PtpObjectInfo record = CameraRecord(&facts);
    uint8_t* data = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(Comms_GetExtractedJpgObject(&record, &data, &length, 0), PtpResult_Ok);
    EXPECT_EQ(take(data, length), *facts.bytes); // a JPEG object is its own JPEG
    EXPECT_EQ(Stats().last_control_payload,
              std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(&record.handle),
                                   reinterpret_cast<const uint8_t*>(&record.handle) + 4));
    EXPECT_EQ(Stats().share_prefixes, 0u);

    ASSERT_EQ(Comms_GetExtractedJpgObject(&record, &data, &length, 0xA0), PtpResult_Ok);
    FreeMemory(data);
    SimStats s = Stats();
    EXPECT_EQ(s.share_prefixes, 1u);
    EXPECT_EQ(s.last_share_kind, 0xB0);
    EXPECT_EQ(s.last_share_record,
              std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(&record),
                                   reinterpret_cast<const uint8_t*>(&record) + 612));
    // Only 0xA0 and 0xA1 share; another mode is a plain request.
    ASSERT_EQ(Comms_GetExtractedJpgObject(&record, &data, &length, 0xA2), PtpResult_Ok);
    FreeMemory(data);
    EXPECT_EQ(Stats().share_prefixes, 1u);
}

TEST_F(Services, LiveViewBufferSharedWithoutRecord) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    Comms_GetLiveViewBuffer(&data, &length, 0xA1);
    FreeMemory(data);
    SimStats s = Stats();
    EXPECT_EQ(s.control_requests[136], 1u);
    EXPECT_EQ(s.share_prefixes, 1u);
    EXPECT_EQ(s.last_share_mode, 0xA1);
    EXPECT_EQ(s.last_share_kind, 0);
    EXPECT_TRUE(s.last_share_record.empty());
    Comms_GetLiveViewBuffer(&data, &length, 0);
    FreeMemory(data);
    EXPECT_EQ(Stats().share_prefixes, 1u);
    EXPECT_EQ(Stats().control_requests[136], 2u);
}

// --- Firmware ---------------------------------------------------------------------------

TEST_F(Services, FirmwareFileGoesToTheHubWhole) {
    std::string path = ::testing::TempDir() + "/hub_firmware.bin";
    std::vector<uint8_t> image(70000);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = uint8_t(i ^ (i >> 8));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    EXPECT_EQ(Comms_UpdateFirmware(path.c_str()), PtpResult_Ok);
    SimServiceStats s = SimHub_ServiceStats(hub);
    EXPECT_EQ(s.firmware_updates, 1u);
    EXPECT_EQ(s.firmware, image);

    EXPECT_EQ(Comms_UpdateFirmware((path + ".missing").c_str()), PtpResult_InvalidArgument);
    std::ofstream(path, std::ios::binary | std::ios::trunc).flush();
    EXPECT_EQ(Comms_UpdateFirmware(path.c_str()), PtpResult_InvalidArgument); // empty
    EXPECT_EQ(Comms_UpdateFirmware(nullptr), PtpResult_InvalidArgument);
    EXPECT_EQ(SimHub_ServiceStats(hub).firmware_updates, 1u);
    std::remove(path.c_str());
}

} // namespace
