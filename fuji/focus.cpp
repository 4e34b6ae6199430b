// Fujifilm focus: the lens-step conversions, the focus queries and step sizes,
// autofocus (one touch on the newer bodies), the focus mode and the lens drive.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

#include "fuji/fuji_capture.h"
#include "fuji/fuji_codes.h"
#include "fuji/fuji_focus.h"
#include "generic/focus.h"
#include "generic/property_store.h"
#include "ptp_fuji.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

constexpr uint8_t kNoIncrementalFocusModel = 16;

const uint16_t kFocusSteps[3] = {6, 50, 140};

uint32_t magnitude(int32_t v) { return v < 0 ? 0u - uint32_t(v) : uint32_t(v); }

} // namespace

int16_t PtpFuji_DriveSteps(int32_t steps) {
    int32_t v = steps;
    switch (magnitude(steps)) {
    case 1: v = 6; break;
    case 2: v = 50; break;
    case 3: v = 140; break;
    default: break;
    }
    if (steps < 0 && magnitude(steps) <= 3) v = -v;
    if (v > INT16_MAX) return INT16_MAX;
    if (v < INT16_MIN) return INT16_MIN;
    return int16_t(v);
}

int32_t PtpFuji_StackStep(int32_t step) { return step == INT32_MIN ? INT32_MAX : -step; }

bool PtpFuji_CanTouchFocus() { return true; }

bool PtpFuji_IsIncrementalFocusSupported() {
    return PtpGenericInterface_CameraModel() != kNoIncrementalFocusModel;
}

uint16_t PtpFuji_FocusStepsForSize(uint16_t stepSize) {
    return PtpFocus_StepsFromTable(kFocusSteps, stepSize);
}

// --- Autofocus, focus mode and lens drive -----------------------------------------------------

namespace {

// Focus Mode 1 is manual; writing 0x8001 switches the camera to single AF.
constexpr uint32_t kFocusManual = 1;
constexpr uint32_t kFocusSingleAf = 0x8001;
constexpr uint32_t kAfInFocus = 2;
constexpr auto kOneTouchPause = std::chrono::milliseconds(250);
constexpr auto kBusyWritePause = std::chrono::milliseconds(250);
constexpr int kRestoreWrites = 10;
constexpr int kOneTouchAfPolls = 50;
// A lens that reports position 0 has not reported yet; it does after a while.
constexpr auto kLensSettle = std::chrono::milliseconds(5000);

struct FujiFocus {
    std::mutex lock;
    bool saved = false;     // guarded by lock: a focus mode was saved by Focus
    uint32_t savedMode = 0; // guarded by lock: the camera's mode before Focus
};

FujiFocus g_focus;

// The bodies that focus once with a half press and stay in manual focus.
bool one_touch_af_body() {
    switch (PtpGenericInterface_CameraModel()) {
    case 19:
    case 22:
    case 24:
    case 25:
    case 33:
    case 34:
    case 35:
    case 36:
    case 37: return true;
    default: return false;
    }
}

bool focus_mode(uint32_t* mode) { return PtpReadCurrentValue(kFujiPropFocusMode, mode); }

PtpResult write_verified(uint32_t code, uint32_t value) {
    return PtpGenericInterface_SetPropertyValue(code, value, 1);
}

PtpResult one_touch_focus() {
    uint32_t mode = 0;
    if (focus_mode(&mode) && mode == kFocusManual) {
        PtpResult rc = write_verified(kFujiPropFocusMode, kFocusSingleAf);
        if (rc != PtpResult_Ok) return rc;
    }
    PtpResult rc = PtpFuji_StartHalfPress();
    if (rc != PtpResult_Ok) return rc;
    std::this_thread::sleep_for(kOneTouchPause);
    uint32_t status = 0;
    rc = PtpFuji_PollAfStatus(kOneTouchAfPolls, &status);
    if (rc != PtpResult_Ok) return rc;
    rc = PtpFuji_EndHalfPress();
    if (rc != PtpResult_Ok) return rc;
    std::this_thread::sleep_for(kOneTouchPause);
    // Manual focus keeps the lens where autofocus left it.
    return write_verified(kFujiPropFocusMode, kFocusManual);
}

} // namespace

