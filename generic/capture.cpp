// Capture dispatch: shots, half press, movie mode and the double-shot checks,
// each a switch on the session's vendor, and the shot sequences that several
// vendor-neutral operations share.
#include "generic/capture.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "eos/eos_capture.h"
#include "eos/eos_live_view.h"
#include "eos/eos_models.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_eos.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

constexpr uint16_t kPtpOpInitiateCapture = 0x100E;

// Canon.
constexpr uint32_t kCanonSingleShot = 0;
// A mirror-up shot: the first release raises the mirror, the second one
// exposes after the vibration has settled.
constexpr auto kMirrorSettle = std::chrono::milliseconds(500);

// Nikon.
constexpr uint32_t kNikonDriveMode = 0x5013;
constexpr uint32_t kNikonLiveViewDriveMode = 0xD1A1;
constexpr uint32_t kNikonBurstCount = 0x5018;
constexpr int kNikonStatusPolls = 5;
constexpr auto kNikonStatusPause = std::chrono::milliseconds(500);

// Sony.
constexpr uint32_t kSonyDriveMode = 0x5013;
constexpr uint32_t kSonySingleShot = 1;

// A shot that finds the camera busy is tried again this often.
constexpr auto kBusyShotPause = std::chrono::milliseconds(250);

struct CaptureState {
    std::mutex lock; // the capture lock; guards no field here
    std::atomic<bool> shutterPressed{false};
};

CaptureState g_capture;

// --- Vendor seams --------------------------------------------------------------------
// The Nikon, Sony and Fujifilm drivers plug in here; until they do, their
// cameras get what a vendor without an implementation gets.

PtpResult nikon_capture() { return PtpResult_NotSupportedForCamera; }
PtpResult nikon_capture_status() { return PtpResult_NotSupportedForCamera; }
PtpResult nikon_take_and_wait() { return PtpResult_NotSupportedForCamera; }
PtpResult nikon_movie_mode(bool) { return PtpResult_NotSupportedForCamera; }
PtpResult nikon_record_movie(bool) { return PtpResult_NotSupportedForCamera; }
bool nikon_is_continuous(uint32_t, uint32_t) { return false; }

PtpResult sony_capture() { return PtpResult_NotSupportedForCamera; }
PtpResult sony_release() { return PtpResult_NotSupportedForCamera; }
PtpResult sony_single_shot() { return PtpResult_NotSupportedForCamera; }
PtpResult sony_take_and_wait() { return PtpResult_NotSupportedForCamera; }
PtpResult sony_half_press(bool) { return PtpResult_NotSupportedForCamera; }
PtpResult sony_movie_switch(uint32_t) { return PtpResult_NotSupportedForCamera; }
PtpResult sony_record_movie(bool) { return PtpResult_NotSupportedForCamera; }
bool sony_could_double_shoot() { return false; }
bool sony_is_continuous(uint32_t) { return false; }

PtpResult fuji_capture(uint32_t, uint32_t) { return PtpResult_NotSupportedForCamera; }
PtpResult fuji_release(uint32_t) { return PtpResult_NotSupportedForCamera; }
PtpResult fuji_take_and_wait() { return PtpResult_NotSupportedForCamera; }
PtpResult fuji_half_press(bool) { return PtpResult_NotSupportedForCamera; }
PtpResult fuji_movie_mode(bool) { return PtpResult_NotSupportedForCamera; }
PtpResult fuji_record_movie(bool) { return PtpResult_NotSupportedForCamera; }

PtpResult canon_movie_mode(bool on) {
    return on ? PtpEos_StartMovieMode() : PtpEos_StopMovieMode();
}
PtpResult canon_record_movie(bool on) {
    return on ? PtpEos_StartRecordMovie() : PtpEos_StopRecordMovie();
}

// The live-view-on flag that the drivers' live-view switches keep.
bool live_view_on() { return PtpSession_LiveViewOn(); }

// --- Helpers -------------------------------------------------------------------------------

// The current value of a stored property, read under its lock.

// Nikon keeps a separate drive mode for live view.
uint32_t nikon_drive_mode_code() {
    if (live_view_on() && PtpGenericInterface_IsPropertySupported(kNikonLiveViewDriveMode))
        return kNikonLiveViewDriveMode;
    return kNikonDriveMode;
}

