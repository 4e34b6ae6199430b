// Focus: the lens-step conversions' signs and clamps, what DriveLens and SetFocusMode
// send and queue, the focus queries per vendor, and the Canon stack's limits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>
#include <vector>

#include "eos/eos_capture.h"
#include "eos/eos_focus.h"
#include "eos/eos_models.h"
#include "fuji/fuji_focus.h"
#include "generic/focus.h"
#include "generic/session.h"
#include "nikon/nikon_focus.h"
#include "ptp_focus.h"
#include "sony/sony_focus.h"
#include "support/capture_script.h"
#include "support/eos_scripted_camera.h"

namespace {

using namespace scripted;

const std::vector<uint16_t> kCanonOps = {0x9101, 0x9109, 0x9110, 0x9128, 0x9129, 0x9155};

// A camera of vendor with an empty store and the model number given.
void become(PtpVendor vendor, uint8_t model = 0, const std::vector<uint16_t>& ops = kCanonOps) {
    if (scripted_maker_of(vendor))
        connect(scripted_maker_of(vendor), ops);
    else
        connect_nobody(ops);
    PtpClearPropertyStore();
    if (vendor == PtpVendor_Canon) PtpEos_EvaluateModel(); // model settings of this body
    PtpSession_SetModel(model);
}

// The events queued now, as (code, first payload word as a pointer).
struct Queued {
    uint32_t code;
    const void* pointer;
};
std::vector<Queued> drain_events() {
    std::vector<Queued> out;
    while (PtpHostEvent* e = PopEventPtr()) {
        Queued q{e->code, nullptr};
        std::memcpy(&q.pointer, reinterpret_cast<const uint8_t*>(e) + sizeof e->code,
                    sizeof q.pointer);
        out.push_back(q);
    }
    return out;
}

size_t presses() {
    size_t n = 0;
    for (const Call& c : calls())
        if (c == Call{0x9128, {2, 1}}) ++n;
    return n;
}

// --- Step conversions ---------------------------------------------------------------
// The step-size tables are checked through Comms_ConvertFocusSteps (services_test);
// these are the lens-move conversions: direction, the square law, saturation.

TEST(FocusSteps, NikonDriveLens) {
    struct {
        int32_t steps;
        bool longThrow;
        uint32_t direction, amount;
    } cases[] = {
        {1, false, 1, 32768}, // a = 32, 32 x 32^2
        {-1, false, 2, 32768},
        {-3, true, 2, 16588800},    // a = trunc(288 x 2.5) = 720
        {20, false, 1, 0xFFFFFFFF}, // a = 12800: 32 x a^2 passes 2^32
        {INT32_MIN, true, 2, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        PtpNikonLensDrive d = PtpNikon_DriveLensAmount(c.steps, c.longThrow);
        EXPECT_EQ(d.direction, c.direction) << c.steps;
        EXPECT_EQ(d.amount, c.amount) << c.steps << " long throw " << c.longThrow;
    }
}

TEST(FocusSteps, NikonStack) {
    struct {
        int32_t step;
        uint32_t direction, amount;
    } cases[] = {
        {-1, 1, 32},
        {3, 2, 288},
        {11585, 2, 4294791200u},
        {-11586, 1, 0xFFFFFFFF},
        {INT32_MIN, 1, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        PtpNikonLensDrive d = PtpNikon_StackDriveAmount(c.step);
        EXPECT_EQ(d.direction, c.direction) << c.step;
        EXPECT_EQ(d.amount, c.amount) << c.step;
    }
}

// Each conversion saturates instead of wrapping, so a huge step never
// reverses the direction.
TEST(FocusSteps, CanonSonyAndFujifilm) {
    struct {
        int32_t steps;
        uint32_t canonDrive, canonStack;
        int32_t sonyDrive, sonyStack;
        int16_t fujiDrive;
        int32_t fujiStack;
    } cases[] = {
        {-1, 0x8001, 1, 3, -3, -6, 1},
        {3, 3, 0x8003, -6, 5, 140, -3},
        {4, 4, 0x8004, -4, 4, 4, -4},
        {0, 0, 0, 0, 0, 0, 0},
        {40000, 0x7FFF, 0xFFFF, -40000, 40000, 32767, -40000},
        {INT32_MIN, 0xFFFF, 0x7FFF, INT32_MAX, INT32_MIN, -32768, INT32_MAX},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PtpEos_DriveParameter(c.steps), c.canonDrive) << c.steps;
        EXPECT_EQ(PtpEos_StackParameter(c.steps), c.canonStack) << c.steps;
        EXPECT_EQ(PtpSony_DriveSteps(c.steps), c.sonyDrive) << c.steps;
        EXPECT_EQ(PtpSony_StackStep(c.steps), c.sonyStack) << c.steps;
        EXPECT_EQ(PtpFuji_DriveSteps(c.steps), c.fujiDrive) << c.steps;
        EXPECT_EQ(PtpFuji_StackStep(c.steps), c.fujiStack) << c.steps;
    }
}

// --- Focus calls against the scripted camera -------------------------------------------

class Focus : public ::testing::Test {
  protected:
    void SetUp() override { drain_events(); }
    void TearDown() override {
        camera().responder = nullptr;
        PtpFocusStack_SetPauses(kFocusStackShotPauseMs, kFocusStackMovePauseMs);
        drain_events();
    }
};

TEST_F(Focus, CanonDriveLensSendsTheParameterAndHoldsFocus) {
    become(PtpVendor_Canon);
    PtpPropertyRecord* focusMode = set_property(0xD108, 0);
    clear_sent();
    ASSERT_EQ(PtpGenericInterface_DriveLens(-3), PtpResult_Ok);
    EXPECT_EQ(calls(), std::vector<Call>({{0x9155, {0x8003}}}));
    EXPECT_EQ(PtpGenericInterface_FocusMode(), 1u);
    std::vector<Queued> events = drain_events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, 0x4006u);
    EXPECT_EQ(events[0].pointer, focusMode);

    // A refused drive leaves the focus flag and queues nothing.
    PtpGenericInterface_SetFocusMode(0, 0);
    camera().responder = [](const Command&) { return answer(0x2002); };
    EXPECT_EQ(PtpGenericInterface_DriveLens(2), 0x2002);
    EXPECT_EQ(PtpGenericInterface_FocusMode(), 0u);
    EXPECT_TRUE(drain_events().empty());
}

TEST_F(Focus, SetFocusModeOnCanonSendsNothing) {
    become(PtpVendor_Canon);
    clear_sent();
    EXPECT_EQ(PtpGenericInterface_SetFocusMode(1, 0), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_FocusMode(), 1u);
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(drain_events().empty());

    // With notify: one change event; null while the store has no focus mode.
    EXPECT_EQ(PtpGenericInterface_SetFocusMode(7, 1), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_FocusMode(), 7u);
    std::vector<Queued> events = drain_events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, 0x4006u);
    EXPECT_EQ(events[0].pointer, nullptr);
    EXPECT_TRUE(sent().empty());
}

