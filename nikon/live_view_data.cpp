// Nikon live-view frames: the camera's big-endian header, in one of three
// layouts, becomes one 385-byte record in host byte order in front of the
// JPEG. Older bodies send a header of a fixed length for their model, newer
// ones a header whose length is in its first word, and bodies that list 0x9428
// an extended header that says where the JPEG is.
//
// Every offset and length in a frame is the camera's word: a frame whose header
// does not fit its data is refused whole, never copied in part.
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "comms/bytes.h"
#include "nikon/nikon_live_view.h"
#include "nikon/nikon_models.h"

namespace {

constexpr uint32_t kRecordSize = PTP_NIKON_LIVE_VIEW_INFO_SIZE;
// The header bytes a record holds: record offsets 8 to 384.
constexpr uint32_t kHeaderRoom = kRecordSize - 8;
// The newer bodies' frame: u32 header length A, u32 JPEG length B, the header.
constexpr uint32_t kCurrentHeaderPrefix = 8;

// Extended header: where its fields lie, and the block that follows it.
constexpr size_t kExFixedEnd = 56; // the fields at 0-55
constexpr size_t kExBlockVersion1 = 384;
constexpr size_t kExBlockVersion2 = 816;
constexpr size_t kExVersion2Growth = 4; // version 2 has a u32 more before the block's fields
constexpr size_t kExBlockEnd = 30;      // the block's fields lie at K to K + 29

// clang-format off
const PtpNikonModelRange kCurrentHeader[] = {{197, 197}, {205, 205}, {207, 233}, {240, 240}};
const PtpNikonModelRange kHeader64[] = {{195, 195}, {198, 198}, {201, 202}, {204, 204}};
const PtpNikonModelRange kHeader128[] = {{192, 192}, {199, 199}, {203, 203}};
const PtpNikonModelRange kHeader384[] = {{193, 194}, {196, 196}, {200, 200}};
// Bodies whose record byte 68 is not the camera's: it is cleared.
const PtpNikonModelRange kClearByte68[] = {{192, 192}, {195, 195}, {198, 199}, {201, 204}};
// clang-format on

template <size_t N> bool model_in(const PtpNikonModelRange (&ranges)[N], uint8_t model) {
    return PtpNikon_ModelIn(PtpNikonModelSet{ranges, N}, model);
}

struct LastInfo {
    std::mutex lock;
    PtpNikonLiveViewInfo info = {}; // guarded by lock; the host reads it without (see ptp_nikon.h)
    bool any = false;               // guarded by lock
};

LastInfo g_last;

// Fixed-offset big-endian reads through the cursor; a field outside the data
// fails the reader, which the caller checks once.
uint16_t be16_at(ByteReader& r, size_t at) {
    if (at > r.len) r.ok = false;
    if (r.ok) r.pos = at;
    return read_u16_be(r);
}
uint32_t be32_at(ByteReader& r, size_t at) {
    if (at > r.len) r.ok = false;
    if (r.ok) r.pos = at;
    return read_u32_be(r);
}
uint8_t u8_at(ByteReader& r, size_t at) {
    if (at > r.len) r.ok = false;
    if (r.ok) r.pos = at;
    return read_u8(r);
}

// Fills the record from a header copied into record offsets 8 to 384 (raw,
// kHeaderRoom bytes, big-endian as the camera sent it).
void decode_header(const uint8_t* raw, PtpNikonLiveViewInfo* info) {
    ByteReader r = make_reader(raw, kHeaderRoom);
    uint16_t words[12];
    for (uint16_t& w : words)
        w = read_u16_be(r);
    info->words8[0] = words[0];
    info->words8[1] = words[1];
    info->areaWidth = words[2];
    info->areaHeight = words[3];
    info->words16[0] = words[4];
    info->words16[1] = words[5];
    info->zoomX = words[6];
    info->zoomY = words[7];
    for (size_t i = 0; i < 4; ++i)
        info->words24[i] = words[8 + i];
    info->value32 = read_u32_be(r);
    info->byte36 = read_u8(r);
    info->orientation = read_u8(r);
    read_bytes(r, info->bytes38, sizeof info->bytes38);
    info->value40 = read_u32_be(r);
    info->words44[0] = read_u16_be(r);
    info->words44[1] = read_u16_be(r);
    read_bytes(r, info->bytes48, sizeof info->bytes48);
    for (size_t i = 0; i < 3; ++i) {
        info->values52[i] = read_u16_be(r); // the camera sends a u16 in each u32 slot
        skip(r, 2);
    }
    info->value64 = read_u32_be(r);
    read_bytes(r, info->bytes68, sizeof info->bytes68);
}

// The output: length + 385 bytes, the record first, then the JPEG at its
// offset. Only a fixed header shorter than 60 bytes puts the JPEG over the
// record's converted fields; the JPEG wins there, and the offset and size at
// 0-7 always stay.
bool build(const PtpNikonLiveViewInfo& info, const uint8_t* jpeg, uint32_t length, uint8_t** out,
           uint32_t* outLength) {
    const uint64_t total = uint64_t(length) + kRecordSize;
    if (total > UINT32_MAX) return false;
    // Only the bytes neither the record nor the JPEG covers are zeroed: a
    // frame is written once, not cleared first.
    uint8_t* buffer = static_cast<uint8_t*>(std::malloc(size_t(total)));
    if (!buffer) return false;
    std::memcpy(buffer, &info, kRecordSize);
    uint64_t covered = kRecordSize;
    if (info.jpegSize) {
        if (info.jpegOffset > kRecordSize)
            std::memset(buffer + kRecordSize, 0, info.jpegOffset - kRecordSize);
        std::memcpy(buffer + info.jpegOffset, jpeg, info.jpegSize);
        const uint64_t end = uint64_t(info.jpegOffset) + info.jpegSize;
        if (end > covered) covered = end;
    }
    if (total > covered) std::memset(buffer + covered, 0, size_t(total - covered));
    *out = buffer;
    *outLength = uint32_t(total);
    return true;
}

bool start(uint8_t** out, uint32_t* outLength, PtpNikonLiveViewInfo* info) {
    if (!out || !outLength || !info) return false;
    *out = nullptr;
    *outLength = 0;
    *info = {};
    return true;
}

} // namespace

