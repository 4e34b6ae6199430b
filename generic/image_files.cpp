// Image-file inspection: the thumbnail inside an EXIF/TIFF file, the JPEG
// preview inside a raw file, and the end of a JPEG. A file is read by its
// format, whatever camera is connected.
//
// Raw files are not walked IFD by IFD: a 12-byte window slides over the file
// one byte at a time and is tested as an IFD entry, jumping a whole entry after
// each hit. Every read goes through the checked cursor, so a window, a value
// or a text never reaches past the data, and a result is handed out only when
// it lies inside the data.
#include <cstdlib>
#include <cstring>

#include "comms/bytes.h"
#include "generic/driver.h"
#include "generic/objects.h"

namespace {

constexpr uint16_t kTiffAscii = 2;
constexpr uint16_t kTiffShort = 3;
constexpr uint16_t kTiffLong = 4;
constexpr uint16_t kTiffUndefined = 7;

constexpr uint16_t kTagModel = 0x0110;
constexpr uint16_t kTagStripOffsets = 0x0111;
constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagStripByteCounts = 0x0117;
constexpr uint16_t kTagJpegOffset = 0x0201;
constexpr uint16_t kTagJpegLength = 0x0202;
constexpr uint16_t kTagMakerNote = 0x927C;

constexpr size_t kEntrySize = 12;
constexpr size_t kTiffHeaderSize = 8;
// A raw file's TIFF header sits at its start; a little slack for wrappers.
constexpr size_t kPreviewHeaderLimit = 500;

// "II*\0" and "MM\0*" read as little-endian u32.
constexpr uint32_t kTiffLittleEndian = 0x002A4949;
constexpr uint32_t kTiffBigEndian = 0x2A004D4D;

// A Nikon MakerNote starts "Nikon\0", two version bytes and two zero bytes,
// then a TIFF header of its own; offsets inside it count from that header.
const uint8_t kNikonMakerNoteTag[6] = {'N', 'i', 'k', 'o', 'n', 0};
constexpr size_t kNikonMakerNoteHeaderAt = 10;

// Nikon models whose NEF carries a third JPEG, the largest preview.
const char* const kThreePreviewModels[] = {"NIKON Z 9", "NIKON Z 8", "NIKON Z6_3", "NIKON Z5_2"};

constexpr uint16_t kJpegSoi = 0xFFD8;
constexpr uint16_t kJpegEoi = 0xFFD9;
constexpr uint16_t kJpegSos = 0xFFDA;
constexpr uint32_t kJpegMinLength = 5;

// Reads in the file's byte order, by absolute position; 0 outside the data.
uint16_t u16_at(const uint8_t* data, size_t len, size_t at, bool bigEndian) {
    ByteReader r = make_reader(data, len);
    if (!skip(r, at)) return 0;
    return bigEndian ? read_u16_be(r) : read_u16(r);
}

uint32_t u32_at(const uint8_t* data, size_t len, size_t at, bool bigEndian) {
    ByteReader r = make_reader(data, len);
    if (!skip(r, at)) return 0;
    return bigEndian ? read_u32_be(r) : read_u32(r);
}

// The first TIFF header at a position below limit with more than 4 bytes from
// it to the end.
bool find_tiff_header(const uint8_t* data, size_t len, size_t limit, size_t* at, bool* bigEndian) {
    for (size_t p = 0; p < limit && len - p > 4; ++p) {
        uint32_t magic = peek_u32(data, len, p);
        if (magic == kTiffLittleEndian || magic == kTiffBigEndian) {
            *at = p;
            *bigEndian = magic == kTiffBigEndian;
            return true;
        }
    }
    return false;
}

struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t value;      // the first 4 value bytes as a LONG
    uint16_t shortValue; // the first 2 value bytes as a SHORT
};

// The structure a window lies in: the file's TIFF, or a Nikon MakerNote with
// its own header and byte order.
struct TiffScan {
    const uint8_t* data;
    size_t len;
    size_t header;
    bool bigEndian;
    bool inMakerNote = false; // a Nikon MakerNote was found
    size_t noteHeader = 0;    // its TIFF header
    size_t noteEnd = 0;       // its end, within the data
    bool noteBigEndian = false;

