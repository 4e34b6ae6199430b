// Panoramas on each vendor's virtual camera with the virtual tripod head:
// single shots, property brackets and bulb brackets, a cancel between steps,
// and a head that stops answering.
#include <atomic>
#include <chrono>
#include <mutex>

#include "hub_fixture.h"
#include "ptp_serial.h"
#include "sim_fuji_hooks.h"
#include "sim_tripod.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kMoveMs = 40;

std::mutex g_lock;
std::vector<uint32_t> g_progress;
void note(uint32_t done) {
    std::lock_guard<std::mutex> held(g_lock);
    g_progress.push_back(done);
}
std::vector<uint32_t> progress() {
    std::lock_guard<std::mutex> held(g_lock);
    return g_progress;
}

struct Vendor {
    const char* camera;
    uint32_t bias;          // the exposure compensation property a bracket steps
    uint32_t bulb[2][2];    // writes (property, value) that bulb needs, in order
    bool hostPriority;      // the body starts in camera priority
};
const Vendor kVendors[] = {{"canon", 0xD104, {}, false},
                           {"nikon", 0x5010, {{0xD100, 0xFFFFFFFF}}, false},
                           {"sony", 0x5010, {}, false},
                           {"fuji", 0x5010, {{0x500E, 1}, {0x500D, 0xFFFFFFFF}}, true}};

// A Sony camera holds each capture until the host reads it through the fixed
// capture handle, and its shot waits for that: the host's part, on a thread.
constexpr uint32_t kSonyPending = 0xD215, kSonyCapture = 0xFFFFC001;

class Panorama : public HubTest, public ::testing::WithParamInterface<Vendor> {
  protected:
    std::atomic<bool> stop{false};
    std::thread host;
    const char* camera() const override { return GetParam().camera; }
    void TearDown() override {
        stop = true;
        if (host.joinable()) host.join();
        HubTest::TearDown();
    }
    void ReadSonyCaptures() {
        host = std::thread([this] {
            for (uint32_t pending = 0; !stop; std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
                uint8_t* d = nullptr;
                uint32_t n = 0;
                if (SimHub_GetPropertyValue(hub, kSonyPending, &pending) && pending > 0x8000 &&
                    PtpGenericInterface_GetObject(kSonyCapture, &d, &n) == PtpResult_Ok)
                    FreeMemory(d);
            }
        });
    }
    void SetUp() override {
        HubTest::SetUp();
        ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
        PtpGenericInterface_StartEventCheckLoop(nullptr);
        ASSERT_TRUE(SettleEventLoop());
        if (GetParam().hostPriority) {
            ASSERT_EQ(PtpGenericInterface_SetConnectionHostMode(1, 0), PtpResult_Ok);
            SimHub_SetFujiBusyAfterShot(hub, 50); // still busy after each shot, briefly
        }
        if (std::string(GetParam().camera) == "sony") ReadSonyCaptures();
        std::lock_guard<std::mutex> held(g_lock);
        g_progress.clear();
    }
};