TEST_F(Focus, CanonAutofocusHoldsFocus) {
    become(PtpVendor_Canon, 0, {0x9154, 0x9160});
    ASSERT_EQ(PtpGenericInterface_Focus(), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_FocusMode(), 1u);
    EXPECT_EQ(drain_events().size(), 1u);
    EXPECT_EQ(PtpGenericInterface_StopFocus(), PtpResult_Ok);
    EXPECT_EQ(calls(), std::vector<Call>({{0x9154, {}}, {0x9160, {}}}));

    // A failed autofocus holds nothing.
    PtpGenericInterface_SetFocusMode(0, 0);
    camera().responder = [](const Command&) { return answer(0xA002); };
    EXPECT_EQ(PtpGenericInterface_Focus(), 0xA002);
    EXPECT_EQ(PtpGenericInterface_FocusMode(), 0u);
    EXPECT_TRUE(drain_events().empty());
}

TEST_F(Focus, FocusAutoAndFocusChange) {
    const uint32_t kAbsent = 0xFFFFFFFF;
    struct {
        PtpVendor vendor;
        uint32_t focusMode; // of the focus-mode role, or kAbsent
        std::vector<uint16_t> ops;
        bool isAuto, canChange;
    } cases[] = {
        {PtpVendor_Canon, 0, kCanonOps, true, true},
        {PtpVendor_Canon, 2, kCanonOps, true, true},
        {PtpVendor_Canon, 3, kCanonOps, false, false}, // MF
        {PtpVendor_Canon, kAbsent, kCanonOps, false, false},
        {PtpVendor_Canon, 0, {0x910F}, true, false}, // no remote release
    };
    for (const auto& c : cases) {
        become(c.vendor, 0, c.ops);
        uint32_t role = PtpGetFocusModePropertyCode();
        if (c.focusMode != kAbsent && role != 0) set_property(role, c.focusMode);
        EXPECT_EQ(PtpGenericInterface_IsFocusAuto(), c.isAuto) << c.vendor << " " << c.focusMode;
        EXPECT_EQ(PtpGenericInterface_SupportsFocusChange(), c.canChange)
            << c.vendor << " " << c.focusMode;
    }
}