    bool in_note(size_t w) const {
        return inMakerNote && w >= noteHeader + kTiffHeaderSize && w < noteEnd;
    }
    size_t base(size_t w) const { return in_note(w) ? noteHeader : header; }
    bool big(size_t w) const { return in_note(w) ? noteBigEndian : bigEndian; }

    // Tests the window at w (the caller guarantees 12 bytes) as an IFD entry.
    Entry entry(size_t w) const {
        ByteReader r = make_reader(data, len);
        skip(r, w);
        bool be = big(w);
        Entry e;
        e.tag = be ? read_u16_be(r) : read_u16(r);
        e.type = be ? read_u16_be(r) : read_u16(r);
        e.count = be ? read_u32_be(r) : read_u32(r);
        e.shortValue = u16_at(data, len, r.pos, be);
        e.value = be ? read_u32_be(r) : read_u32(r);
        return e;
    }

    // Remembers the first Nikon MakerNote, so that the offsets inside it are
    // taken from its own header.
    void note_maker_note(const Entry& e, size_t w) {
        if (inMakerNote || e.tag != kTagMakerNote || e.type != kTiffUndefined) return;
        uint64_t start = uint64_t(base(w)) + e.value;
        if (start > len || len - start < kNikonMakerNoteHeaderAt + kTiffHeaderSize) return;
        ByteReader r = make_reader(data, len);
        skip(r, size_t(start));
        uint8_t tag[sizeof kNikonMakerNoteTag];
        if (!read_bytes(r, tag, sizeof tag) || std::memcmp(tag, kNikonMakerNoteTag, sizeof tag))
            return;
        size_t at = size_t(start) + kNikonMakerNoteHeaderAt;
        uint32_t magic = peek_u32(data, len, at);
        if (magic != kTiffLittleEndian && magic != kTiffBigEndian) return;
        inMakerNote = true;
        noteHeader = at;
        noteEnd = e.count < len - start ? size_t(start + e.count) : len;
        noteBigEndian = magic == kTiffBigEndian;
    }
};

// The tags the scans look at. Most windows are not entries at all, so each is
// first judged by its tag alone, read little-endian and compared with the
// tags as they appear in the file's byte order.
constexpr uint16_t byte_swapped(uint16_t constant) {
    return uint16_t((constant & 0xFF) << 8 | constant >> 8);
}

bool is_scanned_tag(const TiffScan& s, size_t w) {
    uint16_t raw = peek_u16(s.data, s.len, w);
    if (s.big(w)) {
        switch (raw) {
        case byte_swapped(kTagModel):
        case byte_swapped(kTagStripOffsets):
        case byte_swapped(kTagOrientation):
        case byte_swapped(kTagStripByteCounts):
        case byte_swapped(kTagJpegOffset):
        case byte_swapped(kTagJpegLength):
        case byte_swapped(kTagMakerNote): return true;
        default: return false;
        }
    }
    switch (raw) {
    case kTagModel:
    case kTagStripOffsets:
    case kTagOrientation:
    case kTagStripByteCounts:
    case kTagJpegOffset:
    case kTagJpegLength:
    case kTagMakerNote: return true;
    default: return false;
    }
}

bool lies_inside(uint64_t offset, uint64_t size, size_t len) {
    return size > 0 && offset <= len && size <= len - offset;
}

bool ascii_contains(const char* text, size_t n, const char* part) {
    size_t m = std::strlen(part);
    for (size_t i = 0; m <= n && i <= n - m; ++i) {
        size_t k = 0;
        while (k < m) {
            char a = text[i + k], b = part[k];
            if (a >= 'a' && a <= 'z') a = char(a - 'a' + 'A');
            if (a != b) break;
            ++k;
        }
        if (k == m) return true;
    }
    return false;
}

// Whether the Model entry names a camera that stores three previews. The text
// is taken from inside the data only.
bool is_three_preview_model(const TiffScan& s, const Entry& e, size_t w) {
    char text[64] = {};
    // A text of up to 4 bytes sits in the entry itself.
    uint64_t at = e.count <= 4 ? uint64_t(w) + 8 : uint64_t(s.base(w)) + e.value;
    if (at > s.len) return false;
    size_t n = e.count < sizeof text - 1 ? e.count : sizeof text - 1;
    if (n > s.len - at) n = size_t(s.len - at);
    ByteReader r = make_reader(s.data, s.len);
    skip(r, size_t(at));
    if (!read_bytes(r, text, n)) return false;
    for (const char* model : kThreePreviewModels)
        if (ascii_contains(text, n, model)) return true;
    return false;
}

