// Fuzzes the Sony live-view frame: the search for the JPEG after the camera's
// header and the focus rectangle in that header. The first byte picks the body
// (and whether it has the normal property controls); the rest is the frame, in
// a heap buffer of its exact size. Beyond the sanitizers it checks that a found
// JPEG starts with its marker inside the frame, that the extraction moves
// exactly that tail, and that the rectangle is read only from long frames.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "ptp_sony.h"
#include "sony/sony_live_view.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size - 1 > UINT32_MAX) return 0;
    // Bodies of both rectangle bases, an older body and one of no Sony number.
    static const uint8_t kModels[] = {182, 176, 180, 177, 163, 0};
    const uint8_t model = kModels[(data[0] & 0x7F) % sizeof kModels];
    const bool normal = data[0] & 0x80;
    const uint32_t length = uint32_t(size - 1);
    uint8_t* frame = static_cast<uint8_t*>(std::malloc(length ? length : 1));
    if (!frame) return 0;
    if (length) std::memcpy(frame, data + 1, length);

    uint32_t offset = 0;
    const bool found = PtpSony_FindLiveViewJpeg(frame, length, &offset);
    fuzz_check(PtpSonyInterface_LiveViewOffset(frame, length) == (found ? offset : 0), "offset");
    if (found) {
        fuzz_check(offset <= length - 4, "JPEG start outside the frame");
        fuzz_check(frame[offset] == 0xFF && frame[offset + 1] == 0xD8 &&
                       frame[offset + 2] == 0xFF && frame[offset + 3] == 0xDB,
                   "no JPEG start at the offset");
    }
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(length ? length : 1));
    if (copy) {
        if (length) std::memcpy(copy, frame, length);
        uint32_t cut = length;
        fuzz_check(PtpSonyInterface_ExtractLiveViewImage(copy, &cut) == found, "extract");
        fuzz_check(cut == (found ? length - offset : length), "extracted length");
        if (found) fuzz_check(std::memcmp(copy, frame + offset, cut) == 0, "extracted bytes");
        std::free(copy);
    }

    uint16_t rect[4];
    if (PtpSony_ParseFocusRect(frame, length, model, normal, rect)) {
        fuzz_check(normal && length >= 1101, "rectangle of a short frame or an older body");
        fuzz_check(PtpSony_FocusRectBase(model) + 14 <= length, "rectangle outside the frame");
    }
    std::free(frame);
    return 0;
}
