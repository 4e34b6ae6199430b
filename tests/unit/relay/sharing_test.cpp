// Sharing on the wire: the prefix the default send puts ahead of a shared
// command, a push that carries exactly its own prefix and leaves the host's
// entries as they were, the Tetherhub's sharing services, and record layouts.
#include "relay/sharing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>

#include "cache/object_cache.h"
#include "generic/driver.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_comms.h"
#include "ptp_relay.h"
#include "support/raw_peer.h"
#include "support/test_data.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testdata::operator+;
using testdata::u32s;
constexpr uint32_t kRecord = PTP_OBJECT_INFO_SIZE;
constexpr char kClients[] = "studio;laptop;tablet";

PtpObjectInfo Record(uint32_t handle, uint32_t size, uint8_t seed) {
    PtpObjectInfo r = {};
    uint8_t* b = reinterpret_cast<uint8_t*>(&r);
    for (uint32_t i = 0; i < kRecord; ++i)
        b[i] = uint8_t(i * seed);
    r.handle = handle;
    r.compressedSize = size;
    std::strcpy(r.fileName, "IMG_0001.JPG");
    r.fileName[255] = r.keywords[255] = '\0'; // as the library bounds them
    return r;
}

// A share prefix of inner length `inner` with the record, then the message it announces.
Bytes Prefixed(uint32_t inner, uint8_t mode, uint8_t kind, const Bytes& record, const Bytes& msg) {
    return u32s({uint32_t(15 + record.size() + msg.size())}) + Bytes{15} + u32s({inner}) +
           Bytes{mode, kind} + u32s({uint32_t(record.size())}) + record + msg;
}
Bytes RecordBytes(const PtpObjectInfo& r) {
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&r);
    return Bytes(b, b + kRecord);
}
// A one-parameter command container (length 16, type 1) in its relay message.
Bytes Command(uint16_t op, uint32_t id, uint32_t param) {
    return RelayMessage(10, u32s({16, 1u | uint32_t(op) << 16, id, param}));
}
Bytes Control(uint8_t code, const Bytes& payload) {
    return RelayMessage(12, u32s({uint32_t(payload.size() + 5)}) + Bytes{code} + payload);
}

class Sharing : public ::testing::Test {
  protected:
    RawPeer peer;
    void SetUp() override {
        PtpTransaction_SetTransport(Comms_SendPtpPacket, Comms_ReceivePtpPacket);
        PtpTransaction_SetLinkLock(Comms_LockRelayLink);
        ASSERT_TRUE(RawPeer_Connect(peer));
    }
    void TearDown() override {
        for (uint32_t op : {0x1009u, 0x910Au, 0x9153u, 0x9203u, 0x9428u})
            PtpRelay_UnregisterShare(op);
        for (uint32_t op = 0x9000; op < 0x9010; ++op)
            PtpRelay_UnregisterShare(op);
        PtpSession_SetDriverForTest(nullptr);
        CloseServerConnection();
        RawPeer_Close(peer);
    }
    // Runs call while the peer reads one message and answers it; the wire and the result.
    std::pair<Bytes, PtpResult> Exchange(std::function<PtpResult()> call, const Bytes& answer) {
        auto run = std::async(std::launch::async, call);
        Bytes wire = RawPeer_ReadMessage(peer);
        RawPeer_Write(peer, answer);
        return {wire, run.get()};
    }
};

TEST_F(Sharing, TableLimitsAndRecordlessDescriptors) {
    const PtpShareDescriptor desc = {10, 0xA1, 0, 0};
    for (uint32_t op = 0x9000; op < 0x900A; ++op)
        EXPECT_TRUE(PtpRelay_RegisterShare(op, desc, nullptr));
    EXPECT_FALSE(PtpRelay_RegisterShare(0x900A, desc, nullptr)); // eleventh code: full
    EXPECT_TRUE(PtpRelay_RegisterShare(0x9003, desc, nullptr));  // replacing always fits
    EXPECT_FALSE(PtpRelay_UnregisterShare(0x900A));
    EXPECT_TRUE(PtpRelay_UnregisterShare(0x9003));
    EXPECT_TRUE(PtpRelay_RegisterShare(0x900A, desc, nullptr));
    // A descriptor announcing record bytes without a record is refused, the table untouched.
    CommsShareEntry found;
    EXPECT_TRUE(PtpRelayInterface_SetThumbnailSharing(0, nullptr, 0x9005) &&
                PtpRelayInterface_SetLiveViewSharing(1, 0x9005));
    EXPECT_FALSE(PtpRelayInterface_SetImageSharing(1, nullptr));
    EXPECT_FALSE(PtpRelayInterface_SetThumbnailSharing(1, nullptr, 0x9005));
    EXPECT_FALSE(PtpRelay_FindShare(0x1009, &found));
    ASSERT_TRUE(PtpRelay_FindShare(0x9005, &found));
    EXPECT_TRUE(found.record.empty());
}

