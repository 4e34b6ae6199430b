// Canon live-view frames: the parse of a 0x9153 frame into the information
// block and the image, the in-place image extraction, the orientation mapping
// and the last live-view info.
//
// A frame is a JPEG near the start followed by metadata records (u32 size of
// the whole record, u32 type, payload). Cameras that send uncompressed frames
// send a YUV frame instead, recognised by the missing JPEG start marker, and
// converted to a BMP image.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "comms/bytes.h"
#include "eos/eos_live_view.h"
#include "eos/eos_models.h"
#include "generic/session.h"
#include "imaging/yuv_frame.h"
#include "ptp_liveview.h"

namespace {

// Start of image followed by a Huffman or quantisation table, read as a
// little-endian u32: FF D8 FF C4 / FF D8 FF DB.
constexpr uint32_t kSoiHuffman = 0xC4FFD8FF;
constexpr uint32_t kSoiQuantisation = 0xDBFFD8FF;
// End of image, read as a little-endian u16: FF D9.
constexpr uint16_t kEoi = 0xD9FF;
constexpr uint16_t kFill = 0xFFFF;

// Metadata record types the parser keeps.
constexpr uint32_t kRecordZoom = 4;
constexpr uint32_t kRecordZoomPosition = 5;
constexpr uint32_t kRecordAfFrames = 8;
constexpr uint32_t kRecord10 = 10;
constexpr uint32_t kRecordVisible2 = 13;
constexpr uint32_t kRecordFullSize = 14;
constexpr uint32_t kRecord15 = 15;
constexpr uint32_t kRecordLevel = 16;
constexpr uint32_t kRecordVisible1 = 18;

constexpr size_t kRecordHeader = 8;
constexpr size_t kAfEntriesAt = 12;
constexpr size_t kAfEntrySize = 24;
constexpr uint32_t kNoValue = 0xFFFFFFFF;

// The level is reported in hundredths of a degree; the second angle runs 0 to
// 360 and is shown as -180 to 180.
constexpr double kLevelUnitsPerDegree = 100.0;
constexpr double kHalfTurn = 180.0;
constexpr double kFullTurn = 360.0;

// The info block is followed by the image; the block plus the image's first
// four bytes is what the last live-view info keeps.
constexpr size_t kInfoSize = sizeof(PtpEosLiveViewInfo);
static_assert(kInfoSize == kEosLiveViewInfoBlock + 4, "info block layout");

struct LastInfo {
    std::mutex lock;
    PtpEosLiveViewInfo info = {}; // guarded by lock; read without it by the host (see header)
    bool any = false;             // guarded by lock
};

LastInfo g_last;

bool is_start_marker(const uint8_t* data, size_t length, size_t at) {
    uint32_t v = peek_u32(data, length, at);
    return v == kSoiHuffman || v == kSoiQuantisation;
}

// The first start marker within the first 256 bytes, looking only where the
// whole marker lies inside the data. *searchedAll tells whether all 256
// offsets were looked at.
bool find_start(const uint8_t* data, size_t length, size_t* start, bool* searchedAll) {
    size_t s = 0;
    for (; s < kEosLiveViewMarkerSearch && s < length && length - s > 4; ++s) {
        if (is_start_marker(data, length, s)) {
            *start = s;
            *searchedAll = false;
            return true;
        }
    }
    *searchedAll = s == kEosLiveViewMarkerSearch;
    return false;
}

// The end of the image: 4 past the last position p (from length - 4 down to 1)
// where bytes p+2, p+3 are an end marker and p, p+1 are not fill bytes.
bool find_end(const uint8_t* data, size_t length, size_t* end) {
    if (length < 5) return false;
    // Frames end in kilobytes of padding: jump from one D9 byte to the one
    // before (memrchr), then check the marker around it. q is the D9's offset.
    size_t q = length; // candidates lie below q
    while (q > 4) {
        const void* hit = memrchr(data + 4, kEoi >> 8, q - 4);
        if (!hit) return false;
        q = size_t(static_cast<const uint8_t*>(hit) - data);
        const size_t p = q - 3;
        if (peek_u16(data, length, p + 2) == kEoi && peek_u16(data, length, p) != kFill) {
            *end = p + 4;
            return true;
        }
    }
    return false;
}

uint32_t field(const uint8_t* record, size_t size, size_t at) { return peek_u32(record, size, at); }

// Stores one record's fields when they all lie inside the record; a record too
// short for its type is ignored.
void apply_record(uint32_t type, const uint8_t* rec, size_t size, PtpEosLiveViewInfo* info) {
    switch (type) {
    case kRecordZoom:
        if (size < 12) return;
        info->zoom = field(rec, size, 8);
        return;
    case kRecordZoomPosition:
        if (size < 16) return;
        info->zoomX = field(rec, size, 8);
        info->zoomY = field(rec, size, 12);
        return;
    case kRecordAfFrames: {
        if (size < kAfEntriesAt) return;
        // The count is the camera's word: it is kept to the entries the record
        // holds and to the block's 64 slots.
        uint64_t count = field(rec, size, 8);
        uint64_t held = (size - kAfEntriesAt) / kAfEntrySize;
        if (count > held) count = held;
        if (count > kEosLiveViewMaxAfFrames) count = kEosLiveViewMaxAfFrames;
        info->afFrameCount = uint32_t(count);
        for (size_t i = 0; i < count; ++i) {
            size_t at = kAfEntriesAt + i * kAfEntrySize;
            info->afWord0[i] = field(rec, size, at);
            info->afWord2[i] = field(rec, size, at + 8);
            info->afWord3[i] = field(rec, size, at + 12);
            info->afWord4[i] = field(rec, size, at + 16);
            info->afWord5[i] = field(rec, size, at + 20);
        }
        return;
    }
    case kRecord10:
        if (size < 16) return;
        info->record10[0] = field(rec, size, 8);
        info->record10[1] = field(rec, size, 12);
        return;
    case kRecordVisible2:
        if (size < 24) return;
        info->visibleWidth2 = field(rec, size, 16);
        info->visibleHeight2 = field(rec, size, 20);
        return;
    case kRecordFullSize:
        if (size < 16) return;
        info->fullWidth = field(rec, size, 8);
        info->fullHeight = field(rec, size, 12);
        return;
    case kRecord15:
        if (size < 24) return;
        for (size_t i = 0; i < 4; ++i)
            info->record15[i] = field(rec, size, 8 + 4 * i);
        return;
    case kRecordLevel: {
        if (size < 24) return;
        info->orientation = field(rec, size, 12);
        info->levelAngle1 = float(field(rec, size, 16) / kLevelUnitsPerDegree);
        double angle2 = field(rec, size, 20) / kLevelUnitsPerDegree;
        if (angle2 > kHalfTurn) angle2 -= kFullTurn;
        info->levelAngle2 = float(angle2);
        return;
    }
    case kRecordVisible1:
        if (size < 24) return;
        info->visibleWidth1 = field(rec, size, 16);
        info->visibleHeight1 = field(rec, size, 20);
        return;
    default: return; // types the library does not interpret
    }
}

// Walks the records from offset `at`. A record is used only when its header
// lies inside the data, its size is at least the header and it ends before the
// data's end (a record that ends exactly at the end is the camera's padding,
// not used); the walk stops at the first record that is not.
void walk_records(const uint8_t* data, size_t length, size_t at, PtpEosLiveViewInfo* info) {
    while (at < length && length - at > 4) {
        if (length - at < kRecordHeader) return;
        ByteReader r = make_reader(data + at, length - at);
        uint32_t size = read_u32(r);
        uint32_t type = read_u32(r);
        if (!r.ok || size < kRecordHeader || size >= length - at) return;
        apply_record(type, data + at, size, info);
        at += size;
    }
}

void fill_defaults(const PtpEosFrameModel& model, PtpEosLiveViewInfo* info) {
    if (info->fullWidth == 0) {
        info->fullWidth = uint32_t(model.width);
        info->fullHeight = uint32_t(model.height);
    }
    if (info->zoom == 0) info->zoom = 1;
    if (info->visibleWidth1 == 0) {
        info->visibleWidth1 = info->fullWidth / info->zoom;
        info->visibleHeight1 = info->fullHeight / info->zoom;
    }
    if (info->visibleWidth2 == 0) {
        info->visibleWidth2 = info->fullWidth / info->zoom;
        info->visibleHeight2 = info->fullHeight / info->zoom;
    }
}

// One buffer: the info block, then imageLength bytes of image. The buffer is
// never shorter than the whole info struct.
bool build_output(const PtpEosLiveViewInfo& info, const uint8_t* image, uint32_t imageLength,
                  uint8_t** out, uint32_t* outLength) {
    const uint64_t total = uint64_t(kEosLiveViewInfoBlock) + imageLength;
    if (total > UINT32_MAX) return false;
    const size_t allocated = size_t(total) < kInfoSize ? kInfoSize : size_t(total);
    // Every byte is written below, so the frame is not cleared first.
    uint8_t* buffer = static_cast<uint8_t*>(std::malloc(allocated));
    if (!buffer) return false;
    std::memcpy(buffer, &info, kEosLiveViewInfoBlock);
    if (imageLength) std::memcpy(buffer + kEosLiveViewInfoBlock, image, imageLength);
    if (allocated > total) std::memset(buffer + total, 0, allocated - size_t(total));
    *out = buffer;
    *outLength = uint32_t(total);
    return true;
}

void copy_head(const uint8_t* buffer, PtpEosLiveViewInfo* info) {
    std::memcpy(info, buffer, kInfoSize);
}

bool parse_jpeg_frame(const uint8_t* data, size_t length, size_t start,
                      const PtpEosFrameModel& model, uint8_t** out, uint32_t* outLength,
                      PtpEosLiveViewInfo* info) {
    size_t end = 0;
    if (!find_end(data, length, &end) || end <= start) return false;
    PtpEosLiveViewInfo parsed = {};
    parsed.kind = kEosFrameJpeg;
    parsed.imageLength = uint32_t(end - start);
    parsed.record15[0] = kNoValue;
    parsed.record15[1] = kNoValue;
    walk_records(data, length, end, &parsed);
    fill_defaults(model, &parsed);
    if (!build_output(parsed, data + start, parsed.imageLength, out, outLength)) return false;
    copy_head(*out, info);
    return true;
}

bool parse_converted_frame(const uint8_t* data, uint32_t length, const PtpEosFrameModel& model,
                           uint8_t** out, uint32_t* outLength, PtpEosLiveViewInfo* info) {
    uint8_t* image = nullptr;
    uint32_t imageLength = PtpLiveView_ConvertYuvFrameForModel(data, length, model.model, &image);
    if (imageLength == 0) {
        std::free(image);
        return false;
    }
    PtpEosLiveViewInfo parsed = {};
    parsed.kind = kEosFrameConverted;
    parsed.imageLength = imageLength;
    parsed.record15[0] = kNoValue;
    parsed.record10[0] = kNoValue;
    bool ok = build_output(parsed, image, imageLength, out, outLength);
    std::free(image);
    if (ok) copy_head(*out, info);
    return ok;
}

} // namespace

