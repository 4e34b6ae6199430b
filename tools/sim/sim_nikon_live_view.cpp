// The Nikon camera's live view: 0x9201 start (the ready check answers busy
// for a moment after it), 0x9202 end, frames on 0x9203 in the body's header
// layout and on 0x9428 in the extended layout, and the focus point 0x9205.
//
// Every header is big-endian. 0x9203 frames carry either a fixed-length
// header (older bodies: 64, 128 or 384 bytes) or a u32 header length A and a
// u32 JPEG length B followed by A header bytes (newer bodies); 0x9428 frames
// say where their JPEG lies and carry a block of further fields at 816 + 4
// (version 2). The JPEG is the live-view scene of sim_scene.h at the body's
// live-view size, moving from frame to frame.
#include "sim_nikon.h"

#include "sim_internal.h"
#include "sim_nikon_hooks.h"
#include "sim_properties.h"
#include "sim_scene.h"

#include <array>
#include <cstring>
#include <mutex>

namespace {

constexpr uint16_t kOpGetLiveViewImageEx = 0x9428;
constexpr uint16_t kRespNotInLiveView = 0xA00B;

constexpr uint16_t kPropLiveViewStatus = 0xD1A2;
constexpr uint16_t kPropLiveViewZoom = 0xD1A3;   // zoom steps, 0 fit
constexpr uint16_t kPropMirrorlessZoom = 0xD1BD; // 0 fit, 1024 at 100 %, 512 at 200 %
constexpr uint32_t kMirrorlessZoomUnit = 4096;   // 1024 shows a quarter of each side

// How long the camera is busy after 0x9201 (ready check and frames answer 0x2019).
constexpr auto kStartingTime = std::chrono::milliseconds(300);

// What sets one body's live view apart, by model key.
struct LiveViewFacts {
    const char* key;
    uint32_t fixed_header;            // 0x9203 header length; 0: the (A, B) header
    uint16_t extended_version;        // 0x9428 header version, for bodies that list it
    uint16_t area_width, area_height; // the coordinate space of the focus point
    uint16_t jpeg_width, jpeg_height; // the frames' picture
};
// clang-format off
const LiveViewFacts kBodies[] = {
    {"nikon",       0,   0, 8256, 5504, 640,  424}, // D850
    {"nikon-z6",    0,   2, 6048, 4024, 1024, 683},
    {"nikon-d800",  384, 0, 7360, 4912, 640,  424},
    {"nikon-d5000", 128, 0, 4288, 2848, 640,  424},
};
// clang-format on

// The live-view encoder's libjpeg quality.
constexpr int kLiveViewQuality = 80;
// The (A, B) header: A bytes of fields after the two words, the JPEG at 384.
constexpr uint32_t kCurrentHeaderLength = 376;
// Extended layout: the JPEG lies at this offset, after the version-2 block.
constexpr uint32_t kExtendedJpegOffset = 1024;
constexpr uint32_t kExtendedBlock = 816 + 4; // version 2: the block's fields start 4 bytes on

const LiveViewFacts& facts(const SimCameraModel& model) {
    for (const LiveViewFacts& f : kBodies)
        if (std::strcmp(f.key, model.key) == 0) return f;
    return kBodies[0];
}

void put_be16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
void put_be32(uint8_t* p, uint32_t v) {
    put_be16(p, v >> 16);
    put_be16(p + 2, v);
}

// The fields every layout reports, in big-endian record order (offsets as in
// the host's 385-byte record: 8 image size, 12 coordinate space, 16 the part
// shown, 20 the focus point, 37 orientation).
struct Fields {
    uint16_t image_width, image_height;
    uint16_t area_width, area_height;
    uint16_t shown_width, shown_height;
    uint16_t x, y;
};

Fields fields(const SimCameraState& cam) {
    const LiveViewFacts& f = facts(*cam.model);
    const SimNikonState& n = SimNikon_State(cam);
    // The part shown, in units of kMirrorlessZoomUnit of each side.
    uint32_t part = kMirrorlessZoomUnit;
    if (SimProperties_Find(cam, kPropMirrorlessZoom) >= 0) {
        const uint32_t z = SimProperties_Bits(cam, kPropMirrorlessZoom, 0);
        if (z > 0) part = z;
    } else {
        part /= 1 + SimProperties_Bits(cam, kPropLiveViewZoom, 0);
    }
    const uint32_t shown_w = f.area_width * part / kMirrorlessZoomUnit;
    const uint32_t shown_h = f.area_height * part / kMirrorlessZoomUnit;
    return {f.jpeg_width,      f.jpeg_height,     f.area_width,        f.area_height,
            uint16_t(shown_w), uint16_t(shown_h), uint16_t(n.focus_x), uint16_t(n.focus_y)};
}

// The header fields at the offsets of the host's record (record offset 8 is
// the first header byte of a fixed header).
std::array<uint8_t, 392> record_header(const Fields& v) {
    std::array<uint8_t, 392> h{};
    put_be16(&h[8], v.image_width);
    put_be16(&h[10], v.image_height);
    put_be16(&h[12], v.area_width);
    put_be16(&h[14], v.area_height);
    put_be16(&h[16], v.shown_width);
    put_be16(&h[18], v.shown_height);
    put_be16(&h[20], v.x);
    put_be16(&h[22], v.y);
    h[37] = 0; // held level
    return h;
}

// The frame the camera sends as its `number`th.
std::vector<uint8_t> frame(const SimCameraState& cam, bool extended, uint32_t number) {
    const LiveViewFacts& f = facts(*cam.model);
    const std::vector<uint8_t> jpeg =
        SimScene_LiveViewJpeg(f.jpeg_width, f.jpeg_height, number, kLiveViewQuality);
    const Fields v = fields(cam);
    const uint32_t size = uint32_t(jpeg.size());
    std::vector<uint8_t> out;
    if (extended) {
        out.assign(kExtendedJpegOffset, 0);
        put_be16(&out[0], f.extended_version);
        put_be32(&out[8], kExtendedJpegOffset);
        put_be32(&out[12], size);
        put_be16(&out[16], v.area_width);
        put_be16(&out[18], v.area_height);
        put_be16(&out[20], v.shown_width);
        put_be16(&out[22], v.shown_height);
        put_be16(&out[24], v.x);
        put_be16(&out[26], v.y);
        put_be16(&out[28], v.image_width);
        put_be16(&out[30], v.image_height);
        out[kExtendedBlock + 19] = 0; // orientation: held level
    } else if (f.fixed_header == 0) {
        const std::array<uint8_t, 392> h = record_header(v);
        out.assign(8, 0);
        put_be32(&out[0], kCurrentHeaderLength);
        put_be32(&out[4], size);
        out.insert(out.end(), h.begin() + 8, h.begin() + 8 + kCurrentHeaderLength);
    } else {
        const std::array<uint8_t, 392> h = record_header(v);
        out.assign(h.begin() + 8, h.begin() + 8 + f.fixed_header);
    }
    out.insert(out.end(), jpeg.begin(), jpeg.end());
    return out;
}

bool starting(const SimNikonState& n) { return SimNikonState::Clock::now() < n.live_view_ready; }

} // namespace

