// The virtual Tetherhub's Canon cameras: what they answer beyond the standard
// operations, and the calls tests steer and read them with. Same threading as
// sim_hub.h; on a hub whose camera is not a Canon the setters do nothing and
// the snapshots are empty.
#pragma once

#include "sim_hub.h"

#include <cstdint>
#include <vector>

// Canon cameras -------------------------------------------------------------------
//
// Models ("camera" key, DeviceInfo Model, RAW files, how a new object is
// announced):
//   canon      "Canon EOS 5D Mark IV"  DSLR, CR2, record 0xC1A7, mirror lock-up
//   canon-90d  "Canon EOS 90D"         DSLR, CR3, record 0xC181, mirror lock-up;
//                                      0xD108 reported but not listed
//   canon-r    "Canon EOS R"           mirrorless, CR3, record 0xC1B6; 0xD138 the
//                                      mode dial; 0xD108 reported but not listed
//   canon-r5   "Canon EOS R5"          as canon-r; 0xD1D9 has an empty list
// Mirrorless models also answer 0x9170 and 0x9172. Every Canon model starts in
// exposure mode M (3), single drive, one-shot focus, Large Fine JPEG
// (0x1100C000), mirror lock-up off; property values are the camera's codes
// (sim_canon_properties.cpp).
//
// Event data (control code 130, and the camera's own 0x9116, which adds an
// 8-byte record {8, 0} at the end): records of u32 size (whole record), u32
// type, payload, little-endian.
//   0xC189 +8 u32 code, +12 value: u32 for numbers; for 0xD120..0xD123 the
//          compound u32 count, then per format u32 16, kind, size, quality; for
//          STR properties the text and a NUL.
//   0xC18A +8 u32 code, +12 u32 PTP data type, +16 u32 count N, +20 N values
//          (u32 each; compounds of 20 or 36 bytes for image formats). N is 0
//          for properties without a list (read-only ones, STR ones).
//   0xC18B +8 u32 1 when a shot is being stored, 0 once it is done.
//   0xC181 +8 u32 handle.
//   0xC1A7 +8 handle, +12 storage 0x00010001, +16 u32 format, +20 parent 0,
//          +28 u32 size, +44 file name and a NUL.
//   0xC1B6 as 0xC1A7 to +44, then +48 the file name as a PTP string.
//   0xC182 +8 u32 handle (object removed).
// SetEventMode 0x9115 with a non-zero mode queues the full report: a 0xC189
// for each of the model's Canon properties, then a 0xC18A for each that has
// lists (all but the value-only ones), then a 0xC18B with the busy state.
// Property write 0x9110 (data u32 length, u32 code, u32 value or compound):
// refused with 0x2019 while a shot is being stored, 0x201B for malformed data,
// else as SetDevicePropValue (0x200A, 0x200F, 0x201C); an accepted write
// raises 0xC189. 0x9127 (code) answers the value as data: u32 (the packed code
// for image formats) or a PTP string.
//
// Shooting: 0x9128 (2 or 3) and 0x910F release the shutter; in bulb mode
// (exposure mode 4, or 3 with shutter speed 0x04 or 0x0C) 0x9128 (2) opens it and
// 0x9129 (2) closes it, as 0x9125 / 0x9126 do. With 0xD13A = 1 every other
// release only raises the mirror. A shot stores one file per format of 0xD120
// (IMG_nnnn.JPG copied from the pictures, IMG_nnnn.CR2/CR3 the RAW file),
// announces each, counts 0xD11B down, and then the camera is busy storing for
// SimHub_SetBusyAfterShot milliseconds (300 at start): 0x9110, 0x9128,
// 0x910F and 0x9125 answer 0x2019 meanwhile; releasing (0x9129) works.

// How long the camera stays busy after a shot (0: not at all).
void SimHub_SetBusyAfterShot(SimHub* hub, uint32_t millis);

// Makes the first press of a release (0x9128 with 1 or 3, and 0x910F) answer
// OK with response parameter 1, the camera's refusal, and do nothing.
void SimHub_SetCanonPressRefused(SimHub* hub, bool refused);

// Announces new objects with this record type (0xC181, 0xC1A7 or 0xC1B6)
// instead of the model's; 0 goes back to the model's.
void SimHub_SetCanonObjectRecord(SimHub* hub, uint16_t type);

// The Canon lens's focus travel in 0x9155 steps (see SimCanonStats::lens_position).
constexpr int32_t kSimLensTravel = 1000;

