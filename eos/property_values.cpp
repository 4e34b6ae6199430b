// Canon property values: writing one value, reading one back, waiting for a
// written value, and making the camera report every property again.
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>

#include "comms/bytes.h"
#include "eos/eos_session.h"
#include "generic/event_fetch.h"
#include "generic/event_loop.h"
#include "generic/property_store.h"
#include "ptp/transaction.h"

namespace {

// The block size the camera expects before each format of a compound.
constexpr uint32_t kCompoundBlock = 16;
// A plain value's data: length, code, value.
constexpr uint32_t kPlainWriteSize = 12;
constexpr uint32_t kEventModeOn = 1;
// The camera needs a moment after 0x9115 before its report is complete.
constexpr auto kReportDelay = std::chrono::milliseconds(100);
// A write is seen in the camera's event data; it is polled this often.
constexpr int kVerifyAttempts = 5;
constexpr auto kVerifyPause = std::chrono::milliseconds(100);

// The data phase of a write: u32 total length, u32 code, then the value. A
// packed image-format code goes out as its compound. False for a packed code
// whose count is not 1 or 2.
bool build_write(uint32_t code, uint32_t value, ByteWriter& w) {
    if (!PtpEos_IsImageFormatProperty(code)) {
        write_u32(w, kPlainWriteSize);
        write_u32(w, code);
        write_u32(w, value);
        return true;
    }
    PtpEosImageFormat f = PtpEos_UnpackImageFormat(value);
    if (f.count != 1 && f.count != 2) return false;
    write_u32(w, uint32_t(8 + PtpEos_CompoundSize(f.count)));
    write_u32(w, code);
    write_u32(w, f.count);
    write_u32(w, kCompoundBlock);
    write_u32(w, f.firstKind);
    write_u32(w, f.firstSize);
    write_u32(w, f.firstQuality);
    if (f.count == 2) {
        write_u32(w, kCompoundBlock);
        write_u32(w, f.secondKind);
        write_u32(w, f.secondSize);
        write_u32(w, f.secondQuality);
    }
    return true;
}

// Holds the event-fetch lock across a driver's own fetch.
struct FetchHold {
    FetchHold() { PtpEventLoop_LockFetch(); }
    ~FetchHold() { PtpEventLoop_UnlockFetch(); }
    FetchHold(const FetchHold&) = delete;
    FetchHold& operator=(const FetchHold&) = delete;
};

} // namespace

PtpResult PtpEos_WritePropertyValue(uint32_t code, uint32_t value) {
    ByteWriter w;
    try {
        if (!build_write(code, value, w)) return PtpResult_InvalidArgument;
    } catch (const std::bad_alloc&) {
        return PtpResult_OutOfMemory;
    }
    return PtpTransaction_ExecuteWithRetry(kEosOpSetPropertyValue, nullptr, 0, w.buf.data(),
                                           uint32_t(w.buf.size()), nullptr, nullptr, nullptr, 1);
}

PtpResult PtpEos_RequestPropertyValue(uint32_t code, uint8_t** data, uint32_t* length) {
    if (!data || !length) return PtpResult_InvalidArgument;
    *data = nullptr;
    *length = 0;
    PtpResult rc = PtpTransaction_ExecuteWithRetry(kEosOpRequestPropertyValue, &code, 1, nullptr, 0,
                                                   data, length, nullptr, 1);
    if (rc != PtpResult_Ok) {
        // Data that arrived before a failed response is not a value.
        std::free(*data);
        *data = nullptr;
        *length = 0;
    }
    return rc;
}

PtpResult PtpEos_RefreshAllProperties() {
    // No other fetch may take the camera's report between the request and
    // this parse of it.
    FetchHold held;
    const uint32_t on = kEventModeOn;
    PtpResult rc = PtpTransaction_ExecuteWithRetry(kEosOpSetEventMode, &on, 1, nullptr, 0, nullptr,
                                                   nullptr, nullptr, 1);
    if (rc != PtpResult_Ok) return rc;
    std::this_thread::sleep_for(kReportDelay);
    return PtpFetchEventsOnce(/*wait=*/true, /*lockHeld=*/true);
}

PtpResult PtpEos_RefreshDescription(uint32_t) { return PtpEos_RefreshAllProperties(); }

bool PtpEos_IsUnlistedProperty(uint32_t code) {
    return code == kEosPropEvfOutputDevice || code == kEosPropLensZoom;
}

PtpVerifyOutcome PtpEos_WaitForValue(uint32_t code, uint32_t value) {
    for (int attempt = 0; attempt < kVerifyAttempts; ++attempt) {
        PtpFetchEventsOnce(/*wait=*/true, /*lockHeld=*/false);
        PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
        if (!record) return PtpVerifyOutcome::Failed;
        bool seen = record->currentValue == value;
        PtpUnlockProperty(record);
        if (seen) return PtpVerifyOutcome::Verified;
        std::this_thread::sleep_for(kVerifyPause);
    }
    return PtpVerifyOutcome::Failed;
}