bool PtpNikon_HasCurrentHeader(uint8_t model) { return model_in(kCurrentHeader, model); }

uint32_t PtpNikon_FixedHeaderLength(uint8_t model) {
    if (model_in(kHeader64, model)) return 64;
    if (model_in(kHeader128, model)) return 128;
    if (model_in(kHeader384, model)) return 384;
    return 0;
}

bool PtpNikon_NormaliseLiveView(const uint8_t* data, uint32_t length, uint8_t model, uint8_t** out,
                                uint32_t* outLength, PtpNikonLiveViewInfo* info) {
    if (!start(out, outLength, info) || !data) return false;
    uint8_t raw[kHeaderRoom] = {};
    PtpNikonLiveViewInfo record = {};
    const uint8_t* jpeg = nullptr;
    if (PtpNikon_HasCurrentHeader(model)) {
        // Header length A and JPEG length B; the JPEG follows the header.
        ByteReader r = make_reader(data, length);
        const uint64_t headerEnd = uint64_t(read_u32_be(r)) + kCurrentHeaderPrefix;
        uint64_t jpegSize = read_u32_be(r);
        if (!r.ok || headerEnd > length) return false;
        if (jpegSize > length - headerEnd) jpegSize = length - headerEnd;
        // The header bytes as far as the record holds them and the data goes.
        uint64_t n = headerEnd;
        if (n > kHeaderRoom) n = kHeaderRoom;
        if (n > length - kCurrentHeaderPrefix) n = length - kCurrentHeaderPrefix;
        read_bytes(r, raw, size_t(n));
        record.jpegOffset = kRecordSize;
        record.jpegSize = uint32_t(jpegSize);
        jpeg = data + headerEnd;
    } else {
        const uint32_t header = PtpNikon_FixedHeaderLength(model);
        if (length < header) return false;
        ByteReader r = make_reader(data, length);
        read_bytes(r, raw, header < kHeaderRoom ? header : kHeaderRoom);
        record.jpegOffset = header + 8;
        record.jpegSize = length - header;
        jpeg = data + header;
    }
    decode_header(raw, &record);
    if (model_in(kClearByte68, model)) record.bytes68[0] = 0;
    if (!build(record, jpeg, length, out, outLength)) return false;
    *info = record;
    return true;
}

