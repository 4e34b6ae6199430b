// Focus control: autofocus, lens drives in signed steps, the library's manual /
// automatic focus flag and the focus queries, each a switch on the session's
// vendor, and the step conversions every vendor's lens drive receives.
#include "generic/focus.h"

#include <cstring>

#include "eos/eos_capture.h"
#include "eos/eos_models.h"
#include "generic/event_queue.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_focus.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

// Canon.
constexpr uint16_t kCanonOpDriveLens = 0x9155;
constexpr uint16_t kCanonOpRemoteReleaseOn = 0x9128;
constexpr uint32_t kCanonPropMovieServoAf = 0xD179;
constexpr uint32_t kCanonFocusManual = 3; // 0xD108 "MF"
constexpr uint8_t kCanonNoIncrementalFocus = 232;

// Nikon.
// 0xD0E2 at 0: the lens moves less per drive unit, so DriveLens asks 2.5 times more.
constexpr uint32_t kNikonPropLensDriveScale = 0xD0E2;
constexpr uint32_t kNikonPropUserMode = 0xD0FC;
constexpr uint32_t kNikonUserModeAperture = 21;
constexpr uint32_t kNikonUserModeManual = 22;
constexpr uint32_t kNikonUserModeFirst = 0x8050;
constexpr uint32_t kNikonUserModeLast = 0x8052;

// Sony.
constexpr uint32_t kSonyPropTouchFocus = 0xD22C;
constexpr uint8_t kSonyTouchFocusModel = 176;
// Sony's own exposure-mode code that a stack also accepts (as well as 1 and 3).
constexpr uint32_t kSonyStackableMode = 0x20003;

// Fujifilm.
constexpr uint8_t kFujiNoIncrementalFocus = 16;

// Exposure programs shared by the PTP standard: 1 manual, 3 aperture priority.
constexpr uint32_t kExposureManual = 1;
constexpr uint32_t kExposureAperturePriority = 3;

// Nikon amounts are 32 x r^2 (r the step, or a for DriveLens), which fits
// a u32 only for r up to this: 32 x 11585^2 = 0xFFFD5D20.
constexpr uint64_t kNikonMaxRoot = 11585;

// --- Driver seams ---------------------------------------------------------------------
// The Nikon, Sony and Fujifilm drivers fill these; until they do, their
// cameras get what a vendor without an implementation gets.

PtpResult nikon_focus() { return PtpResult_NotSupportedForCamera; } // (1, 1)
PtpResult nikon_drive_lens(uint32_t, uint32_t) { return PtpResult_NotSupportedForCamera; }
PtpResult nikon_set_focus_mode(uint32_t) { return PtpResult_Ok; } // nothing is sent
bool nikon_is_auto_focus() { return false; }                      // IsAutoFocus (0)
bool nikon_supports_focus_change() { return false; }
bool nikon_is_focus_stack_supported() { return false; }

PtpResult sony_focus() { return PtpResult_NotSupportedForCamera; }
PtpResult sony_stop_focus() { return PtpResult_NotSupportedForCamera; }
PtpResult sony_drive_lens(int32_t) { return PtpResult_NotSupportedForCamera; }
PtpResult sony_set_focus_mode(uint32_t) { return PtpResult_Ok; } // nothing is sent
bool sony_focus_mode(uint32_t*) { return false; }                // false: the library flag answers
bool sony_is_auto_focus() { return false; }
bool sony_supports_focus_change() { return false; }
bool sony_is_incremental_focus_supported() { return false; }
bool sony_is_focus_stack_supported() { return false; }

PtpResult fuji_focus() { return PtpResult_NotSupportedForCamera; }
PtpResult fuji_stop_focus() { return PtpResult_NotSupportedForCamera; }
PtpResult fuji_drive_lens(int16_t) { return PtpResult_NotSupportedForCamera; }
PtpResult fuji_set_focus_mode(uint32_t) { return PtpResult_Ok; } // nothing is sent
bool fuji_focus_mode(uint32_t*) { return false; }
bool fuji_is_auto_focus() { return false; }
bool fuji_supports_focus_change() { return false; }
bool fuji_is_focus_stack_supported() { return false; }

// --- Store reads -----------------------------------------------------------------------

// The currentValue (and access) of code under its lock; false without a record.
bool read_record(uint32_t code, uint32_t* value, uint8_t* access = nullptr) {
    if (code == 0) return false;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) return false;
    *value = record->currentValue;
    if (access) *access = record->access;
    PtpUnlockProperty(record);
    return true;
}

bool has_record(uint32_t code) {
    return code != 0 && PtpGenericInterface_GetProperty(code, 0) != nullptr;
}

// Canon: the focus-mode record exists and is not manual.
bool canon_focus_mode_auto() {
    uint32_t mode = 0;
    return read_record(PtpGetFocusModePropertyCode(), &mode) && mode != kCanonFocusManual;
}

// |v| as an unsigned value, defined for INT32_MIN too.
uint32_t magnitude(int32_t v) { return v < 0 ? 0u - uint32_t(v) : uint32_t(v); }

