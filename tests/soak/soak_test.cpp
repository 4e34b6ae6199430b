// The library under a steady load for PTP_SOAK_SECONDS (15 by default): the
// event loop and the reader loop running, host threads shooting, writing
// properties, fetching live-view frames and downloading every new picture,
// the camera shooting on its own, and a second client on the same virtual
// Tetherhub polling its own events and downloading the same pictures. At the
// end every new picture reached each client's events exactly once and came
// down whole, and memory and the thread count did not grow after warm-up.
// Nothing here depends on how fast the machine is: rates are only reported.
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>

#include "integration/hub_fixture.h"
#include "ptp_capture.h"
#include "ptp_eos.h"
#include "ptp_liveview.h"
#include "sim_canon_hooks.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kObjectAdded = 0x4002;
constexpr uint8_t kControlEvents = 130;
constexpr uint8_t kControlObjectPart = 65;
constexpr uint32_t kPeerPart = 1u << 20;

int SoakSeconds() {
    const char* s = std::getenv("PTP_SOAK_SECONDS");
    int n = s ? std::atoi(s) : 0;
    return n > 0 ? n : 15;
}

long ResidentBytes() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return resident * sysconf(_SC_PAGESIZE);
}

int ThreadCount() {
    DIR* d = opendir("/proc/self/task");
    if (!d) return 0;
    int n = 0;
    while (dirent* e = readdir(d))
        n += e->d_name[0] != '.';
    closedir(d);
    return n;
}

uint32_t u32_at(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

bool read_exact(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
        pollfd w{fd, POLLIN, 0};
        if (poll(&w, 1, 20000) != 1) return false;
        ssize_t k = recv(fd, p, n, 0);
        if (k <= 0) return false;
        p += k;
        n -= size_t(k);
    }
    return true;
}

// A control request from the second client. Out: the reply's result and data;
// false when the link failed. Unsolicited messages before the reply are skipped.
bool PeerControl(int fd, uint8_t code, const Bytes& payload, uint16_t* result, Bytes* data) {
    Bytes m(10);
    const uint32_t total = uint32_t(10 + payload.size()), inner = total - 5;
    std::memcpy(m.data(), &total, 4);
    m[4] = 12;
    std::memcpy(m.data() + 5, &inner, 4);
    m[9] = code;
    m.insert(m.end(), payload.begin(), payload.end());
    if (send(fd, m.data(), m.size(), MSG_NOSIGNAL) != ssize_t(m.size())) return false;
    for (;;) {
        Bytes r(5);
        if (!read_exact(fd, r.data(), 5) || u32_at(r.data()) < 5) return false;
        r.resize(u32_at(r.data()));
        if (!read_exact(fd, r.data() + 5, r.size() - 5)) return false;
        if (r[4] != 13) continue;
        if (r.size() < 12) return false;
        *result = uint16_t(r[10] | r[11] << 8);
        data->assign(r.begin() + 12, r.end());
        return true;
    }
}

// Everything both clients saw, under one lock.
struct Tally {
    std::mutex lock;
    std::map<uint32_t, int> hostAdded, peerAdded; // handle -> ObjectAdded events seen
    std::vector<std::string> faults;              // every wrong answer, described
    int shots = 0, writes = 0, frames = 0, busy = 0, hostDownloads = 0, peerDownloads = 0;

    void Fault(const std::string& what) {
        std::lock_guard<std::mutex> g(lock);
        if (faults.size() < 20) faults.push_back(what); // the first ones tell enough
    }
};

class Soak : public HubTest {
  protected:
    int peer = -1;
    std::atomic<bool> stop{false}, peerStop{false};
    Tally tally;

    void SetUp() override {
        SimOptions options;
        options.camera = "canon";
        options.small_pictures = true;
        options.paced_live_view = false;
        options.shoot_every_seconds = 0.7;
        hub = SimHub_Start(options);
        ASSERT_NE(hub, nullptr);
        ASSERT_TRUE(Connect());
        InitializeLibrary();
        ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
        peer = ConnectSecondClient();
        ASSERT_GE(peer, 0);
    }
    void TearDown() override {
        if (peer >= 0) close(peer);
        HubTest::TearDown();
    }

    // The bytes the camera holds for handle; empty when it has none.
    Bytes Stored(uint32_t handle) {
        SimObjectFacts facts;
        if (!SimHub_GetObjectFacts(hub, handle, &facts) || !facts.bytes) return {};
        return *facts.bytes;
    }

    void Shooter() {
        while (!stop) {
            // Busy: the camera is still storing a picture it took on its own.
            PtpResult rc = PtpGenericInterface_TakeAndWaitForShotToComplete();
            if (rc != PtpResult_Ok && rc != PtpResult_DeviceBusy)
                tally.Fault("shot: " + std::to_string(rc));
            std::lock_guard<std::mutex> g(tally.lock);
            tally.shots += rc == PtpResult_Ok;
            tally.busy += rc == PtpResult_DeviceBusy;
        }
    }

