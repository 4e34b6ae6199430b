// Fuzzes the Nikon event data (u16 count, then {u16 code, u32 parameter}
// entries) against a store holding a few tracked properties. The camera is
// absent, so ObjectAdded and property entries whose reads fail are skipped.
// Beyond the sanitizers it checks that the parse succeeds for any data with a
// byte in it and that no more events are queued than whole entries arrived
// (0x500E may add one more).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_session.h"
#include "ptp/transaction.h"
#include "ptp_events.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    fuzz_no_camera(PtpVendor_Nikon);
    static bool ready = [] {
        for (uint32_t code : {0x500Eu, 0x5010u, 0x5004u, 0x5003u})
            if (PtpPropertyRecord* r = PtpAddPropertyRecord(code, false, true)) r->dataType = 4;
        return true;
    }();
    (void)ready;
    uint8_t* events = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (!events) return 0;
    if (size) std::memcpy(events, data, size);
    PtpResult rc = PtpNikon_ParseEventData(events, uint32_t(size));
    fuzz_check(size == 0 || rc == PtpResult_Ok, "result");
    size_t queued = 0;
    while (PopEventPtr())
        ++queued;
    fuzz_check(queued <= 2 * (size / 6 + 1), "more events than entries");
    std::free(events);
    return 0;
}
