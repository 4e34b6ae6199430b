// Fuzzes the ObjectInfo parser with the data set as a camera returns it. The
// first byte picks the form (the thumbnail gap of Canon's 0x9170 layout, and
// where the data set ends); the rest is the data set. Beyond the
// sanitizers it checks what the host and the cache rely on: texts that end
// inside their fields, a name length that matches the name, and a record left
// untouched when the parse fails.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "generic/objects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size - 1 > UINT32_MAX) return 0;
    const uint8_t selector = data[0];
    PtpObjectInfoForm form;
    form.thumbGap = (selector & 0x80) ? 4 : 0;
    form.end = PtpObjectInfoEnd((selector & 0x7F) % 3);
    const uint8_t* set = data + 1;
    const uint32_t length = uint32_t(size - 1);

    PtpObjectInfo info;
    std::memset(&info, 0xA5, sizeof info);
    PtpObjectInfo before = info;
    PtpResult rc = PtpParseObjectInfo(&info, length ? set : nullptr, length, form);
    if (rc != PtpResult_Ok) {
        fuzz_check(rc == PtpResult_DataSetParseFailed, "unexpected result");
        fuzz_check(std::memcmp(&info, &before, sizeof info) == 0,
                   "record changed by a failed parse");
        return 0;
    }
    fuzz_check(std::memchr(info.fileName, '\0', sizeof info.fileName) != nullptr,
               "fileName not terminated");
    fuzz_check(std::memchr(info.keywords, '\0', sizeof info.keywords) != nullptr,
               "keywords not terminated");
    size_t name = std::strlen(info.fileName);
    fuzz_check(info.fileNameLength == 0 || info.fileNameLength == name + 1, "fileNameLength wrong");
    fuzz_check(info.fileNameLength != 0 || name == 0, "a name without a length");
    fuzz_check(info.orientation == 0, "orientation set by the parse");
    if (form.end == PtpObjectInfoEnd_FileName)
        fuzz_check(info.captureDate == 0 && info.keywords[0] == 0, "tail read past the name");
    fuzz_check(info.flags == 0, "flags not cleared");

    // What the event queue and the cache do with a record: 612 bytes out.
    uint8_t wire[PTP_OBJECT_INFO_SIZE];
    std::memcpy(wire, &info, sizeof wire);
    return 0;
}
