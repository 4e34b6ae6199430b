// The Tetherhub services against the virtual Tetherhub: what goes on the wire,
// what the caller gets back, and what happens to replies of the wrong size.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>

#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "comms/sd_card.h"
#include "comms/services.h"
#include "eos/eos_focus.h"
#include "generic/session.h"
#include "ptp_comms.h"
#include "ptp_focus.h"
#include "ptp_sdcard.h"
#include "sim_canon_hooks.h"
#include "sim_hub.h"
#include "sony/sony_focus.h"
#include "support/eos_scripted_camera.h"
#include "support/raw_peer.h"
#include "unit/cache/cache_dirs.h"

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
    // The next request meets this fault (by default: answered with exactly these bytes).
    void ReplyWith(const std::vector<uint8_t>& bytes, SimFaultKind kind = SimFault_RawReply) {
        SimFault fault;
        fault.kind = kind;
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

template <typename T> std::vector<uint8_t> bytes_of(const T& value, size_t n = sizeof(T)) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&value);
    return std::vector<uint8_t>(p, p + n);
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
    ReplyWith(ControlReply(0xFF15, {})); // a hub that does not know the request
    EXPECT_FLOAT_EQ(Comms_PlatformVersion(), 2.0f);
}

TEST_F(Services, BatteryRecord) {
    PtpHubBatteryInfo info, untouched;
    std::memset(&info, 0xEE, sizeof info);
    untouched = info;
    // 40 bytes are result 0, a failure passes its result; neither hands anything over.
    ReplyWith(ControlReply(0x2001, std::vector<uint8_t>(40, 0x11)));
    EXPECT_EQ(Comms_GetTetherhubBatteryInfo(&info), 0);
    ReplyWith(ControlReply(0x2002, std::vector<uint8_t>(44, 0x11)));
    EXPECT_EQ(Comms_GetTetherhubBatteryInfo(&info), 0x2002);
    EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
    ASSERT_EQ(Comms_GetTetherhubBatteryInfo(&info), PtpResult_Ok);
    EXPECT_EQ(std::memcmp(&info, kSimBatteryRecord, sizeof info), 0);
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
    SimHub_SetCameraAttached(hub, false);
    EXPECT_EQ(Comms_IsCameraConnected(&attached), PtpResult_Ok);
    EXPECT_EQ(attached, 0);
    EXPECT_EQ(Comms_IsCameraConnected(nullptr), PtpResult_InvalidArgument);
}

TEST_F(Services, CameraModelTextIsPerThread) {
    const char* mine = Comms_CameraModel();
    const char* other = nullptr;
    std::string otherText;
    std::thread([&] { otherText = (other = Comms_CameraModel()) ? other : ""; }).join();
    EXPECT_NE(mine, other);
    EXPECT_STREQ(mine, "Canon EOS 5D Mark IV");
    EXPECT_EQ(otherText, "Canon EOS 5D Mark IV");
    ReplyWith(ControlReply(0x2001, {})); // no data at all: an empty text
    EXPECT_STREQ(Comms_CameraModel(), "");
}

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
    ReplyWith({}, SimFault_Busy);
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
    ReplyWith({}, SimFault_CloseConnection);
    EXPECT_EQ(Comms_SendPackagedFocusChange(1, 1), PtpResult_ConnectionLost);
    ASSERT_GE(ConnectToServer("127.0.0.1", std::to_string(SimHub_Port(hub)).c_str()), 0);
    PtpResult next = PtpResult_Failed;
    std::thread([&next] { next = Comms_SendPackagedFocusChange(1, 1); }).join();
    EXPECT_EQ(next, PtpResult_Ok);
    PtpSession_SetVendor(PtpVendor_None);
    EXPECT_EQ(Comms_SendPackagedFocusChange(1, 3), PtpResult_NotSupportedForCamera);
}

// Sony's drive: 0x9207 on 0xD2D1 with -step as 4 signed data bytes. (Canon's repeated
// command is checked by the hub taking it apart, above.)
TEST(RepeatedCommand, SonyLayoutAndBounds) {
    uint8_t containers[kRepeatedCommandRoom], buf[256];
    uint32_t n = 0, length = 0;
    ASSERT_EQ(PtpSony_RepeatedLensMove(2, containers, sizeof containers, &n), PtpResult_Ok);
    ASSERT_EQ(n, 32u);
    ByteReader r = make_reader(containers, n);
    for (uint16_t type : {1, 2}) {
        EXPECT_EQ(read_u32(r), 16u);
        EXPECT_EQ(read_u16(r), type);
        EXPECT_EQ(read_u16(r), 0x9207);
        skip(r, 4);
        EXPECT_EQ(read_u32(r), type == 1 ? 0xD2D1u : uint32_t(-2));
    }
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(PtpEos_RepeatedLensMove(1, containers, 10, &n), PtpResult_InvalidData);
    EXPECT_EQ(PtpSony_RepeatedLensMove(-0x8000, containers, sizeof containers, &n),
              PtpResult_InvalidArgument);
    EXPECT_EQ(Comms_BuildRepeatedCommand(containers, 16, 1, buf, 30, &length),
              PtpResult_InvalidData);
    EXPECT_EQ(length, 0u);
}