// Bodies without touch focus cannot autofocus in live view.
TEST_F(Focus, CanonFocusAutoInLiveView) {
    struct {
        const char* model;
        bool liveView;
        bool touch, isAuto;
    } cases[] = {
        {"Canon EOS 40D", false, false, true},
        {"Canon EOS 40D", true, false, false},
        {"Canon EOS R", true, true, true},
    };
    for (const auto& c : cases) {
        PtpClearPropertyStore();
        ScriptedCamera body;
        body.model = c.model;
        ASSERT_TRUE(scripted_connect(body));
        PtpEos_EvaluateModel();
        PtpSetupPropertyRoles();
        set_property(0xD108, 0);
        PtpSession_SetLiveViewOn(c.liveView);
        EXPECT_EQ(PtpGenericInterface_CanTouchFocus(), c.touch) << c.model;
        EXPECT_EQ(PtpGenericInterface_IsFocusAuto(), c.isAuto) << c.model << " " << c.liveView;
    }
    PtpSession_SetLiveViewOn(false);
}

TEST_F(Focus, TouchIncrementalAndStackSupport) {
    struct {
        PtpVendor vendor;
        uint8_t model;
        uint32_t property; // stored first when not 0
        bool touch, incremental, stack;
    } cases[] = {
        {PtpVendor_Canon, 0, 0, true, true, true},
        {PtpVendor_Canon, 232, 0, true, false, true},
        {PtpVendor_Nikon, 200, 0, true, true, true},
        {PtpVendor_Nikon, 192, 0, true, true, false},
        {PtpVendor_Sony, 176, 0, true, true, true},
        {PtpVendor_Sony, 170, 0, false, false, false},
        {PtpVendor_Sony, 170, 0xD22C, true, false, false},
        {PtpVendor_Fujifilm, 16, 0, true, false, false},
        {PtpVendor_Fujifilm, 20, 0, true, true, true},
        {PtpVendor_None, 0, 0, false, false, false},
    };
    for (const auto& c : cases) {
        become(c.vendor, c.model);
        if (c.property) set_property(c.property, 0);
        EXPECT_EQ(PtpGenericInterface_CanTouchFocus(), c.touch) << c.vendor << " " << int(c.model);
        EXPECT_EQ(PtpGenericInterface_IsIncrementalFocusSupported(), c.incremental)
            << c.vendor << " " << int(c.model);
        EXPECT_EQ(PtpGenericInterface_IsFocusStackSupported(), c.stack) << c.vendor;
    }
}

