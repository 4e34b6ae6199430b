// The Fujifilm camera's shutter: InitiateCapture runs the step code written to
// Capture Mode (0xD208). A press focuses first when the focus mode is AF, the
// release stores the files Image Quality (0xD018) asks for, bulb keeps the
// shutter open between its second press step and its release, and the camera
// is busy for a stretch after each shot.
#include "sim_fuji.h"

#include "sim_properties.h"
#include "sim_storage.h"
#include "sim_test_card.h"

#include "comms/bytes.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr uint16_t kPropFocusMode = 0x500A;
constexpr uint16_t kPropImageQuality = 0xD018;
constexpr uint16_t kPropCaptureMode = 0xD208;
constexpr uint16_t kPropAfStatus = 0xD209;
constexpr uint16_t kPropMediaCapacity = 0xD20D;
constexpr uint32_t kFocusManual = 1;

constexpr uint32_t kStepHalfPressEnd = 0x0001;
constexpr uint32_t kStepCancelFocus = 0x0004;
constexpr uint32_t kStepHalfPressEndNew = 0x0005;
constexpr uint32_t kStepBulbRelease = 0x000C;
constexpr uint32_t kStepMovieStop = 0x0080;
constexpr uint32_t kStepPress = 0x0200;
constexpr uint32_t kStepRelease = 0x0304;
constexpr uint32_t kStepBulbPress = 0x0500;
constexpr uint32_t kStepMovieStart = 0x0804;
constexpr uint32_t kStepHalfPress = 0x9100;
constexpr uint32_t kStepHalfPressAf = 0x9300;

constexpr uint32_t kAfIdle = 0, kAfFocusing = 1, kAfInFocus = 2, kAfFailed = 3;

// Image Quality: 1 RAW, 4, 5 and 7 RAW with a JPEG; the rest JPEG only.
bool writes_raw(uint32_t quality) { return quality == 1 || quality == 4 || quality == 5 || quality == 7; }
bool writes_jpeg(uint32_t quality) { return quality != 1; }

constexpr uint32_t kLastFileNumber = 9999;

// The capture picture a Fujifilm body copies: a Fujifilm JPEG among them, else
// the next in turn.
std::shared_ptr<const std::vector<uint8_t>> shot_jpeg(SimCameraState& cam) {
    if (auto card = SimTestCard_NextShot(cam)) return card;
    static constexpr char kMaker[] = "FUJIFILM";
    for (const auto& p : cam.capture_pictures) {
        const size_t n = std::min<size_t>(p->size(), 512);
        if (std::search(p->begin(), p->begin() + long(n), kMaker, kMaker + 8) !=
            p->begin() + long(n))
            return p;
    }
    if (cam.capture_pictures.empty()) return nullptr;
    return cam.capture_pictures[cam.next_source++ % cam.capture_pictures.size()];
}

// "shots,..." counts down by one.
void count_down_capacity(SimCameraState& cam) {
    std::string text;
    if (!SimProperties_Text(cam, kPropMediaCapacity, &text)) return;
    unsigned long shots = std::strtoul(text.c_str(), nullptr, 10);
    if (shots == 0) return;
    const size_t comma = text.find(',');
    std::string rest = comma == std::string::npos ? "" : text.substr(comma);
    SimProperties_SetTextFromCamera(cam, kPropMediaCapacity, (std::to_string(shots - 1) + rest).c_str());
}

void take_picture(SimCameraState& cam) {
    SimFujiState& f = SimFuji_State(cam);
    const uint32_t number = cam.next_file_number;
    cam.next_file_number = number >= kLastFileNumber ? 1 : number + 1;
    const uint32_t quality = SimProperties_Bits(cam, kPropImageQuality, 2);
    auto jpeg = shot_jpeg(cam);
    if (writes_raw(quality) && jpeg) {
        std::string name = SimStorage_NameFromFormat("DSCF%04u.RAF", number);
        auto raf = std::make_shared<const std::vector<uint8_t>>(
            SimFuji_BuildRaf(cam.model->model, SimFuji_Body(*cam.model).raf_camera_id, *jpeg));
        SimStorage_Add(cam, name.c_str(), nullptr, raf, true);
    }
    if (writes_jpeg(quality) && jpeg) {
        std::string name = SimStorage_PictureName(*cam.model, number);
        SimStorage_Add(cam, name.c_str(), nullptr, jpeg, true);
    }
    count_down_capacity(cam);
    f.busy_until = SimFujiState::Clock::now() + std::chrono::milliseconds(f.busy_after_shot_ms);
    ++f.pictures;
}

void set_af_status(SimCameraState& cam, uint32_t status) {
    if (SimProperties_Bits(cam, kPropAfStatus, status) != status)
        SimProperties_SetFromCamera(cam, kPropAfStatus, status);
}

