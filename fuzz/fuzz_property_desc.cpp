// DevicePropDesc data sets into a property record, and raw values applied to
// it, as they arrive from the camera.
#include <cstdint>
#include <cstring>

#include "generic/property_store.h"
#include "generic/session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the vendor, whose quirks apply while parsing.
    const PtpVendor vendors[] = {PtpVendor_None, PtpVendor_Canon, PtpVendor_Nikon, PtpVendor_Sony,
                                 PtpVendor_Fujifilm};
    PtpSession_SetVendor(vendors[data[0] % 5]);
    ++data;
    --size;
    PtpClearPropertyStore();
    uint32_t code = size >= 2 ? uint32_t(data[0] | data[1] << 8) : 0x5007;
    PtpPropertyRecord* record = PtpAddPropertyRecord(code, false, false);
    if (!record) return 0;
    if (PtpParsePropertyDescription(record, data, uint32_t(size))) {
        // Whatever parsed must be self-consistent.
        if ((record->valueCount == 0) != (record->values == nullptr)) __builtin_trap();
        if (std::strlen(record->currentLabel) >= sizeof record->currentLabel) __builtin_trap();
        for (uint16_t i = 0; i < record->valueCount; ++i)
            if (std::strlen(record->values[i].label) >= sizeof record->values[i].label)
                __builtin_trap();
    }
    // The same bytes as a bare value.
    PtpApplyPropertyValue(code, data, uint32_t(size));
    PtpIsPropertyValueAllowed(code, size ? data[0] : 0);
    return 0;
}
