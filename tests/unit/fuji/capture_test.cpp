// Fujifilm shutter steps, release, half press, shot wait, focus and stacking on
// a scripted camera.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <future>
#include <map>
#include <set>

#include "fuji/fuji_capture.h"
#include "fuji/fuji_focus.h"
#include "generic/capture.h"
#include "generic/driver.h"
#include "generic/focus.h"
#include "ptp_capture.h"
#include "ptp_exposure.h"
#include "ptp_focus.h"
#include "ptp_fuji.h"
#include "support/capture_script.h"

namespace {

using namespace scripted;
using Steps = std::vector<uint32_t>;

constexpr uint32_t I = 0x100E; // an InitiateCapture among the step codes

// A camera that keeps written values, reports AF Status from a script and
// refuses chosen Capture Mode steps or reads.
struct FujiCamera {
    std::map<uint32_t, uint32_t> values;
    std::deque<uint32_t> af;             // AF Status answers; the last one stays
    std::map<uint32_t, uint16_t> refuse; // Capture Mode step -> response
    std::set<uint32_t> unreadable;       // 0x1015 refused
    std::map<uint32_t, Bytes> raw;       // 0x1015 data overriding values
    Steps steps;                         // Capture Mode writes and InitiateCaptures
    Reply answer(const Command& c) {
        const uint32_t code = c.params.empty() ? 0 : c.params[0];
        if (c.op == 0x100E) steps.push_back(I);
        if (c.op == 0x1007) return with_data({0, 0, 0, 0});
        if (c.op == 0x1016) {
            ByteReader r = make_reader(c.data.data(), c.data.size());
            const uint32_t v = read_u32(r);
            if (code == 0xD208) steps.push_back(v);
            if (code == 0xD208 && refuse.count(v)) return scripted::answer(refuse[v]);
            values[code] = v;
        }
        if (c.op != 0x1015) return ok();
        if (unreadable.count(code)) return scripted::answer(0x2005);
        if (raw.count(code)) return raw[code].empty() ? ok() : with_data(raw[code]);
        uint32_t v = values[code];
        if (code == 0xD209 && !af.empty()) {
            v = af.front();
            if (af.size() > 1) af.pop_front();
        }
        ByteWriter w;
        write_u32(w, v);
        return with_data(w.buf);
    }
};

std::vector<uint32_t> g_toggles;
PtpResult g_restartReply = PtpResult_Ok;
PtpDriver g_driver = [] {
    PtpDriver d = kPtpFujiDriver;
    d.liveView.toggle = [](bool on) {
        g_toggles.push_back(on);
        PtpSession_SetLiveViewOn(on);
        return on ? g_restartReply : PtpResult(PtpResult_Ok);
    };
    return d;
}();

class FujiCapture : public ::testing::Test {
  protected:
    FujiCamera cam;
    void SetUp() override {
        connect("FUJIFILM", {0x1007, 0x100E, 0x1014, 0x1015, 0x1016});
        PtpSession_SetDriverForTest(&g_driver);
        PtpSession_SetModel(22);
        PtpSession_SetLiveViewOn(false);
        // Autofocus on, a short exposure, colour space and a lens position.
        // clang-format off
        for (auto [code, value] : std::map<uint32_t, uint32_t>{
                 {0x500A, 0x8001}, {0x500D, 1000}, {0xD00A, 1}, {0xD171, 500}, {0xD208, 0}, {0xD209, 0}}) {
            // clang-format on
            set_property(code, value);
            cam.values[code] = value;
        }
        cam.raw[0xD322] = {};
        camera().responder = [this](const Command& c) { return cam.answer(c); };
        g_toggles.clear();
        g_restartReply = PtpResult_Ok;
    }
    void TearDown() override {
        resume_all();
        PtpFuji_Release(false); // forget a press a case left held
        camera().responder = nullptr;
        PtpSession_SetDriverForTest(nullptr);
    }
};

// F10, F11, F15: a refused press is returned without a release, a refused
// release is returned although live view restarts, and a failed autofocus
// leaves the event loop running.
TEST_F(FujiCapture, ShutterSequences) {
    // clang-format off
    struct Case {
        const char* what; uint8_t model; bool liveView; std::deque<uint32_t> af;
        uint32_t refusedStep; PtpResult (*call)(); PtpResult result; Steps steps;
        std::vector<uint32_t> toggles; uint8_t paused;
    } cases[] = {
        {"shot with autofocus", 22, false, {1, 1, 2}, 0, PtpGenericInterface_TakeTestShot,
         PtpResult_Ok, {0x0200, I, 0x0304, I}, {}, 0},
        {"F15 autofocus fails", 22, false, {1, 3}, 0, PtpGenericInterface_TakeTestShot,
         0xA002, {0x0200, I, 0x0004, I}, {}, 0},
        {"F10 refused press", 22, false, {2}, 0x0200, PtpGenericInterface_TakeAndWaitForShotToComplete,
         0x2005, {0x0200}, {}, 0},
        {"F11 refused release", 22, true, {2}, 0x0304, PtpGenericInterface_TakeTestShot,
         0x2005, {0x0200, I, 0x0304}, {0, 1}, 0},
        {"model 35 shoots in live view", 35, true, {2}, 0, PtpGenericInterface_TakeTestShot,
         PtpResult_Ok, {0x0200, I, 0x0304, I}, {}, 0},
        {"bulb opens in two steps", 22, false, {2}, 0, PtpGenericInterface_StartBulb,
         PtpResult_Ok, {0x0200, I, 0x0500, I}, {}, 1},
        {"bulb closes", 22, false, {2}, 0, PtpGenericInterface_StopBulb,
         PtpResult_Ok, {0x000C, I}, {}, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PtpSession_SetModel(c.model);
        PtpSession_SetLiveViewOn(c.liveView);
        cam.af = c.af;
        cam.refuse = {{c.refusedStep, 0x2005}};
        cam.steps.clear();
        g_toggles.clear();
        EXPECT_EQ(c.call(), c.result);
        EXPECT_EQ(cam.steps, c.steps);
        EXPECT_EQ(g_toggles, c.toggles);
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), c.paused);
    }
    // F15: nothing holds the pause after the failed autofocus.
    cam.af = {3};
    EXPECT_EQ(PtpGenericInterface_TakeTestShot(), 0xA002);
    auto other = std::async(std::launch::async, PtpGenericInterface_PauseEventCheckLoop);
    ASSERT_EQ(other.wait_for(std::chrono::seconds(1)), std::future_status::ready);
}