bool PtpNikon_NormaliseLiveViewEx(const uint8_t* data, uint32_t length, uint8_t** out,
                                  uint32_t* outLength, PtpNikonLiveViewInfo* info) {
    if (!start(out, outLength, info) || !data || length < kExFixedEnd) return false;
    ByteReader r = make_reader(data, length);
    const uint16_t version = be16_at(r, 0);
    size_t block = version == 1 ? kExBlockVersion1 : version == 2 ? kExBlockVersion2 : 0;
    const size_t blockEnd = block + (version == 2 ? kExVersion2Growth : 0) + kExBlockEnd;
    if (length < blockEnd) return false;

    PtpNikonLiveViewInfo record = {};
    const uint32_t jpegOffset = be32_at(r, 8);
    uint32_t jpegSize = be32_at(r, 12);
    // The JPEG goes to the same offset in the output, behind the record.
    if (jpegOffset > length || jpegOffset < kRecordSize) return false;
    if (jpegSize > length - jpegOffset) jpegSize = length - jpegOffset;
    record.jpegOffset = jpegOffset;
    record.jpegSize = jpegSize;

    record.areaWidth = be16_at(r, 16);
    record.areaHeight = be16_at(r, 18);
    record.words16[0] = be16_at(r, 20);
    record.words16[1] = be16_at(r, 22);
    record.zoomX = be16_at(r, 24);
    record.zoomY = be16_at(r, 26);
    record.words8[0] = be16_at(r, 28);
    record.words8[1] = be16_at(r, 30);
    record.bytes48[1] = u8_at(r, 40);
    record.bytes38[0] = u8_at(r, 41);
    record.bytes48[0] = u8_at(r, 42);
    record.bytes68[71 - 68] = u8_at(r, 44);
    for (size_t i = 0; i < 4; ++i)
        record.words24[i] = be16_at(r, 48 + 2 * i);
    record.value64 = be32_at(r, block);
    if (version == 2) block += kExVersion2Growth;
    for (size_t i = 0; i < 4; ++i)
        record.bytes68[352 - 68 + i] = u8_at(r, block + 4 + i);
    record.bytes68[0] = u8_at(r, block + 8);
    record.words44[1] = be16_at(r, block + 16);
    record.bytes68[360 - 68] = u8_at(r, block + 18);
    record.orientation = u8_at(r, block + 19);
    for (size_t i = 0; i < 3; ++i)
        record.values52[i] = be16_at(r, block + 20 + 4 * i);
    if (!r.ok) return false;
    if (!build(record, data + jpegOffset, length, out, outLength)) return false;
    *info = record;
    return true;
}

void PtpNikon_StoreLastLiveViewInfo(const PtpNikonLiveViewInfo& info) {
    std::lock_guard<std::mutex> held(g_last.lock);
    g_last.info = info;
    g_last.any = true;
}

bool PtpNikon_CopyLastLiveViewInfo(PtpNikonLiveViewInfo* out) {
    if (!out) return false;
    std::lock_guard<std::mutex> held(g_last.lock);
    *out = g_last.info;
    return g_last.any;
}

// --- Exports ----------------------------------------------------------------------------

const PtpNikonLiveViewInfo* PtpNikonInterface_GetLastLiveViewInfo() { return &g_last.info; }

uint32_t PtpNikonInterface_GetLastLiveViewOrientation() {
    PtpNikonLiveViewInfo info;
    PtpNikon_CopyLastLiveViewInfo(&info);
    return PtpNikonInterface_ConvertLiveViewOrientation(info.orientation);
}

uint32_t PtpNikonInterface_ConvertLiveViewOrientation(uint8_t code) {
    switch (code) {
    case 1: return 8; // turned anticlockwise
    case 2: return 6; // turned clockwise
    case 3: return 3; // upside down
    default: return 1;
    }
}
