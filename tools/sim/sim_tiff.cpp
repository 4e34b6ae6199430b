// Embedded JPEG images of TIFF-based raw files: IFD0 and its chain, IFD0's
// SubIFDs. Offsets and lengths come from the file and are checked against it
// before they are reported.
#include "sim_tiff.h"

#include "comms/bytes.h"

namespace {

constexpr uint16_t kTagCompression = 0x0103;
constexpr uint16_t kTagStripOffsets = 0x0111;
constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagStripByteCounts = 0x0117;
constexpr uint16_t kTagSubIfds = 0x014A;
constexpr uint16_t kTagJpegOffset = 0x0201;
constexpr uint16_t kTagJpegLength = 0x0202;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kCompressionJpeg = 6;
constexpr size_t kEntrySize = 12;
constexpr int kMaxIfds = 8; // a chain longer than this (or a loop) is not followed
constexpr int kMaxSubIfds = 4;

struct Tiff {
    const uint8_t* p;
    size_t len;
    bool big_endian;
};

uint16_t get16(const Tiff& t, size_t at, bool* ok) {
    ByteReader r = make_reader(t.p, t.len);
    skip(r, at);
    uint16_t v = t.big_endian ? read_u16_be(r) : read_u16(r);
    if (!r.ok) *ok = false;
    return v;
}

uint32_t get32(const Tiff& t, size_t at, bool* ok) {
    ByteReader r = make_reader(t.p, t.len);
    skip(r, at);
    uint32_t v = t.big_endian ? read_u32_be(r) : read_u32(r);
    if (!r.ok) *ok = false;
    return v;
}

// What one IFD says about images.
struct Ifd {
    bool ok = true;
    uint32_t next = 0;
    uint16_t compression = 0;
    uint32_t orientation = 0;
    uint32_t strip_offset = 0, strip_len = 0; // single-strip images only
    uint32_t jpeg_offset = 0, jpeg_len = 0;
    uint32_t sub_ifds[kMaxSubIfds] = {};
    uint32_t sub_count = 0;
};

// An entry's value: a SHORT or a LONG held in the entry itself.
uint32_t entry_value(const Tiff& t, size_t entry, bool* ok) {
    uint16_t type = get16(t, entry + 2, ok);
    return type == kTypeShort ? get16(t, entry + 8, ok) : get32(t, entry + 8, ok);
}

Ifd read_ifd(const Tiff& t, uint32_t at) {
    Ifd ifd;
    uint16_t count = get16(t, at, &ifd.ok);
    if (!ifd.ok || (t.len - at - 2) / kEntrySize < count) {
        ifd.ok = false;
        return ifd;
    }
    for (uint16_t i = 0; i < count; ++i) {
        size_t e = size_t(at) + 2 + kEntrySize * i;
        uint16_t tag = get16(t, e, &ifd.ok);
        uint32_t n = get32(t, e + 4, &ifd.ok);
        switch (tag) {
        case kTagCompression: ifd.compression = uint16_t(entry_value(t, e, &ifd.ok)); break;
        case kTagOrientation: ifd.orientation = entry_value(t, e, &ifd.ok); break;
        case kTagStripOffsets:
            if (n == 1) ifd.strip_offset = entry_value(t, e, &ifd.ok);
            break;
        case kTagStripByteCounts:
            if (n == 1) ifd.strip_len = entry_value(t, e, &ifd.ok);
            break;
        case kTagJpegOffset: ifd.jpeg_offset = entry_value(t, e, &ifd.ok); break;
        case kTagJpegLength: ifd.jpeg_len = entry_value(t, e, &ifd.ok); break;
        case kTagSubIfds: {
            // One offset in the entry, or an array of LONGs elsewhere.
            uint32_t list = n == 1 ? uint32_t(e + 8) : get32(t, e + 8, &ifd.ok);
            for (uint32_t k = 0; k < n && ifd.sub_count < kMaxSubIfds; ++k)
                ifd.sub_ifds[ifd.sub_count++] = get32(t, size_t(list) + 4 * k, &ifd.ok);
            break;
        }
        default: break;
        }
    }
    ifd.next = get32(t, size_t(at) + 2 + kEntrySize * count, &ifd.ok);
    return ifd;
}

bool inside(const Tiff& t, uint32_t offset, uint32_t len) {
    return len > 0 && offset <= t.len && t.len - offset >= len;
}

void consider_preview(const Tiff& t, uint32_t offset, uint32_t len, SimTiffFacts* f) {
    if (inside(t, offset, len) && len > f->preview_len) {
        f->preview_offset = offset;
        f->preview_len = len;
    }
}

void consider_images(const Tiff& t, const Ifd& ifd, SimTiffFacts* f) {
    consider_preview(t, ifd.jpeg_offset, ifd.jpeg_len, f);
    if (ifd.compression == kCompressionJpeg)
        consider_preview(t, ifd.strip_offset, ifd.strip_len, f);
}

} // namespace

SimTiffFacts SimTiff_Inspect(const uint8_t* data, size_t len) {
    SimTiffFacts f;
    if (!data || len < 8) return f;
    Tiff t{data, len, false};
    if (data[0] == 'I' && data[1] == 'I')
        t.big_endian = false;
    else if (data[0] == 'M' && data[1] == 'M')
        t.big_endian = true;
    else
        return f;
    bool ok = true;
    if (get16(t, 2, &ok) != 42) return f;
    f.is_tiff = true;

    uint32_t at = get32(t, 4, &ok);
    for (int index = 0; ok && at != 0 && index < kMaxIfds; ++index) {
        Ifd ifd = read_ifd(t, at);
        if (!ifd.ok) break;
        if (index == 0) {
            f.orientation = ifd.orientation;
            // IFD0's strip is the preview of CR2 files; IFD0's SubIFDs hold the
            // full-size JPEG of NEF files. The raw data itself lies in later
            // IFDs and SubIFDs, often also marked JPEG (lossless), so only the
            // strips of IFD0 count.
            consider_images(t, ifd, &f);
            for (uint32_t k = 0; k < ifd.sub_count; ++k) {
                Ifd sub = read_ifd(t, ifd.sub_ifds[k]);
                if (sub.ok) consider_preview(t, sub.jpeg_offset, sub.jpeg_len, &f);
            }
        } else if (index == 1 && inside(t, ifd.jpeg_offset, ifd.jpeg_len)) {
            f.thumb_offset = ifd.jpeg_offset;
            f.thumb_len = ifd.jpeg_len;
        }
        at = ifd.next;
    }
    if (f.preview_len == 0 && f.thumb_len > 0) {
        f.preview_offset = f.thumb_offset;
        f.preview_len = f.thumb_len;
    }
    return f;
}
