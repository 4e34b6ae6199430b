// Sony live-view frames: the JPEG after the camera's header, and the focus
// rectangle that the newer bodies write into that header. Pure functions of
// the bytes (and the body), so the fuzz target reaches them directly.
#include <cstring>

#include "comms/bytes.h"
#include "sony/sony_live_view.h"
#include "sony/sony_models.h"

namespace {

// FF D8 FF DB: start of image followed by a quantisation table, as a
// little-endian u32. The header before it is the camera's own.
constexpr uint32_t kJpegStart = 0xDBFFD8FF;

// The focus rectangle lies at one of two places in the header, by generation.
constexpr uint32_t kFocusRectBaseNear = 581;
constexpr uint32_t kFocusRectBaseFar = 1093;
// Shorter frames carry no rectangle, whichever the base.
constexpr uint32_t kFocusRectMinFrame = 1101;

const uint8_t kNearBaseBodies[] = {kSonyModelIlce9M2, kSonyModel7M4, kSonyModel7RM5,
                                   kSonyModelIlce9M3};

} // namespace

bool PtpSony_FindLiveViewJpeg(const uint8_t* data, uint32_t length, uint32_t* offset) {
    if (!data || length < 4) return false;
    // Jump between 0xFF bytes; the pattern is read only where it fits.
    const uint8_t* at = data;
    const uint8_t* end = data + length;
    while (end - at > 3) {
        at = static_cast<const uint8_t*>(std::memchr(at, 0xFF, size_t(end - at) - 3));
        if (!at) return false;
        uint32_t p = uint32_t(at - data);
        if (peek_u32(data, length, p) == kJpegStart) {
            if (offset) *offset = p;
            return true;
        }
        ++at;
    }
    return false;
}

uint32_t PtpSony_FocusRectBase(uint8_t model) {
    for (uint8_t m : kNearBaseBodies)
        if (m == model) return kFocusRectBaseNear;
    return kFocusRectBaseFar;
}

bool PtpSony_ParseFocusRect(const uint8_t* frame, uint32_t length, uint8_t model, bool normal,
                            uint16_t out[4]) {
    if (!normal || !frame || !out || length < kFocusRectMinFrame) return false;
    ByteReader r = make_reader(frame, length);
    skip(r, PtpSony_FocusRectBase(model));
    uint16_t atBase = read_u16(r);
    skip(r, 2);
    uint16_t at4 = read_u16(r);
    skip(r, 2);
    uint16_t at8 = read_u16(r);
    skip(r, 2);
    uint16_t at12 = read_u16(r);
    if (!r.ok) return false;
    // The host's order: base, +4, +12, +8.
    out[0] = atBase;
    out[1] = at4;
    out[2] = at12;
    out[3] = at8;
    return true;
}
