// The Sony camera driven like a remote control: 0x9207 presses (2) and
// releases (1) its virtual buttons, steps a setting, drives the lens or moves
// the focus point. A full press takes the shot (at the bulb speed it opens the
// shutter until the release); the camera then processes it for the body's
// stretch (0xD215 reads 1) and holds it behind the fixed handle 0xFFFFC001
// (0xD215 reads 0x8000 + the captures waiting), announcing it in the hub's
// records. Each capture is read once, the oldest first.
#include "sim_sony.h"

#include "sim_events.h"
#include "sim_jpeg.h"
#include "sim_properties.h"
#include "sim_storage.h"
#include "sim_test_card.h"

#include "comms/bytes.h"

#include <algorithm>

namespace {

constexpr uint16_t kOpGetObjectInfo = 0x1008;
constexpr uint16_t kOpGetObject = 0x1009;
constexpr uint16_t kOpGetPartialObject = 0x101B;
constexpr uint32_t kCaptureHandle = 0xFFFFC001;

constexpr uint32_t kPress = 2;
constexpr uint32_t kRelease = 1;

constexpr uint16_t kFNumber = 0x5007;
constexpr uint16_t kFocusMode = 0x500A;
constexpr uint16_t kShutterSpeed = 0xD20D;
constexpr uint16_t kIso = 0xD21E;
constexpr uint16_t kFocusIndication = 0xD213;
constexpr uint16_t kImagePending = 0xD215;
constexpr uint16_t kMovieStatus = 0xD21D;
constexpr uint16_t kLiveViewLocation = 0xD232;

constexpr uint16_t kButtonHalfPress = 0xD2C1;
constexpr uint16_t kButtonShutter = 0xD2C2;
constexpr uint16_t kButtonMovie = 0xD2C8;
constexpr uint16_t kButtonMagnifier = 0xD2CB;
constexpr uint16_t kButtonUp = 0xD2CD;
constexpr uint16_t kButtonRight = 0xD2D0;
constexpr uint16_t kFocusDrive = 0xD2D1;
constexpr uint16_t kButtonFocusToggle = 0xD2D2;
constexpr uint16_t kFocusPosition = 0xD2DC;
constexpr uint16_t kPowerZoom = 0xD2DD;

constexpr uint32_t kBulb = 0;
constexpr uint32_t kManualFocus = 1;
constexpr uint32_t kFocusNone = 1, kFocusFound = 2;
constexpr uint32_t kPendingBase = 0x8000;
constexpr uint32_t kStillProcessing = 1;
constexpr uint32_t kLastFileNumber = 99999;

// The capture picture a Sony body copies: its Sony JPEGs in turn, else any.
std::shared_ptr<const std::vector<uint8_t>> shot_jpeg(SimCameraState& cam) {
    if (auto card = SimTestCard_NextShot(cam)) return card;
    static constexpr char kMaker[] = "SONY";
    std::vector<std::shared_ptr<const std::vector<uint8_t>>> own;
    for (const auto& p : cam.capture_pictures) {
        const size_t n = std::min<size_t>(p->size(), 512);
        if (std::search(p->begin(), p->begin() + long(n), kMaker, kMaker + 4) != p->begin() + long(n))
            own.push_back(p);
    }
    const auto& from = own.empty() ? cam.capture_pictures : own;
    if (from.empty()) return SimJpeg_SmallPicture();
    return from[cam.next_source++ % from.size()];
}

void report_pending(SimCameraState& cam) {
    const SimSonyState& s = SimSony_State(cam);
    uint32_t value = s.processing ? kStillProcessing
                     : s.pending.empty()
                         ? 0
                         : kPendingBase + uint32_t(std::min<size_t>(s.pending.size(), 0x7FFF));
    if (SimProperties_Bits(cam, kImagePending, ~0u) != value)
        SimProperties_SetFromCamera(cam, kImagePending, value);
}

void take_shot(SimCameraState& cam) {
    SimSonyState& s = SimSony_State(cam);
    ++s.shots;
    ++s.processing;
    s.ready_at = SimSonyState::Clock::now() + std::chrono::milliseconds(s.body->busy_after_shot_ms);
    report_pending(cam);
}

// A processed shot: held for the host and announced with its name and size.
void hold_capture(SimCameraState& cam) {
    SimSonyState& s = SimSony_State(cam);
    SimSonyCapture c;
    SimObject& o = c.object;
    o.handle = kCaptureHandle;
    o.name = SimStorage_PictureName(*cam.model, cam.next_file_number);
    cam.next_file_number = cam.next_file_number >= kLastFileNumber ? 1 : cam.next_file_number + 1;
    o.format = 0x3801;
    o.bytes = shot_jpeg(cam);
    SimJpegFacts facts = SimJpeg_Inspect(o.bytes->data(), o.bytes->size());
    o.width = facts.width;
    o.height = facts.height;
    o.bit_depth = facts.bit_depth;
    SimEvent e;
    e.kind = SimEvent_ObjectAdded;
    e.handle = kCaptureHandle;
    e.size = uint32_t(o.bytes->size());
    e.name = o.name;
    e.format = o.format;
    s.pending.push_back(std::move(c));
    SimEvents_Raise(cam, std::move(e));
}

void set_focus(SimCameraState& cam, uint32_t indication) {
    if (SimProperties_Bits(cam, kFocusIndication, 0) != indication)
        SimProperties_SetFromCamera(cam, kFocusIndication, indication);
}

uint16_t shutter_button(SimCameraState& cam, uint32_t value) {
    SimSonyState& s = SimSony_State(cam);
    if (value == kPress) {
        if (s.shutter_pressed) return kPtpRespOk;
        if (s.processing && !s.bulb_open) return kPtpRespDeviceBusy;
        s.shutter_pressed = true;
        if (SimProperties_Bits(cam, kShutterSpeed, 1) == kBulb) {
            s.bulb_open = true;
            s.bulb_opened = SimSonyState::Clock::now();
        } else {
            take_shot(cam);
        }
    } else if (value == kRelease) {
        s.shutter_pressed = false;
        if (s.bulb_open) {
            s.bulb_open = false;
            s.last_bulb_ms = uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          SimSonyState::Clock::now() - s.bulb_opened)
                                          .count());
            take_shot(cam);
        }
    }
    return kPtpRespOk;
}