// -30000 fits; -40000 and 40000 are held at -32768 and 32767.
TEST(SonyFocusDrive, ValueIsHeldToSixteenBits) {
    const int32_t lo = INT32_MIN, hi = INT32_MAX;
    struct Case {
        int32_t step;
        uint16_t count, value;
    } cases[] = {{1, 3, 0xFFFD},      {-2, 5, 10},         {100, 300, 0x8AD0}, {100, 400, 0x8000},
                 {-100, 400, 0x7FFF}, {lo, 65535, 0x7FFF}, {hi, 65535, 0x8000}};
    for (const Case& c : cases)
        EXPECT_EQ(PtpSony_FocusDriveValue(c.step, c.count), c.value) << c.step << " x " << c.count;
}

// Each vendor's lens steps for step sizes 0, 2 (a named size), 3 (the largest
// named one) and 1000 (taken as a count); a Nikon whose 0xD0E2 reads 0 takes
// 2.5 times as many, held at the 16-bit maximum.
TEST(FocusStepConversion, Table) {
    struct Case {
        PtpVendor vendor;
        bool slow;
        uint16_t expected[4];
    } cases[] = {
        {PtpVendor_Canon, false, {0, 10, 25, 1000}},
        {PtpVendor_Nikon, false, {0, 75, 375, 1000}},
        {PtpVendor_Nikon, true, {0, 187, 937, 2500}},
        {PtpVendor_Sony, false, {0, 5, 7, 1000}},
        {PtpVendor_Fujifilm, false, {0, 50, 140, 1000}},
        {PtpVendor_None, false, {0, 2, 3, 1000}},
    };
    const uint16_t sizes[4] = {0, 2, 3, 1000};
    for (const Case& c : cases) {
        PtpClearPropertyStore();
        PtpSession_SetVendor(c.vendor);
        scripted_property(0xD0E2, c.slow ? 0 : 1);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(Comms_ConvertFocusSteps(sizes[i]), c.expected[i])
                << "vendor " << c.vendor << " slow " << c.slow << " size " << sizes[i];
    }
    PtpClearPropertyStore();
    PtpSession_SetVendor(PtpVendor_Nikon);
    scripted_property(0xD0E2, 0);
    EXPECT_EQ(Comms_ConvertFocusSteps(60000), 65535);
    PtpSession_SetVendor(PtpVendor_None);
    PtpClearPropertyStore();
}

TEST_F(Services, CaptureSequenceWithoutBlocksSendsNothing) {
    // {bracket count, repeat count}: none, negative, beyond 16 bits.
    for (auto [bracket, repeat] : {std::pair{0, 0}, {-1, -5}, {70000, 0}, {0, 65536}})
        EXPECT_EQ(Comms_SendRepeatImageCapture(bracket, 1, 1, 0, 0x5007, 1, 1, repeat, 1, 1, 0),
                  PtpResult_InvalidArgument)
            << bracket << " " << repeat;
    EXPECT_EQ(Stats().control_requests[211], 0u);
}

TEST_F(Services, CaptureSequenceLayout) {
    PtpSession_SetManualFocus(1);
    ASSERT_EQ(Comms_SendRepeatImageCapture(3, 1.5f, 2.5f, 0.25f, 0xD20D, 0x30, 0x08, 5, 1, 2.0f, 7),
              PtpResult_Ok);
    // Both blocks (0x03), then the repeat block: a bulb time turns the property
    // into the bulb marker 0x1234, and a Canon keeps its order (1); then focus
    // mode 1 and the bracket block.
    ByteWriter w;
    for (uint8_t b : {0x03, 7})
        write_u8(w, b);
    for (uint32_t v : {39u, 0x1234u, 0x30u, 0x08u})
        write_u32(w, v);
    write_u16(w, 5);
    write_u8(w, 1);
    write_f32(w, 2.0f);
    write_u16(w, 0);
    write_u8(w, 1);
    write_u16(w, 3);
    for (float f : {1.5f, 2.5f, 0.25f})
        write_f32(w, f);
    write_u16(w, 0);
    write_u8(w, 1);
    EXPECT_EQ(SimHub_ServiceStats(hub).capture_sequence, w.buf);
}

