// The Nikon camera's control mode and shutter: a shot stores the files the
// image quality (0x5004) asks for, the NEF before its JPEG, each announced in
// the event data, and the camera then answers busy to the ready check and to
// further shots for the body's stretch. At the bulb shutter speed the shutter
// stays open from 0x9207 to 0x920C.
#include "sim_nikon.h"

#include "sim_properties.h"
#include "sim_storage.h"

#include <cstring>

namespace {

constexpr uint16_t kImageQuality = 0x5004;
constexpr uint16_t kAvailableShots = 0xD1F1;
constexpr uint16_t kShutterSpeed = 0xD100;
constexpr uint32_t kBulbSpeed = 0xFFFFFFFF;
constexpr uint16_t kOpCaptureToCard = 0x9207;
// Autofocus selector of 0x9207: focus before the shot.
constexpr uint32_t kSelectorFocusFirst = 0xFFFFFFFE;
constexpr uint16_t kRespBulbRefused = 0xA008;
constexpr uint16_t kRespFocusFailed = 0xA002;
constexpr uint16_t kRespBulbOpen = 0xA200;

// Which 0x5004 quality codes write a RAW file, per model: the RAW code, and
// the codes from `raw_plus_jpeg` up add a JPEG. Bodies with starred JPEG
// qualities number them 0-13 (RAW 7), the others 0-7 (RAW 4).
struct QualityFacts {
    const char* key;
    uint32_t raw;
    uint32_t raw_plus_jpeg;
};
constexpr QualityFacts kQualityFacts[] = {
    {"nikon", 7, 8}, // D850: starred
};
constexpr QualityFacts kPlainQualities = {"", 4, 5};

const QualityFacts& quality_facts(const SimCameraModel& model) {
    for (const QualityFacts& f : kQualityFacts)
        if (std::strcmp(f.key, model.key) == 0) return f;
    return kPlainQualities;
}

// Picture numbers run 0001 to 9999, then start again.
constexpr uint32_t kLastFileNumber = 9999;

bool busy(SimCameraState& cam) {
    return SimNikonState::Clock::now() < SimNikon_State(cam).busy_until;
}

void take_picture(SimCameraState& cam) {
    SimNikonState& n = SimNikon_State(cam);
    uint32_t number = cam.next_file_number;
    cam.next_file_number = number >= kLastFileNumber ? 1 : number + 1;

    const QualityFacts& facts = quality_facts(*cam.model);
    uint32_t quality = SimProperties_Bits(cam, kImageQuality, 0);
    bool raw = (quality == facts.raw || quality >= facts.raw_plus_jpeg) &&
               cam.model->raw_name_format && cam.capture_raw;
    if (raw) {
        std::string name = SimStorage_NameFromFormat(cam.model->raw_name_format, number);
        SimStorage_Add(cam, name.c_str(), nullptr, cam.capture_raw, true);
    }
    if (!raw || quality != facts.raw) SimStorage_AddNextPicture(cam, number);

    uint32_t shots = SimProperties_Bits(cam, kAvailableShots, 0);
    if (shots > 0) SimProperties_SetFromCamera(cam, kAvailableShots, shots - 1);
    n.busy_until = SimNikonState::Clock::now() + std::chrono::milliseconds(n.busy_after_shot_ms);
    n.focus_failed = false;
    ++n.pictures;
}

} // namespace

void SimNikon_SetControlMode(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    SimNikon_State(cam).control_mode = cmd.params[0];
    answer->code = kPtpRespOk;
}

// The ready check: an open bulb exposure first, then the busy stretch, then a
// focus the lens did not find.
void SimNikon_DeviceReady(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    const SimNikonState& n = SimNikon_State(cam);
    answer->code = n.bulb_open      ? kRespBulbOpen
                   : busy(cam)      ? kPtpRespDeviceBusy
                   : n.focus_failed ? kRespFocusFailed
                                    : kPtpRespOk;
}

void SimNikon_UnlessBusy(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    answer->code = busy(cam) ? kPtpRespDeviceBusy : kPtpRespOk;
}

// 0x9207 (autofocus selector, 0) and the standard 0x100E take the same shot;
// 0x9207 at the bulb speed opens the shutter instead.
void SimNikon_ShootOnBody(SimCameraState& cam) { take_picture(cam); }

void SimNikon_Capture(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    SimNikonState& n = SimNikon_State(cam);
    answer->code = kPtpRespOk;
    if (n.bulb_open) {
        answer->code = kRespBulbRefused;
    } else if (busy(cam)) {
        answer->code = kPtpRespDeviceBusy;
    } else if (cmd.op == kOpCaptureToCard &&
               SimProperties_Bits(cam, kShutterSpeed, 0) == kBulbSpeed) {
        n.bulb_open = true;
        n.bulb_opened = SimNikonState::Clock::now();
    } else if (cmd.op == kOpCaptureToCard && cmd.params[0] == kSelectorFocusFirst &&
               n.autofocus_fails) {
        n.focus_failed = true; // the shutter is not released
    } else {
        take_picture(cam);
    }
}

void SimNikon_TerminateCapture(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    SimNikonState& n = SimNikon_State(cam);
    if (!n.bulb_open) {
        answer->code = kPtpRespGeneralError;
        return;
    }
    n.bulb_open = false;
    n.last_bulb_ms = uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  SimNikonState::Clock::now() - n.bulb_opened)
                                  .count());
    take_picture(cam);
    answer->code = kPtpRespOk;
}
