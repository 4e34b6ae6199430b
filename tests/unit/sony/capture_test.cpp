// Sony buttons, shots, bulb, focus toggle, stacks and the captures behind the
// fixed capture handle, on a scripted camera.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <map>

#include "generic/capture.h"
#include "generic/driver.h"
#include "generic/focus.h"
#include "ptp_comms.h"
#include "ptp_exposure.h"
#include "ptp_native.h"
#include "ptp_sony.h"
#include "sony/sony_capture.h"
#include "sony/sony_focus.h"
#include "sony/sony_models.h"
#include "support/capture_script.h"
#include "unit/cache/cache_dirs.h"

namespace {

using namespace scripted;

constexpr uint32_t kHalf = 0xD2C1, kShutter = 0xD2C2, kMovie = 0xD2C8, kLens = 0xD2D1,
                   kToggle = 0xD2D2, kCapture = 0xFFFFC001;
constexpr uint16_t kRefused = 0x2002;

// What successive re-reads of a property give (the last one stays); none: the read fails.
std::map<uint32_t, std::deque<uint32_t>> g_reads;

PtpDriver g_driver = [] {
    PtpDriver d = kPtpSonyDriver;
    d.properties.refreshValue = [](uint32_t code) {
        auto it = g_reads.find(code);
        if (it == g_reads.end()) return PtpResult(kRefused);
        set_property(code, it->second.front());
        if (it->second.size() > 1) it->second.pop_front();
        return PtpResult(PtpResult_Ok);
    };
    return d;
}();

using Presses = std::vector<std::pair<uint32_t, uint32_t>>; // button, 2-byte value
Presses presses() {
    Presses out;
    for (const Command& c : sent())
        if (c.op == 0x9207 && c.params.size() == 1 && c.data.size() == 2)
            out.push_back({c.params[0], uint32_t(c.data[0] | c.data[1] << 8)});
    return out;
}

// The camera refuses 0x9207 on button, and anything else in op.
void refuse(uint32_t button, uint16_t op = 0) {
    camera().responder = [=](const Command& c) {
        bool no = c.op == op || (c.op == 0x9207 && c.params == std::vector<uint32_t>{button});
        return no ? answer(kRefused) : ok();
    };
}

class SonyCapture : public cachetest::CacheDirs {
  protected:
    void SetUp() override {
        CacheDirs::SetUp();
        body("ILCE-7M4");
    }
    void TearDown() override {
        camera().responder = nullptr;
        PtpSession_SetDriverForTest(nullptr);
        PtpSony_SetPauseScale(100);
        PtpFocusStack_SetPauses(kFocusStackShotPauseMs, kFocusStackMovePauseMs);
        CacheDirs::TearDown();
    }
    void body(const char* name, std::vector<std::pair<uint32_t, uint32_t>> store = {}) {
        connect("Sony Corporation", {0x9207, 0x1008, 0x1009});
        PtpSession_SetDriverForTest(&g_driver);
        uint8_t model = 0;
        ASSERT_TRUE(PtpSony_DetectModelText(name, &model));
        PtpSession_SetModel(model);
        PtpSony_ResetFocusFlags();
        PtpSony_SetPauseScale(0);
        PtpFocusStack_SetPauses(0, 0);
        g_reads.clear();
        for (auto [code, value] : store)
            set_property(code, value);
    }
};

TEST_F(SonyCapture, ButtonSequences) {
    // clang-format off
    struct Case { const char* what; PtpResult (*call)(); uint32_t refused; Presses sent; }
    cases[] = {
        {"capture", PtpGenericInterface_InitiateImageCapture, 0, {{kHalf, 2}, {kShutter, 2}}},
        {"refused half press: no shutter", PtpGenericInterface_InitiateImageCapture, kHalf,
         {{kHalf, 2}}},
        {"refused shutter lets the half press go", PtpGenericInterface_InitiateImageCapture,
         kShutter, {{kHalf, 2}, {kShutter, 2}, {kHalf, 1}}},
        {"release", PtpGenericInterface_InitiateShutterRelease, 0, {{kHalf, 1}, {kShutter, 1}}},
        {"release lets the shutter go too", PtpGenericInterface_InitiateShutterRelease, kHalf,
         {{kHalf, 1}, {kShutter, 1}}},
        {"bulb end", PtpGenericInterface_StopBulb, 0, {{kHalf, 1}, {kShutter, 1}}},
        {"half press", PtpGenericInterface_StartHalfPress, 0, {{kHalf, 2}}},
        {"movie end", PtpGenericInterface_StopRecordMovie, kMovie, {{kMovie, 1}}},
        {"lens +1 drives -3", [] { return PtpGenericInterface_DriveLens(1); }, 0,
         {{kLens, 0xFFFD}}},
        {"lens -2 drives 4", [] { return PtpGenericInterface_DriveLens(-2); }, 0, {{kLens, 4}}},
        {"long pull held to 16 bits", [] { return PtpGenericInterface_DriveLens(100000); }, 0,
         {{kLens, 0x8000}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clear_sent();
        refuse(c.refused);
        EXPECT_EQ(c.call(), c.refused ? kRefused : PtpResult_Ok);
        EXPECT_EQ(presses(), c.sent);
    }
}

TEST_F(SonyCapture, ModeQueries) {
    // clang-format off
    struct Case {
        std::vector<std::pair<uint32_t, uint32_t>> store;
        bool bulbAvailable, bulbMode, continuous, bracketed, autoFocus;
    } cases[] = {
        {{}, true, false, false, false, true},
        {{{0x500E, 1}, {0x5013, 1}, {0xD20D, 0}}, true, true, false, false, true},
        {{{0x500E, 1}, {0x5013, 0x8012}}, false, false, true, true, true},
        {{{0x500E, 1}, {0x5013, 0x8537}, {0x500A, 1}}, false, false, true, true, false},
        {{{0x500E, 1}, {0x5013, 0x10002}}, false, false, true, true, true}, // low 16 bits count
        {{{0x500E, 0x78050}}, false, false, false, false, true},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        body("ILCE-7M4", c.store);
        uint32_t drive = 0;
        PtpReadCurrentValue(0x5013, &drive);
        EXPECT_EQ(PtpGenericInterface_IsBulbAvailable(), c.bulbAvailable);
        EXPECT_EQ(PtpGenericInterface_IsBulbMode(), c.bulbMode);
        EXPECT_EQ(PtpGenericInterface_CanStartBulb(), c.bulbAvailable && c.bulbMode);
        EXPECT_EQ(PtpGenericInterface_IsDriveModeContinuous(drive), c.continuous);
        EXPECT_EQ(PtpSonyInterface_IsDriveModeBracketed(), c.bracketed);
        EXPECT_EQ(PtpGenericInterface_IsFocusAuto(), c.autoFocus);
    }
    set_property(0xD20D, 0, /*access=*/0);
    EXPECT_FALSE(PtpGenericInterface_IsBulbMode()); // a bulb the host cannot set
}

// The pending count is the camera's 32-bit value: N is bounded before any array is sized.
TEST_F(SonyCapture, PendingHandles) {
    // clang-format off
    struct Case { const char* what; uint32_t value; PtpResult result; uint32_t count; } cases[] = {
        {"two waiting", 0x8002, PtpResult_Ok, 2}, {"none", 0, PtpResult_Ok, 0},
        {"still processing", 1, PtpResult_DeviceBusy, 0},
        {"most a 16-bit value announces", 0xFFFF, PtpResult_Ok, 0x7FFF},
        {"one beyond", 0x10000, PtpResult_InvalidData, 0},
        {"x4 would wrap to 0 bytes", 0x40008000, PtpResult_InvalidData, 0},
        {"largest value", 0xFFFFFFFF, PtpResult_InvalidData, 0},
        {"read fails", 0, 0x2000, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        body("ILCE-7M4");
        if (c.result != 0x2000) g_reads[0xD215] = {c.value};
        uint32_t* handles = nullptr;
        uint32_t count = 99;
        EXPECT_EQ(PtpGenericInterface_GetObjectHandles2(&handles, &count), c.result);
        EXPECT_EQ(count, c.count);
        EXPECT_EQ(handles == nullptr, c.count == 0);
        for (uint32_t i = 0; i < count && handles; ++i)
            ASSERT_EQ(handles[i], kCapture);
        FreeMemory(handles);
    }
}

TEST_F(SonyCapture, ShotWaits) {
    // A bracket of 5 frames at 1/50 s is exposed before the buttons are let go.
    body("ILCE-7M4", {{0x500A, 1}, {0x5013, 0x8537}, {0xD20D, 0x00010032}});
    PtpSony_SetPauseScale(100);
    ASSERT_EQ(PtpTakeShot(), PtpResult_Ok);
    std::vector<Command> c = sent();
    ASSERT_EQ(c.size(), 4u);
    EXPECT_GE(c[2].at - c[1].at, std::chrono::milliseconds(5 * 20 + 250));
    EXPECT_EQ(presses(), (Presses{{kHalf, 2}, {kShutter, 2}, {kHalf, 1}, {kShutter, 1}}));

    // Autofocus waits for 0xD213 to read 2; the handover for 0xD215 to read 0.
    body("ILCE-7M4");
    g_reads = {{0xD213, {0, 2}}, {0xD215, {0x8001, 0x8001, 0}}};
    EXPECT_EQ(PtpGenericInterface_TakeAndWaitForShotToComplete(), PtpResult_Ok);
    EXPECT_EQ(g_reads[0xD213].size() + g_reads[0xD215].size(), 2u);
    refuse(kHalf);
    EXPECT_EQ(PtpGenericInterface_TakeAndWaitForShotToComplete(), kRefused);
}

TEST_F(SonyCapture, FocusToggleAndStack) {
    enum Call { kFocus, kStop, kManual, kAuto };
    // clang-format off
    struct Case {
        const char* what; const char* body; uint32_t focusMode; bool toggled; Call call;
        PtpResult result; Presses sent; bool toggledAfter;
    } cases[] = {
        {"autofocus: half press", "ILCE-7M4", 2, false, kFocus, PtpResult_Ok, {{kHalf, 2}}, false},
        {"manual: toggle held", "ILCE-7M4", 1, false, kFocus, PtpResult_Ok, {{kToggle, 2}}, false},
        {"ILCE-1 sends both values", "ILCE-1", 1, false, kFocus, PtpResult_Ok,
         {{kToggle, 1}, {kToggle, 2}}, false},
        {"after a toggle: toggle let go, half press", "ILCE-7M4", 1, true, kFocus, PtpResult_Ok,
         {{kToggle, 1}, {kHalf, 2}}, true},
        {"no incremental focus", "SLT-A99V", 1, false, kFocus, PtpResult_NotSupportedForCamera,
         {}, false},
        {"switch to manual", "ILCE-7M4", 2, false, kManual, PtpResult_Ok, {{kToggle, 2}}, true},
        {"switch back to auto", "ILCE-7M4", 1, true, kAuto, PtpResult_Ok, {{kToggle, 1}}, false},
        {"manual of the camera's own", "ILCE-7M4", 1, false, kAuto,
         PtpResult_OperationNotSupported, {}, false},
        {"ILCE-9 has no toggle", "ILCE-9", 2, false, kManual, PtpResult_OperationNotSupported,
         {}, false},
        {"refused toggle keeps the flag", "ILCE-7M4", 2, false, kManual, kRefused,
         {{kToggle, 2}}, false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        body(c.body, {{0x500A, c.focusMode}});
        PtpSony_SetFocusToggled(c.toggled);
        refuse(c.result == kRefused ? kToggle : 0);
        PtpResult rc = c.call == kFocus  ? PtpGenericInterface_Focus()
                       : c.call == kStop ? PtpGenericInterface_StopFocus()
                                         : PtpGenericInterface_SetFocusMode(c.call == kManual, 0);
        EXPECT_EQ(rc, c.result);
        EXPECT_EQ(presses(), c.sent);
        EXPECT_EQ(PtpSony_FocusToggled(), c.toggledAfter);
    }
    // A focus started in manual focus is undone by StopFocus with the toggle.
    body("ILCE-7M4", {{0x500A, 1}});
    ASSERT_EQ(PtpGenericInterface_Focus(), PtpResult_Ok);
    set_property(0x500A, 2);
    EXPECT_EQ(PtpGenericInterface_StopFocus(), PtpResult_Ok);
    EXPECT_EQ(presses(), (Presses{{kToggle, 2}, {kToggle, 1}}));

    // A stack needs manual focus; the lens moves by the widened step between shots.
    EXPECT_EQ(PtpGenericInterface_DoFocusStack(3, 1), PtpResult_Failed);
    body("ILCE-7M4", {{0x500A, 1}});
    static uint32_t shots = 0;
    EXPECT_EQ(PtpGenericInterface_DoFocusStackWithCallback(2, 1, 0, [](uint32_t n) { shots = n; }),
              PtpResult_Ok);
    Presses all = presses(), lens;
    std::copy_if(all.begin(), all.end(), std::back_inserter(lens),
                 [](auto& p) { return p.first == kLens; });
    EXPECT_EQ(lens, (Presses{{kLens, 3}}));
    EXPECT_EQ(shots, 2u);
}

Bytes object_info(const char* name, uint32_t size) {
    ByteWriter w;
    write_u32(w, 0x10001); // storage, JPEG, protection, size, no thumbnail
    write_u32(w, 0x3801);
    write_u32(w, size);
    write_u16(w, 0);
    for (uint32_t v : {0, 0, 0, 6000, 4000, 24, 0}) // thumb size w h, image w h, depth, parent
        write_u32(w, v);
    write_bytes(w, Bytes(10).data(), 10); // association, sequence
    write_ptp_string(w, name);
    return w.buf;
}

// Every capture comes through the same handle: each must reach the host as
// its own image, and the earlier one stays in the cache under its own name.
TEST_F(SonyCapture, EachCaptureIsItsOwnImage) {
    Open();
    Bytes bytes[] = {{1, 2, 3, 4}, {9, 8, 7}};
    const char* names[] = {"DSC00001.JPG", "DSC00002.JPG"};
    PtpObjectInfo first{};
    for (int i = 0; i < 2; ++i) {
        camera().responder = [&, i](const Command& c) {
            if (c.op == 0x1008) return with_data(object_info(names[i], uint32_t(bytes[i].size())));
            return c.op == 0x1009 ? with_data(bytes[i]) : ok();
        };
        PtpObjectInfo record{};
        record.handle = kCapture;
        ASSERT_EQ(Native_GetObjectInfo(&record, 0), PtpResult_Ok);
        EXPECT_STREQ(record.fileName, names[i]);
        cachetest::Owned image;
        uint8_t fetched = 0;
        ASSERT_EQ(Native_GetImage(&record, &image.data, &image.length, 0, &fetched, 0),
                  PtpResult_Ok);
        EXPECT_EQ(image.bytes(), bytes[i]);
        EXPECT_EQ(fetched, 1);
        if (i == 0) first = record;
    }
    refuse(0, 0x1009); // the first capture is answered from the cache by its name
    cachetest::Owned image;
    ASSERT_EQ(Native_GetImage(&first, &image.data, &image.length, 0, nullptr, 0), PtpResult_Ok);
    EXPECT_EQ(image.bytes(), bytes[0]);
}

} // namespace