// -v, saturated to the int32 range (-INT32_MIN is INT32_MAX).
int32_t negate(int32_t v) { return v == INT32_MIN ? INT32_MAX : -v; }

// Sony's widening of the smallest steps: 1, 2, 3 -> 3, 4, third (either sign).
int32_t sony_widen(int32_t v, int32_t third) {
    switch (v) {
    case 1: return 3;
    case -1: return -3;
    case 2: return 4;
    case -2: return -4;
    case 3: return third;
    case -3: return -third;
    default: return v;
    }
}

} // namespace

// --- Step conversions -----------------------------------------------------------------

uint32_t PtpFocus_CanonDriveParameter(int32_t steps) {
    uint32_t n = magnitude(steps);
    if (n > kCanonLensMaxSteps) n = kCanonLensMaxSteps;
    return steps >= 0 ? n : kCanonLensReverse + n;
}

uint32_t PtpFocus_CanonStackParameter(int32_t step) {
    uint32_t n = magnitude(step);
    if (n > kCanonLensMaxSteps) n = kCanonLensMaxSteps;
    return step >= 1 ? kCanonLensReverse + n : n;
}

PtpNikonLensDrive PtpFocus_NikonDriveLens(int32_t steps, bool longThrow) {
    const uint64_t n = magnitude(steps);
    PtpNikonLensDrive drive;
    drive.direction = steps < 0 ? 2 : 1;
    drive.amount = kNikonLensMaxAmount;
    if (n > kNikonMaxRoot) return drive; // a alone is past the root already
    uint64_t a = 32 * n * n;             // below 2^33
    if (longThrow) a = a * 5 / 2;        // trunc(a x 2.5), exact in integers
    if (a <= kNikonMaxRoot) drive.amount = uint32_t(32 * a * a);
    return drive;
}

PtpNikonLensDrive PtpFocus_NikonStackDrive(int32_t step) {
    const uint64_t n = magnitude(step);
    PtpNikonLensDrive drive;
    drive.direction = step < 0 ? 1 : 2;
    drive.amount = n > kNikonMaxRoot ? kNikonLensMaxAmount : uint32_t(32 * n * n);
    return drive;
}

int32_t PtpFocus_SonyDriveSteps(int32_t steps) { return sony_widen(negate(steps), 6); }

int32_t PtpFocus_SonyStackStep(int32_t step) { return sony_widen(step, 5); }

int16_t PtpFocus_FujiDriveSteps(int32_t steps) {
    int32_t v = steps;
    switch (magnitude(steps)) {
    case 1: v = 6; break;
    case 2: v = 50; break;
    case 3: v = 140; break;
    default: break;
    }
    if (steps < 0 && magnitude(steps) <= 3) v = -v;
    if (v > INT16_MAX) return INT16_MAX;
    if (v < INT16_MIN) return INT16_MIN;
    return int16_t(v);
}

int32_t PtpFocus_FujiStackStep(int32_t step) { return negate(step); }

// --- Canon lens move ---------------------------------------------------------------------

PtpResult PtpFocus_CanonMoveLens(uint32_t parameter) {
    PtpResult rc = PtpTransaction_ExecuteWithRetry(kCanonOpDriveLens, &parameter, 1, nullptr, 0,
                                                   nullptr, nullptr, nullptr, 1);
    if (rc != PtpResult_Ok) return rc;
    // The lens now stands where the host put it: focus is held by the library,
    // and movie servo AF would move it again.
    PtpGenericInterface_SetFocusMode(1, 1);
    if (has_record(kCanonPropMovieServoAf))
        PtpGenericInterface_SetPropertyValue(kCanonPropMovieServoAf, 0, 1);
    return rc;
}

// --- Exported focus calls ---------------------------------------------------------------

PtpResult PtpGenericInterface_Focus(void) {
    PtpResult rc;
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: rc = PtpEos_Focus(); break;
    case PtpVendor_Nikon: rc = nikon_focus(); break;
    case PtpVendor_Sony: return sony_focus();
    case PtpVendor_Fujifilm: return fuji_focus();
    default: return PtpResult_NotSupportedForCamera;
    }
    // After a one-shot autofocus the library holds the found focus.
    if (rc == PtpResult_Ok) PtpGenericInterface_SetFocusMode(1, 1);
    return rc;
}

