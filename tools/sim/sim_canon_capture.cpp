// The Canon camera's shutter, focus and lens: remote release (half and full
// press, and the older one-shot release), bulb exposures, mirror lock-up, and
// the pictures a shot stores: a JPEG copied from the card's pictures and, when
// the image format asks for it, the model's RAW file, each announced in the
// event data. After a shot the camera is busy storing it for a while.
#include "sim_canon.h"

#include "sim_canon_hooks.h"
#include "sim_events.h"
#include "sim_properties.h"
#include "sim_storage.h"

namespace {

constexpr uint16_t kExposureMode = 0xD105;
constexpr uint16_t kExposureModeDial = 0xD138;
constexpr uint16_t kShutterSpeed = 0xD102;
constexpr uint16_t kAvailableShots = 0xD11B;
constexpr uint16_t kImageFormat = 0xD120;
constexpr uint16_t kMirrorUp = 0xD13A;

constexpr uint32_t kModeManual = 3;
constexpr uint32_t kModeBulb = 4;
// Shutter-speed codes that stand for bulb in mode M.
constexpr uint32_t kShutterBulb = 0x0C;
constexpr uint32_t kShutterBulbOld = 0x04;
constexpr uint32_t kNoValue = 0xFFFFFFFF;

constexpr uint32_t kLargeFineJpeg = 0x1100C000;
constexpr uint32_t kKindJpeg = 1;
constexpr uint32_t kKindRaw = 6;

// 0x9128 and 0x9129 parameters.
constexpr uint32_t kHalfPress = 1;
constexpr uint32_t kFullPress = 2;
constexpr uint32_t kFullPressAlone = 3;

// Response parameter of a press the camera refuses.
constexpr uint32_t kPressRefused = 1;

// 0x9155: the low 15 bits count lens steps, bit 15 drives towards the nearest distance.
constexpr uint32_t kLensStepMask = 0x7FFF;
constexpr uint32_t kLensTowardsNear = 0x8000;

// Picture numbers run 0001 to 9999, then start again.
constexpr uint32_t kLastFileNumber = 9999;

void ok(SimPtpAnswer* answer) { answer->code = kPtpRespOk; }

bool in_bulb_mode(const SimCameraState& cam) {
    uint32_t mode = SimProperties_Bits(cam, kExposureModeDial,
                                       SimProperties_Bits(cam, kExposureMode, kNoValue));
    if (mode == kModeBulb) return true;
    uint32_t shutter = SimProperties_Bits(cam, kShutterSpeed, kNoValue);
    return mode == kModeManual && (shutter == kShutterBulb || shutter == kShutterBulbOld);
}

void start_storing(SimCameraState& cam) {
    SimCanonState& c = SimCanon_State(cam);
    if (c.busy_after_shot_ms == 0) return;
    c.busy_until = SimCanonState::Clock::now() + std::chrono::milliseconds(c.busy_after_shot_ms);
    if (c.busy_reported) return;
    c.busy_reported = true;
    SimEvent e;
    e.kind = SimEvent_CameraBusy;
    e.value = 1;
    SimEvents_Raise(cam, std::move(e));
}

bool store_raw(SimCameraState& cam, uint32_t number) {
    if (!cam.model->raw_name_format || !cam.capture_raw) return false;
    std::string name = SimStorage_NameFromFormat(cam.model->raw_name_format, number);
    SimStorage_Add(cam, name.c_str(), nullptr, cam.capture_raw, true);
    return true;
}

// One file per format of the current image format, in its order; a JPEG when
// none of them is one the camera can write.
void take_picture(SimCameraState& cam) {
    SimCanonState& c = SimCanon_State(cam);
    uint32_t number = cam.next_file_number;
    cam.next_file_number = number >= kLastFileNumber ? 1 : number + 1;

    uint32_t packed = SimProperties_Bits(cam, kImageFormat, kLargeFineJpeg);
    uint32_t count = packed >> 28;
    uint32_t kinds[2] = {(packed >> 24) & 0xF, (packed >> 10) & 0xF};
    bool stored = false;
    for (uint32_t k = 0; k < count && k < 2; ++k) {
        if (kinds[k] == kKindJpeg) {
            SimStorage_AddNextPicture(cam, number);
            stored = true;
        } else if (kinds[k] == kKindRaw) {
            stored = store_raw(cam, number) || stored;
        }
    }
    if (!stored) SimStorage_AddNextPicture(cam, number);
    ++c.pictures;

    uint32_t shots = SimProperties_Bits(cam, kAvailableShots, 0);
    if (shots > 0) SimProperties_SetFromCamera(cam, kAvailableShots, shots - 1);
    start_storing(cam);
}

void open_bulb(SimCanonState& c) {
    c.bulb_open = true;
    c.bulb_opened = SimCanonState::Clock::now();
}

// Ends a running bulb exposure with its picture; nothing when none runs.
void close_bulb(SimCameraState& cam) {
    SimCanonState& c = SimCanon_State(cam);
    if (!c.bulb_open) return;
    c.bulb_open = false;
    auto open = SimCanonState::Clock::now() - c.bulb_opened;
    c.last_bulb_ms = uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(open).count());
    take_picture(cam);
}