TEST_F(Focus, ExposureModeCompatibleWithStacking) {
    const uint32_t kAbsent = 0xFFFFFFFF;
    struct {
        PtpVendor vendor;
        uint32_t mode;                  // the exposure-mode role's value, or kAbsent
        uint32_t extraCode, extraValue; // one more stored property when extraCode is not 0
        uint8_t extraAccess;
        bool compatible;
    } cases[] = {
        {PtpVendor_Canon, 3, 0xD101, 0x30, 1, true},
        {PtpVendor_Canon, 3, 0xD101, 0x30, 0, false}, // aperture read-only
        {PtpVendor_Canon, 2, 0, 0, 1, true},          // no aperture record
        {PtpVendor_Nikon, 3, 0, 0, 1, true},
        {PtpVendor_Nikon, 2, 0, 0, 1, false},
        {PtpVendor_Nikon, 0x8050, 0xD0FC, 21, 1, true},
        {PtpVendor_Nikon, 0x8052, 0xD0FC, 22, 1, true},
        {PtpVendor_Nikon, 0x8051, 0xD0FC, 20, 1, false},
        {PtpVendor_Nikon, 0x8051, 0, 0, 1, false}, // no user-mode property
        {PtpVendor_Nikon, 0x8053, 0xD0FC, 21, 1, false},
        {PtpVendor_Nikon, kAbsent, 0, 0, 1, true},
        {PtpVendor_Sony, 0x20003, 0, 0, 1, true},
        {PtpVendor_Sony, 0x20002, 0, 0, 1, false},
        {PtpVendor_Fujifilm, 4, 0, 0, 1, false},
        {PtpVendor_None, kAbsent, 0, 0, 1, false},
    };
    for (const auto& c : cases) {
        become(c.vendor);
        uint32_t role = PtpGetAutoExposurePropertyCode();
        if (c.mode != kAbsent && role != 0) set_property(role, c.mode);
        if (c.extraCode) set_property(c.extraCode, c.extraValue, c.extraAccess);
        EXPECT_EQ(PtpGenericInterface_IsExposureModeCompatibleWithFocusStacking(), c.compatible)
            << c.vendor << " mode 0x" << std::hex << c.mode;
    }
}

// --- Canon stacking loop ----------------------------------------------------------------------

std::vector<uint32_t>& shots_seen() {
    static std::vector<uint32_t> seen;
    return seen;
}
void record_shot(uint32_t shot) { shots_seen().push_back(shot); }

class CanonStack : public Focus {
  protected:
    void SetUp() override {
        Focus::SetUp();
        become(PtpVendor_Canon);
        PtpEos_ReleaseShutter();
        PtpGenericInterface_ResumeEventCheckLoop();
        set_property(0xD106, 0); // drive mode: a press needs it
        set_property(0xD10F, 1); // colour space: the busy wait writes it back
        clear_sent();
        shots_seen().clear();
        PtpFocusStack_SetPauses(1, 1);
    }
};

TEST_F(CanonStack, AFailedLensMoveEndsTheStack) {
    camera().responder = [](const Command& c) { return c.op == 0x9155 ? answer(0x2002) : ok(); };
    EXPECT_EQ(PtpGenericInterface_DoFocusStackWithCallback(4, 1, 0, record_shot), 0x2002);
    EXPECT_EQ(presses(), 1u);
    EXPECT_EQ(shots_seen(), std::vector<uint32_t>({1}));
    camera().responder = nullptr;
    clear_sent();
    EXPECT_EQ(PtpGenericInterface_DoFocusStackWithCallback(0, 1, 0, record_shot), PtpResult_Ok);
    EXPECT_TRUE(sent().empty()); // no shots, nothing sent
}

// The cancel must cut the 60 s pauses short, or the stack would not end.
TEST_F(CanonStack, OneStackAtATime) {
    PtpFocusStack_SetPauses(60000, 60000);
    static std::atomic<bool> inside{false};
    inside = false;
    std::thread first([] {
        EXPECT_EQ(
            PtpGenericInterface_DoFocusStackWithCallback(3, 1, 0, [](uint32_t) { inside = true; }),
            PtpResult_Aborted);
    });
    while (!inside)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(PtpGenericInterface_DoFocusStack(2, 1), PtpResult_Busy);
    PtpGenericInterface_CancelFocusStack();
    first.join();
    EXPECT_EQ(presses(), 1u);
}

} // namespace