void start_focus(SimCameraState& cam) {
    SimFujiState& f = SimFuji_State(cam);
    if (SimProperties_Bits(cam, kPropFocusMode, kFocusManual) == kFocusManual) return;
    set_af_status(cam, kAfFocusing);
    f.focusing = true;
    f.focus_done = SimFujiState::Clock::now() +
                   std::chrono::milliseconds(SimFuji_Body(*cam.model).focus_ms);
}

uint32_t elapsed_ms(SimFujiState::Clock::time_point since) {
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        SimFujiState::Clock::now() - since)
                        .count());
}

// Each step's effect; false when the camera refuses it in its state.
bool run_step(SimCameraState& cam, uint32_t step) {
    SimFujiState& f = SimFuji_State(cam);
    switch (step) {
    case kStepHalfPress:
    case kStepHalfPressAf: start_focus(cam); return true;
    case kStepHalfPressEnd:
    case kStepHalfPressEndNew:
        f.focusing = false;
        set_af_status(cam, kAfIdle);
        return true;
    case kStepPress:
        if (f.pressed || f.bulb_open) return false;
        f.pressed = true;
        start_focus(cam);
        return true;
    case kStepCancelFocus:
        f.pressed = false;
        f.focusing = false;
        set_af_status(cam, kAfIdle);
        return true;
    case kStepBulbPress:
        if (!f.pressed || f.focusing) return false;
        f.bulb_open = true;
        f.bulb_opened = SimFujiState::Clock::now();
        return true;
    case kStepRelease:
    case kStepBulbRelease:
        // A release without a press (or the wrong kind of release) takes nothing.
        if (!f.pressed || f.bulb_open != (step == kStepBulbRelease)) return false;
        if (f.bulb_open) f.last_bulb_ms = elapsed_ms(f.bulb_opened);
        f.pressed = f.bulb_open = false;
        set_af_status(cam, kAfIdle);
        take_picture(cam);
        return true;
    case kStepMovieStart:
        if (f.recording) return false;
        f.recording = true;
        return true;
    case kStepMovieStop:
        if (!f.recording) return false;
        f.recording = false;
        return true;
    default: return false;
    }
}

} // namespace

void SimFuji_ShootOnBody(SimCameraState& cam) { take_picture(cam); }

void SimFuji_Tick(SimCameraState& cam) {
    SimFujiState& f = SimFuji_State(cam);
    if (!f.focusing || SimFujiState::Clock::now() < f.focus_done) return;
    f.focusing = false;
    set_af_status(cam, f.autofocus_fails ? kAfFailed : kAfInFocus);
}

void SimFuji_InitiateCapture(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    SimFujiState& f = SimFuji_State(cam);
    const uint32_t step = SimProperties_Bits(cam, kPropCaptureMode, 0);
    f.steps.push_back(step);
    answer->code = run_step(cam, step) ? kPtpRespOk : kPtpRespGeneralError;
}

void SimFuji_StartLiveView(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    ++SimFuji_State(cam).live_view_starts;
    answer->code = kPtpRespOk;
}

// Layout (big-endian numbers): "FUJIFILMCCD-RAW " and the format version
// "0201", the camera number (8 characters), the model (32 bytes, NUL-padded),
// the directory version "0100" and 20 reserved bytes; at 84 the offset
// directory: JPEG offset and length, CFA header offset and length, CFA offset
// and length. The JPEG starts at 148, the CFA header and data follow it.
std::vector<uint8_t> SimFuji_BuildRaf(const char* model, const char* camera_id,
                                      const std::vector<uint8_t>& preview) {
    constexpr uint32_t kJpegAt = 148;
    constexpr uint32_t kCfaHeaderSize = 16, kCfaSize = 256;
    ByteWriter w;
    auto text = [&w](const char* s, size_t width) {
        uint8_t field[32] = {};
        std::memcpy(field, s, std::min(std::strlen(s), width));
        write_bytes(w, field, width);
    };
    text("FUJIFILMCCD-RAW 0201", 20);
    text(camera_id, 8);
    text(model, 32);
    text("0100", 4);
    text("", 20);
    const uint32_t jpegSize = uint32_t(preview.size());
    const uint32_t cfaHeaderAt = kJpegAt + jpegSize;
    for (uint32_t v : {kJpegAt, jpegSize, cfaHeaderAt, kCfaHeaderSize, cfaHeaderAt + kCfaHeaderSize,
                       kCfaSize}) {
        uint8_t be[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        write_bytes(w, be, 4);
    }
    w.buf.resize(kJpegAt, 0);
    write_bytes(w, preview.data(), preview.size());
    w.buf.resize(w.buf.size() + kCfaHeaderSize + kCfaSize, 0x5A);
    return std::move(w.buf);
}
