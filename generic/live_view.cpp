// Live-view dispatch: switching live view, fetching frames, zoom and the
// zoom-area position, each a switch on the session's vendor; the session's
// zoom level; the turning of the host's arrow directions by the frame's
// orientation; and the search for the JPEG in a frame buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "comms/bytes.h"
#include "eos/eos_live_view.h"
#include "generic/session.h"
#include "ptp_generic.h"
#include "ptp_liveview.h"

namespace {

// Nudge directions as the host shows the picture.
constexpr uint8_t kNudgeUp = 0;
constexpr uint8_t kNudgeDown = 1;
constexpr uint8_t kNudgeLeft = 2;
constexpr uint8_t kNudgeRight = 3;
// One nudge moves the zoom area this far in the camera's coordinates.
constexpr int64_t kNudgeStep = 100;

// EXIF orientations that turn a direction.
constexpr uint32_t kOrientationUpsideDown = 3;
constexpr uint32_t kOrientationTopLeft = 6;  // camera turned clockwise
constexpr uint32_t kOrientationTopRight = 8; // camera turned anticlockwise

// The generic extraction: a block shorter than this is no frame, and the JPEG
// must start within the first 2048 bytes.
constexpr uint32_t kExtractMinLength = 1028;
constexpr uint32_t kExtractSearchEnd = 2047;
constexpr uint16_t kCanonOpGetViewFinderData = 0x9153;

// Start of image followed by a Huffman or quantisation table, as a
// little-endian u32 (FF D8 FF C4 / FF D8 FF DB).
constexpr uint32_t kSoiHuffman = 0xC4FFD8FF;
constexpr uint32_t kSoiQuantisation = 0xDBFFD8FF;

// --- Vendor seams ---------------------------------------------------------------------
// The Nikon, Sony and Fujifilm drivers fill these; until they do, their cameras
// get what a camera without a driver gets.

uint32_t nikon_last_orientation() { return 1; }

// The direction as the camera sees it, for a picture shown turned by orientation.
uint8_t turn_direction(uint8_t direction, uint32_t orientation) {
    if (direction > kNudgeRight) return direction;
    static const uint8_t kTurned8[] = {kNudgeRight, kNudgeLeft, kNudgeUp, kNudgeDown};
    static const uint8_t kTurned6[] = {kNudgeLeft, kNudgeRight, kNudgeDown, kNudgeUp};
    static const uint8_t kTurned3[] = {kNudgeDown, kNudgeUp, kNudgeRight, kNudgeLeft};
    switch (orientation) {
    case kOrientationTopRight: return kTurned8[direction];
    case kOrientationTopLeft: return kTurned6[direction];
    case kOrientationUpsideDown: return kTurned3[direction];
    default: return direction;
    }
}

uint32_t frame_orientation(PtpVendor vendor) {
    switch (vendor) {
    case PtpVendor_Canon: {
        PtpEosLiveViewInfo info;
        PtpEos_CopyLastLiveViewInfo(&info);
        return PtpEosInterface_GetLiveViewOrientation(&info);
    }
    case PtpVendor_Nikon: return nikon_last_orientation();
    default: return 1; // Sony always reports upright frames; Fujifilm is not turned
    }
}

// The coordinate one step on, kept inside the camera's unsigned range: the
// camera refuses a negative position, so the area stops at the edge.
uint32_t step(uint32_t value, int64_t delta) {
    int64_t moved = int64_t(value) + delta;
    if (moved < 0) return 0;
    if (moved > int64_t(UINT32_MAX)) return UINT32_MAX;
    return uint32_t(moved);
}

} // namespace

PtpResult PtpGenericInterface_ToggleLiveView(uint32_t on) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_SetLiveView(on != 0, /*setEvfMode=*/true);
    case PtpVendor_Nikon:    // the Nikon driver's toggle (on, 0)
    case PtpVendor_Sony:     // the Sony driver's live-view switch (on)
    case PtpVendor_Fujifilm: // the Fujifilm driver's toggle (on)
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_GetLiveViewImage(uint8_t** buffer, uint32_t* length) {
    try {
        switch (PtpSession_Vendor()) {
        case PtpVendor_Canon: return PtpEos_GetLiveViewImage(buffer, length);
        case PtpVendor_Nikon: // the Nikon driver's frame fetch
        case PtpVendor_Sony:  // PtpSonyInterface_GetLiveViewImage
        case PtpVendor_Fujifilm:
        default: return PtpResult_NotSupportedForCamera;
        }
    } catch (const std::bad_alloc&) {
        return PtpResult_OutOfMemory;
    }
}