PtpResult PtpGenericInterface_StopFocus(void) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_StopFocus();
    case PtpVendor_Nikon: return PtpResult_Ok;
    case PtpVendor_Sony: return sony_stop_focus();
    case PtpVendor_Fujifilm: return fuji_stop_focus();
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_DriveLens(int32_t steps) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpFocus_CanonMoveLens(PtpFocus_CanonDriveParameter(steps));
    case PtpVendor_Nikon: {
        uint32_t scale = 1;
        bool longThrow = read_record(kNikonPropLensDriveScale, &scale) && scale == 0;
        PtpNikonLensDrive drive = PtpFocus_NikonDriveLens(steps, longThrow);
        return nikon_drive_lens(drive.direction, drive.amount);
    }
    case PtpVendor_Sony: return sony_drive_lens(PtpFocus_SonyDriveSteps(steps));
    case PtpVendor_Fujifilm: return fuji_drive_lens(PtpFocus_FujiDriveSteps(steps));
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_SetFocusMode(uint32_t mode, uint8_t notify) {
    if (mode == 0 || mode == 1) {
        PtpResult rc = PtpResult_Ok;
        switch (PtpSession_Vendor()) {
        case PtpVendor_Nikon: rc = nikon_set_focus_mode(mode); break;
        case PtpVendor_Sony: rc = sony_set_focus_mode(mode); break;
        case PtpVendor_Fujifilm: rc = fuji_set_focus_mode(mode); break;
        default: break; // Canon keeps the mode in the library only
        }
        if (rc != PtpResult_Ok) return rc;
    }
    PtpSession_SetManualFocus(mode);
    if (notify) {
        uint32_t code = PtpGetFocusModePropertyCode();
        PtpQueuePropertyChanged(code ? PtpGenericInterface_GetProperty(code, 0) : nullptr,
                                /*notify=*/true);
    }
    return PtpResult_Ok;
}

uint32_t PtpGenericInterface_FocusMode(void) {
    uint32_t mode = 0;
    switch (PtpSession_Vendor()) {
    case PtpVendor_Sony:
        if (sony_focus_mode(&mode)) return mode;
        break;
    case PtpVendor_Fujifilm:
        if (fuji_focus_mode(&mode)) return mode;
        break;
    default: break;
    }
    return PtpSession_ManualFocus();
}

bool PtpGenericInterface_IsFocusAuto(void) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        // Bodies without touch focus cannot autofocus while live view is on.
        if (!PtpEos_CanTouchFocus() && PtpSession_LiveViewOn()) return false;
        return canon_focus_mode_auto();
    case PtpVendor_Nikon: return nikon_is_auto_focus();
    case PtpVendor_Sony: return sony_is_auto_focus();
    case PtpVendor_Fujifilm: return fuji_is_auto_focus();
    default: return false;
    }
}

bool PtpGenericInterface_CanTouchFocus(void) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_CanTouchFocus();
    case PtpVendor_Nikon: return true;
    case PtpVendor_Sony:
        return PtpGenericInterface_CameraModel() == kSonyTouchFocusModel ||
               has_record(kSonyPropTouchFocus);
    case PtpVendor_Fujifilm: return true;
    default: return false;
    }
}

bool PtpGenericInterface_SupportsFocusChange(void) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        return canon_focus_mode_auto() && PtpIsOperationSupported(kCanonOpRemoteReleaseOn);
    case PtpVendor_Nikon: return nikon_supports_focus_change();
    case PtpVendor_Sony: return sony_supports_focus_change();
    case PtpVendor_Fujifilm: return fuji_supports_focus_change();
    default: return false;
    }
}

bool PtpGenericInterface_IsIncrementalFocusSupported(void) {
    const uint8_t model = PtpGenericInterface_CameraModel();
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return model != kCanonNoIncrementalFocus;
    case PtpVendor_Nikon: return true;
    case PtpVendor_Sony: return sony_is_incremental_focus_supported();
    case PtpVendor_Fujifilm: return model != kFujiNoIncrementalFocus;
    default: return false;
    }
}

bool PtpGenericInterface_IsFocusStackSupported(void) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return true;
    case PtpVendor_Nikon: return nikon_is_focus_stack_supported();
    case PtpVendor_Sony: return sony_is_focus_stack_supported();
    case PtpVendor_Fujifilm: return fuji_is_focus_stack_supported();
    default: return false;
    }
}

bool PtpGenericInterface_IsExposureModeCompatibleWithFocusStacking(void) {
    const PtpVendor vendor = PtpSession_Vendor();
    switch (vendor) {
    case PtpVendor_Canon:
    case PtpVendor_Nikon:
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm: break;
    default: return false;
    }
    // Without an exposure-mode property nothing speaks against a stack.
    uint32_t m = 0;
    if (!read_record(PtpGetAutoExposurePropertyCode(), &m)) return true;
    switch (vendor) {
    case PtpVendor_Canon: {
        // The aperture must stay where the host set it for every shot.
        uint32_t aperture = 0;
        uint8_t access = 1;
        return !(read_record(PtpGetAperturePropertyCode(), &aperture, &access) && access == 0);
    }
    case PtpVendor_Nikon: {
        if (m == kExposureManual || m == kExposureAperturePriority) return true;
        if (m < kNikonUserModeFirst || m > kNikonUserModeLast) return false;
        // User modes: the mode they were saved with.
        uint32_t user = 0;
        return read_record(kNikonPropUserMode, &user) &&
               (user == kNikonUserModeAperture || user == kNikonUserModeManual);
    }
    case PtpVendor_Sony:
        return m == kExposureManual || m == kExposureAperturePriority || m == kSonyStackableMode;
    default: // Fujifilm
        return m == kExposureManual || m == kExposureAperturePriority;
    }
}