// F13: a failed press resumes at most its own pause, never the host's; a
// release resumes only the press's pause, and a second release sends nothing.
TEST_F(FujiCapture, ReleaseResumesOnlyThePressPause) {
    PtpGenericInterface_PauseEventCheckLoop();
    cam.refuse = {{0x0200, 0x2005}};
    EXPECT_EQ(PtpFuji_Press(false, true), 0x2005);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1);
    EXPECT_EQ(PtpFuji_Release(false), PtpResult_Ok); // no press held: the host keeps its pause
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1);
    resume_all();

    cam.refuse.clear();
    cam.af = {2};
    EXPECT_EQ(PtpFuji_Press(false, false), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1);
    EXPECT_TRUE(PtpCapture_IsShutterPressed());
    EXPECT_EQ(PtpFuji_Release(false), PtpResult_Ok);
    EXPECT_FALSE(PtpCapture_IsShutterPressed());
    PtpGenericInterface_PauseEventCheckLoop();
    cam.steps.clear();
    EXPECT_EQ(PtpFuji_Release(false), PtpResult_Ok);
    EXPECT_EQ(cam.steps, Steps{});
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1);
}

// F14: the end of a half press returns a failed AF Status read and leaves the
// host's pause alone; the end step follows Capture Mode's list.
TEST_F(FujiCapture, HalfPress) {
    const struct {
        const char* what;
        bool listsNewEnd, unreadable;
        PtpResult result;
        Steps steps;
    } cases[] = {
        {"old end step", false, false, PtpResult_Ok, {0x9100, I, 0x0001, I}},
        {"new steps", true, false, PtpResult_Ok, {0x9300, I, 0x0005, I}},
        {"F14 AF Status unreadable", false, true, 0x2005, {0x9100, I}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Capture Mode's description, UINT32 with an enumeration.
        ByteWriter w;
        for (uint32_t v : {0xD208u, kPtpTypeUint32})
            write_u16(w, uint16_t(v));
        for (uint8_t v : {1, 0, 0, 0, 0, 0, 0, 0, 0, 2, c.listsNewEnd ? 2 : 1, 0})
            write_u8(w, v); // access, default and current value, enumeration of n
        write_u32(w, c.listsNewEnd ? 0x9300 : 0x0200);
        if (c.listsNewEnd) write_u32(w, 0x0005);
        ASSERT_TRUE(PtpParsePropertyDescription(PtpGenericInterface_GetProperty(0xD208, 0),
                                                w.buf.data(), uint32_t(w.buf.size())));
        cam.unreadable = c.unreadable ? std::set<uint32_t>{0xD209} : std::set<uint32_t>{};
        cam.af = {1, 2};
        cam.steps.clear();
        PtpGenericInterface_PauseEventCheckLoop();
        EXPECT_EQ(PtpGenericInterface_StartHalfPress(), PtpResult_Ok);
        EXPECT_EQ(PtpGenericInterface_ReleaseHalfPress(), c.result);
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1);
        EXPECT_EQ(cam.steps, c.steps);
        resume_all();
    }
}

