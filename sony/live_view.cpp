// Sony live view: switching it on, the frame fetch, the focus-point position
// and its nudge, and the Sony live-view exports that read frames.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "comms/bytes.h"
#include "generic/objects.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_generic.h"
#include "ptp_properties.h"
#include "ptp_sony.h"
#include "sony/property_controls.h"
#include "sony/sony_capture.h"
#include "sony/sony_codes.h"
#include "sony/sony_focus.h"
#include "sony/sony_live_view.h"
#include "sony/sony_models.h"

namespace {

constexpr uint32_t kManualFocus = 1; // 0x500A

// The focus-point coordinate spaces: 0xD2DC spans 720 x 480 and starts 5 % of
// the width left of the frame; 0xD232 spans 640 x 428.
constexpr double kFocusPointWidth = 720;
constexpr double kFocusPointHeight = 480;
constexpr double kFocusPointLeftMargin = 0.05;
constexpr double kLocationWidth = 640;
constexpr double kLocationHeight = 428;

// The 7RM5 and ILCE-1 move the magnified area in steps of 5.
constexpr int32_t kMagnifierNudge = 5;
// After a move the body switches back to autofocus; it is watched this often.
constexpr int kFocusModePolls = 8;
constexpr int kDefaultPauseMs = 250;

std::atomic<int> g_pauseMs{kDefaultPauseMs};

const uint8_t kManualForPositionBodies[] = {kSonyModelZv1, kSonyModelZvE10, kSonyModelZvE1};
const PtpSonyModelSet kManualForPosition = {kManualForPositionBodies,
                                            sizeof kManualForPositionBodies};
const uint8_t kMagnifierNudgeBodies[] = {kSonyModel7RM5, kSonyModelIlce1};
const PtpSonyModelSet kMagnifierNudgeModels = {kMagnifierNudgeBodies, sizeof kMagnifierNudgeBodies};

void pause_between_polls() {
    std::this_thread::sleep_for(std::chrono::milliseconds(g_pauseMs.load()));
}

bool stored(uint32_t code) { return PtpGenericInterface_GetProperty(code, 0) != nullptr; }

bool manual_focus() {
    uint32_t mode = 0;
    return PtpReadCurrentValue(kSonyPropFocusMode, &mode) && mode == kManualFocus;
}

uint32_t focus_mode_now() {
    PtpGenericInterface_RefreshPropertyValue(kSonyPropFocusMode);
    uint32_t mode = 0;
    PtpReadCurrentValue(kSonyPropFocusMode, &mode);
    return mode;
}

// A coordinate as the camera's u16: truncated, then held to 0..0xFFFF so a
// point left of the camera's origin is its edge, not a wrapped 0xFFDC.
uint16_t coordinate(double v) {
    v = std::trunc(v);
    if (!(v > 0)) return 0;
    if (v > 0xFFFF) return 0xFFFF;
    return uint16_t(v);
}

double fraction(double f) { return f < 0 ? 0 : f > 1 ? 1 : f; }

uint16_t moved(uint32_t value, int32_t delta) {
    int64_t v = int64_t(value) + delta;
    return uint16_t(v < 0 ? 0 : v > 0xFFFF ? 0xFFFF : v);
}

} // namespace

PtpResult PtpSony_LiveViewCommand(uint16_t op, uint32_t param, const uint8_t* data, uint32_t size) {
    return PtpTransaction_ExecuteWithRetry(op, &param, 1, data, size, nullptr, nullptr, nullptr, 1);
}

PtpResult PtpSony_LiveViewPress(uint32_t button) {
    PtpResult rc = PtpSony_Press(button);
    return rc == PtpResult_Ok ? PtpSony_Release(button) : rc;
}

void PtpSony_SetLiveViewPauseForTest(int ms) { g_pauseMs.store(ms ? ms : kDefaultPauseMs); }

PtpResult PtpSony_ToggleLiveView(bool on) {
    if (!on) {
        PtpSession_SetLiveViewOn(false);
        return PtpResult_Ok;
    }
    uint8_t* info = nullptr;
    uint32_t size = 0;
    PtpResult rc =
        PtpTransaction_RunDataIn(kPtpOpGetObjectInfo, {kSonyLiveViewHandle}, &info, &size);
    std::free(info);
    if (rc == PtpResult_Ok) PtpSession_SetLiveViewOn(true);
    return rc;
}

PtpResult PtpSony_GetLiveViewImage(uint8_t** buffer, uint32_t* length) {
    if (!buffer || !length) return PtpResult_InvalidArgument;
    return PtpTransaction_RunDataIn(kPtpOpGetObject, {kSonyLiveViewHandle}, buffer, length);
}

