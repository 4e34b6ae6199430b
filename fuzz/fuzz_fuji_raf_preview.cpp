// Fuzzes the Fujifilm RAF preview finder with a whole file as input. Beyond
// the sanitizers it checks that a found preview is a JPEG inside the file and
// that a miss leaves both outputs 0.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuji/fuji_formats.h"

static void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz_fuji_raf_preview: %s\n", what);
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    uint64_t offset = 1;
    uint32_t length = 1;
    if (!PtpFuji_FindRafPreview(0xB111, size ? data : nullptr, uint32_t(size), &offset, &length)) {
        check(offset == 0 && length == 0, "a miss reports a preview");
        return 0;
    }
    check(length > 0 && offset < size && length <= size - offset, "preview outside the file");
    check(data[offset] == 0xFF && data[offset + 1] == 0xD8, "preview is not a JPEG");
    return 0;
}
