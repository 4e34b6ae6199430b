// The Canon camera's live view and movie mode: 0x9153 frames while the
// viewfinder output (0xD1B0) goes to the host, movie select (0x9133/0x9134)
// and recording through EVF Record Status (0xD1B8).
//
// A JPEG frame is the live-view scene at the body's live-view size (a JPEG
// without APP segments, moving from frame to frame), followed by info records
// (u32 size, u32 type, payload): type 4 zoom, 5 zoom position, 14 full size,
// 16 orientation and level, 8 AF frames, then a filler record up to the frame
// size when the frame is shorter, and an empty record that ends the frame. The uncompressed mode
// sends a YUV 4:2:2 frame instead.
#include "sim_canon.h"

#include "sim_canon_hooks.h"
#include "sim_internal.h"
#include "sim_properties.h"
#include "sim_scene.h"

#include <cstring>
#include <initializer_list>
#include <mutex>

namespace {

// What a Canon body answers 0x9153 with while its viewfinder is not on the host.
constexpr uint16_t kCanonRespNotReady = 0xA102;

constexpr uint16_t kExposureMode = 0xD105;
constexpr uint16_t kEvfOutputDevice = 0xD1B0;
constexpr uint16_t kEvfRecordStatus = 0xD1B8;
// 0xD1B0 bit: the output goes to the host (2 host, 3 host and camera).
constexpr uint32_t kEvfOutputHostBit = 2;
constexpr uint32_t kExposureModeMovie = 20;
constexpr uint32_t kRecordOn = 4;
constexpr uint32_t kRecordOff = 0;

// Record types.
constexpr uint32_t kRecordZoom = 4;
constexpr uint32_t kRecordZoomPosition = 5;
constexpr uint32_t kRecordAfFrames = 8;
constexpr uint32_t kRecordFullSize = 14;
constexpr uint32_t kRecordLevel = 16;
constexpr uint32_t kRecordFiller = 0x7F;
constexpr uint32_t kRecordEnd = 0;

// The level the camera reports, in hundredths of a degree: tilted 1.5 degrees,
// pitched 10 degrees down (350 degrees).
constexpr uint32_t kLevelRoll = 150;
constexpr uint32_t kLevelPitch = 35000;

// Frames are at least this long (the camera pads short ones).
constexpr uint32_t kMinFrameBytes = 4096;
// The live-view encoder's libjpeg quality.
constexpr int kLiveViewQuality = 80;

// AF frames the camera shows: three points, each x, y, width, height, flags.
struct SimAfFrame {
    uint32_t x, y, w, h, flags;
};
const SimAfFrame kAfFrames[] = {
    {1000, 800, 120, 120, 1},
    {2000, 1600, 120, 120, 0},
    {3000, 2400, 120, 120, 0},
};

// Full image size and live-view frame size by model key: the DSLRs send
// 960 x 640 frames, the mirrorless bodies 1024 x 683.
struct SimFullSize {
    const char* key;
    uint32_t width, height;
    uint32_t lv_width, lv_height;
};
const SimFullSize kFullSizes[] = {
    {"canon", 6720, 4480, 960, 640},
    {"canon-90d", 6960, 4640, 960, 640},
    {"canon-r", 6720, 4480, 1024, 683},
    {"canon-r5", 8192, 5464, 1024, 683},
};

// Uncompressed frames: header length 32, width at 12, height at 16, then
// U, Y0, V, Y1 per pixel pair.
constexpr uint8_t kYuvHeader = 32;
constexpr uint32_t kYuvWidth = 96;
constexpr uint32_t kYuvHeight = 64;

void ok(SimPtpAnswer* answer) { answer->code = kPtpRespOk; }

bool output_on_host(const SimCameraState& cam) {
    return (SimProperties_Bits(cam, kEvfOutputDevice, 0) & kEvfOutputHostBit) != 0;
}

bool in_movie_mode(const SimCameraState& cam) {
    return SimCanon_State(cam).movie_mode ||
           SimProperties_Bits(cam, kExposureMode, 0) == kExposureModeMovie;
}

SimFullSize full_size(const SimCameraState& cam) {
    for (const SimFullSize& s : kFullSizes)
        if (std::strcmp(s.key, cam.model->key) == 0) return s;
    return kFullSizes[0];
}

void record(ByteWriter& w, uint32_t type, std::initializer_list<uint32_t> words) {
    write_u32(w, uint32_t(8 + 4 * words.size()));
    write_u32(w, type);
    for (uint32_t v : words)
        write_u32(w, v);
}

// The zoom position stays inside the frame, as the camera keeps it.
uint32_t clamp(uint32_t v, uint32_t most) { return v < most ? v : most; }

// The frame the camera sends as its `number`th.
std::vector<uint8_t> jpeg_frame(const SimCameraState& cam, uint32_t number) {
    const SimCanonState& c = SimCanon_State(cam);
    const SimFullSize size = full_size(cam);
    const uint32_t zoom = c.zoom == 0 ? 1 : c.zoom;
    ByteWriter w;
    const std::vector<uint8_t> jpeg =
        SimScene_LiveViewJpeg(size.lv_width, size.lv_height, number, kLiveViewQuality);
    write_bytes(w, jpeg.data(), jpeg.size());
    record(w, kRecordZoom, {zoom});
    record(w, kRecordZoomPosition, {clamp(c.zoom_x, size.width), clamp(c.zoom_y, size.height)});
    record(w, kRecordFullSize, {size.width, size.height});
    record(w, kRecordLevel, {0, c.lv_orientation, kLevelRoll, kLevelPitch});
    write_u32(w, uint32_t(12 + 24 * (sizeof kAfFrames / sizeof kAfFrames[0])));
    write_u32(w, kRecordAfFrames);
    write_u32(w, uint32_t(sizeof kAfFrames / sizeof kAfFrames[0]));
    for (const SimAfFrame& f : kAfFrames) {
        write_u32(w, f.x);
        write_u32(w, f.flags);
        write_u32(w, f.y);
        write_u32(w, f.w);
        write_u32(w, f.h);
        write_u32(w, 0);
    }
    // Filler up to the frame size when the frame is shorter, then the empty
    // record that ends the frame.
    const size_t want = c.lv_frame_bytes > kMinFrameBytes ? c.lv_frame_bytes : kMinFrameBytes;
    if (w.buf.size() + 16 < want) {
        size_t filler = want - w.buf.size() - 8;
        write_u32(w, uint32_t(filler));
        write_u32(w, kRecordFiller);
        w.buf.resize(w.buf.size() + filler - 8, 0);
    }
    record(w, kRecordEnd, {});
    return std::move(w.buf);
}

// A colour gradient: Y runs across the frame, U down it, V stays neutral.
std::vector<uint8_t> yuv_frame(uint32_t number) {
    std::vector<uint8_t> f(kYuvHeader + kYuvWidth * kYuvHeight * 2, 0);
    f[0] = kYuvHeader;
    put_u32(&f[12], kYuvWidth);
    put_u32(&f[16], kYuvHeight);
    const uint32_t odd = number % 2;
    uint8_t* px = &f[kYuvHeader];
    for (uint32_t row = 0; row < kYuvHeight; ++row) {
        for (uint32_t pair = 0; pair < kYuvWidth / 2; ++pair) {
            px[0] = uint8_t(int8_t(row * 2 - 64 + odd)); // U
            px[1] = uint8_t(pair * 5);                   // Y0
            px[2] = 0;                                   // V
            px[3] = uint8_t(pair * 5 + 2);               // Y1
            px += 4;
        }
    }
    return f;
}

} // namespace