// The shutter button all the way down. With mirror lock-up on, every other
// press only raises the mirror; in bulb mode the exposure lasts until the
// button comes up (when `bulb` allows it).
void full_press(SimCameraState& cam, bool bulb) {
    SimCanonState& c = SimCanon_State(cam);
    SimCanon_Note(c.release_millis, SimCanon_Millis(cam));
    if (SimProperties_Bits(cam, kMirrorUp, 0) == 1 && !c.mirror_raised) {
        c.mirror_raised = true;
        return;
    }
    c.mirror_raised = false;
    if (bulb && in_bulb_mode(cam))
        open_bulb(c);
    else
        take_picture(cam);
}

void refuse_press(SimPtpAnswer* answer) {
    answer->params[0] = kPressRefused;
    answer->param_count = 1;
    answer->code = kPtpRespOk;
}

} // namespace

void SimCanon_RemoteReleaseOn(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    if (SimCanon_RefuseWhileStoring(cam, answer)) return;
    SimCanonState& c = SimCanon_State(cam);
    uint32_t mode = cmd.params[0];
    if (mode != kHalfPress && mode != kFullPress && mode != kFullPressAlone) {
        answer->code = kPtpRespInvalidParameter;
        return;
    }
    if (c.press_refused && mode != kFullPress) {
        refuse_press(answer);
        return;
    }
    if (mode == kHalfPress) {
        c.half_pressed = true;
    } else {
        c.full_pressed = true;
        full_press(cam, true);
    }
    ok(answer);
}

void SimCanon_RemoteReleaseOff(SimCameraState& cam, const SimPtpCommand& cmd,
                               SimPtpAnswer* answer) {
    SimCanonState& c = SimCanon_State(cam);
    switch (cmd.params[0]) {
    case kFullPress:
        c.full_pressed = false;
        close_bulb(cam);
        break;
    case kHalfPress: c.half_pressed = false; break;
    default: answer->code = kPtpRespInvalidParameter; return;
    }
    ok(answer);
}

void SimCanon_ShootOnBody(SimCameraState& cam) { take_picture(cam); }

void SimCanon_RemoteRelease(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    if (SimCanon_RefuseWhileStoring(cam, answer)) return;
    if (SimCanon_State(cam).press_refused) {
        refuse_press(answer);
        return;
    }
    full_press(cam, false);
    ok(answer);
}

void SimCanon_BulbStart(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    if (SimCanon_RefuseWhileStoring(cam, answer)) return;
    SimCanonState& c = SimCanon_State(cam);
    SimCanon_Note(c.release_millis, SimCanon_Millis(cam));
    open_bulb(c);
    ok(answer);
}

void SimCanon_BulbEnd(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    close_bulb(cam);
    ok(answer);
}

void SimCanon_DoAf(SimCameraState&, const SimPtpCommand&, SimPtpAnswer* answer) { ok(answer); }

void SimCanon_AfCancel(SimCameraState&, const SimPtpCommand&, SimPtpAnswer* answer) { ok(answer); }

void SimCanon_DriveLens(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    SimCanonState& c = SimCanon_State(cam);
    const uint32_t p = cmd.params[0];
    SimCanon_Note(c.lens_drives, p);
    const int32_t steps = int32_t(p & kLensStepMask);
    int32_t& at = c.lens_position;
    at = (p & kLensTowardsNear) ? (at > steps ? at - steps : 0)
                                : (kSimLensTravel - at > steps ? at + steps : kSimLensTravel);
    ok(answer);
}

void SimCanon_Zoom(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    SimCanon_State(cam).zoom = cmd.params[0];
    ok(answer);
}

void SimCanon_ZoomPosition(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    SimCanonState& c = SimCanon_State(cam);
    c.zoom_x = cmd.params[0];
    c.zoom_y = cmd.params[1];
    ok(answer);
}