    // Cycles ISO and white balance through their listed values; the camera
    // must hold each value written.
    void Writer() {
        const uint32_t codes[] = {PtpGetIsoPropertyCode(), PtpGetWhiteBalancePropertyCode()};
        for (uint32_t turn = 0; !stop; ++turn) {
            const uint32_t code = codes[turn % 2];
            RecordCopy r = ReadProperty(code);
            if (r.values.empty()) {
                tally.Fault("no listed values for " + std::to_string(code));
                return;
            }
            const uint32_t v = r.values[(turn / 2) % r.values.size()].first;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            PtpResult rc = PtpGenericInterface_SetPropertyValue(code, v, 0);
            uint32_t held = 0;
            if (rc == PtpResult_DeviceBusy) { // the camera is storing a shot
                std::lock_guard<std::mutex> g(tally.lock);
                ++tally.busy;
            } else if (rc != PtpResult_Ok || !SimHub_GetPropertyValue(hub, uint16_t(code), &held) ||
                       held != v) {
                tally.Fault("write " + std::to_string(code) + "=" + std::to_string(v) + ": " +
                            std::to_string(rc) + ", camera holds " + std::to_string(held));
            } else {
                std::lock_guard<std::mutex> g(tally.lock);
                ++tally.writes;
            }
        }
    }