PtpResult shutter_release(PtpVendor vendor) {
    switch (vendor) {
    case PtpVendor_Canon: return PtpEos_ReleaseShutter();
    case PtpVendor_Sony: return sony_release();
    case PtpVendor_Fujifilm: return fuji_release(0);
    default: return PtpResult_Ok; // Nikon and no vendor release on their own
    }
}

// Canon, after the first shot: the mirror-up second release and the wait.
PtpResult canon_finish_shot() {
    if (PtpEos_IsMirrorModeOn()) {
        std::this_thread::sleep_for(kMirrorSettle);
        if (PtpTakeShot() != PtpResult_Ok) return PtpResult_CaptureFailed;
    }
    return PtpCanonBusyWait();
}

} // namespace

// --- Shared capture state ----------------------------------------------------------------

std::mutex& PtpCapture_Lock() { return g_capture.lock; }
void PtpCapture_SetShutterPressed(bool pressed) { g_capture.shutterPressed = pressed; }
bool PtpCapture_IsShutterPressed() { return g_capture.shutterPressed; }

// --- Shot sequences ---------------------------------------------------------------------------

PtpResult PtpTakeShot() {
    PtpVendor vendor = PtpSession_Vendor();
    if (vendor == PtpVendor_Sony) return sony_single_shot();
    PtpResult rc = PtpGenericInterface_InitiateImageCapture();
    if (rc == PtpResult_Ok) return shutter_release(vendor);
    if (rc == PtpResult_DeviceBusy && vendor == PtpVendor_Nikon) {
        for (int poll = 0; poll < kNikonStatusPolls; ++poll) {
            std::this_thread::sleep_for(kNikonStatusPause);
            if (nikon_capture_status() == PtpResult_Ok) return PtpResult_Ok;
        }
        return PtpResult_CaptureFailed;
    }
    return rc;
}

PtpResult PtpCanonBusyWait() {
    return PtpEos_ReassertAfterShot() ? PtpResult_Ok : PtpResult_CaptureFailed;
}

PtpResult PtpTakeAndWaitWhileBusy() {
    PtpResult (*take)() = nullptr;
    const PtpVendor vendor = PtpSession_Vendor();
    switch (vendor) {
    case PtpVendor_Canon: take = PtpTakeShot; break;
    case PtpVendor_Nikon: take = nikon_take_and_wait; break;
    case PtpVendor_Sony: take = sony_take_and_wait; break;
    case PtpVendor_Fujifilm: take = fuji_take_and_wait; break;
    default: return PtpResult_NotSupportedForCamera;
    }
    // A camera still busy with the previous shot answers Device Busy until it
    // is ready; the sequence that called waits for it.
    PtpResult rc = take();
    while (rc == PtpResult_DeviceBusy) {
        std::this_thread::sleep_for(kBusyShotPause);
        rc = take();
    }
    if (rc != PtpResult_Ok || vendor != PtpVendor_Canon) return rc;
    return canon_finish_shot();
}

// --- Exported capture calls --------------------------------------------------------------------

PtpResult PtpGenericInterface_InitiateImageCapture() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEosInterface_InitiateImageCapture(false);
    case PtpVendor_Nikon: return nikon_capture();
    case PtpVendor_Sony: return sony_capture();
    case PtpVendor_Fujifilm: return fuji_capture(0, 0);
    default:
        return PtpTransaction_ExecuteWithRetry(kPtpOpInitiateCapture, nullptr, 0, nullptr, 0,
                                               nullptr, nullptr, nullptr, 1);
    }
}

PtpResult PtpGenericInterface_InitiateShutterRelease() {
    return shutter_release(PtpSession_Vendor());
}

PtpResult PtpGenericInterface_TakeAndWaitForShotToComplete() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: {
        PtpResult rc = PtpTakeShot();
        if (rc != PtpResult_Ok) return rc;
        return canon_finish_shot();
    }
    case PtpVendor_Nikon: return nikon_take_and_wait();
    case PtpVendor_Sony: return sony_take_and_wait();
    case PtpVendor_Fujifilm: return fuji_take_and_wait();
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_TakeTestShot() {
    if (PtpSession_Vendor() != PtpVendor_Canon) return PtpTakeShot();
    // A test shot is taken where the lens stands: with the focus flag set the
    // camera does not autofocus.
    uint32_t saved = PtpSession_ManualFocus();
    if (saved != 1) PtpSession_SetManualFocus(1);
    PtpResult rc = PtpEosInterface_InitiateImageCapture(true);
    PtpSession_SetManualFocus(saved);
    return rc;
}