struct SimCanonStats {
    uint32_t remote_mode = 0; // last parameter of 0x9114
    uint32_t event_mode = 0;  // last parameter of 0x9115
    uint32_t reports = 0;     // full reports queued
    bool half_pressed = false, full_pressed = false;
    bool bulb_open = false;
    uint32_t last_bulb_ms = 0;  // the last finished bulb exposure, shutter open to closed
    bool mirror_raised = false; // mirror lock-up: the next release takes the picture
    bool movie_mode = false;    // between 0x9133 and 0x9134
    bool storing = false;       // a shot is being stored now
    uint32_t pictures = 0;      // shots stored (a release that only raised the mirror is none)
    // Milliseconds since SimHub_Start: each release of the shutter (0x9128
    // with 2 or 3, 0x910F, 0x9125), and each command refused with 0x2019
    // because a shot was being stored; the latest 1024 of each.
    std::vector<uint32_t> release_millis;
    std::vector<uint32_t> busy_millis;
    uint32_t writes = 0;               // accepted 0x9110 writes
    uint16_t last_written_code = 0;    // the last accepted 0x9110 write
    uint32_t last_written_value = 0;   // as stored (cut to the type; packed for image formats)
    std::vector<uint32_t> lens_drives; // parameters of 0x9155, oldest first
    // The lens's focus position in steps, 0..kSimLensTravel, starting in the
    // middle. 0x9155 moves it by its low 15 bits: towards infinity, or towards
    // the nearest distance when bit 0x8000 is set; it stops at either end.
    int32_t lens_position = 0;
    uint32_t zoom = 0, zoom_x = 0, zoom_y = 0; // last 0x9158 and 0x9159 parameters
};

// A snapshot of the Canon camera's state and history.
SimCanonStats SimHub_CanonStats(const SimHub* hub);

// Canon live view and movie mode (sim_canon_live_view.cpp) ---------------------------
//
// 0x9153 answers 0xA102 (not ready) unless 0xD1B0 "EVF Output Device" sends the
// viewfinder to the host (2, or 3 host and camera), and Device Busy while a
// shot is stored. A frame is a JPEG without APP segments (the live-view scene
// of sim_scene.h, 960 x 640 on canon and canon-90d, 1024 x 683 on canon-r and
// canon-r5, moving from frame to frame; it starts FF D8 FF DB) followed by
// info records: u32 size, u32 type, payload, little-endian:
//   4  +8 zoom factor (the last 0x9158 parameter, 1 before any)
//   5  +8 x, +12 y: the last 0x9159 parameters, each kept inside the full size
//   14 +8 full width, +12 full height of the model (6720 x 4480 canon and
//      canon-r, 6960 x 4640 canon-90d, 8192 x 5464 canon-r5)
//   16 +12 orientation code (SimHub_SetCanonLiveViewOrientation, 0 at start),
//      +16 level 150 and +20 35000 (hundredths of a degree)
//   8  +8 count 3, then 3 AF frames of 24 bytes: x, flags, y, w, h, 0 with
//      (1000, 1, 800, 120, 120), (2000, 0, 1600, ...), (3000, 0, 2400, ...)
//   then, when the frame is shorter than 4096 bytes (or than
//   SimHub_SetCanonLiveViewFrameSize), a filler record (type 0x7F) that brings
//   it to that size, and an empty record {8, 0} at the end.
// In YUV mode the frame is an uncompressed 96 x 64 YUV 4:2:2 frame: byte 0 the
// header length 32, u32 width at 12, u32 height at 16, then U, Y0, V, Y1 per
// pixel pair from offset 32; no records.
// 0x9133 enters movie mode, 0x9134 leaves it (and ends a recording). Writing 4
// to 0xD1B8 "EVF Record Status" records; it is refused with Device Busy unless
// the camera is in movie mode (0x9133, or exposure mode 20) with the
// viewfinder on the host; 0 stops.

// Frames become uncompressed YUV frames (true) or JPEG frames (false, at start).
void SimHub_SetCanonLiveViewYuv(SimHub* hub, bool yuv);

// The orientation code the frames' type-16 record reports (0 at start).
void SimHub_SetCanonLiveViewOrientation(SimHub* hub, uint32_t code);

// Pads shorter JPEG frames to this many bytes (at least 4096, the default).
void SimHub_SetCanonLiveViewFrameSize(SimHub* hub, uint32_t bytes);

struct SimCanonLiveViewStats {
    uint32_t frames = 0;                       // 0x9153 frames sent since start
    uint32_t output = 0;                       // 0xD1B0
    bool live_view = false;                    // the viewfinder goes to the host
    bool movie_mode = false;                   // between 0x9133 and 0x9134
    bool recording = false;                    // 0xD1B8 is 4
    uint32_t zoom = 0, zoom_x = 0, zoom_y = 0; // last 0x9158 and 0x9159 parameters
};
SimCanonLiveViewStats SimHub_CanonLiveViewStats(const SimHub* hub);

// The bytes of the last frame 0x9153 sent (the first one before any was
// sent), built again with the camera's present state, whatever the output.
std::vector<uint8_t> SimHub_CanonLiveViewFrame(const SimHub* hub);
