// Fuzzes the Fujifilm image-size texts: the camera's 0x5003 text as input,
// looked up on every body, and the format string of every code built from
// the index found. Beyond the sanitizers it checks that a found index names a
// row with exactly that text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuji/fuji_formats.h"
#include "fuzz_support.h"
#include "generic/session.h"
#include "ptp_fuji.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the body; the rest is the text, cut at a NUL as the
    // store's labels are.
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    PtpSession_SetModel(uint8_t(16 + data[0] % 22));
    uint16_t index = PtpFuji_ImageSizeIndex(text.c_str());
    if (index != kFujiNoImageSize) {
        const PtpFujiImageSize* row = PtpFuji_ImageSizeRow(index);
        fuzz_check(row && std::strcmp(row->text, text.c_str()) == 0, "index names another text");
    }
    uint32_t value = 0;
    fuzz_check(PtpFuji_TextValue(0x5003, text.c_str(), &value) && value == index,
               "text value differs");
    for (uint32_t quality : {0u, 2u, 3u, 6u, 7u, 0xFFu}) {
        const char* label = PtpFujiInterface_StringForImageFormat(
            0x02010000u | uint32_t(index & 0xFF) << 8 | quality);
        fuzz_check(label && std::strlen(label) < 32, "format string too long");
    }
    return 0;
}
