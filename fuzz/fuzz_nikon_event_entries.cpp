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

#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_session.h"
#include "ptp/transaction.h"
#include "ptp_events.h"

namespace {

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz_nikon_event_entries: %s\n", what);
    std::abort();
}

PtpResult no_send(const uint8_t*, uint32_t) { return PtpResult_ConnectionLost; }
PtpResult no_receive(uint8_t** out) {
    *out = nullptr;
    return PtpResult_ConnectionLost;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    static bool ready = [] {
        PtpSession_SetVendor(PtpVendor_Nikon);
        PtpTransaction_SetTransport(no_send, no_receive);
        for (uint32_t code : {0x500Eu, 0x5010u, 0x5004u, 0x5003u})
            if (PtpPropertyRecord* r = PtpAddPropertyRecord(code, false, true)) r->dataType = 4;
        return true;
    }();
    (void)ready;
    uint8_t* events = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (!events) return 0;
    if (size) std::memcpy(events, data, size);
    PtpResult rc = PtpNikon_ParseEventData(events, uint32_t(size));
    check(size == 0 || rc == PtpResult_Ok, "result");
    size_t queued = 0;
    while (PopEventPtr())
        ++queued;
    check(queued <= 2 * (size / 6 + 1), "more events than entries");
    std::free(events);
    return 0;
}
