// The CR3 preview finder: where the large JPEG preview lies inside a CR3 file.
// Asked by the vendor-neutral file inspection for every file of format CR3,
// whichever camera (if any) the session has.
#include <cstddef>
#include <cstdint>

#include "comms/bytes.h"
#include "eos/eos_models.h"
#include "eos/eos_objects.h"

namespace {

// The boxes "JPEG", "stsz", "free" and "co64" as they appear in the file, read
// as little-endian u32.
constexpr uint32_t fourcc(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t kCodeJpeg = fourcc('J', 'P', 'E', 'G');
constexpr uint32_t kCodeStsz = fourcc('s', 't', 's', 'z');
constexpr uint32_t kCodeFree = fourcc('f', 'r', 'e', 'e');
constexpr uint32_t kCodeCo64 = fourcc('c', 'o', '6', '4');
// A sample size below this is not the preview's; the one before it is.
constexpr uint32_t kMinPreviewSize = 100000;
// The co64 offset's low word lies 16 bytes after the code.
constexpr size_t kCo64OffsetAt = 16;

// The first position at or after from where code starts; len when there is
// none with 4 bytes left.
size_t find_code(const uint8_t* data, size_t len, size_t from, uint32_t code) {
    for (size_t i = from; i < len && len - i >= 4; ++i)
        if (peek_u32(data, len, i) == code) return i;
    return len;
}

// The big-endian u32 at a position; 0 outside the data.
uint32_t be32_at(const uint8_t* data, size_t len, size_t at) {
    ByteReader r = make_reader(data, len);
    if (!skip(r, at)) return 0;
    return read_u32_be(r);
}

} // namespace

// The preview track is the one whose codec is JPEG; its sample size table
// follows, and the free box after the table closes the sample sizes. The chunk
// offset box after it holds the preview's offset.
bool PtpEos_FindPreview(uint16_t format, const uint8_t* data, uint32_t length, uint64_t* offset,
                        uint32_t* size) {
    if (format != kEosFormatCr3 || !data) return false;
    const size_t len = length;
    size_t j = find_code(data, len, 0, kCodeJpeg);
    size_t s = find_code(data, len, j, kCodeStsz);
    size_t f = find_code(data, len, s, kCodeFree);
    if (f >= len || f < 12) return false;
    *size = be32_at(data, len, f - 8);
    if (*size < kMinPreviewSize) *size = be32_at(data, len, f - 12);
    size_t c = find_code(data, len, f + 4, kCodeCo64);
    if (c >= len || len - c < kCo64OffsetAt + 4) return false;
    *offset = be32_at(data, len, c + kCo64OffsetAt);
    return true;
}
