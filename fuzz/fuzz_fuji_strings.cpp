// Fuzzes the Fujifilm string values: the Lens F-Stop value (a PTP string of
// comma-separated hundredths) decoded and made the aperture list. Beyond the
// sanitizers it checks that a decode succeeds only when the whole string lies
// inside the data, stays within 128 characters, and that the list keeps at
// most 30 rows whose count matches the record.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuji/fuji_session.h"
#include "fuzz_support.h"
#include "generic/property_store.h"
#include "generic/session.h"

namespace {

PtpPropertyRecord* aperture() {
    static PtpPropertyRecord* record = [] {
        PtpSession_SetVendor(PtpVendor_Fujifilm);
        return PtpAddPropertyRecord(0x5007, false, true);
    }();
    return record;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PtpPropertyRecord* record = aperture();
    // Exact-size copy, so a read past the value is caught.
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(copy, data, size);
    char text[129];
    const bool decoded =
        PtpFuji_DecodeValueText(size ? copy : nullptr, uint32_t(size), text, sizeof text);
    std::free(copy);
    if (decoded) {
        fuzz_check(size >= 1 && 1 + 2 * size_t(data[0]) <= size, "decoded past the data");
        fuzz_check(std::strlen(text) > 0 && std::strlen(text) <= 128, "text length");
        fuzz_check(PtpFuji_SetApertureList(text) == PtpResult_Ok, "list not built");
        PtpRecordHold hold(record);
        fuzz_check(record->values && record->valueCount >= 1 && record->valueCount <= 30,
                   "list size");
    }
    return 0;
}