// CR2: the full-size JPEG is IFD0's strip. Success when the second hit is its
// byte count, with its offset seen before it.
bool cr2_preview(TiffScan& s, size_t w, uint64_t* offset, uint32_t* size) {
    int hits = 0;
    bool haveOffset = false;
    while (w <= s.len && s.len - w >= kEntrySize) {
        bool hit = false;
        if (is_scanned_tag(s, w)) {
            Entry e = s.entry(w);
            bool single = e.type == kTiffLong && e.count == 1;
            if (single && e.tag == kTagStripOffsets) {
                *offset = uint64_t(s.base(w)) + e.value;
                haveOffset = hit = true;
                ++hits;
            } else if (single && e.tag == kTagStripByteCounts) {
                *size = e.value;
                hit = true;
                if (++hits == 2) return haveOffset;
            }
            s.note_maker_note(e, w);
        }
        if (hits >= 2) return false; // the second hit was not a byte count
        w += hit ? kEntrySize : 1;
    }
    return false;
}

// ARW and NEF: the JPEGInterchangeFormat pairs, counted in file order. The
// target is reached on a length hit right after its offset: ARW's first pair,
// NEF's second, and the third on the Nikon models that store three.
bool jpeg_preview(TiffScan& s, size_t w, bool nef, uint64_t* offset, uint32_t* size) {
    int hits = 0;
    int target = nef ? 4 : 2;
    bool lookForModel = nef;
    bool offsetPending = false;
    while (w <= s.len && s.len - w >= kEntrySize) {
        bool hit = false;
        if (is_scanned_tag(s, w)) {
            Entry e = s.entry(w);
            bool small = e.type == kTiffLong && e.count <= 1;
            if (small && e.tag == kTagJpegOffset) {
                *offset = uint64_t(s.base(w)) + e.value;
                offsetPending = true;
                hit = true;
                ++hits;
            } else if (small && e.tag == kTagJpegLength) {
                *size = e.value;
                hit = true;
                if (++hits == target) return offsetPending;
                offsetPending = false;
            } else if (lookForModel && e.tag == kTagModel && e.type == kTiffAscii) {
                lookForModel = false;
                if (is_three_preview_model(s, e, w)) target = 6;
            }
            s.note_maker_note(e, w);
        }
        if (hits >= target) return false; // passed the target on an offset hit
        w += hit ? kEntrySize : 1;
    }
    return false;
}

} // namespace

uint32_t PtpGenericInterface_ExtractThumbnail(const uint8_t* data, uint32_t length,
                                              uint8_t* orientation, uint8_t** buffer) {
    if (buffer) *buffer = nullptr;
    if (!data || !buffer) return 0;
    size_t header = 0;
    bool bigEndian = false;
    if (!find_tiff_header(data, length, length, &header, &bigEndian)) return 0;
    if (length - header <= kEntrySize) return 0;

    TiffScan s{data, length, header, bigEndian};
    // Each tag counts once: the first orientation is IFD0's, the image's own,
    // not the thumbnail's.
    bool haveOrientation = false, haveOffset = false, haveSize = false;
    uint16_t orient = 0;
    uint64_t offset = 0;
    uint32_t size = 0;
    size_t w = header;
    while (!(haveOrientation && haveOffset && haveSize) && s.len - w >= kEntrySize) {
        bool hit = false;
        if (is_scanned_tag(s, w)) {
            Entry e = s.entry(w);
            if (e.tag == kTagOrientation && e.type == kTiffShort) {
                if (!haveOrientation) orient = e.shortValue;
                haveOrientation = hit = true;
            } else if (e.tag == kTagJpegOffset && e.type == kTiffLong) {
                if (!haveOffset) offset = uint64_t(s.base(w)) + e.value;
                haveOffset = hit = true;
            } else if (e.tag == kTagJpegLength && e.type == kTiffLong) {
                if (!haveSize) size = e.value;
                haveSize = hit = true;
            }
            s.note_maker_note(e, w);
        }
        w += hit ? kEntrySize : 1;
    }
    if (!(haveOrientation && haveOffset && haveSize)) return 0;
    if (!lies_inside(offset, size, length)) return 0;

    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size));
    if (!copy) return 0;
    ByteReader r = make_reader(data, length);
    skip(r, size_t(offset));
    read_bytes(r, copy, size);
    *buffer = copy;
    if (orientation) *orientation = uint8_t(orient);
    return size;
}

