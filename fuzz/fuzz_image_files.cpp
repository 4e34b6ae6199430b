// Fuzzes the image-file inspection with a whole file as input: the thumbnail
// extraction, the preview finder under every raw format, and the JPEG end
// finder. Beyond the sanitizers it checks that every result lies inside the
// file and that a thumbnail is a copy of bytes of the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "generic/objects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    const uint32_t length = uint32_t(size);
    const uint8_t* file = size ? data : nullptr;

    uint8_t orientation = 0;
    uint8_t* thumb = nullptr;
    uint32_t n = PtpGenericInterface_ExtractThumbnail(file, length, &orientation, &thumb);
    fuzz_check((n == 0) == (thumb == nullptr), "thumbnail size and buffer disagree");
    if (thumb) {
        fuzz_check(n <= length, "thumbnail larger than the file");
        // The copy is some run of the file's bytes.
        bool found = false;
        for (size_t at = 0; !found && at + n <= size; ++at)
            found = std::memcmp(data + at, thumb, n) == 0;
        fuzz_check(found, "thumbnail is not taken from the file");
        std::free(thumb);
    }

    static const uint16_t kFormats[] = {0xB103, 0x3000, 0xB101, 0xB108, 0xB111, 0x3801};
    for (uint16_t format : kFormats) {
        uint32_t offset = 1, previewLength = 1;
        bool ok =
            PtpGenericInterface_ExtractPreviewOffset(file, length, &offset, &previewLength, format);
        if (ok) {
            fuzz_check(previewLength > 0, "empty preview");
            fuzz_check(uint64_t(offset) + previewLength <= size, "preview outside the file");
        } else {
            fuzz_check(offset == 0 && previewLength == 0, "outputs not cleared on failure");
        }
    }

    uint32_t end = PtpFindJpegEnd(file, length);
    fuzz_check(end <= length, "JPEG end past the data");
    fuzz_check(end == 0 || end >= 4, "JPEG end inside SOI");
    return 0;
}
