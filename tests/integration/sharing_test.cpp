// Two clients on one virtual Tetherhub: the library as the controlling client
// and a plain socket as the second. What the controller shares reaches the
// second once, byte for byte; each sees every camera event once.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "hub_fixture.h"
#include "ptp_eos.h"
#include "ptp_cache.h"
#include "ptp_liveview.h"
#include "ptp_native.h"
#include "ptp_relay.h"
#include "ptp_sdcard.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t u32_at(const Bytes& b, size_t at) {
    return b.size() < at + 4 ? 0 : b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

bool read_exact(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t k = recv(fd, p, n, 0);
        if (k <= 0) return false;
        p += k;
        n -= size_t(k);
    }
    return true;
}

// One whole relay message from the peer's socket; empty when none starts
// within waitMs.
Bytes read_message(int fd, int waitMs) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, waitMs) != 1) return {};
    Bytes m(5);
    if (!read_exact(fd, m.data(), 5) || u32_at(m, 0) < 5) return {};
    m.resize(u32_at(m, 0));
    if (!read_exact(fd, m.data() + 5, m.size() - 5)) return {};
    return m;
}

// A control request from the peer, and its reply's data.
Bytes peer_control(int fd, uint8_t code) {
    Bytes m = {10, 0, 0, 0, 12, 10, 0, 0, 0, code};
    EXPECT_EQ(send(fd, m.data(), m.size(), MSG_NOSIGNAL), ssize_t(m.size()));
    Bytes reply = read_message(fd, 3000);
    EXPECT_GE(reply.size(), 12u);
    return reply.size() < 12 ? Bytes{} : Bytes(reply.begin() + 12, reply.end());
}

Bytes take(uint8_t* data, uint32_t length) {
    Bytes b(data, data + length);
    FreeMemory(data);
    return b;
}

bool contains(const Bytes& hay, const Bytes& needle) {
    return !needle.empty() && std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

class Sharing : public HubTest {
  protected:
    int peer = -1;
    PtpObjectInfo record{};

    void SetUp() override {
        HubTest::SetUp();
        ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
        peer = ConnectSecondClient();
        ASSERT_GE(peer, 0);
        ASSERT_EQ(PtpGenericInterface_GetObjectInfo(SimHub_ObjectHandles(hub).at(0), &record),
                  PtpResult_Ok);
        ASSERT_EQ(Comms_ToggleSharing(1), PtpResult_Ok);
    }
    void TearDown() override {
        PtpRelayInterface_SetImageSharing(0, nullptr);
        PtpRelayInterface_SetThumbnailSharing(0, nullptr, 0x910A);
        Comms_SetLiveViewSharing(0);
        if (peer >= 0) close(peer);
        HubTest::TearDown();
    }

    // The prefix and result the peer receives next; both empty when nothing comes.
    std::pair<Bytes, Bytes> Received(int waitMs = 3000) {
        Bytes prefix = read_message(peer, waitMs);
        if (prefix.empty()) return {};
        return {prefix, read_message(peer, 3000)};
    }
};

struct ShareCase {
    const char* what;
    uint8_t kind;      // the prefix's record kind
    uint32_t record;   // its record length
    uint8_t type;      // the result message: 10 data container, 13 control reply
    bool exact;        // the controller's bytes are the whole result, not a part of it
    std::function<bool(const PtpObjectInfo&)> share; // switches sharing on
    std::function<Bytes(PtpObjectInfo&)> fetch;      // the controller's fetch
};

TEST_F(Sharing, SharedResultsReachTheOtherClientOnceAndOnlyWhileSharingIsOn) {
    const ShareCase cases[] = {
        {"image", 0xB0, 612, 10, true,
         [](const PtpObjectInfo& r) { return PtpRelayInterface_SetImageSharing(1, &r); },
         [](PtpObjectInfo& r) {
             uint8_t* d = nullptr;
             uint32_t n = 0;
             EXPECT_EQ(PtpGenericInterface_GetObject(r.handle, &d, &n), PtpResult_Ok);
             return take(d, n);
         }},
        {"thumbnail", 0xB0, 612, 10, false,
         [](const PtpObjectInfo& r) { return PtpRelayInterface_SetThumbnailSharing(1, &r, 0x910A); },
         [](PtpObjectInfo& r) {
             uint8_t* d = nullptr;
             uint32_t n = 0;
             uint8_t orientation = 0;
             EXPECT_EQ(PtpGenericInterface_GetThumbnail(r.handle, &d, &n, &orientation), PtpResult_Ok);
             return take(d, n);
         }},
        {"live-view frame", 0, 0, 10, false,
         [](const PtpObjectInfo&) {
             return PtpGenericInterface_ToggleLiveView(1) == PtpResult_Ok && Comms_SetLiveViewSharing(1);
         },
         [](PtpObjectInfo&) {
             uint8_t* d = nullptr;
             uint32_t n = 0;
             EXPECT_EQ(PtpGenericInterface_GetLiveViewImage(&d, &n), PtpResult_Ok);
             Bytes frame = take(d, n); // the image after the parsed frame information
             return frame.size() > sizeof(PtpEosLiveViewInfo)
                        ? Bytes(frame.begin() + sizeof(PtpEosLiveViewInfo), frame.end())
                        : Bytes{};
         }},
        {"SD-card file", 0xB1, 612, 13, true, [](const PtpObjectInfo&) { return true; },
         [](PtpObjectInfo&) {
             uint8_t* names = nullptr;
             uint32_t n = 0;
             EXPECT_EQ(Comms_SD_GetAllFilenames(&names, &n), PtpResult_Ok);
             std::string first = n ? reinterpret_cast<const char*>(names) : "";
             FreeMemory(names);
             uint8_t* d = nullptr;
             EXPECT_EQ(Comms_SD_GetFile(first.c_str(), &d, &n, 0xA1, nullptr), PtpResult_Ok);
             return take(d, n);
         }},
    };
    for (const ShareCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.share(record));
        Bytes fetched = c.fetch(record);
        ASSERT_FALSE(fetched.empty());
        auto [prefix, result] = Received();
        ASSERT_EQ(prefix.size(), 15u + c.record);
        EXPECT_EQ(prefix[4], 15);
        EXPECT_EQ(u32_at(prefix, 5), c.record + 10);
        EXPECT_EQ(prefix[9], 0xA1);
        EXPECT_EQ(prefix[10], c.kind);
        EXPECT_EQ(u32_at(prefix, 11), c.record);
        if (c.kind == 0xB0 && c.type == 10) // the registered record, as given
            EXPECT_EQ(0, std::memcmp(prefix.data() + 15, &record, 612));
        ASSERT_GT(result.size(), 12u);
        EXPECT_EQ(result[4], c.type);
        Bytes payload(result.begin() + (c.type == 10 ? 17 : 12), result.end());
        if (c.exact)
            EXPECT_EQ(payload, fetched);
        else
            EXPECT_TRUE(contains(payload, fetched));
        EXPECT_TRUE(Received(200).first.empty()) << "passed on more than once";

        // The hub's switch off: the same fetch reaches nobody else.
        ASSERT_EQ(Comms_DisableSharing(), PtpResult_Ok);
        EXPECT_FALSE(c.fetch(record).empty());
        EXPECT_TRUE(Received(300).first.empty());
        ASSERT_EQ(Comms_ToggleSharing(1), PtpResult_Ok);
    }
    // With nothing registered, a GetObject is not shared either.
    PtpRelayInterface_SetImageSharing(0, nullptr);
    PtpObjectInfo r = record;
    EXPECT_FALSE(cases[0].fetch(r).empty());
    EXPECT_TRUE(Received(300).first.empty());
}