void SimNikon_StartLiveView(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    SimNikonState& n = SimNikon_State(cam);
    const auto now = SimNikonState::Clock::now();
    if (now < n.busy_until) {
        answer->code = kPtpRespDeviceBusy;
        return;
    }
    if (!n.live_view) {
        n.live_view = true;
        n.live_view_ready = now + kStartingTime;
        n.busy_until = n.live_view_ready;
        const LiveViewFacts& f = facts(*cam.model);
        n.focus_x = f.area_width / 2;
        n.focus_y = f.area_height / 2;
        SimProperties_SetFromCamera(cam, kPropLiveViewStatus, 1);
    }
    answer->code = kPtpRespOk;
}

// Ending live view ends a recording, which stores its file.
void SimNikon_EndLiveView(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    SimNikonState& n = SimNikon_State(cam);
    if (n.live_view) {
        SimNikon_EndRecording(cam);
        n.live_view = false;
        SimProperties_SetFromCamera(cam, kPropLiveViewStatus, 0);
    }
    answer->code = kPtpRespOk;
}

void SimNikon_GetLiveViewImage(SimCameraState& cam, const SimPtpCommand& cmd,
                               SimPtpAnswer* answer) {
    if (!SimNikon_State(cam).live_view) {
        answer->code = kRespNotInLiveView;
        return;
    }
    if (starting(SimNikon_State(cam))) {
        answer->code = kPtpRespDeviceBusy;
        return;
    }
    SimNikonState& n = SimNikon_State(cam);
    n.live_view_extended = cmd.op == kOpGetLiveViewImageEx;
    SimCamera_PaceLiveView(cam);
    SimCamera_AnswerData(answer, frame(cam, n.live_view_extended, n.live_view_frames++));
}

// (x, y) in the body's coordinate space; a point outside it is refused.
void SimNikon_ChangeAfArea(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    SimNikonState& n = SimNikon_State(cam);
    const LiveViewFacts& f = facts(*cam.model);
    if (!n.live_view) {
        answer->code = kRespNotInLiveView;
    } else if (cmd.params[0] > f.area_width || cmd.params[1] > f.area_height) {
        answer->code = kPtpRespInvalidParameter;
    } else {
        n.focus_x = cmd.params[0];
        n.focus_y = cmd.params[1];
        answer->code = kPtpRespOk;
    }
}

// --- Hub calls ---------------------------------------------------------------------

std::vector<uint8_t> SimHub_NikonLiveViewFrame(const SimHub* hub) {
    if (!hub) return {};
    std::lock_guard<std::mutex> guard(hub->lock);
    const SimCameraState& cam = hub->camera;
    if (cam.model->vendor != SimVendor_Nikon) return {};
    const SimNikonState& n = SimNikon_State(cam);
    const uint32_t last = n.live_view_frames == 0 ? 0 : n.live_view_frames - 1;
    return frame(cam, n.live_view_extended, last);
}
