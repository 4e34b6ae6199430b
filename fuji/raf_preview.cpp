// The preview of a Fujifilm raw file (RAF): the camera embeds a whole EXIF
// JPEG near the start of the file, after the file's own header.
#include "comms/bytes.h"
#include "fuji/fuji_formats.h"
#include "generic/objects.h"

namespace {

constexpr uint16_t kFormatRaf = 0xB111;
// The JPEG starts within the header's first bytes; searching further would
// only find JPEG-like bytes in the raw data.
constexpr size_t kSearchLimit = 500;
constexpr uint32_t kExifJpegStart = 0xFFD8FFE1; // SOI, then an APP1 (EXIF) segment

} // namespace

bool PtpFuji_FindRafPreview(uint16_t format, const uint8_t* data, uint32_t length, uint64_t* offset,
                            uint32_t* size) {
    *offset = 0;
    *size = 0;
    if (format != kFormatRaf || !data) return false;
    for (size_t p = 0; p < kSearchLimit && length - p > 4; ++p) {
        ByteReader r = make_reader(data + p, length - p);
        if (read_u32_be(r) != kExifJpegStart) continue;
        // A JPEG without its end (a cut file) is no preview.
        uint32_t end = PtpFindJpegEnd(data + p, uint32_t(length - p));
        if (end == 0) return false;
        *offset = p;
        *size = end;
        return true;
    }
    return false;
}