    // Each frame's image is the JPEG the camera sent, whole.
    void Viewer() {
        while (!stop) {
            uint8_t* data = nullptr;
            uint32_t n = 0;
            PtpResult rc = PtpGenericInterface_GetLiveViewImage(&data, &n);
            if (rc == PtpResult_Ok) {
                Bytes sent = SimHub_CanonLiveViewFrame(hub);
                PtpEosLiveViewInfo info = {};
                if (n >= sizeof info) std::memcpy(&info, data, sizeof info);
                const uint32_t image = info.imageLength;
                if (!image || image > n || image > sent.size() ||
                    std::memcmp(data + n - image, sent.data(), image) != 0)
                    tally.Fault("live-view frame of " + std::to_string(n) + " bytes differs");
                std::lock_guard<std::mutex> g(tally.lock);
                ++tally.frames;
            } else if (rc == PtpResult_DeviceBusy || rc == 0xA102) {
                std::lock_guard<std::mutex> g(tally.lock);
                ++tally.busy;
            } else {
                tally.Fault("live view: " + std::to_string(rc));
            }
            FreeMemory(data);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    // The host's one event consumer: every new object is downloaded and
    // compared with the camera's bytes.
    void Consumer() {
        for (;;) {
            TakenEvent e;
            if (!TakeEvent(&e)) {
                if (stop) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            if (e.code != kObjectAdded) continue;
            const uint32_t h = e.object.handle;
            {
                std::lock_guard<std::mutex> g(tally.lock);
                ++tally.hostAdded[h];
            }
            uint8_t* data = nullptr;
            uint32_t n = 0;
            PtpResult rc = PtpGenericInterface_GetObject(h, &data, &n);
            const Bytes want = Stored(h);
            if (rc != PtpResult_Ok || want.empty() || e.object.compressedSize != want.size() ||
                Bytes(data, data + n) != want)
                tally.Fault("download of " + std::to_string(h) + ": " + std::to_string(rc) + ", " +
                            std::to_string(n) + " of " + std::to_string(want.size()) + " bytes");
            else {
                std::lock_guard<std::mutex> g(tally.lock);
                ++tally.hostDownloads;
            }
            FreeMemory(data);
        }
    }

    // The second client: polls its own events and downloads each new object
    // in parts through the hub.
    void Peer() {
        while (!peerStop) {
            uint16_t result = 0;
            Bytes events;
            if (!PeerControl(peer, kControlEvents, {}, &result, &events)) {
                tally.Fault("peer: event poll failed");
                return;
            }
            for (size_t at = 0; events.size() - at >= 8;) {
                const uint32_t size = u32_at(&events[at]), type = u32_at(&events[at + 4]);
                if (size < 8 || size > events.size() - at) break;
                if ((type == 0xC181 || type == 0xC1A7 || type == 0xC1B6) && size >= 12)
                    PeerDownload(u32_at(&events[at + 8]));
                at += size;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    void PeerDownload(uint32_t h) {
        {
            std::lock_guard<std::mutex> g(tally.lock);
            ++tally.peerAdded[h];
        }
        Bytes got, part(12);
        uint16_t result = 0x2001;
        do {
            const uint32_t fields[3] = {h, uint32_t(got.size()), kPeerPart};
            std::memcpy(part.data(), fields, 12);
            Bytes data;
            if (!PeerControl(peer, kControlObjectPart, part, &result, &data)) result = 0;
            got.insert(got.end(), data.begin(), data.end());
            if (data.size() < kPeerPart) break;
        } while (result == 0x2001);
        if (result != 0x2001 || got != Stored(h))
            tally.Fault("peer download of " + std::to_string(h) + ": " + std::to_string(result) +
                        ", " + std::to_string(got.size()) + " bytes");
        else {
            std::lock_guard<std::mutex> g(tally.lock);
            ++tally.peerDownloads;
        }
    }
};

TEST_F(Soak, TwoClientsShotsWritesLiveViewAndDownloads) {
    const int seconds = SoakSeconds();
    // The camera may have shot on its own during the session start already.
    const uint32_t picturesStart = SimHub_CanonStats(hub).pictures;
    const size_t before = SimHub_ObjectHandles(hub).size();
    const uint32_t picturesStarted = SimHub_CanonStats(hub).pictures;
    ASSERT_EQ(PtpGenericInterface_ToggleLiveView(1), PtpResult_Ok);
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    std::thread workers[] = {std::thread([&] { Shooter(); }), std::thread([&] { Writer(); }),
                             std::thread([&] { Viewer(); }), std::thread([&] { Consumer(); }),
                             std::thread([&] { Peer(); })};

    // Warm-up: a fifth of the run, at least two seconds (buffers and caches
    // reach their working size). From then on memory and threads stay flat.
    const auto start = Clock::now(), end = start + std::chrono::seconds(seconds);
    std::this_thread::sleep_until(start + std::chrono::milliseconds(std::max(2000, seconds * 200)));
    const long rssWarm = ResidentBytes();
    const int threadsWarm = ThreadCount();
    std::this_thread::sleep_until(end);
    const long rssEnd = ResidentBytes();
    const int threadsEnd = ThreadCount();

    stop = true;
    for (int i = 0; i < 4; ++i)
        workers[i].join();
    // The camera may still shoot on its own: what is on the card now must
    // reach both clients; what comes later may.
    const uint32_t picturesBefore = SimHub_CanonStats(hub).pictures;
    std::vector<uint32_t> card = SimHub_ObjectHandles(hub);
    const uint32_t pictures = SimHub_CanonStats(hub).pictures;
    const std::vector<uint32_t> fresh(card.begin() + long(before), card.end());
    auto seenByBoth = [&] {
        std::lock_guard<std::mutex> g(tally.lock);
        for (uint32_t h : fresh)
            if (!tally.hostAdded.count(h) || !tally.peerAdded.count(h)) return false;
        return true;
    };
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (TakenEvent e; TakeEvent(&e);)
                if (e.code == kObjectAdded) {
                    std::lock_guard<std::mutex> g(tally.lock);
                    ++tally.hostAdded[e.object.handle];
                }
            return seenByBoth();
        },
        std::chrono::seconds(30)));
    peerStop = true;
    workers[4].join();
    PtpGenericInterface_StopEventCheckLoop(1);
    card = SimHub_ObjectHandles(hub);
    const std::set<uint32_t> onCard(card.begin(), card.end());

    std::lock_guard<std::mutex> g(tally.lock);
    std::printf("soak %d s: %d shots, %zu new objects (%u pictures), %d writes, %d frames, %d busy,"
                " %d + %d downloads; RSS %ld -> %ld KiB, threads %d -> %d\n",
                seconds, tally.shots, fresh.size(), pictures, tally.writes, tally.frames,
                tally.busy, tally.hostDownloads, tally.peerDownloads, rssWarm >> 10, rssEnd >> 10,
                threadsWarm, threadsEnd);
    for (const std::string& f : tally.faults)
        ADD_FAILURE() << f;
    EXPECT_GT(tally.shots, 0);
    EXPECT_GT(tally.writes, 0);
    EXPECT_GT(tally.frames, 0);
    EXPECT_GE(fresh.size(), size_t(tally.shots));              // one JPEG per shot
    EXPECT_GE(fresh.size(), picturesBefore - picturesStarted); // the camera's counter, read
    EXPECT_LE(fresh.size(), pictures - picturesStart);         // either side of the card
    for (const auto* seen : {&tally.hostAdded, &tally.peerAdded}) {
        for (const auto& [handle, times] : *seen) {
            EXPECT_EQ(times, 1) << "ObjectAdded for " << handle;
            EXPECT_TRUE(onCard.count(handle)) << "ObjectAdded for unknown " << handle;
        }
    }
    EXPECT_EQ(threadsEnd, threadsWarm);
    // Allocator caches and the sim's growing object list move RSS a little;
    // a leak of a picture or a frame per operation moves it by many MiB.
    // AddressSanitizer keeps freed memory in quarantine (hundreds of MiB), so
    // there its own leak check stands in for this one.
    if (!kAddressSanitizer) EXPECT_LT(rssEnd - rssWarm, 16l << 20);
}

} // namespace
