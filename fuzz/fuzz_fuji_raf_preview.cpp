// Fuzzes the Fujifilm RAF preview finder with a whole file as input. Beyond
// the sanitizers it checks that a found preview is a JPEG inside the file and
// that a miss leaves both outputs 0.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuji/fuji_formats.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    uint64_t offset = 1;
    uint32_t length = 1;
    if (!PtpFuji_FindRafPreview(0xB111, size ? data : nullptr, uint32_t(size), &offset, &length)) {
        fuzz_check(offset == 0 && length == 0, "a miss reports a preview");
        return 0;
    }
    fuzz_check(length > 0 && offset < size && length <= size - offset, "preview outside the file");
    fuzz_check(data[offset] == 0xFF && data[offset + 1] == 0xD8, "preview is not a JPEG");
    return 0;
}