PtpEosFrameModel PtpEos_SessionFrameModel() {
    PtpEosModelSettings s = PtpEos_ModelSettings();
    return PtpEosFrameModel{s.imageWidth, s.imageHeight, PtpGenericInterface_CameraModel()};
}

bool PtpEos_ParseLiveViewFrame(const uint8_t* data, uint32_t length, const PtpEosFrameModel& model,
                               uint8_t** out, uint32_t* outLength, PtpEosLiveViewInfo* info) {
    if (!out || !outLength || !info) return false;
    *out = nullptr;
    *outLength = 0;
    if (!data || length < kEosLiveViewMinFrame) return false;
    size_t start = 0;
    bool searchedAll = false;
    if (find_start(data, length, &start, &searchedAll))
        return parse_jpeg_frame(data, length, start, model, out, outLength, info);
    return parse_converted_frame(data, length, model, out, outLength, info);
}

void PtpEos_StoreLastLiveViewInfo(const PtpEosLiveViewInfo& info) {
    std::lock_guard<std::mutex> held(g_last.lock);
    g_last.info = info;
    g_last.any = true;
}

bool PtpEos_CopyLastLiveViewInfo(PtpEosLiveViewInfo* out) {
    if (!out) return false;
    std::lock_guard<std::mutex> held(g_last.lock);
    *out = g_last.info;
    return g_last.any;
}