PtpResult PtpGenericInterface_SetLiveViewZoomLevel(uint32_t level) {
    PtpResult rc;
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: rc = PtpEos_SetLiveViewZoomLevel(level); break;
    case PtpVendor_Nikon:    // the Nikon driver's zoom
    case PtpVendor_Sony:     // the Sony driver's zoom
    case PtpVendor_Fujifilm: // the Fujifilm driver's zoom
    default: rc = PtpResult_NotSupportedForCamera; break;
    }
    if (rc == PtpResult_Ok) PtpSession_SetLiveViewZoom(uint8_t(level));
    return rc;
}

uint8_t PtpGenericInterface_GetLiveViewZoomLevel(uint8_t arg) {
    (void)arg; // the Sony driver's level takes it
    switch (PtpSession_Vendor()) {
    case PtpVendor_Sony:     // the Sony driver's level (arg)
    case PtpVendor_Fujifilm: // the Fujifilm driver's level
    case PtpVendor_Canon:
    case PtpVendor_Nikon:
    default: return PtpSession_LiveViewZoom();
    }
}

PtpResult PtpGenericInterface_SetLiveViewPosition(double x, double y) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_SetLiveViewPosition(x, y);
    case PtpVendor_Nikon:    // the Nikon driver's position
    case PtpVendor_Sony:     // the Sony driver's position
    case PtpVendor_Fujifilm: // the Fujifilm driver's position
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_NudgeLiveViewPosition(uint8_t direction, uint8_t unrotated) {
    const PtpVendor vendor = PtpSession_Vendor();
    if (!unrotated) direction = turn_direction(direction, frame_orientation(vendor));

    uint32_t x = 0, y = 0;
    switch (vendor) {
    case PtpVendor_Canon: {
        PtpEosLiveViewInfo info;
        if (!PtpEos_CopyLastLiveViewInfo(&info)) return PtpResult_BadReply; // no frame yet
        x = info.zoomX;
        y = info.zoomY;
        break;
    }
    case PtpVendor_Nikon:    // the Nikon driver's last-frame position, then its position setter
    case PtpVendor_Sony:     // the Sony driver's nudge (direction)
    case PtpVendor_Fujifilm: // the Fujifilm driver's nudge (direction)
    default: return PtpResult_NotSupportedForCamera;
    }

    switch (direction) {
    case kNudgeDown: y = step(y, kNudgeStep); break;
    case kNudgeLeft: x = step(x, -kNudgeStep); break;
    case kNudgeRight: x = step(x, kNudgeStep); break;
    default: y = step(y, -kNudgeStep); break;
    }
    return PtpEos_SetZoomPosition(x, y);
}

PtpResult PtpGenericInterface_SetStandardLiveViewFocus() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_SetStandardLiveViewFocus();
    case PtpVendor_Nikon:
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm: return PtpResult_Ok; // their standard area needs no setting
    default: return PtpResult_NotSupportedForCamera;
    }
}

bool PtpGenericInterface_Has200ZoomLevel() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
    case PtpVendor_Fujifilm: return true;
    case PtpVendor_Nikon: // the Nikon driver's test
    case PtpVendor_Sony:  // the Sony driver's test
    default: return false;
    }
}

bool PtpGenericInterface_SupportsLiveView() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Sony: // the Sony driver's test (the same as movie support)
    case PtpVendor_Canon:
    case PtpVendor_Nikon:
    case PtpVendor_Fujifilm:
    default: return true;
    }
}

bool PtpGenericInterface_ExtractLiveViewImage(const uint8_t* data, uint32_t length, uint8_t** out,
                                              uint32_t* outLength, uint16_t opcode) {
    if (!data || !out || !outLength || length < kExtractMinLength) return false;
    for (uint32_t i = 0; i <= kExtractSearchEnd && length - i > 3; ++i) {
        uint32_t marker = peek_u32(data, length, i);
        if (marker != kSoiHuffman && marker != kSoiQuantisation) continue;
        uint8_t* image = static_cast<uint8_t*>(std::malloc(length - i));
        if (!image) return false;
        std::memcpy(image, data + i, length - i);
        *out = image;
        *outLength = length - i;
        return true;
    }
    if (opcode != kCanonOpGetViewFinderData) return false;
    uint8_t* image = nullptr;
    uint32_t imageLength = PtpLiveView_ConvertYuvFrame(data, length, &image);
    if (imageLength == 0) {
        std::free(image);
        return false;
    }
    *out = image;
    *outLength = imageLength;
    return true;
}
