// The Nikon camera's control mode, readiness and shutter: a shot stores the
// files the image quality (0x5004) asks for, the NEF before its JPEG, each
// announced in the event data, and the camera then answers busy to the ready
// check and to further shots for a short while.
#include "sim_nikon.h"

#include "sim_properties.h"
#include "sim_storage.h"

#include <cstring>

namespace {

constexpr uint16_t kImageQuality = 0x5004;
constexpr uint16_t kAvailableShots = 0xD1F1;

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
}

} // namespace

void SimNikon_SetControlMode(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    SimNikon_State(cam).control_mode = cmd.params[0];
    answer->code = kPtpRespOk;
}

void SimNikon_UnlessBusy(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    answer->code = busy(cam) ? kPtpRespDeviceBusy : kPtpRespOk;
}

// 0x9207 (autofocus selector, 0) and the standard 0x100E take the same shot.
void SimNikon_Capture(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    if (busy(cam)) {
        answer->code = kPtpRespDeviceBusy;
        return;
    }
    take_picture(cam);
    answer->code = kPtpRespOk;
}