// Live view runs while the output goes to the host; before that the camera is
// not ready.
void SimCanon_GetViewFinderData(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    if (SimCanon_RefuseWhileStoring(cam, answer)) return;
    if (!output_on_host(cam)) {
        answer->code = kCanonRespNotReady;
        return;
    }
    SimCanonState& c = SimCanon_State(cam);
    SimCamera_PaceLiveView(cam);
    SimCamera_AnswerData(answer, c.lv_yuv ? yuv_frame(c.lv_frames) : jpeg_frame(cam, c.lv_frames));
    ++c.lv_frames;
}

void SimCanon_MovieSelectOn(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    if (SimCanon_RefuseWhileStoring(cam, answer)) return;
    SimCanon_State(cam).movie_mode = true;
    ok(answer);
}

// Leaving movie mode ends a recording.
void SimCanon_MovieSelectOff(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    SimCanon_State(cam).movie_mode = false;
    if (SimProperties_Bits(cam, kEvfRecordStatus, kRecordOff) != kRecordOff)
        SimProperties_SetFromCamera(cam, kEvfRecordStatus, kRecordOff);
    ok(answer);
}

bool SimCanon_RefuseLiveViewWrite(SimCameraState& cam, uint16_t code, uint32_t value,
                                  SimPtpAnswer* answer) {
    if (code != kEvfRecordStatus || value != kRecordOn) return false;
    if (in_movie_mode(cam) && output_on_host(cam)) return false;
    answer->code = kPtpRespDeviceBusy; // only a movie-mode live view records
    return true;
}

// --- Hub calls ---------------------------------------------------------------------

void SimHub_SetCanonLiveViewYuv(SimHub* hub, bool yuv) {
    SimCanon_WithHub(hub, [yuv](SimCanonState& c) { c.lv_yuv = yuv; });
}

void SimHub_SetCanonLiveViewOrientation(SimHub* hub, uint32_t code) {
    SimCanon_WithHub(hub, [code](SimCanonState& c) { c.lv_orientation = code; });
}

void SimHub_SetCanonLiveViewFrameSize(SimHub* hub, uint32_t bytes) {
    SimCanon_WithHub(hub, [bytes](SimCanonState& c) { c.lv_frame_bytes = bytes; });
}

SimCanonLiveViewStats SimHub_CanonLiveViewStats(const SimHub* hub) {
    SimCanonLiveViewStats s;
    if (!hub) return s;
    std::lock_guard<std::mutex> guard(hub->lock);
    const SimCameraState& cam = hub->camera;
    if (cam.model->vendor != SimVendor_Canon) return s;
    const SimCanonState& c = SimCanon_State(cam);
    s.frames = c.lv_frames;
    s.output = SimProperties_Bits(cam, kEvfOutputDevice, 0);
    s.live_view = output_on_host(cam);
    s.movie_mode = c.movie_mode;
    s.recording = SimProperties_Bits(cam, kEvfRecordStatus, kRecordOff) == kRecordOn;
    s.zoom = c.zoom;
    s.zoom_x = c.zoom_x;
    s.zoom_y = c.zoom_y;
    return s;
}

std::vector<uint8_t> SimHub_CanonLiveViewFrame(const SimHub* hub) {
    if (!hub) return {};
    std::lock_guard<std::mutex> guard(hub->lock);
    const SimCameraState& cam = hub->camera;
    if (cam.model->vendor != SimVendor_Canon) return {};
    const SimCanonState& c = SimCanon_State(cam);
    const uint32_t last = c.lv_frames == 0 ? 0 : c.lv_frames - 1;
    return c.lv_yuv ? yuv_frame(last) : jpeg_frame(cam, last);
}