TEST_P(Panorama, ThreePositionsWithEachKindOfCapture) {
    const uint32_t bias = GetParam().bias;
    uint32_t centre = 0, now = 0;
    ASSERT_TRUE(SimHub_GetPropertyValue(hub, bias, &centre));
    struct {
        const char* what;
        uint8_t bracket;
        uint32_t code, centre, step;
        uint16_t count;
    } const kinds[] = {
        {"one shot", 0, 0, 0, 0, 0},
        {"property bracket", 1, bias, ReadProperty(bias).value, 1, 3},
        {"bulb bracket", 1, PTP_PANORAMA_BULB, 200, 3, 3},
    };
    uint32_t moves = 0;
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.what);
        g_progress.clear();
        for (const auto& w : GetParam().bulb) // once the last shot's busy stretch is over
            if (k.code == PTP_PANORAMA_BULB && w[0])
                ASSERT_TRUE(WaitUntil([&] {
                    return PtpGenericInterface_SetPropertyValue(w[0], w[1], 0) == PtpResult_Ok;
                }));
        const double before = SimHub_TripodFacts(hub).position;
        ASSERT_EQ(Serial_DoPanorama(3, 1, kMoveMs, 0, k.bracket, k.code, k.centre, k.step, k.count,
                                    0, note),
                  PtpResult_Ok);
        EXPECT_EQ(progress(), std::vector<uint32_t>({1, 2, 3}));
        SimTripodFacts head = SimHub_TripodFacts(hub);
        EXPECT_EQ(head.moves, moves += 2);
        EXPECT_GT(head.position, before); // direction 1 turns one way
        if (k.code == bias) { // the bracket leaves the last value of its series
            ASSERT_TRUE(SimHub_GetPropertyValue(hub, bias, &now));
            EXPECT_NE(now, centre);
        }
    }
}

// The cancel arrives while the head turns to the second position: the
// panorama ends at once, without another shot or move.
TEST_P(Panorama, CancelBetweenStepsEndsPromptly) {
    std::atomic<PtpResult> rc{0};
    std::thread run([&] { rc = Serial_DoPanorama(5, 0, 3000, 0, 0, 0, 0, 0, 0, 0, note); });
    const bool started = WaitUntil([] { return !progress().empty(); }, std::chrono::seconds(10));
    EXPECT_TRUE(started);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto cancelled = Clock::now();
    Serial_CancelPanorama();
    run.join();
    EXPECT_LT(Clock::now() - cancelled, std::chrono::milliseconds(500));
    EXPECT_EQ(rc.load(), PtpResult_Aborted);
    EXPECT_EQ(progress(), std::vector<uint32_t>({1}));
    EXPECT_EQ(SimHub_TripodFacts(hub).moves, 1u);
}

INSTANTIATE_TEST_SUITE_P(Vendors, Panorama, ::testing::ValuesIn(kVendors),
                         [](const auto& info) { return std::string(info.param.camera); });

// A head that stops answering: the move's answer never comes, and the
// panorama ends with the link's failure after the receive time-out.
TEST_F(HubTest, PanoramaWithASilentHeadEndsWithAnError) {
    ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
    SimHub_SetTripodSilent(hub, true);
    const auto start = Clock::now();
    EXPECT_EQ(Serial_DoPanorama(2, 1, kMoveMs, 0, 0, 0, 0, 0, 0, 0, nullptr),
              PtpResult_ConnectionLost);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(SimHub_TripodFacts(hub).moves, 0u);
}

// The head's own commands, and its refusals.
TEST_F(HubTest, TripodCommands) {
    uint32_t battery = 0;
    ASSERT_EQ(Serial_GetTripodBattery(&battery), PtpResult_Ok);
    EXPECT_EQ(battery, 100u);
    EXPECT_EQ(Serial_SendTripodSpeed(1023), PtpResult_Ok);
    EXPECT_EQ(Serial_SendTripodSpeed(0), PtpResult_BadReply);
    EXPECT_EQ(Serial_SendMoveTripodDuration(2, 100), PtpResult_BadReply); // no such direction
    EXPECT_EQ(Serial_SendMoveTripod(1), PtpResult_Ok);
    ASSERT_TRUE(WaitUntil([&] { return SimHub_TripodFacts(hub).position > 1; }));
    EXPECT_EQ(Serial_SendStopTripod(), PtpResult_Ok);
    SimTripodFacts stopped = SimHub_TripodFacts(hub);
    EXPECT_FALSE(stopped.moving);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(SimHub_TripodFacts(hub).position, stopped.position);
    EXPECT_EQ(Serial_SendShutterCapture(1), PtpResult_Ok);
    EXPECT_EQ(SimHub_TripodFacts(hub).shutter_releases, 1u);
}

} // namespace