// F5: a noise-reduction read without data leaves the exposure wait as it is.
TEST_F(FujiCapture, ShotWaitsForTheExposure) {
    const struct {
        Bytes noiseReduction;
        int minMs, maxMs;
    } cases[] = {{{}, 150, 600}, {{1}, 300, 800}, {{0}, 150, 600}};
    for (const auto& c : cases) {
        cam.raw[0xD322] = c.noiseReduction;
        cam.af = {2};
        const auto start = Clock::now();
        EXPECT_EQ(PtpGenericInterface_TakeAndWaitForShotToComplete(), PtpResult_Ok);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        EXPECT_GE(ms, c.minMs + 250); // the release follows the press after 250 ms
        EXPECT_LE(ms, c.maxMs + 250);
    }
}

// Focus on a body outside the one-touch group only switches manual focus to
// single AF and puts it back; the lens drive converts steps; a stack of three
// shots drives the lens twice.
TEST_F(FujiCapture, FocusAndStack) {
    PtpSession_SetModel(16);
    set_property(0x500A, 1);
    cam.values[0x500A] = 1;
    EXPECT_EQ(PtpGenericInterface_Focus(), PtpResult_Ok);
    EXPECT_EQ(cam.values[0x500A], 0x8001u);
    EXPECT_EQ(PtpGenericInterface_StopFocus(), PtpResult_Ok);
    EXPECT_EQ(cam.values[0x500A], 1u);
    EXPECT_EQ(PtpGenericInterface_FocusMode(), 1u);
    EXPECT_FALSE(PtpGenericInterface_IsFocusAuto());

    const struct {
        int32_t steps;
        uint32_t position;
    } drives[] = {{2, 550}, {-3, 360}, {-1000, 0xFFFFFE0C}};
    for (const auto& d : drives) {
        set_property(0xD171, 500);
        cam.values[0xD171] = 500;
        EXPECT_EQ(PtpGenericInterface_DriveLens(d.steps), PtpResult_Ok);
        EXPECT_EQ(cam.values[0xD171], d.position);
    }

    PtpSession_SetModel(22);
    set_property(0x500A, 0x8001);
    set_property(0xD171, 500);
    cam.values[0xD171] = 500;
    cam.af = {2};
    cam.steps.clear();
    static int shots = 0;
    EXPECT_EQ(PtpGenericInterface_DoFocusStackWithCallback(3, 1, 0, [](uint32_t) { ++shots; }),
              PtpResult_Ok);
    EXPECT_EQ(shots, 3);
    EXPECT_EQ(std::count(cam.steps.begin(), cam.steps.end(), 0x0304u), 3);
    EXPECT_EQ(cam.values[0xD171], 500u - 12); // the host's step 1 moves the lens back 6, twice
}

} // namespace
