// What the fuzz targets share: the failure report and the absent camera.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "generic/session.h"
#include "ptp/transaction.h"

// A broken promise of the code under test: report it and abort, so libFuzzer
// keeps the input as a crash.
inline void fuzz_check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

inline PtpResult fuzz_no_send(const uint8_t*, uint32_t) { return PtpResult_ConnectionLost; }
inline PtpResult fuzz_no_receive(uint8_t** out) {
    *out = nullptr;
    return PtpResult_ConnectionLost;
}

// Makes `vendor` the session's vendor with no camera behind it: every
// transaction fails at once, as when the link drops mid-start. Call it on each
// input; only the first call does anything.
inline void fuzz_no_camera(PtpVendor vendor) {
    static bool ready = [vendor] {
        PtpSession_SetVendor(vendor);
        PtpTransaction_SetTransport(fuzz_no_send, fuzz_no_receive);
        return true;
    }();
    (void)ready;
}