// Toggle held (2): manual focus; let go (1): the autofocus mode it left.
void focus_toggle(SimCameraState& cam, uint32_t value) {
    SimSonyState& s = SimSony_State(cam);
    const uint32_t mode = SimProperties_Bits(cam, kFocusMode, 2);
    if (value == kPress && mode != kManualFocus) {
        s.autofocus_mode = mode;
        s.focus_toggled = true;
        SimProperties_SetFromCamera(cam, kFocusMode, kManualFocus);
    } else if (value == kRelease && s.focus_toggled) {
        s.focus_toggled = false;
        SimProperties_SetFromCamera(cam, kFocusMode, s.autofocus_mode);
    }
}

int32_t signed_value(const SimPtpCommand& cmd) {
    ByteReader r = make_reader(cmd.data, cmd.data_len);
    switch (cmd.data_len) {
    case 1: return int8_t(read_u8(r));
    case 2: return int16_t(read_u16(r));
    default: return int32_t(read_u32(r));
    }
}

} // namespace

void SimSony_Control(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    SimSonyState& s = SimSony_State(cam);
    const uint32_t code = cmd.params[0];
    if (!cmd.data || cmd.data_len == 0 || cmd.data_len > 4 || cmd.data_len == 3) {
        answer->code = kPtpRespInvalidParameter;
        return;
    }
    const uint32_t value = uint32_t(signed_value(cmd)) & (cmd.data_len == 1   ? 0xFFu
                                                          : cmd.data_len == 2 ? 0xFFFFu
                                                                              : ~0u);
    s.buttons.push_back(uint16_t(code));
    answer->code = kPtpRespOk;
    switch (code) {
    case kButtonHalfPress:
        s.half_pressed = value == kPress;
        set_focus(cam, s.half_pressed && SimProperties_Bits(cam, kFocusMode, 2) != kManualFocus
                           ? kFocusFound
                           : kFocusNone);
        break;
    case kButtonShutter: answer->code = shutter_button(cam, value); break;
    case kButtonMovie:
        s.recording = value == kPress;
        SimProperties_SetFromCamera(cam, kMovieStatus, s.recording ? 1 : 0);
        break;
    case kButtonFocusToggle: focus_toggle(cam, value); break;
    case kFocusDrive: {
        const int32_t step = int16_t(uint16_t(value));
        s.lens_drives.push_back(int16_t(step));
        s.lens_position += step;
        break;
    }
    case kFocusPosition:
    case kLiveViewLocation:
        // y in the low half, x in the high half of the data.
        s.focus_point = uint32_t(cmd.data_len == 4 ? peek_u16(cmd.data, 4, 2) : 0) << 16 |
                        peek_u16(cmd.data, cmd.data_len, 0);
        break;
    case kShutterSpeed:
    case kIso:
    case kFNumber:
        answer->code = s.body->normal_controls
                           ? kPtpRespAccessDenied
                           : SimSony_StepProperty(cam, uint16_t(code), signed_value(cmd));
        break;
    case kButtonMagnifier:
    case kPowerZoom: break;
    default:
        if (code >= kButtonUp && code <= kButtonRight) break;
        answer->code = kPtpRespDevicePropNotSupported;
        s.buttons.pop_back();
        break;
    }
}

void SimSony_ShootOnBody(SimCameraState& cam) { take_shot(cam); }

void SimSony_Tick(SimCameraState& cam) {
    SimSonyState& s = SimSony_State(cam);
    if (!s.processing || SimSonyState::Clock::now() < s.ready_at) return;
    for (; s.processing > 0; --s.processing)
        hold_capture(cam);
    report_pending(cam);
}

bool SimSony_ServeCapture(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    if (cmd.params[0] != kCaptureHandle) return false;
    if (cmd.op != kOpGetObjectInfo && cmd.op != kOpGetObject && cmd.op != kOpGetPartialObject)
        return false;
    SimSonyState& s = SimSony_State(cam);
    if (s.pending.empty()) {
        answer->code = s.processing ? kPtpRespDeviceBusy : kPtpRespInvalidObjectHandle;
        return true;
    }
    SimSonyCapture& c = s.pending.front();
    const auto& bytes = c.object.bytes;
    if (cmd.op == kOpGetObjectInfo) {
        SimCamera_AnswerData(answer, SimStorage_ObjectInfoData(c.object, false));
        return true;
    }
    size_t offset = 0, len = bytes->size();
    if (cmd.op == kOpGetPartialObject) {
        offset = std::min<size_t>(cmd.params[1], bytes->size());
        len = std::min<size_t>(cmd.params[2], bytes->size() - offset);
    }
    answer->code = kPtpRespOk;
    answer->has_data = true;
    answer->bulk = SimSlice{bytes, offset, len};
    if (cmd.op == kOpGetPartialObject) answer->params[0] = uint32_t(len), answer->param_count = 1;
    // Handed over whole (or up to its last byte): the next capture moves up.
    c.read = std::max(c.read, offset + len);
    if (cmd.op == kOpGetObject || c.read >= bytes->size()) {
        s.pending.pop_front();
        report_pending(cam);
    }
    return true;
}
