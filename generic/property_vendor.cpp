#include "generic/property_vendor.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "eos/eos_session.h"
#include "fuji/live_view_restart.h"
#include "generic/event_fetch.h"
#include "generic/property_store.h"
#include "ptp/transaction.h"
#include "ptp_liveview.h"
#include "sony/property_controls.h"

namespace {

// A Canon write is seen in the camera's event data; it is polled this often.
constexpr int kCanonVerifyAttempts = 5;
constexpr int kCanonVerifyPauseMillis = 100;

// Sony exposure-program values above this are not reported back after a write.
constexpr uint32_t kExposureProgram = 0x500E;
constexpr uint32_t kSonyLastReportedProgram = 0x7804F;

std::atomic<PropertyVendorWriteFn> standInWrite{nullptr};

PtpResult write_without_driver(PtpVendor vendor, uint32_t code, uint32_t value) {
    PropertyVendorWriteFn write = standInWrite.load();
    if (!write) return PtpResult_NotSupportedForCamera;
    return write(vendor, code, value);
}

}  // namespace

void PropertyVendor_SetStandInWriteForTest(PropertyVendorWriteFn write) { standInWrite.store(write); }

PtpResult PropertyVendor_ReadValue(PtpVendor vendor, uint32_t code, uint8_t** data,
                                   uint32_t* length) {
    switch (vendor) {
    case PtpVendor_Canon:
        return PtpEos_RequestPropertyValue(code, data, length);
    case PtpVendor_Fujifilm:  // the Fujifilm driver's
    case PtpVendor_Sony:      // the Sony driver's
        return PtpResult_NotSupportedForCamera;
    default:
        return PtpTransaction_ExecuteWithRetry(kPtpOpGetDevicePropValue, &code, 1, nullptr, 0,
                                               data, length, nullptr, 1);
    }
}

PtpResult PropertyVendor_Write(PtpVendor vendor, uint32_t code, uint32_t value) {
    switch (vendor) {
    case PtpVendor_Canon:
        return PtpEos_WritePropertyValue(code, value);
    case PtpVendor_Nikon:     // the Nikon driver's write
    case PtpVendor_Sony:      // the Sony driver's write
    case PtpVendor_Fujifilm:  // the Fujifilm driver's write
        return write_without_driver(vendor, code, value);
    default:
        return 0xFFFF;
    }
}

static VerifyOutcome canon_wait_for_value(uint32_t code, uint32_t value) {
    for (int attempt = 0; attempt < kCanonVerifyAttempts; ++attempt) {
        PtpFetchEventsOnce(/*wait=*/true, /*lockHeld=*/false);
        PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
        if (!record) return VerifyOutcome::Failed;
        bool seen = record->currentValue == value;
        PtpUnlockProperty(record);
        if (seen) return VerifyOutcome::Verified;
        std::this_thread::sleep_for(std::chrono::milliseconds(kCanonVerifyPauseMillis));
    }
    return VerifyOutcome::Failed;
}

VerifyOutcome PropertyVendor_WaitForValue(PtpVendor vendor, uint32_t code, uint32_t value) {
    switch (vendor) {
    case PtpVendor_Canon:
        return canon_wait_for_value(code, value);
    case PtpVendor_Sony:
        // Older bodies step toward the value, and some programs are never
        // reported: nothing to wait for.
        if (!PtpSony_SupportsNormalPropertyControls() ||
            (code == kExposureProgram && value > kSonyLastReportedProgram))
            return VerifyOutcome::Skipped;
        return VerifyOutcome::Failed;  // the Sony driver's wait
    case PtpVendor_Nikon:     // the Nikon driver's wait
    case PtpVendor_Fujifilm:  // the Fujifilm driver's wait
    default:
        return VerifyOutcome::Failed;
    }
}

bool PropertyVendor_HasOwnDescriptionRead(PtpVendor vendor) {
    return vendor == PtpVendor_Fujifilm;
}

bool PropertyVendor_FetchDescription(PtpVendor vendor, PtpPropertyRecord*) {
    switch (vendor) {
    case PtpVendor_Fujifilm:  // the Fujifilm driver's description read
    default:
        return false;
    }
}

void PropertyVendor_FixupDescription(PtpVendor vendor, PtpPropertyRecord*) {
    switch (vendor) {
    case PtpVendor_Nikon:  // focus-mode lists, colour temperatures, host-mode access
    default:
        break;
    }
}

bool PropertyVendor_TextValue(PtpVendor vendor, uint32_t, const char*, uint32_t*) {
    switch (vendor) {
    case PtpVendor_Fujifilm:  // image-size texts carry the driver's numbers
    default:
        return false;
    }
}

PtpResult PropertyVendor_RefreshDescription(PtpVendor vendor, uint32_t) {
    switch (vendor) {
    case PtpVendor_Canon:
        return PtpEos_RefreshAllProperties();  // every property; the code is not needed
    case PtpVendor_Nikon:
    case PtpVendor_Fujifilm:
        return PtpResult_NotSupportedForCamera;
    default:
        return 0;  // Sony and no vendor: not OK, no camera traffic
    }
}

PtpResult PropertyVendor_RefreshValue(PtpVendor vendor, uint32_t, bool* handled) {
    *handled = vendor == PtpVendor_Sony;
    return *handled ? PtpResult_NotSupportedForCamera : PtpResult_Ok;
}

PtpResult PropertyVendor_ReloadAll(PtpVendor vendor, bool* handled) {
    switch (vendor) {
    case PtpVendor_Canon:
        *handled = true;
        return PtpEos_RefreshAllProperties();
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm:
        *handled = true;
        return PtpResult_NotSupportedForCamera;
    default:
        *handled = false;
        return PtpResult_Ok;
    }
}

PtpResult PropertyVendor_Increment(PtpVendor vendor, uint32_t, uint32_t) {
    switch (vendor) {
    case PtpVendor_Sony:  // the Sony driver's step operation
    default:
        return PtpResult_NotSupportedForCamera;
    }
}

void PropertyVendor_BeforeWrite(PtpVendor vendor) {
    switch (vendor) {
    case PtpVendor_Sony:  // waits for the Sony driver's event lock
    default:
        break;
    }
}

PtpResult PropertyVendor_AfterWrite(PtpVendor vendor, PtpResult result) {
    if (vendor != PtpVendor_Fujifilm || !PtpFuji_TakeRestartLiveView()) return result;
    PtpResult restarted = PtpGenericInterface_ToggleLiveView(1);
    return result == PtpResult_Ok ? restarted : result;
}
