// Bulb exposures: opening and closing the shutter for as long as the host
// wants, and whether the camera can take one now. One switch on the session's
// vendor per call.
#include <cstdint>

#include "eos/eos_capture.h"
#include "generic/capture.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_eos.h"
#include "ptp_exposure.h"
#include "ptp_generic.h"

namespace {

// Canon bodies without remote release open and close the shutter with these;
// with remote release a held full press is the exposure.
constexpr uint16_t kCanonOpBulbStart = 0x9125;
constexpr uint16_t kCanonOpBulbEnd = 0x9126;

// The Fujifilm body that has no bulb mode.
constexpr uint8_t kFujiModelWithoutBulb = 16;

// --- Vendor seams ----------------------------------------------------------------------
// The Nikon, Sony and Fujifilm drivers fill these; until they do, their cameras
// get what a vendor without an implementation gets.

PtpResult nikon_bulb(bool) { return PtpResult_NotSupportedForCamera; }
bool nikon_is_bulb_mode() { return false; }
bool nikon_is_bulb_available() { return false; }
PtpResult sony_capture() { return PtpResult_NotSupportedForCamera; }
PtpResult sony_release() { return PtpResult_NotSupportedForCamera; }
bool sony_is_bulb_mode() { return false; }
bool sony_is_bulb_available() { return false; }
PtpResult fuji_bulb(bool) { return PtpResult_NotSupportedForCamera; }
bool fuji_is_bulb_mode() { return false; }

bool canon_has_remote_release() { return PtpIsOperationSupported(kCanonOpPressOn); }

PtpResult canon_bulb_operation(uint16_t op) {
    return PtpTransaction_ExecuteWithRetry(op, nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr,
                                           1);
}

PtpResult canon_start_bulb() {
    if (!canon_has_remote_release()) return canon_bulb_operation(kCanonOpBulbStart);
    return PtpEosInterface_InitiateImageCapture(false);
}

PtpResult canon_stop_bulb() {
    PtpResult rc = canon_has_remote_release() ? PtpEos_ReleaseShutter()
                                              : canon_bulb_operation(kCanonOpBulbEnd);
    // The camera is busy storing the exposure; the next call should find it
    // ready. How the wait ends does not change whether the shutter closed.
    if (rc == PtpResult_Ok) (void)PtpCanonBusyWait();
    return rc;
}

} // namespace

PtpResult PtpGenericInterface_StartBulb() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return canon_start_bulb();
    case PtpVendor_Nikon: return nikon_bulb(true);
    case PtpVendor_Sony: return sony_capture();
    case PtpVendor_Fujifilm: return fuji_bulb(true);
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_StopBulb() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return canon_stop_bulb();
    case PtpVendor_Nikon: return nikon_bulb(false);
    case PtpVendor_Sony: return sony_release();
    case PtpVendor_Fujifilm: return fuji_bulb(false);
    default: return PtpResult_NotSupportedForCamera;
    }
}

bool PtpGenericInterface_CanStartBulb() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_IsBulbMode();
    case PtpVendor_Nikon: return nikon_is_bulb_mode() && nikon_is_bulb_available();
    case PtpVendor_Sony: return sony_is_bulb_available() && sony_is_bulb_mode();
    case PtpVendor_Fujifilm: return fuji_is_bulb_mode();
    default: return false;
    }
}

bool PtpGenericInterface_IsBulbAvailable() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return true;
    case PtpVendor_Nikon: return nikon_is_bulb_available();
    case PtpVendor_Sony: return sony_is_bulb_available();
    case PtpVendor_Fujifilm: return PtpGenericInterface_CameraModel() != kFujiModelWithoutBulb;
    default: return false;
    }
}

bool PtpGenericInterface_IsBulbMode() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_IsBulbMode();
    case PtpVendor_Nikon: return nikon_is_bulb_mode();
    case PtpVendor_Sony: return sony_is_bulb_mode();
    case PtpVendor_Fujifilm: return fuji_is_bulb_mode();
    default: return false;
    }
}
