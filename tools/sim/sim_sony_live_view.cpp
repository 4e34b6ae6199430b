// The Sony camera's live view behind the fixed handle 0xFFFFC002: its object
// information switches live view on, and each GetObject sends one frame. A
// frame starts with u32 offset and u32 length of its JPEG (the live-view scene
// of sim_scene.h at the body's size); the header up to that offset is zero
// except, on bodies that report it, the focus rectangle around the focus
// point: left, top, right, bottom as u16 four bytes apart.
#include "sim_sony.h"

#include "sim_scene.h"
#include "sim_storage.h"

#include "comms/bytes.h"

namespace {

constexpr uint16_t kOpGetObjectInfo = 0x1008;
constexpr uint16_t kOpGetObject = 0x1009;
constexpr uint32_t kLiveViewHandle = 0xFFFFC002;
constexpr int kLiveViewQuality = 80;
// Headers: the plain one, and one long enough for the rectangle's fields.
constexpr uint32_t kPlainHeader = 136;
constexpr uint32_t kRectHeader = 1024;
// The rectangle's half size, and its centre before any focus point is set.
constexpr uint16_t kRectHalfWidth = 40, kRectHalfHeight = 30;
constexpr uint16_t kCentreX = 320, kCentreY = 214;

uint16_t less(uint16_t v, uint16_t d) { return v > d ? uint16_t(v - d) : 0; }

} // namespace

void SimSony_FocusRect(const SimCameraState& cam, uint16_t out[4]) {
    const SimSonyState& s = SimSony_State(cam);
    out[0] = out[1] = out[2] = out[3] = 0;
    if (!s.body->focus_rect_at) return;
    const uint16_t x = s.focus_point ? uint16_t(s.focus_point >> 16) : kCentreX;
    const uint16_t y = s.focus_point ? uint16_t(s.focus_point) : kCentreY;
    out[0] = less(x, kRectHalfWidth);
    out[1] = less(y, kRectHalfHeight);
    out[2] = uint16_t(x + kRectHalfWidth);
    out[3] = uint16_t(y + kRectHalfHeight);
}

bool SimSony_ServeLiveView(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    if (cmd.params[0] != kLiveViewHandle) return false;
    if (cmd.op != kOpGetObjectInfo && cmd.op != kOpGetObject) return false;
    SimSonyState& s = SimSony_State(cam);
    const SimSonyBodyFacts& b = *s.body;
    if (cmd.op == kOpGetObject) SimCamera_PaceLiveView(cam);
    std::vector<uint8_t> jpeg = SimScene_LiveViewJpeg(b.live_view_width, b.live_view_height,
                                                      s.live_view_frames, kLiveViewQuality);
    if (cmd.op == kOpGetObjectInfo) {
        SimObject o;
        o.name = "LiveView.JPG";
        o.format = 0x3801;
        o.bytes = std::make_shared<const std::vector<uint8_t>>(std::move(jpeg));
        o.width = b.live_view_width;
        o.height = b.live_view_height;
        SimCamera_AnswerData(answer, SimStorage_ObjectInfoData(o, false));
        return true;
    }
    const uint32_t header = b.focus_rect_at ? kRectHeader : kPlainHeader;
    std::vector<uint8_t> frame(header, 0);
    put_u32(frame.data(), header);
    put_u32(frame.data() + 4, uint32_t(jpeg.size()));
    if (b.focus_rect_at) {
        uint16_t rect[4];
        SimSony_FocusRect(cam, rect);
        for (int i = 0; i < 4; ++i)
            put_u16(frame.data() + b.focus_rect_at + 4 * i, rect[i]);
    }
    frame.insert(frame.end(), jpeg.begin(), jpeg.end());
    ++s.live_view_frames;
    SimCamera_AnswerData(answer, std::move(frame));
    return true;
}