PtpResult PtpFuji_Focus() {
    if (one_touch_af_body()) return one_touch_focus();
    uint32_t mode = 0;
    if (!focus_mode(&mode)) return PtpResult_BadReply;
    {
        std::lock_guard<std::mutex> held(g_focus.lock);
        g_focus.saved = true;
        g_focus.savedMode = mode;
    }
    if (mode != kFocusManual) return PtpResult_Ok;
    return write_verified(kFujiPropFocusMode, kFocusSingleAf);
}

PtpResult PtpFuji_StopFocus() {
    if (one_touch_af_body()) return PtpResult_Ok;
    uint32_t mode = 0;
    if (!focus_mode(&mode)) return PtpResult_BadReply;
    uint32_t saved = 0;
    {
        std::lock_guard<std::mutex> held(g_focus.lock);
        // Without a Focus before it there is no mode to go back to.
        if (!g_focus.saved) return PtpResult_Ok;
        saved = g_focus.savedMode;
    }
    if (mode == saved) return PtpResult_Ok;
    // Best effort: the camera may still be busy with the autofocus.
    for (int i = 0; i < kRestoreWrites; ++i) {
        if (write_verified(kFujiPropFocusMode, saved) != PtpResult_DeviceBusy) break;
        std::this_thread::sleep_for(kBusyWritePause);
    }
    return PtpResult_Ok;
}

PtpResult PtpFuji_SetFocusMode(uint32_t mode) {
    uint32_t current = 0;
    const bool known = focus_mode(&current);
    if (mode == 0) {
        if (!known || current == kFocusManual)
            return write_verified(kFujiPropFocusMode, kFocusSingleAf);
        return PtpResult_Ok;
    }
    if (mode == 1) {
        if (!known || current == kFocusManual) return PtpResult_Ok;
        return write_verified(kFujiPropFocusMode, kFocusManual);
    }
    return PtpResult_OperationNotSupported;
}

bool PtpFuji_CameraFocusMode(uint32_t* mode) {
    uint32_t value = 0;
    *mode = focus_mode(&value) && value == kFocusManual ? 1 : 0;
    return true;
}

bool PtpFuji_IsFocusAuto() {
    uint32_t mode = 0;
    return focus_mode(&mode) && mode != kFocusManual;
}

bool PtpFuji_SupportsFocusChange() {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kFujiPropFocusMode, 1);
    if (!record) return false;
    const bool writable = record->access != 0;
    PtpUnlockProperty(record);
    return writable;
}

PtpResult PtpFuji_DriveLens(int16_t steps) {
    PtpFuji_ReassertColorSpace(); // wakes a camera that finished a shot; its answer does not matter
    if (!PtpGenericInterface_IsPropertySupported(kFujiPropFocusPosition))
        return PtpResult_InvalidArgument;
    PtpResult rc = PtpGenericInterface_RefreshPropertyValue(kFujiPropFocusPosition);
    if (rc != PtpResult_Ok) return rc;
    uint32_t position = 0;
    PtpReadCurrentValue(kFujiPropFocusPosition, &position);
    if (position == 0) {
        std::this_thread::sleep_for(kLensSettle);
        rc = PtpGenericInterface_RefreshPropertyValue(kFujiPropFocusPosition);
        if (rc != PtpResult_Ok) return rc;
        PtpReadCurrentValue(kFujiPropFocusPosition, &position);
    }
    const int16_t target = int16_t(uint16_t(position + uint32_t(int32_t(steps))));
    return PtpGenericInterface_SetPropertyValue(kFujiPropFocusPosition, uint32_t(int32_t(target)),
                                                0);
}

PtpResult PtpFuji_DriveLensSteps(int32_t steps) {
    return PtpFuji_DriveLens(PtpFuji_DriveSteps(steps));
}

PtpResult PtpFuji_PackagedLensMove(int32_t step, uint16_t count) {
    const int64_t distance = int64_t(step) * count;
    return PtpFuji_DriveLens(int16_t(std::clamp<int64_t>(distance, INT16_MIN, INT16_MAX)));
}

bool PtpFujiInterface_HasFocus() {
    uint32_t status = 0;
    return PtpReadCurrentValue(kFujiPropAfStatus, &status) && status == kAfInFocus;
}

PtpResult PtpFujiInterface_SetFocalDistance(int16_t position) {
    return PtpGenericInterface_SetPropertyValue(kFujiPropFocusPosition, uint32_t(int32_t(position)),
                                                0);
}