// Each client takes its own events: the peer's polls never steal the
// controller's, and a second poll gives nothing new.
TEST_F(Sharing, EachClientSeesEveryEventOnce) {
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    ASSERT_TRUE(SettleEventLoop());
    Bytes none = peer_control(peer, 130);
    DrainEvents();
    ASSERT_NE(SimHub_AddObject(hub, "SHARED.JPG", Bytes(64, 7)), 0u);
    std::vector<TakenEvent> taken;
    EXPECT_TRUE(WaitForEvent([](const TakenEvent& e) { return e.code == 0x4002; }, &taken));
    Bytes first = peer_control(peer, 130);
    EXPECT_NE(first, none);
    EXPECT_EQ(peer_control(peer, 130), none);
}

// A pushed image goes to the others only; one over 5,120,000 bytes is refused
// before anything is sent.
TEST_F(Sharing, PushedImagesAndTheSizeLimit) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("ptp-share-" + std::to_string(getpid()));
    fs::create_directories(dir);
    ASSERT_TRUE(PtpCache_SetCacheLocation(dir.c_str(), nullptr));
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&record));
    const fs::path modified = dir / (std::string(record.fileName) + ".mod.jpg");
    struct {
        size_t size;
        PtpResult result;
    } const pushes[] = {{5120001, PtpResult_ObjectTooLarge}, {5120000, PtpResult_Ok}};
    for (const auto& p : pushes) {
        SCOPED_TRACE(p.size);
        Bytes jpeg(p.size, 0x5A);
        std::ofstream(modified, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), long(jpeg.size()));
        SimHub_ResetStats(hub);
        std::thread reader([&] {
            auto [prefix, result] = Received(p.result == PtpResult_Ok ? 5000 : 300);
            if (p.result != PtpResult_Ok) {
                EXPECT_TRUE(prefix.empty());
                return;
            }
            ASSERT_EQ(prefix.size(), 15u + 612);
            EXPECT_EQ(prefix[9], 0xA2);
            ASSERT_EQ(result.size(), 12 + p.size);
            EXPECT_TRUE(std::equal(jpeg.begin(), jpeg.end(), result.begin() + 12));
        });
        EXPECT_EQ(Native_SendImageToClients(&record, 0), p.result);
        reader.join();
        SimStats s = SimHub_Stats(hub);
        EXPECT_EQ(s.share_prefixes, p.result == PtpResult_Ok ? 1u : 0u);
        EXPECT_EQ(s.control_requests[249], p.result == PtpResult_Ok ? 1u : 0u);
    }
    PtpCache_SetCacheLocation(nullptr, nullptr);
    fs::remove_all(dir);
}

TEST_F(Sharing, ClientNamesAndSwitches) {
    ASSERT_EQ(ShareComms_SendClientName("studio"), PtpResult_Ok);
    char* text = Comms_GetClientsString();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "studio;client 2");
    FreeMemory(text);
    uint8_t on = 0;
    ASSERT_EQ(Comms_IsSharingEnabled(&on), PtpResult_Ok);
    EXPECT_EQ(on, 1);
    ASSERT_EQ(Comms_DisableSharing(), PtpResult_Ok);
    ASSERT_EQ(Comms_IsSharingEnabled(&on), PtpResult_Ok);
    EXPECT_EQ(on, 0);
}

} // namespace
