// The Sony image format as one value (see sony/sony_formats.h): the holder's
// record keeps the combined value, rebuilt whenever one of its parts changes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "generic/property_store.h"
#include "ptp_generic.h"
#include "ptp_properties.h"
#include "ptp_sony.h"
#include "sony/sony_codes.h"
#include "sony/sony_formats.h"
#include "sony/sony_models.h"

namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint32_t kJpegKind = 1;
constexpr uint32_t kRawKind = 6;
constexpr uint32_t kOlderRaw = 0x10; // older scheme: the RAW bit
constexpr uint32_t kNewerRaw = 1;    // newer scheme codes
constexpr uint32_t kNewerRawJpeg = 2;
constexpr uint32_t kNewerJpeg = 3;
// Bodies with the cap write every older RAW + JPEG value as RAW + JPG (FINE).
constexpr uint32_t kCappedRawJpeg = 19;

uint32_t code_of(uint32_t value) { return value & 0xFF; }
uint32_t compression_of(uint32_t value) { return value >> 8 & 0xFF; }
uint32_t size_of(uint32_t value) { return value >> 16 & 0xFF; }

bool newer_scheme() { return PtpGenericInterface_IsPropertySupported(kSonyPropImageFormat); }

bool has_raw(uint32_t code, bool newer) {
    return newer ? code == kNewerRaw || code == kNewerRawJpeg : (code & kOlderRaw) != 0;
}

bool has_jpeg(uint32_t code, bool newer) {
    return newer ? code == kNewerRawJpeg || code == kNewerJpeg : code != kOlderRaw;
}

// Writes value to code unless the store already shows it, verified.
PtpResult write_if_different(uint32_t code, uint32_t value, uint32_t mask) {
    uint32_t now = 0;
    if (PtpReadCurrentValue(code, &now) && (now & mask) == value) return PtpResult_Ok;
    return PtpGenericInterface_SetPropertyValue(code, value, 1);
}

void append(char* out, size_t size, const char* text) {
    size_t used = std::strlen(out);
    if (used + 1 < size) std::snprintf(out + used, size - used, "%s", text);
}

// One label per thread: hosts and the event thread label values at once.
thread_local char t_formatLabel[32];

} // namespace

uint32_t PtpSony_ImageFormatHolder() {
    if (PtpGenericInterface_IsPropertySupported(kSonyPropImageFormat)) return kSonyPropImageFormat;
    if (PtpGenericInterface_IsPropertySupported(kSonyPropImageQuality))
        return kSonyPropImageQuality;
    return 0;
}

void PtpSony_ComposeImageFormat() {
    uint32_t holder = PtpSony_ImageFormatHolder();
    if (!holder) return;
    // Parts the store does not have count as 0: a session start composes
    // before it reaches the size record.
    uint32_t compression = 0, size = 0;
    PtpReadCurrentValue(kSonyPropImageCompression, &compression);
    PtpReadCurrentValue(kSonyPropImageSize, &size);
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(holder, 1);
    if (!record) return;
    record->currentValue =
        code_of(record->currentValue) | (compression & 0xFF) << 8 | (size & 0xFF) << 16;
    PtpUnlockProperty(record);
}

bool PtpSony_ImageFormatHasJpg(uint32_t value) {
    return value != kNone && has_jpeg(code_of(value), newer_scheme());
}

PtpResult PtpSony_GetCurrentJpgFormat(uint32_t* format) {
    *format = kNone;
    uint32_t value = 0;
    if (!PtpReadCurrentValue(PtpSony_ImageFormatHolder(), &value)) return PtpResult_Ok;
    bool newer = newer_scheme();
    uint32_t code = code_of(value);
    if (!has_jpeg(code, newer) || (!newer && (code & ~kOlderRaw) == 0)) return PtpResult_Ok;
    uint32_t jpeg = value & ~kOlderRaw;
    if (newer) jpeg = (jpeg & ~0xFFu) | kNewerJpeg;
    *format = jpeg;
    return PtpResult_Ok;
}

PtpResult PtpSony_GetCurrentRawFormat(uint32_t* format) {
    *format = kNone;
    uint32_t value = 0;
    if (!PtpReadCurrentValue(PtpSony_ImageFormatHolder(), &value)) return PtpResult_Ok;
    bool newer = newer_scheme();
    if (has_raw(code_of(value), newer)) *format = newer ? kNewerRaw : kOlderRaw;
    return PtpResult_Ok;
}

