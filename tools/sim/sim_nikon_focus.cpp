// The Nikon camera's lens: autofocus, which succeeds unless a test made the
// lens find no focus, and the manual-focus drive over a bounded travel. The
// body facts that set one model apart here, and the calls tests steer and read
// the capture side with (sim_nikon_capture_hooks.h).
#include "sim_internal.h"
#include "sim_nikon.h"
#include "sim_nikon_capture_hooks.h"
#include "sim_properties.h"

#include <cstring>
#include <mutex>

namespace {

constexpr uint16_t kFocusMode = 0x500A;           // 1: manual
constexpr uint16_t kViewfinderFocusMode = 0xD161; // 3 and 4: manual
constexpr uint32_t kStandardManual = 1;
constexpr uint32_t kManualPosition = 3;
constexpr uint32_t kManualWritten = 4;

constexpr uint32_t kTowardsNearest = 1;
constexpr uint32_t kTowardsInfinity = 2;

constexpr uint16_t kRespFocusFailed = 0xA002;
constexpr uint16_t kRespDriveAtEnd = 0xA00C;

// The lens is busy moving for this long after a drive.
constexpr auto kLensMoveTime = std::chrono::milliseconds(30);

bool camera_focus_manual(const SimCameraState& cam) {
    if (SimProperties_Find(cam, kViewfinderFocusMode) >= 0) {
        uint32_t mode = SimProperties_Bits(cam, kViewfinderFocusMode, 0);
        return mode == kManualPosition || mode == kManualWritten;
    }
    return SimProperties_Bits(cam, kFocusMode, 0) == kStandardManual;
}

// AF-mode-switch bodies refuse to focus or drive in manual focus.
bool lens_locked(const SimCameraState& cam) {
    return SimNikon_Body(*cam.model).af_mode_switch && camera_focus_manual(cam);
}

bool busy(SimCameraState& cam) {
    return SimNikonState::Clock::now() < SimNikon_State(cam).busy_until;
}

template <typename F> void with_nikon(SimHub* hub, F change) {
    if (!hub) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    if (hub->camera.model->vendor == SimVendor_Nikon) change(SimNikon_State(hub->camera));
}

} // namespace

const SimNikonBodyFacts& SimNikon_Body(const SimCameraModel& model) {
    for (const SimNikonBodyFacts& b : kSimNikonBodies)
        if (std::strcmp(b.key, model.key) == 0) return b;
    return kSimNikonBodies[0];
}

void SimNikon_Autofocus(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    SimNikonState& n = SimNikon_State(cam);
    if (busy(cam) || n.bulb_open) {
        answer->code = kPtpRespDeviceBusy;
    } else if (lens_locked(cam)) {
        answer->code = kRespFocusFailed;
    } else {
        n.focus_failed = n.autofocus_fails; // reported by the ready check
        answer->code = kPtpRespOk;
    }
}

void SimNikon_AutofocusCancel(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    SimNikon_State(cam).focus_failed = false;
    answer->code = kPtpRespOk;
}

void SimNikon_DriveLens(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    SimNikonState& n = SimNikon_State(cam);
    const uint32_t direction = cmd.params[0], amount = cmd.params[1];
    if (busy(cam) || n.bulb_open) {
        answer->code = kPtpRespDeviceBusy;
        return;
    }
    if (lens_locked(cam)) {
        answer->code = kRespFocusFailed;
        return;
    }
    if (direction != kTowardsNearest && direction != kTowardsInfinity) {
        answer->code = kPtpRespInvalidParameter;
        return;
    }
    n.lens_drives.push_back(direction);
    n.lens_drives.push_back(amount);
    const int64_t end = direction == kTowardsNearest ? 0 : kSimNikonLensTravel;
    if (n.lens_position == end) {
        answer->code = kRespDriveAtEnd;
        return;
    }
    int64_t to = direction == kTowardsNearest ? int64_t(n.lens_position) - amount
                                              : int64_t(n.lens_position) + amount;
    if (to < 0) to = 0;
    if (to > kSimNikonLensTravel) to = kSimNikonLensTravel;
    n.lens_position = int32_t(to);
    n.busy_until = SimNikonState::Clock::now() + kLensMoveTime;
    answer->code = kPtpRespOk;
}

void SimHub_SetNikonBusyAfterShot(SimHub* hub, uint32_t millis) {
    with_nikon(hub, [millis](SimNikonState& n) { n.busy_after_shot_ms = millis; });
}

void SimHub_SetNikonAutofocusFails(SimHub* hub, bool fails) {
    with_nikon(hub, [fails](SimNikonState& n) { n.autofocus_fails = fails; });
}

SimNikonCaptureStats SimHub_NikonCaptureStats(const SimHub* hub) {
    SimNikonCaptureStats s;
    if (!hub) return s;
    std::lock_guard<std::mutex> guard(hub->lock);
    if (hub->camera.model->vendor != SimVendor_Nikon) return s;
    const SimNikonState& n = *static_cast<const SimNikonState*>(hub->camera.vendor_state.get());
    s.control_mode = n.control_mode;
    s.pictures = n.pictures;
    s.bulb_open = n.bulb_open;
    s.last_bulb_ms = n.last_bulb_ms;
    s.lens_position = n.lens_position;
    s.lens_drives = n.lens_drives;
    return s;
}
