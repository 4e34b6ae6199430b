// Fuzzes the Nikon bulk property-description block as the Tetherhub returns it
// for control 235: {u32 L, L bytes of DevicePropDesc} records. The camera is
// absent (every transaction fails at once), as when the link drops mid-start.
// Beyond the sanitizers it checks that a success stored a record and that
// every stored record's label ends inside its field and its list matches its
// count.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_session.h"
#include "ptp/transaction.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    fuzz_no_camera(PtpVendor_Nikon);
    uint8_t* block = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (!block) return 0;
    if (size) std::memcpy(block, data, size);
    PtpResult rc = PtpNikon_ParsePropertyDescriptionBlock(block, uint32_t(size));
    if (rc == PtpResult_Ok) fuzz_check(PtpPropertyCount() > 0, "success without a record");
    for (uint16_t i = 0; i < PtpPropertyCount(); ++i) {
        PtpPropertyRecord* r = PtpPropertyAt(i);
        if (!r) break;
        PtpRecordHold hold(r);
        fuzz_check(std::memchr(r->currentLabel, 0, sizeof r->currentLabel) != nullptr, "label");
        fuzz_check(r->valueCount == 0 || r->values != nullptr, "list");
    }
    std::free(block);
    return 0;
}
