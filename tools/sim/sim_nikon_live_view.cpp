// The Nikon camera's live view: 0x9201 start (the ready check answers busy
// for a moment after it), 0x9202 end, frames on 0x9203 in the body's header
// layout and on 0x9428 in the extended layout, and the focus point 0x9205.
//
// Every header is big-endian. 0x9203 frames carry either a fixed-length
// header (older bodies: 64, 128 or 384 bytes) or a u32 header length A and a
// u32 JPEG length B followed by A header bytes (newer bodies); 0x9428 frames
// say where their JPEG lies and carry a block of further fields at 816 + 4
// (version 2). The JPEG is a real one that changes from frame to frame: its
// luminance DC quantiser steps with the frame count, so the picture's
// brightness pulses.
#include "sim_nikon.h"

#include "sim_jpeg.h"
#include "sim_properties.h"

#include <array>
#include <cstring>

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
};
// clang-format off
const LiveViewFacts kBodies[] = {
    {"nikon",       0,   0, 8256, 5504}, // D850
    {"nikon-z6",    0,   2, 6048, 4024},
    {"nikon-d800",  384, 0, 7360, 4912},
    {"nikon-d5000", 128, 0, 4288, 2848},
};
// clang-format on

// A card picture larger than this does not go into frames whole.
constexpr size_t kMaxFrameJpeg = 256 * 1024;
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

// A JPEG with its APP and comment segments left out, as the camera's encoder
// writes it (SOI, then the tables); empty when it does not parse up to them.
std::vector<uint8_t> strip_app_segments(const uint8_t* p, size_t n) {
    ByteReader r = make_reader(p, n);
    if (read_u16_be(r) != 0xFFD8) return {};
    std::vector<uint8_t> out = {0xFF, 0xD8};
    while (r.ok) {
        const size_t at = r.pos;
        const uint16_t marker = read_u16_be(r);
        const uint16_t length = read_u16_be(r);
        if (!r.ok || (marker >> 8) != 0xFF || length < 2) return {};
        const bool app = (marker >= 0xFFE0 && marker <= 0xFFEF) || marker == 0xFFFE;
        if (!app) {
            out.insert(out.end(), p + at, p + n);
            return out;
        }
        skip(r, length - 2u);
    }
    return {};
}

// What the sensor "sees": the first card picture's EXIF thumbnail, or the
// picture itself when it is small enough for a frame, else the sim's own.
std::vector<uint8_t> base_jpeg(const SimCameraState& cam) {
    for (const auto& pic : cam.capture_pictures) {
        if (!pic) continue;
        const SimJpegFacts f = SimJpeg_Inspect(pic->data(), pic->size());
        std::vector<uint8_t> cut;
        if (f.thumb_len > 0) cut = strip_app_segments(pic->data() + f.thumb_offset, f.thumb_len);
        if (cut.empty() && pic->size() <= kMaxFrameJpeg)
            cut = strip_app_segments(pic->data(), pic->size());
        if (!cut.empty()) return cut;
    }
    const auto own = SimJpeg_SmallPicture();
    return strip_app_segments(own->data(), own->size());
}

// Steps the first quantisation table's DC entry with the frame count (8-bit
// tables only; others are left as they are).
void pulse(std::vector<uint8_t>& jpeg, uint32_t frame) {
    ByteReader r = make_reader(jpeg.data(), jpeg.size());
    skip(r, 2);
    while (r.ok) {
        const uint16_t marker = read_u16_be(r);
        const uint16_t length = read_u16_be(r);
        if (!r.ok || marker == 0xFFDA) return;
        if (marker == 0xFFDB && length >= 3 + 64 && (jpeg[r.pos] >> 4) == 0) {
            uint8_t& dc = jpeg[r.pos + 1];
            const int stepped = dc + int(frame % 8) - 4;
            dc = uint8_t(stepped < 1 ? 1 : stepped > 255 ? 255 : stepped);
            return;
        }
        skip(r, length - 2u);
    }
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

Fields fields(SimCameraState& cam, const std::vector<uint8_t>& jpeg) {
    const LiveViewFacts& f = facts(*cam.model);
    const SimNikonState& n = SimNikon_State(cam);
    SimJpegFacts j = SimJpeg_Inspect(jpeg.data(), jpeg.size());
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
    return {uint16_t(j.width), uint16_t(j.height), f.area_width,        f.area_height,
            uint16_t(shown_w), uint16_t(shown_h),  uint16_t(n.focus_x), uint16_t(n.focus_y)};
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

std::vector<uint8_t> frame(SimCameraState& cam, bool extended) {
    const LiveViewFacts& f = facts(*cam.model);
    SimNikonState& n = SimNikon_State(cam);
    std::vector<uint8_t> jpeg = base_jpeg(cam);
    pulse(jpeg, n.live_view_frames++);
    const Fields v = fields(cam, jpeg);
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
    const SimNikonState& n = SimNikon_State(cam);
    if (!n.live_view) {
        answer->code = kRespNotInLiveView;
        return;
    }
    if (starting(n)) {
        answer->code = kPtpRespDeviceBusy;
        return;
    }
    SimCamera_AnswerData(answer, frame(cam, cmd.op == kOpGetLiveViewImageEx));
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