// Each command with an entry carries the entry's prefix (inner length = total - 5);
// without one, and after a refused recordless registration, it goes out bare.
TEST_F(Sharing, DefaultSendPrefix) {
    const PtpObjectInfo a = Record(7, 100, 3);
    struct Case {
        std::function<bool()> set;
        uint16_t op;
        uint8_t mode, kind;
        Bytes record;
        bool prefixed;
    } cases[] = {
        {[&] { return PtpRelayInterface_SetImageSharing(1, &a); }, 0x1009, 0xA1, 0xB0,
         RecordBytes(a), true},
        {[] { return PtpRelayInterface_SetLiveViewSharing(1, 0x9153); }, 0x9153, 0xA1, 0, {}, true},
        {[] { return PtpRelayInterface_SetImageSharing(0, nullptr); }, 0x1009, 0, 0, {}, false},
        {[] { return !PtpRelayInterface_SetImageSharing(1, nullptr); }, 0x1009, 0, 0, {}, false},
    };
    const uint16_t listed[] = {0x9153};
    PtpTransaction_SetSupportedOperations(listed, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        ASSERT_TRUE(c.set());
        const uint32_t id = PtpTransaction_NextTransactionId();
        auto [wire, rc] =
            Exchange([&] { return PtpTransaction_Run(c.op, {7}); }, ControlReply(0, {}));
        const Bytes cmd = Command(c.op, id, 7);
        const uint32_t inner = uint32_t(10 + c.record.size() + cmd.size());
        EXPECT_EQ(wire, c.prefixed ? Prefixed(inner, c.mode, c.kind, c.record, cmd) : cmd);
        EXPECT_EQ(rc, PtpResult_Ok);
    }
}

// A push fetches with its own prefix (record B, to the others only) and no second
// one, whatever the table holds, and leaves the host's entries as they were.
TEST_F(Sharing, PushCarriesOnlyItsOwnPrefixAndKeepsTheTable) {
    const PtpObjectInfo a = Record(7, 100, 3), b = Record(9, 1000000, 5);
    for (int liveViewCodes : {0, 10}) {
        SCOPED_TRACE(liveViewCodes);
        PtpRelay_UnregisterShare(0x1009);
        if (liveViewCodes)
            for (uint32_t op = 0x9000; op < 0x9000u + liveViewCodes; ++op)
                ASSERT_TRUE(PtpRelayInterface_SetLiveViewSharing(1, op));
        else
            ASSERT_TRUE(PtpRelayInterface_SetImageSharing(1, &a));
        const uint32_t id = PtpTransaction_NextTransactionId();
        auto [wire, rc] =
            Exchange([&] { return Native_SendImageToClients(&b, 0); }, ControlReply(0, {}));
        EXPECT_EQ(wire, Prefixed(622, 0xA0, 0xB0, RecordBytes(b), Command(0x1009, id, 9)));
        EXPECT_EQ(rc, PtpResult_Ok);
        const Bytes cmd = Command(0x1009, id + 1, 7);
        EXPECT_EQ(
            Exchange([] { return PtpTransaction_Run(0x1009, {7}); }, ControlReply(0, {})).first,
            liveViewCodes
                ? cmd
                : Prefixed(uint32_t(10 + kRecord + cmd.size()), 0xA1, 0xB0, RecordBytes(a), cmd));
    }
}

// The Tetherhub's sharing services: the request each sends and what each makes of the answer.
TEST_F(Sharing, Services) {
    uint8_t enabled = 0;
    std::string text = "?";
    auto clients = [&] {
        char* got = Comms_GetClientsString();
        const bool some = got != nullptr;
        text = some ? got : "(null)";
        FreeMemory(got);
        return PtpResult(some ? 0x2001 : 0);
    };
    struct Case {
        std::function<PtpResult()> call;
        Bytes request, answer;
        PtpResult rc;
    } cases[] = {
        {[] { return Comms_ToggleSharing(2); }, Control(112, {2}), ControlReply(0x2001, {}),
         0x2001},
        {[] { return Comms_DisableSharing(); }, Control(210, {}), ControlReply(0x2001, {}), 0x2001},
        {[] { return Comms_SendClientsCanSave(7); }, Control(129, {1}), ControlReply(0x2001, {}),
         0x2001},
        {[] { return ShareComms_SendClientName("cam"); }, Control(160, {'c', 'a', 'm', 0}),
         ControlReply(0x2001, {}), 0x2001},
        {[&] { return Comms_IsSharingEnabled(&enabled); }, Control(209, {}),
         ControlReply(0x2001, {1}), 0x2001},
        {[&] { return Comms_IsSharingEnabled(&enabled); }, Control(209, {}),
         ControlReply(0x2001, {0, 0}), PtpResult_BadReply},
        // The hub's list ends without a NUL: the copy handed out gets one. (Longer than the
        // reply's 12 header bytes, so a buffer handed out as text would run on.)
        {clients, Control(144, {}),
         ControlReply(0x2001, Bytes(kClients, kClients + sizeof kClients - 1)), 0x2001},
    };
    for (const Case& c : cases) {
        auto [wire, rc] = Exchange(c.call, c.answer);
        EXPECT_EQ(wire, c.request);
        EXPECT_EQ(rc, c.rc);
    }
    EXPECT_EQ(enabled, 1);
    EXPECT_EQ(text, kClients);
    // Refused before anything is sent: the exchange above got its own answer and the
    // next one does too.
    PtpObjectInfo sd = Record(PTP_OBJECT_HANDLE_SD_CARD, 10, 1);
    sd.fileName[0] = '\0';
    EXPECT_EQ(Native_SendImageToClients(nullptr, 0), PtpResult_InvalidArgument);
    EXPECT_EQ(Native_SendImageToClients(&sd, 0), PtpResult_InvalidArgument);
    EXPECT_EQ(WindowsFixObjectPointer(nullptr), nullptr);
    ShareComms_AdjustV1PtpObject(nullptr);
    EXPECT_EQ(ShareComms_SendClientName(nullptr), PtpResult_InvalidArgument);
    EXPECT_EQ(ShareComms_SendClientName(std::string(200, 'n').c_str()), PtpResult_InvalidArgument);
    EXPECT_EQ(Comms_IsSharingEnabled(nullptr), PtpResult_InvalidArgument);
    EXPECT_EQ(Exchange(clients, ControlReply(0x2001, {})),
              std::make_pair(Control(144, {}), PtpResult(0)));
    EXPECT_EQ(text, "(null)");
}