PtpResult PtpGenericInterface_StartHalfPress() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_StartHalfPress();
    case PtpVendor_Sony: return sony_half_press(true);
    case PtpVendor_Fujifilm: return fuji_half_press(true);
    default: return PtpResult_OperationNotSupported; // Nikon and no vendor
    }
}

PtpResult PtpGenericInterface_ReleaseHalfPress() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_ReleaseHalfPress();
    case PtpVendor_Sony: return sony_half_press(false);
    case PtpVendor_Fujifilm: return fuji_half_press(false);
    default: return PtpResult_OperationNotSupported;
    }
}

PtpResult PtpGenericInterface_StartMovieMode() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return canon_movie_mode(true);
    case PtpVendor_Nikon: return nikon_movie_mode(true);
    case PtpVendor_Sony: return sony_movie_switch(1);
    case PtpVendor_Fujifilm: return fuji_movie_mode(true);
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_StopMovieMode() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return canon_movie_mode(false);
    case PtpVendor_Nikon: return nikon_movie_mode(false);
    case PtpVendor_Sony: return sony_movie_switch(0);
    case PtpVendor_Fujifilm: return fuji_movie_mode(false);
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_StartRecordMovie() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return canon_record_movie(true);
    case PtpVendor_Nikon: return nikon_record_movie(true);
    case PtpVendor_Sony: return sony_record_movie(true);
    case PtpVendor_Fujifilm: return fuji_record_movie(true);
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_StopRecordMovie() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return canon_record_movie(false);
    case PtpVendor_Nikon: return nikon_record_movie(false);
    case PtpVendor_Sony: return sony_record_movie(false);
    case PtpVendor_Fujifilm: return fuji_record_movie(false);
    default: return PtpResult_NotSupportedForCamera;
    }
}

bool PtpGenericInterface_IsDriveModeContinuous(uint32_t value) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_IsDriveModeContinuous(value);
    case PtpVendor_Nikon: return nikon_is_continuous(nikon_drive_mode_code(), value);
    case PtpVendor_Sony: return sony_is_continuous(value);
    default: return false;
    }
}

bool PtpGenericInterface_CouldDoubleShoot() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: {
        // Remote release with focus held fires for as long as the shutter is
        // down, which in a continuous mode is more than one frame.
        uint32_t drive = 0;
        if (!PtpReadCurrentValue(PtpGetDriveModePropertyCode(), &drive)) return false;
        return PtpGenericInterface_IsDriveModeContinuous(drive) &&
               PtpIsOperationSupported(kCanonOpPressOn) && PtpSession_ManualFocus() == 1;
    }
    case PtpVendor_Nikon: {
        uint32_t drive = 0;
        uint32_t code =
            live_view_on() && PtpGenericInterface_IsPropertySupported(kNikonLiveViewDriveMode)
                ? kNikonLiveViewDriveMode
                : PtpGetDriveModePropertyCode();
        if (!PtpReadCurrentValue(code, &drive)) return false;
        uint32_t burst = 0;
        return PtpGenericInterface_IsDriveModeContinuous(drive) &&
               PtpReadCurrentValue(kNikonBurstCount, &burst) && burst > 1;
    }
    case PtpVendor_Sony: return sony_could_double_shoot();
    default: return false;
    }
}

PtpResult PtpGenericInterface_MitigateDoubleShoot() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        return PtpGenericInterface_SetPropertyValue(kCanonPropDriveMode, kCanonSingleShot, 1);
    case PtpVendor_Nikon: return PtpGenericInterface_SetPropertyValue(kNikonBurstCount, 1, 1);
    case PtpVendor_Sony:
        return PtpGenericInterface_SetPropertyValue(kSonyDriveMode, kSonySingleShot, 1);
    default: return PtpResult_NotSupportedForCamera;
    }
}

bool PtpGenericInterface_ShouldPresentBurstPicker(uint32_t code, uint32_t value) {
    if (PtpSession_Vendor() != PtpVendor_Nikon) return false;
    return nikon_is_continuous(code, value);
}
