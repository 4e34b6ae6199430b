// Fuzzes the Fujifilm Focus Area value (a PTP string "x,y,s"). Beyond the
// sanitizers it checks that a parse succeeds only when the whole string lies
// inside the data, gives fields within their bounds, and that every area the
// library can write reads back as written.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "comms/bytes.h"
#include "fuji/fuji_live_view.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exact-size copy, so a read past the value is caught.
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(copy, data, size);
    int32_t x = 0, y = 0, s = 0;
    const bool parsed = PtpFuji_ParseFocusArea(size ? copy : nullptr, uint32_t(size), &x, &y, &s);
    std::free(copy);
    if (!parsed) return 0;
    fuzz_check(size >= 1 && 1 + 2 * size_t(data[0]) <= size, "parsed past the data");
    fuzz_check(x >= -19 && x <= 19 && y >= -19 && y <= 19 && s >= 0 && s <= 9,
               "field out of bounds");
    char text[16];
    if (PtpFuji_FormatFocusArea(x, y, s, text, sizeof text) == 0) return 0;
    fuzz_check(std::strlen(text) <= kFujiFocusAreaMaxText, "text too long");
    ByteWriter w;
    write_ptp_string(w, text);
    int32_t rx = 0, ry = 0, rs = 0;
    fuzz_check(PtpFuji_ParseFocusArea(w.buf.data(), uint32_t(w.buf.size()), &rx, &ry, &rs) &&
                   rx == x && ry == y && rs == s,
               "written area reads back differently");
    return 0;
}
