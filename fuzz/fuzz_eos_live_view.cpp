// Fuzzes the Canon live-view frame parse, the in-place image extraction and
// the generic JPEG search. The first byte picks the camera model number and
// the generic search's operation code; the rest is the frame, in a heap buffer
// of its exact size. Beyond the sanitizers it checks that a parsed buffer's
// length matches its info block, that the AF count stays within its slots and
// that a failure hands out nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "eos/eos_live_view.h"
#include "fuzz_support.h"
#include "generic/session.h"
#include "ptp_eos.h"
#include "ptp_liveview.h"

static uint8_t* copy(const uint8_t* data, uint32_t length) {
    uint8_t* p = static_cast<uint8_t*>(std::malloc(length ? length : 1));
    if (p && length) std::memcpy(p, data, length);
    return p;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size - 1 > UINT32_MAX) return 0;
    static const uint8_t kModels[] = {0, 225, 235, 240, 250, 251};
    const uint8_t model = kModels[(data[0] & 0x7F) % sizeof kModels];
    const uint16_t opcode = (data[0] & 0x80) ? 0x9153 : 0;
    const uint32_t length = uint32_t(size - 1);
    uint8_t* frame = copy(data + 1, length);
    if (!frame) return 0;
    PtpSession_SetModel(model);

    uint8_t* out = nullptr;
    uint32_t outLength = 0;
    PtpEosLiveViewInfo info;
    const PtpEosFrameModel frameModel = {5472, 3648, model};
    if (PtpEos_ParseLiveViewFrame(frame, length, frameModel, &out, &outLength, &info)) {
        fuzz_check(out != nullptr, "success without a buffer");
        fuzz_check(outLength == kEosLiveViewInfoBlock + uint64_t(info.imageLength), "length");
        fuzz_check(info.kind == kEosFrameJpeg || info.kind == kEosFrameConverted, "kind");
        fuzz_check(info.afFrameCount <= kEosLiveViewMaxAfFrames, "AF count");
        if (info.kind == kEosFrameJpeg) {
            fuzz_check(info.zoom != 0, "zoom 0 in a JPEG frame");
            fuzz_check(out[kEosLiveViewInfoBlock] == 0xFF && out[kEosLiveViewInfoBlock + 1] == 0xD8,
                       "image does not start with its marker");
        } else {
            fuzz_check(info.zoom == 0 && info.afFrameCount == 0, "metadata in a converted frame");
        }
        std::free(out);
    } else {
        fuzz_check(out == nullptr && outLength == 0, "failure with a buffer");
    }
    out = nullptr;
    if (PtpEosInterface_ParseLiveViewData(frame, length, &out, &outLength)) std::free(out);

    uint8_t* inPlace = copy(frame, length);
    uint32_t inPlaceLength = length;
    if (inPlace && PtpEosInterface_ExtractLiveViewImage(&inPlace, &inPlaceLength))
        fuzz_check(inPlace != nullptr && inPlaceLength > 0, "extraction gave nothing");
    std::free(inPlace);

    out = nullptr;
    outLength = 0;
    if (PtpGenericInterface_ExtractLiveViewImage(frame, length, &out, &outLength, opcode)) {
        fuzz_check(out != nullptr && outLength > 0, "generic extraction gave nothing");
        std::free(out);
    } else {
        fuzz_check(out == nullptr, "generic failure with a buffer");
    }
    std::free(frame);
    return 0;
}
