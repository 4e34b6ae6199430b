// Live view through the session's driver: switching live view, fetching
// frames, zoom and the zoom-area position; the session's zoom level; the
// turning of the host's arrow directions by the frame's orientation; and the
// search for the JPEG in a frame buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "comms/bytes.h"
#include "generic/driver.h"
#include "generic/objects.h"
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
// The one frame operation whose frames may come uncompressed (YUV): the
// extraction converts them when the caller names it.
constexpr uint16_t kYuvFrameOperation = 0x9153;

// Start of image followed by a Huffman or quantisation table, as a
// little-endian u32 (FF D8 FF C4 / FF D8 FF DB).
constexpr uint32_t kSoiHuffman = 0xC4FFD8FF;
constexpr uint32_t kSoiQuantisation = 0xDBFFD8FF;

const PtpDriverLiveView& live_view() { return PtpSession_Driver()->liveView; }

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

// The coordinate one step on, kept inside the camera's unsigned range: the
// camera refuses a negative position, so the area stops at the edge.
uint32_t step(uint32_t value, int64_t delta) {
    int64_t moved = int64_t(value) + delta;
    if (moved < 0) return 0;
    if (moved > int64_t(UINT32_MAX)) return UINT32_MAX;
    return uint32_t(moved);
}

} // namespace

PtpResult PtpLiveView_NoStandardFocus() { return PtpResult_NotSupportedForCamera; }

PtpResult PtpGenericInterface_ToggleLiveView(uint32_t on) {
    const PtpDriverLiveView& lv = live_view();
    if (!lv.toggle) return PtpResult_NotSupportedForCamera;
    return lv.toggle(on != 0);
}

PtpResult PtpGenericInterface_GetLiveViewImage(uint8_t** buffer, uint32_t* length) {
    const PtpDriverLiveView& lv = live_view();
    try {
        if (!lv.getImage) return PtpResult_NotSupportedForCamera;
        return lv.getImage(buffer, length);
    } catch (const std::bad_alloc&) {
        return PtpResult_OutOfMemory;
    }
}

PtpResult PtpGenericInterface_SetLiveViewZoomLevel(uint32_t level) {
    const PtpDriverLiveView& lv = live_view();
    if (!lv.setZoom) return PtpResult_NotSupportedForCamera;
    PtpResult rc = lv.setZoom(level);
    if (rc == PtpResult_Ok) PtpSession_SetLiveViewZoom(uint8_t(level));
    return rc;
}

uint8_t PtpGenericInterface_GetLiveViewZoomLevel(uint8_t arg) {
    const PtpDriverLiveView& lv = live_view();
    return lv.zoom ? lv.zoom(arg) : PtpSession_LiveViewZoom();
}

PtpResult PtpGenericInterface_SetLiveViewPosition(double x, double y) {
    const PtpDriverLiveView& lv = live_view();
    if (!lv.setPosition) return PtpResult_NotSupportedForCamera;
    return lv.setPosition(x, y);
}

PtpResult PtpGenericInterface_NudgeLiveViewPosition(uint8_t direction, uint8_t unrotated) {
    const PtpDriverLiveView& lv = live_view();
    if (!unrotated) direction = turn_direction(direction, lv.orientation ? lv.orientation() : 1);
    if (lv.nudge) return lv.nudge(direction);
    if (!lv.zoomPosition || !lv.setZoomPosition) return PtpResult_NotSupportedForCamera;

    uint32_t x = 0, y = 0;
    PtpResult rc = lv.zoomPosition(&x, &y);
    if (rc != PtpResult_Ok) return rc;
    switch (direction) {
    case kNudgeDown: y = step(y, kNudgeStep); break;
    case kNudgeLeft: x = step(x, -kNudgeStep); break;
    case kNudgeRight: x = step(x, kNudgeStep); break;
    default: y = step(y, -kNudgeStep); break;
    }
    return lv.setZoomPosition(x, y);
}

PtpResult PtpGenericInterface_SetStandardLiveViewFocus() {
    const PtpDriverLiveView& lv = live_view();
    if (!lv.setStandardFocus) return PtpResult_Ok;
    return lv.setStandardFocus();
}

bool PtpGenericInterface_Has200ZoomLevel() {
    const PtpDriverLiveView& lv = live_view();
    return lv.has200Zoom && lv.has200Zoom();
}

bool PtpGenericInterface_SupportsLiveView() {
    const PtpDriverLiveView& lv = live_view();
    return lv.supported ? lv.supported() : true;
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
    if (opcode != kYuvFrameOperation) return false;
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