// Sony's shutter speed and Fujifilm's aperture count the other way round for
// the hub: orders 1 and 2 are exchanged for them only.
TEST_F(Services, CaptureSequenceOrder) {
    struct Case {
        PtpVendor vendor;
        int32_t code;
        uint8_t order, sent;
    } cases[] = {
        {PtpVendor_Sony, 0xD20D, 1, 2},     {PtpVendor_Sony, 0xD20D, 2, 1},
        {PtpVendor_Sony, 0xD20D, 0, 0},     {PtpVendor_Sony, 0x5007, 1, 1},
        {PtpVendor_Fujifilm, 0x5007, 2, 1}, {PtpVendor_Canon, 0xD20D, 1, 1},
    };
    for (const Case& c : cases) {
        PtpSession_SetVendor(c.vendor);
        ASSERT_EQ(Comms_SendRepeatImageCapture(0, 0, 0, 0, c.code, 1, 1, 3, c.order, 1, 0),
                  PtpResult_Ok);
        std::vector<uint8_t> out = SimHub_ServiceStats(hub).capture_sequence;
        ASSERT_EQ(out.size(), 6u + 22u);
        EXPECT_EQ(out[0], 0x02);
        EXPECT_EQ(peek_u32(out.data(), out.size(), 6), uint32_t(c.code));
        EXPECT_EQ(out[6 + 14], c.sent) << c.vendor << " " << c.code << " " << int(c.order);
    }
}

TEST_F(Services, PartialObjectAndExtractedJpegOfACameraObject) {
    SimObjectFacts facts;
    PtpObjectInfo record = CameraRecord(&facts);
    ASSERT_GT(facts.bytes->size(), 300u);
    uint8_t* data = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(Comms_GetPartialObject(&record, 100, 200, &data, &length, 0), PtpResult_Ok);
    EXPECT_EQ(take(data, length),
              std::vector<uint8_t>(facts.bytes->begin() + 100, facts.bytes->begin() + 300));
    EXPECT_EQ(Stats().last_control_code, 65);
    EXPECT_EQ(Stats().share_prefixes, 0u);
    // The extracted JPEG of a JPEG object is the object, asked for by its handle.
    ASSERT_EQ(Comms_GetExtractedJpgObject(&record, &data, &length, 0), PtpResult_Ok);
    EXPECT_EQ(take(data, length), *facts.bytes);
    EXPECT_EQ(Stats().last_control_payload, bytes_of(record.handle));
    // A refusal hands nothing over.
    ReplyWith(ControlReply(0x2009, std::vector<uint8_t>(4, 1)));
    EXPECT_EQ(Comms_GetPartialObject(&record, 0, 10, &data, &length, 0), 0x2009);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(Comms_GetPartialObject(nullptr, 0, 10, &data, &length, 0), PtpResult_InvalidArgument);
    EXPECT_EQ(Comms_GetPartialObject(&record, 0, 10, nullptr, &length, 0),
              PtpResult_InvalidArgument);
}

TEST_F(Services, PartialObjectOfAnSdCardFile) {
    std::vector<uint8_t> file = cachetest::Pattern(10000, 1);
    cachetest::WriteFile(SimHub_SdCardDir(hub) + "/PART.BIN", file);
    PtpObjectInfo record{PTP_OBJECT_HANDLE_SD_CARD};
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
    // A name that fills its 256 bytes without a NUL is refused before sending.
    std::memset(record.fileName, 'A', sizeof record.fileName);
    uint32_t before = Stats().control_requests[248];
    EXPECT_EQ(Comms_GetPartialObject(&record, 0, 8, &data, &length, 0), PtpResult_InvalidArgument);
    EXPECT_EQ(Stats().control_requests[248], before);
}