PtpResult PtpSony_GetPossibleImageFormats(uint32_t kind, uint32_t** formats, uint32_t* count) {
    uint32_t list[16];
    uint32_t n = 0;
    list[n++] = kNone;
    bool newer = newer_scheme();
    if (kind == kRawKind) {
        list[n++] = newer ? kNewerRaw : kOlderRaw;
    } else if (kind == kJpegKind && newer) {
        bool lightest = PtpGenericInterface_CameraModel() == kSonyModel7M4;
        for (uint32_t size = 1; size <= 3; ++size)
            for (uint32_t compression = lightest ? 4 : 3; compression >= 1; --compression)
                list[n++] = size << 16 | compression << 8 | kNewerJpeg;
    } else if (kind == kJpegKind) {
        for (uint32_t quality = 2; quality <= 4; ++quality)
            for (uint32_t size = 1; size <= 3; ++size)
                list[n++] = size << 16 | quality;
    }
    *formats = static_cast<uint32_t*>(std::malloc(n * sizeof(uint32_t)));
    if (!*formats) return PtpResult_OutOfMemory;
    std::memcpy(*formats, list, n * sizeof(uint32_t));
    *count = n;
    return PtpResult_Ok;
}

PtpResult PtpSony_SetImageFormat(uint32_t raw, uint32_t jpeg) {
    if (raw == kNone && jpeg == kNone) return PtpResult_Failed;
    uint32_t holder = PtpSony_ImageFormatHolder();
    if (!holder) return PtpResult_Failed;
    bool newer = holder == kSonyPropImageFormat;
    bool withJpeg = jpeg != kNone;
    uint32_t target = withJpeg ? code_of(jpeg) : 0;
    if (raw != kNone) target = newer ? (target ? kNewerRawJpeg : kNewerRaw) : target | kOlderRaw;

    // Each write's failure ends the change; the camera keeps the parts
    // written before it.
    uint32_t now = 0;
    if (!PtpReadCurrentValue(holder, &now) || code_of(now) != target) {
        if (PtpSony_HasImageFormatCap19() && target > 16) target = kCappedRawJpeg;
        PtpResult rc = PtpGenericInterface_SetPropertyValue(holder, target, 1);
        if (rc != PtpResult_Ok) return rc;
    }
    if (newer && withJpeg) {
        PtpResult rc = write_if_different(kSonyPropImageCompression, compression_of(jpeg), 0xFF);
        if (rc != PtpResult_Ok) return rc;
    }
    if (withJpeg) return write_if_different(kSonyPropImageSize, size_of(jpeg), 0xFF);
    return PtpResult_Ok;
}

void PtpSony_FormatLabel(uint32_t value, char* out, size_t size) {
    out[0] = '\0';
    if (value == kNone) {
        append(out, size, "--");
        return;
    }
    static const char* const kSizes[] = {"L ", "M ", "S "};
    static const char* const kQualities[] = {"JPG (LIGHT)", "JPG (STD)", "JPG (FINE)",
                                             "JPG (X-FINE)"};
    bool newer = newer_scheme();
    uint32_t code = newer ? code_of(value) : value & 0xFFFF;
    if (has_raw(code, newer)) append(out, size, "RAW");
    if (newer ? !has_jpeg(code, true) : code == kOlderRaw) return;
    if (out[0]) append(out, size, " + ");
    uint32_t jpegSize = size_of(value);
    if (jpegSize >= 1 && jpegSize <= 3) append(out, size, kSizes[jpegSize - 1]);
    // Older qualities count up from LIGHT (1); the newer compression counts
    // down from X-FINE (1).
    uint32_t quality = code & 0xF;
    if (newer) {
        uint32_t compression = compression_of(value) ? compression_of(value) : code & 0xF;
        quality = compression >= 1 && compression <= 4 ? 5 - compression : 0;
    }
    if (quality >= 1 && quality <= 4) append(out, size, kQualities[quality - 1]);
}

const char* PtpSonyInterface_StringForImageFormat(uint32_t value) {
    PtpSony_FormatLabel(value, t_formatLabel, sizeof t_formatLabel);
    return t_formatLabel;
}
