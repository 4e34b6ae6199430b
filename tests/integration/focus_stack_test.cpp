// Focus end to end against the virtual Canon cameras: lens drives and stack cancellation.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "hub_fixture.h"
#include "ptp_focus.h"
#include "sim_canon_hooks.h"

namespace {

constexpr uint32_t kMovieServoAf = 0xD179;
constexpr int32_t kLensStart = kSimLensTravel / 2;

// The shots the callback reported, in order; the stack reports from its thread.
std::mutex g_shotLock;
std::vector<uint32_t> g_shots;
void log_shot(uint32_t shot) {
    std::lock_guard<std::mutex> held(g_shotLock);
    g_shots.push_back(shot);
}
std::vector<uint32_t> logged_shots() {
    std::lock_guard<std::mutex> held(g_shotLock);
    return g_shots;
}

// The mirrorless EOS R starts with movie servo AF on.
class CanonFocus : public HubTest {
  protected:
    const char* camera() const override { return "canon-r"; }
    void SetUp() override {
        HubTest::SetUp();
        g_shots.clear();
        ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
        PtpGenericInterface_StartEventCheckLoop(nullptr);
        ASSERT_TRUE(SettleEventLoop());
        SimHub_ResetStats(hub);
    }
};

TEST_F(CanonFocus, DriveLensMovesTheLensAndSwitchesServoOff) {
    // The camera is in one-shot AF: the session starts with focus automatic.
    EXPECT_TRUE(PtpGenericInterface_IsFocusAuto());
    EXPECT_EQ(PtpGenericInterface_FocusMode(), 0u);
    ASSERT_EQ(ReadProperty(kMovieServoAf).value, 1u);
    ASSERT_EQ(PtpGenericInterface_DriveLens(4), PtpResult_Ok);
    ASSERT_EQ(PtpGenericInterface_DriveLens(-10), PtpResult_Ok);
    SimCanonStats stats = SimHub_CanonStats(hub);
    EXPECT_EQ(stats.lens_drives, std::vector<uint32_t>({4, 0x800A}));
    EXPECT_EQ(stats.lens_position, kLensStart + 4 - 10);
    EXPECT_EQ(PtpGenericInterface_FocusMode(), 1u);
    EXPECT_EQ(CameraValue(kMovieServoAf), 0u);
}

// The cancel comes from another thread while the stack waits after its first
// shot: the lens still moves once, and no further picture is taken.
TEST_F(CanonFocus, CancelFromAnotherThreadStopsBetweenShots) {
    const uint32_t before = SimHub_CanonStats(hub).pictures;
    std::atomic<PtpResult> result{0};
    std::thread stack(
        [&] { result = PtpGenericInterface_DoFocusStackWithCallback(5, -1, 0, log_shot); });
    ASSERT_TRUE(
        WaitUntil([] { return !logged_shots().empty(); }, std::chrono::milliseconds(10000)));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    PtpGenericInterface_CancelFocusStack();
    stack.join();
    EXPECT_EQ(result.load(), PtpResult_Aborted);
    SimCanonStats stats = SimHub_CanonStats(hub);
    EXPECT_EQ(stats.pictures - before, 1u);
    EXPECT_EQ(stats.lens_drives, std::vector<uint32_t>({1}));
    EXPECT_EQ(stats.lens_position, kLensStart + 1);
    EXPECT_EQ(logged_shots(), std::vector<uint32_t>({1}));

    // The next stack starts afresh: the cancel does not outlive the stack.
    ASSERT_EQ(PtpGenericInterface_DoFocusStack(1, 1), PtpResult_Ok);
    EXPECT_EQ(SimHub_CanonStats(hub).pictures - before, 2u);
}

} // namespace