// CR2, NEF and ARW: the TIFF header in the first 500 bytes, IFD0 inside the
// data, then the format's rule from IFD0's first entry on.
static bool tiff_preview(const uint8_t* data, uint32_t length, uint16_t format, uint64_t* found,
                         uint32_t* size) {
    size_t header = 0;
    bool bigEndian = false;
    if (!find_tiff_header(data, length, kPreviewHeaderLimit, &header, &bigEndian)) return false;
    uint64_t ifd0 = uint64_t(header) + u32_at(data, length, header + 4, bigEndian);
    if (ifd0 > length || length - ifd0 < 2) return false;
    uint16_t entries = u16_at(data, length, size_t(ifd0), bigEndian);
    // IFD0's entries must lie inside the data.
    if (uint64_t(entries) * kEntrySize > length - ifd0 - 2) return false;

    TiffScan s{data, length, header, bigEndian};
    size_t start = size_t(ifd0) + 2;
    if (format == kPtpFormatCr2) return cr2_preview(s, start, found, size);
    return jpeg_preview(s, start, format == kPtpFormatNef, found, size);
}

bool PtpGenericInterface_ExtractPreviewOffset(const uint8_t* data, uint32_t length,
                                              uint32_t* offset, uint32_t* previewLength,
                                              uint16_t format) {
    if (offset) *offset = 0;
    if (previewLength) *previewLength = 0;
    if (!data || !offset || !previewLength || length == 0) return false;

    uint64_t found = 0;
    uint32_t size = 0;
    bool ok = false;
    switch (format) {
    case kPtpFormatCr2:
    case kPtpFormatNef:
    case kPtpFormatArw: ok = tiff_preview(data, length, format, &found, &size); break;
    default:
        // A format of a vendor's own: the driver that knows it finds the preview.
        for (const PtpDriver* d : kPtpDrivers) {
            if (d->objects.findPreview &&
                d->objects.findPreview(format, data, length, &found, &size)) {
                ok = true;
                break;
            }
        }
        break;
    }
    // Whichever rule found it, a preview is reported only inside the data.
    if (!ok || !lies_inside(found, size, length)) return false;
    *offset = uint32_t(found);
    *previewLength = size;
    return true;
}

// --- JPEG end -----------------------------------------------------------------------

static uint16_t be16_at(const uint8_t* data, uint32_t length, size_t at) {
    return u16_at(data, length, at, /*bigEndian=*/true);
}

// The entropy-coded data after a scan header: a further SOS opens a nested
// scan, and the EOI that closes the outermost one ends the image.
static uint32_t entropy_end(const uint8_t* data, uint32_t length, size_t pos) {
    int depth = 1;
    for (; length - pos >= 2; ++pos) {
        uint16_t word = be16_at(data, length, pos);
        if (word == kJpegSos) {
            ++depth;
        } else if (word == kJpegEoi && --depth == 0) {
            return uint32_t(pos + 2);
        }
    }
    return 0;
}

uint32_t PtpFindJpegEnd(const uint8_t* data, uint32_t length) {
    if (!data || length < kJpegMinLength || be16_at(data, length, 0) != kJpegSoi) return 0;
    size_t pos = 2; // invariant: pos <= length
    while (length - pos >= 2) {
        uint16_t marker = be16_at(data, length, pos);
        if ((marker >> 8) != 0xFF) {
            pos += 2; // not a marker where one belongs: step over
            continue;
        }
        if (marker == kJpegEoi) return uint32_t(pos + 2);
        if (marker == kJpegSos) return entropy_end(data, length, pos + 2);
        // Every other marker carries a segment: its length field must be
        // there and the segment must end inside the data.
        if (length - pos < 4) return 0;
        uint16_t segment = be16_at(data, length, pos + 2);
        if (segment > length - pos - 2) return 0;
        pos += 2 + size_t(segment);
    }
    return 0;
}