// Under 0xA0 (the others only) the card's transfers hand this client nothing; only 0xA0
// and 0xA1 share. (No live view runs, so the hub refuses that one, after its prefix.)
TEST_F(Services, SharePrefixOfEachRequest) {
    SimObjectFacts facts;
    const PtpObjectInfo record = CameraRecord(&facts);
    const std::string card = SimHub_SdCardDir(hub);
    cachetest::WriteFile(card + "/A.JPG", testdata::ReadSample("Nikon.jpg"));
    cachetest::WriteFile(card + "/BIG.CR2", cachetest::Pattern(5 << 20, 2));
    PtpObjectInfo sdFile{PTP_OBJECT_HANDLE_SD_CARD};
    std::strcpy(sdFile.fileName, "A.JPG");
    auto cardRecord = [](const char* name, uint32_t size, uint32_t offset, bool nul) {
        PtpObjectInfo r;
        EXPECT_EQ(Comms_SD_MakeObjectRecord(name, size, offset, nul, &r), PtpResult_Ok);
        return bytes_of(r);
    };
    std::vector<uint8_t> atPart = bytes_of(record);
    put_u32(atPart.data() + 52, 64); // the part's offset
    uint8_t* data = nullptr;
    uint32_t length = 0;
    struct Row {
        const char* what;
        std::function<PtpResult(uint8_t)> call;
        uint8_t mode;
        uint32_t prefixes;
        uint8_t kind;
        std::vector<uint8_t> record;
        bool none = false; // this client gets no data
        PtpResult rc = PtpResult_Ok;
    } rows[] = {
        {"object part",
         [&](uint8_t m) { return Comms_GetPartialObject(&record, 64, 32, &data, &length, m); },
         0xA1, 1, 0xB1, atPart},
        {"card file part",
         [&](uint8_t m) { return Comms_GetPartialObject(&sdFile, 0, 8, &data, &length, m); }, 0xA0,
         1, 0xB2, bytes_of("A.JPG")},
        {"extracted JPEG",
         [&](uint8_t m) { return Comms_GetExtractedJpgObject(&record, &data, &length, m); }, 0xA0,
         1, 0xB0, bytes_of(record)},
        {"other mode",
         [&](uint8_t m) { return Comms_GetExtractedJpgObject(&record, &data, &length, m); }, 0xA2,
         0, 0, cachetest::Bytes()},
        {"live view", [&](uint8_t m) { return Comms_GetLiveViewBuffer(&data, &length, m); }, 0xA1,
         1, 0, cachetest::Bytes(), true, 0xFF15},
        {"card file in parts",
         [&](uint8_t m) { return Comms_SD_GetFile("BIG.CR2", &data, &length, m, nullptr); }, 0xA0,
         3, 0xB1, cardRecord("BIG.CR2", 5 << 20, 4 << 20, true), true},
        {"card file, caller's record",
         [&](uint8_t m) { return Comms_SD_GetFile("A.JPG", &data, &length, m, &record); }, 0xA1, 1,
         0xB1, bytes_of(record)},
        {"card extracted",
         [&](uint8_t m) { return Comms_SD_GetExtractedFile("A.JPG", &data, &length, m); }, 0xA0, 1,
         0xB0, cardRecord("A.JPG", 0, 0, false), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SimHub_ResetStats(hub);
        ASSERT_EQ(row.call(row.mode), row.rc);
        EXPECT_EQ(data == nullptr, row.none);
        FreeMemory(data);
        data = nullptr;
        SimStats s = Stats();
        EXPECT_EQ(s.share_prefixes, row.prefixes);
        if (!row.prefixes) continue;
        EXPECT_EQ(s.last_share_mode, row.mode);
        EXPECT_EQ(s.last_share_kind, row.kind);
        EXPECT_EQ(s.last_share_record, row.record);
    }
    EXPECT_EQ(record.sequenceNumber, 0x55555555u); // the caller's record is not touched
}

TEST_F(Services, FirmwareFileGoesToTheHubWhole) {
    std::string path = ::testing::TempDir() + "/hub_firmware.bin";
    std::vector<uint8_t> image = cachetest::Pattern(70000, 2);
    cachetest::WriteFile(path, image);
    EXPECT_EQ(Comms_UpdateFirmware(path.c_str()), PtpResult_Ok);
    SimServiceStats s = SimHub_ServiceStats(hub);
    EXPECT_EQ(s.firmware_updates, 1u);
    EXPECT_EQ(s.firmware, image);
    EXPECT_EQ(Comms_UpdateFirmware((path + ".missing").c_str()), PtpResult_InvalidArgument);
    cachetest::WriteFile(path, cachetest::Bytes());
    EXPECT_EQ(Comms_UpdateFirmware(path.c_str()), PtpResult_InvalidArgument); // empty
    EXPECT_EQ(Comms_UpdateFirmware(nullptr), PtpResult_InvalidArgument);
    EXPECT_EQ(SimHub_ServiceStats(hub).firmware_updates, 1u);
    std::remove(path.c_str());
}

} // namespace