// A cached modified JPEG is this client's own data: pushed whole up to 5,120,000 bytes.
TEST_F(Sharing, PushOfAModifiedJpeg) {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/ptp_share_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    fs::create_directories(root + "/cache");
    ASSERT_TRUE(PtpCache_SetCacheLocation((root + "/cache").c_str(), root.c_str()));
    const PtpObjectInfo record = Record(5, 100, 7);
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&record));
    for (uint32_t size : {5120001u, 5120000u}) {
        const Bytes jpeg(size, 0x5A);
        std::ofstream(root + "/IMG_0001.JPG.mod.jpg", std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
        if (size > 5120000) {
            EXPECT_EQ(Native_SendImageToClients(&record, 1), PtpResult_ObjectTooLarge);
            continue;
        }
        auto [wire, rc] =
            Exchange([&] { return Native_SendImageToClients(&record, 1); }, ControlReply(0, {}));
        EXPECT_EQ(wire, Prefixed(622, 0xA2, 0xB0, RecordBytes(record), Control(249, jpeg)));
        EXPECT_EQ(rc, PtpResult_Ok);
    }
    PtpCache_ResetForTest();
    fs::remove_all(root);
}

// Canon and Nikon share their frame operation (Nikon's newer one when listed); others nothing.
TEST_F(Sharing, LiveViewSharingFollowsTheCamera) {
    struct Case {
        PtpVendor vendor;
        uint16_t listed;
        uint16_t op; // 0: refused
    } cases[] = {{PtpVendor_Canon, 0, 0x9153}, {PtpVendor_Nikon, 0x9428, 0x9428},
                 {PtpVendor_Nikon, 0, 0x9203}, {PtpVendor_Sony, 0, 0},
                 {PtpVendor_Fujifilm, 0, 0},   {PtpVendor_None, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vendor);
        PtpSession_SetDriverForTest(PtpDriver_ForVendor(c.vendor));
        PtpTransaction_SetSupportedOperations(&c.listed, c.listed ? 1 : 0);
        CommsShareEntry found;
        EXPECT_EQ(Comms_SetLiveViewSharing(1), c.op != 0);
        for (uint16_t op : {0x9153, 0x9203, 0x9428})
            EXPECT_EQ(PtpRelay_FindShare(op, &found), op == c.op);
        EXPECT_EQ(Comms_SetLiveViewSharing(0), c.op != 0);
        EXPECT_FALSE(PtpRelay_FindShare(c.op, &found));
    }
}

// Layout conversions: where a byte of the old layout ends up (a version-1 name at 52
// reads at 60, as fileName).
TEST_F(Sharing, RecordLayouts) {
    struct Case {
        bool v1;
        int from, to;
    } cases[] = {
        {true, 13, 13},   {true, 14, 16},    {true, 43, 45},    {true, 44, 48},    {true, 52, 60},
        {true, 327, 335}, {true, 328, 340},  {true, 580, 592},  {false, 13, 13},   {false, 16, 14},
        {false, 48, 44},  {false, 316, 310}, {false, 611, 605}, {false, 611, 611},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        PtpObjectInfo r;
        uint8_t* b = reinterpret_cast<uint8_t*>(&r);
        for (uint32_t i = 0; i < kRecord; ++i)
            b[i] = uint8_t(i % 251 + 1);
        if (c.v1)
            ShareComms_AdjustV1PtpObject(&r);
        else
            EXPECT_EQ(WindowsFixObjectPointer(&r), &r);
        EXPECT_EQ(b[c.to], uint8_t(c.from % 251 + 1));
        if (c.v1) EXPECT_EQ(b[596] | b[600] | b[607], 0); // orientation byte and flags cleared
    }
}

} // namespace
