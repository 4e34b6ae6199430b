// JPEG inspection: marker segments up to the image data, the frame header for
// the size and the EXIF APP1 segment for the orientation (IFD0) and the
// thumbnail (IFD1's JPEGInterchangeFormat and JPEGInterchangeFormatLength,
// offsets from the TIFF header). Every read is bounds-checked; hostile or truncated files give
// whatever was found before the damage.
#include "sim_jpeg.h"

#include "comms/bytes.h"

#include <cstring>
#include <iterator>

namespace {

constexpr uint8_t kMarkerSoi = 0xD8;
constexpr uint8_t kMarkerEoi = 0xD9;
constexpr uint8_t kMarkerSos = 0xDA;
constexpr uint8_t kMarkerApp1 = 0xE1;
constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagThumbOffset = 0x0201;
constexpr uint16_t kTagThumbLength = 0x0202;
constexpr uint16_t kTiffShort = 3;
constexpr uint16_t kTiffLong = 4;
// Bounds the IFD walk of a hostile file.
constexpr uint16_t kMaxIfdEntries = 1024;

// Frame headers: SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
bool is_frame_header(uint8_t m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// Markers that stand alone, without a length: TEM and RST0..RST7.
bool is_standalone(uint8_t m) { return m == 0x01 || (m >= 0xD0 && m <= 0xD7); }

struct TiffReader {
    ByteReader r;
    bool big_endian = false;
};

uint16_t tiff_u16(TiffReader& t) { return t.big_endian ? read_u16_be(t.r) : read_u16(t.r); }
uint32_t tiff_u32(TiffReader& t) { return t.big_endian ? read_u32_be(t.r) : read_u32(t.r); }

bool tiff_seek(TiffReader& t, uint32_t at) {
    if (at > t.r.len) {
        t.r.ok = false;
        return false;
    }
    t.r.pos = at;
    return true;
}

// One IFD entry's value: a SHORT sits in the first two bytes of the 4-byte
// value field, a LONG fills it.
bool read_ifd_entry(TiffReader& t, uint16_t* tag, uint16_t* type, uint32_t* value) {
    *tag = tiff_u16(t);
    *type = tiff_u16(t);
    tiff_u32(t); // count
    TiffReader field = t;
    field.r = make_reader(t.r.p + t.r.pos, bytes_left(t.r) < 4 ? 0 : 4);
    *value = *type == kTiffShort ? tiff_u16(field) : tiff_u32(field);
    return skip(t.r, 4);
}

// What an EXIF block (the TIFF structure after "Exif\0\0") tells: the
// orientation in IFD0 and the thumbnail in IFD1, as an offset from the start of
// the block. Fields not found stay as they were.
void exif_facts(const uint8_t* tiff, size_t n, uint32_t* orientation, size_t* offset, size_t* len) {
    TiffReader t;
    t.r = make_reader(tiff, n);
    uint8_t order[2] = {};
    read_bytes(t.r, order, 2);
    if (order[0] == 'M' && order[1] == 'M')
        t.big_endian = true;
    else if (order[0] != 'I' || order[1] != 'I')
        return;
    if (tiff_u16(t) != 42) return;
    uint32_t ifd0 = tiff_u32(t);
    if (!t.r.ok || !tiff_seek(t, ifd0)) return;
    uint16_t count = tiff_u16(t);
    if (!t.r.ok || count > kMaxIfdEntries) return;
    for (uint16_t i = 0; i < count; ++i) {
        uint16_t tag = 0, type = 0;
        uint32_t value = 0;
        if (!read_ifd_entry(t, &tag, &type, &value)) return;
        if (tag == kTagOrientation && type == kTiffShort) *orientation = value;
    }
    uint32_t ifd1 = tiff_u32(t);
    if (!t.r.ok || ifd1 == 0 || ifd1 == ifd0 || !tiff_seek(t, ifd1)) return;
    count = tiff_u16(t);
    if (!t.r.ok || count > kMaxIfdEntries) return;

    bool have_offset = false, have_len = false;
    uint32_t thumb_at = 0, thumb_len = 0;
    for (uint16_t i = 0; i < count; ++i) {
        uint16_t tag = 0, type = 0;
        uint32_t value = 0;
        if (!read_ifd_entry(t, &tag, &type, &value)) return;
        if (type != kTiffShort && type != kTiffLong) continue;
        if (tag == kTagThumbOffset) {
            thumb_at = value;
            have_offset = true;
        } else if (tag == kTagThumbLength) {
            thumb_len = value;
            have_len = true;
        }
    }
    if (!have_offset || !have_len || thumb_len == 0) return;
    if (thumb_at > n || n - thumb_at < thumb_len) return;
    *offset = thumb_at;
    *len = thumb_len;
}

// The sim's own picture: a 16 x 16 baseline JPEG (JFIF, 4:2:0, optimised
// Huffman tables) of a sun over a field.
const uint8_t kSmallPicture[] = {
    0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01,
    0x00, 0x01, 0x00, 0x00, 0xFF, 0xDB, 0x00, 0x43, 0x00, 0x06, 0x04, 0x05, 0x06, 0x05, 0x04, 0x06,
    0x06, 0x05, 0x06, 0x07, 0x07, 0x06, 0x08, 0x0A, 0x10, 0x0A, 0x0A, 0x09, 0x09, 0x0A, 0x14, 0x0E,
    0x0F, 0x0C, 0x10, 0x17, 0x14, 0x18, 0x18, 0x17, 0x14, 0x16, 0x16, 0x1A, 0x1D, 0x25, 0x1F, 0x1A,
    0x1B, 0x23, 0x1C, 0x16, 0x16, 0x20, 0x2C, 0x20, 0x23, 0x26, 0x27, 0x29, 0x2A, 0x29, 0x19, 0x1F,
    0x2D, 0x30, 0x2D, 0x28, 0x30, 0x25, 0x28, 0x29, 0x28, 0xFF, 0xDB, 0x00, 0x43, 0x01, 0x07, 0x07,
    0x07, 0x0A, 0x08, 0x0A, 0x13, 0x0A, 0x0A, 0x13, 0x28, 0x1A, 0x16, 0x1A, 0x28, 0x28, 0x28, 0x28,
    0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28,
    0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28,
    0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0x28, 0xFF, 0xC0,
    0x00, 0x11, 0x08, 0x00, 0x10, 0x00, 0x10, 0x03, 0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11,
    0x01, 0xFF, 0xC4, 0x00, 0x17, 0x00, 0x00, 0x03, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x06, 0x07, 0xFF, 0xC4, 0x00, 0x27, 0x10, 0x00,
    0x01, 0x02, 0x03, 0x05, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
    0x00, 0x05, 0x02, 0x03, 0x11, 0x04, 0x16, 0x54, 0x93, 0xD1, 0x12, 0x15, 0x21, 0x24, 0x31, 0x41,
    0x51, 0x62, 0x91, 0xFF, 0xC4, 0x00, 0x15, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x05, 0xFF, 0xC4, 0x00, 0x20, 0x11, 0x00,
    0x02, 0x02, 0x01, 0x03, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
    0x02, 0x03, 0x11, 0x21, 0x00, 0x04, 0x61, 0x05, 0x12, 0x22, 0x31, 0x41, 0xFF, 0xDA, 0x00, 0x0C,
    0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00, 0xAB, 0xDD, 0x9E, 0xA9, 0x9C, 0xF6,
    0x9B, 0x00, 0x6A, 0x80, 0xCB, 0x1C, 0xD5, 0x05, 0x4E, 0xD7, 0x12, 0x7B, 0x82, 0x3C, 0x75, 0xF8,
    0x16, 0x6D, 0x7D, 0x1D, 0xF1, 0x63, 0x2A, 0x0D, 0x11, 0x7D, 0x1D, 0xF1, 0x63, 0x2A, 0x0D, 0x12,
    0xEE, 0xBA, 0xCA, 0xCE, 0xD1, 0xB2, 0xB3, 0xAF, 0x69, 0xBC, 0x57, 0x97, 0x07, 0x3E, 0xB5, 0x16,
    0x22, 0xB1, 0x86, 0x05, 0x2E, 0xC5, 0x67, 0xE7, 0x23, 0x5F, 0xFF, 0xD9,

};

} // namespace

SimJpegFacts SimJpeg_Inspect(const uint8_t* data, size_t len) {
    SimJpegFacts f;
    if (!data || len < 4 || data[0] != 0xFF || data[1] != kMarkerSoi) return f;
    f.is_jpeg = true;
    bool have_frame = false, have_exif = false;
    size_t pos = 2;
    while (len - pos >= 4) {
        if (data[pos] != 0xFF) break;
        uint8_t m = data[pos + 1];
        if (m == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        if (is_standalone(m)) {
            pos += 2;
            continue;
        }
        if (m == kMarkerEoi || m == kMarkerSos) break;
        size_t seg = size_t(data[pos + 2]) << 8 | data[pos + 3]; // big-endian, itself included
        if (seg < 2 || seg > len - pos - 2) break;
        const uint8_t* body = data + pos + 4;
        size_t body_len = seg - 2;
        if (!have_frame && is_frame_header(m) && body_len >= 6) {
            ByteReader r = make_reader(body, body_len);
            uint8_t precision = read_u8(r);
            f.height = read_u16_be(r);
            f.width = read_u16_be(r);
            f.bit_depth = uint32_t(precision) * read_u8(r);
            have_frame = true;
        } else if (!have_exif && m == kMarkerApp1 && body_len >= 6 &&
                   std::memcmp(body, "Exif\0\0", 6) == 0) {
            have_exif = true;
            size_t at = 0, n = 0;
            exif_facts(body + 6, body_len - 6, &f.orientation, &at, &n);
            if (n > 0) {
                f.thumb_offset = size_t(body + 6 - data) + at;
                f.thumb_len = n;
            }
        }
        pos += 2 + seg;
    }
    return f;
}

std::shared_ptr<const std::vector<uint8_t>> SimJpeg_SmallPicture() {
    static const std::shared_ptr<const std::vector<uint8_t>> picture =
        std::make_shared<const std::vector<uint8_t>>(std::begin(kSmallPicture),
                                                     std::end(kSmallPicture));
    return picture;
}