uint32_t PtpEos_ExifOrientation(uint32_t code) {
    switch (code) {
    case 1: return 6; // turned right: the picture's top is on the left
    case 2: return 8;
    case 4: return 3; // upside down
    default: return 1;
    }
}

// --- Exports ----------------------------------------------------------------------------

bool PtpEosInterface_ParseLiveViewData(const uint8_t* data, uint32_t length, uint8_t** out,
                                       uint32_t* outLength) {
    try {
        PtpEosLiveViewInfo info;
        if (!PtpEos_ParseLiveViewFrame(data, length, PtpEos_SessionFrameModel(), out, outLength,
                                       &info))
            return false;
        PtpEos_StoreLastLiveViewInfo(info);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool PtpEosInterface_ExtractLiveViewImage(uint8_t** data, uint32_t* length) {
    if (!data || !*data || !length || *length < 4) return false;
    size_t start = 0;
    bool searchedAll = false;
    if (find_start(*data, *length, &start, &searchedAll)) {
        std::memmove(*data, *data + start, *length - start);
        *length -= uint32_t(start);
        return true;
    }
    // Data too short to have been searched through is no frame at all.
    if (!searchedAll) return false;
    uint8_t* image = nullptr;
    uint32_t imageLength = PtpLiveView_ConvertYuvFrame(*data, *length, &image);
    if (imageLength == 0) {
        std::free(image);
        return false;
    }
    std::free(*data);
    *data = image;
    *length = imageLength;
    return true;
}

uint32_t PtpEosInterface_GetLiveViewOrientation(const PtpEosLiveViewInfo* info) {
    return info ? PtpEos_ExifOrientation(info->orientation) : 1;
}

const PtpEosLiveViewInfo* PtpEosInterface_GetLastLiveViewInfo() { return &g_last.info; }