PtpResult PtpSony_SetFocusPoint(double fx, double fy) {
    if (std::isnan(fx) || std::isnan(fy)) return PtpResult_InvalidArgument;
    fx = fraction(fx);
    fy = fraction(fy);

    // The ZV bodies move the focus point only in manual focus; a 7RM5 that the
    // library toggled to manual focus moves it only in autofocus.
    bool switched = false;
    if (PtpSony_CameraIn(kManualForPosition) && !manual_focus()) {
        PtpResult rc = PtpSony_SetFocusMode(1);
        if (rc != PtpResult_Ok) return rc;
        switched = true;
    } else if (PtpGenericInterface_CameraModel() == kSonyModel7RM5 && PtpSony_FocusToggled()) {
        PtpResult rc = PtpSony_SetFocusMode(0);
        if (rc != PtpResult_Ok) return rc;
        switched = true;
    }

    uint8_t data[4];
    PtpResult rc;
    if (stored(kSonyPropFocusPosition)) {
        put_u16(data, coordinate(fy * kFocusPointHeight));
        put_u16(data + 2, coordinate((fx - kFocusPointLeftMargin) * kFocusPointWidth));
        rc = PtpSony_LiveViewCommand(kSonyOpControlDevice, kSonyPropFocusPosition, data,
                                     sizeof data);
    } else {
        put_u16(data, coordinate(fy * kLocationHeight));
        put_u16(data + 2, coordinate(fx * kLocationWidth));
        rc = PtpSony_LiveViewCommand(kSonyOpSetPropertyValue, kSonyPropLiveViewLocation, data,
                                     sizeof data);
    }

    if (switched && PtpSony_SetFocusMode(0) == PtpResult_Ok) {
        // Wait (bounded) for the body to report the switch back.
        const uint32_t first = focus_mode_now();
        for (int i = 0; i < kFocusModePolls && focus_mode_now() == first; ++i)
            pause_between_polls();
    }
    return rc;
}

PtpResult PtpSony_NudgeLiveView(uint8_t direction) {
    if (PtpSony_CameraIn(kMagnifierNudgeModels)) {
        uint32_t current = 0;
        if (!PtpReadCurrentValue(kSonyPropMagnification, &current))
            return PtpResult_InvalidArgument;
        const uint32_t xy = PtpSony_LiveViewPosition();
        uint16_t x = uint16_t(xy >> 16), y = uint16_t(xy);
        switch (direction) {
        case 0: y = moved(y, -kMagnifierNudge); break;
        case 1: y = moved(y, kMagnifierNudge); break;
        case 2: x = moved(x, -kMagnifierNudge); break;
        case 3: x = moved(x, kMagnifierNudge); break;
        default: break;
        }
        const uint32_t position = uint32_t(x) << 16 | y;
        uint8_t data[8];
        put_u32(data, position);
        put_u32(data + 4, current);
        PtpResult rc = PtpSony_LiveViewCommand(kSonyOpSetPropertyValue, kSonyPropMagnification,
                                               data, sizeof data);
        if (rc != PtpResult_Ok) return rc;
        // The camera took the position; the re-read replaces it with the
        // camera's own when the driver has one.
        PtpSony_SetLiveViewPosition(position);
        PtpGenericInterface_RefreshPropertyValue(kSonyPropMagnification);
        return rc;
    }
    if (direction > 3) return PtpResult_InvalidArgument;
    return PtpSony_LiveViewPress(kSonyButtonUp + direction);
}

// --- Exports -----------------------------------------------------------------------------

PtpResult PtpSonyInterface_GetLiveViewImage(uint8_t** buffer, uint32_t* length) {
    return PtpSony_GetLiveViewImage(buffer, length);
}

bool PtpSonyInterface_ExtractLiveViewImage(uint8_t* buffer, uint32_t* length) {
    uint32_t offset = 0;
    if (!buffer || !length || !PtpSony_FindLiveViewJpeg(buffer, *length, &offset)) return false;
    std::memmove(buffer, buffer + offset, *length - offset);
    *length -= offset;
    return true;
}

uint32_t PtpSonyInterface_LiveViewOffset(const uint8_t* buffer, uint32_t length) {
    uint32_t offset = 0;
    return PtpSony_FindLiveViewJpeg(buffer, length, &offset) ? offset : 0;
}

bool PtpSonyInterface_GetLiveViewFocusRect(const uint8_t* frame, uint32_t length, uint16_t* a,
                                           uint16_t* b, uint16_t* c, uint16_t* d) {
    uint16_t v[4];
    if (!a || !b || !c || !d ||
        !PtpSony_ParseFocusRect(frame, length, PtpGenericInterface_CameraModel(),
                                PtpSony_SupportsNormalPropertyControls(), v))
        return false;
    *a = v[0];
    *b = v[1];
    *c = v[2];
    *d = v[3];
    return true;
}

bool PtpSonyInterface_GetLiveViewPosition(uint32_t* x, uint32_t* y) {
    const uint32_t code =
        stored(kSonyPropFocusPosition) ? kSonyPropFocusPosition : kSonyPropLiveViewLocation;
    uint32_t value = 0;
    if (!x || !y || !PtpReadCurrentValue(code, &value)) return false;
    *x = value >> 16;
    *y = value & 0xFFFF;
    return true;
}

// Sony frames are never turned: no angle, EXIF orientation 1.
int32_t PtpSonyInterface_GetLiveViewAngle(void) { return 0; }
int32_t PtpSonyInterface_GetLastLiveViewAngle(void) { return 0; }
uint32_t PtpSonyInterface_GetLiveViewOrientation(void) { return 1; }
uint32_t PtpSonyInterface_GetLastLiveViewOrientation(void) { return 1; }

bool PtpSonyInterface_FocusAreaCanTouchFocus(void) {
    if (PtpSony_SupportsNormalPropertyControls()) return true;
    // Older bodies: the focus-area values 257-260 (the flexible spots).
    uint32_t area = 0;
    return PtpReadCurrentValue(kSonyPropTouchFocus, &area) && area - 257 < 4;
}
