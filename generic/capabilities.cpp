// Capability queries and value interpretation: one switch on the vendor per
// query. Answers that rest on a driver not built yet sit in the seams below,
// which each driver fills; until then they give the neutral answer.
#include "generic/capabilities.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "eos/eos_capture.h"
#include "eos/eos_models.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp_capabilities.h"

namespace {

// Canon.
constexpr uint16_t kCanonOpRemoteReleaseOn = 0x9128;
constexpr uint16_t kCanonOpMovieSelectOn = 0x9133;
constexpr uint16_t kCanonOpElectronicLevel = 0x913E;
constexpr uint32_t kCanonPropMirrorLockupState = 0xD1BF;
constexpr uint32_t kCanonPropLensName = 0xD1D8;
constexpr uint32_t kCanonMirrorLockedUp = 2;
constexpr uint32_t kCanonManualMode = 3;
constexpr uint32_t kCanonAutoIso = 0;
constexpr uint8_t kCanon100DFamily = 235; // lists the level operation but has no level

// The packed image format: bits 28-31 count, 24-27 first kind.
constexpr uint32_t kCanonOneJpeg = 0x11;
constexpr uint32_t kCanonOneRaw = 0x16;
constexpr uint32_t kCanonTwoFormats = 2;
constexpr uint32_t kCanonRaw = 0x16010000;
constexpr uint32_t kCanonMediumRaw = 0x16050000;
constexpr uint32_t kCanonSmallRaw = 0x16090000;

// Nikon.
constexpr uint32_t kNikonPropImageQuality = 0x5004;
constexpr uint32_t kNikonPropExposureProgram = 0x500E;
constexpr uint32_t kNikonPropUserMode = 0xD0FC;
constexpr uint32_t kNikonUserModeManual = 22;
constexpr uint32_t kNikonUserModeFirst = 0x8050;
constexpr uint32_t kNikonUserModeLast = 0x8052;
// On older bodies automatic ISO applies only in the scene modes (program 5 and up).
constexpr uint32_t kNikonFirstSceneProgram = 5;
constexpr uint32_t kNikonRawQuality = 4;
constexpr uint32_t kNikonRawQualityNewer = 7;

// Sony.
constexpr uint32_t kSonyPropIso = 0xD21E;
constexpr uint32_t kSonyPropImageFormat = 0xD253;
constexpr uint32_t kSonyAutoIso = 0xFFFFFF;
constexpr uint32_t kSonyRaw = 16;

// Fujifilm.
constexpr uint32_t kFujiPropIso = 0x500F;
constexpr uint32_t kFujiPropImageQuality = 0xD018;
constexpr uint32_t kFujiAutoIsoBit = 0x80000000;
constexpr uint32_t kFujiRaw = 1;

// Apertures that mean "automatic" or "no lens".
constexpr uint32_t kApertureAutoWide = 0xFFFF;

bool model_in(uint8_t model, std::initializer_list<uint8_t> models) {
    for (uint8_t m : models)
        if (m == model) return true;
    return false;
}

bool model_between(uint8_t model, uint8_t first, uint8_t last) {
    return model >= first && model <= last;
}

// The currentValue of code under its lock; false when the store has no record.

bool value_is(uint32_t code, uint32_t expected) {
    uint32_t value = 0;
    return PtpReadCurrentValue(code, &value) && value == expected;
}

// The currentLabel of code copied under its lock; false when there is no record.
bool read_label(uint32_t code, char* out, size_t size) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) return false;
    size_t n = strnlen(record->currentLabel, sizeof record->currentLabel);
    if (n >= size) n = size - 1;
    std::memcpy(out, record->currentLabel, n);
    out[n] = '\0';
    PtpUnlockProperty(record);
    return true;
}

// Nikon bodies whose RAW-only image quality is 7 instead of 4.
bool nikon_raw_code_7(uint8_t model) {
    return model_between(model, 215, 217) || model_between(model, 219, 233) || model == 240;
}

uint32_t nikon_raw_quality() {
    return nikon_raw_code_7(PtpGenericInterface_CameraModel()) ? kNikonRawQualityNewer
                                                               : kNikonRawQuality;
}

// --- Driver seams ---------------------------------------------------------------------
// Each returns the neutral answer until its driver plugs in.

// Nikon (Parts of the Nikon driver: capture, models and formats).
bool nikon_supports_mirror_up() { return false; }
bool nikon_supports_movie_recording() { return false; }
bool nikon_is_mirror_mode_on() { return false; }
bool nikon_is_raw_plus_jpg() { return false; }
bool nikon_image_format_has_jpg(uint32_t) { return false; }
uint32_t nikon_auto_iso_property() { return 0; } // PtpNikonInterface_AutoIsoEnabledProperty
PtpResult nikon_current_jpg_format(uint32_t*) { return PtpResult_NotSupportedForCamera; }
PtpResult nikon_current_raw_format(uint32_t*) { return PtpResult_NotSupportedForCamera; }
PtpResult nikon_set_image_format(uint32_t, uint32_t) { return PtpResult_NotSupportedForCamera; }

// Sony.
bool sony_supports_lens_zoom() { return false; }
bool sony_supports_movie_recording() { return false; }
bool sony_image_format_has_jpg(uint32_t) { return false; }
PtpResult sony_current_jpg_format(uint32_t*) { return PtpResult_NotSupportedForCamera; }
PtpResult sony_current_raw_format(uint32_t*) { return PtpResult_NotSupportedForCamera; }
PtpResult sony_set_image_format(uint32_t, uint32_t) { return PtpResult_NotSupportedForCamera; }

// Fujifilm.
bool fuji_host_mode() { return false; } // set through PtpGenericInterface_SetConnectionHostMode
bool fuji_supports_movie_recording() { return false; }
bool fuji_is_raw_plus_jpg() { return false; }
PtpResult fuji_current_jpg_format(uint32_t*) { return PtpResult_NotSupportedForCamera; }
PtpResult fuji_current_raw_format(uint32_t*) { return PtpResult_NotSupportedForCamera; }
PtpResult fuji_set_image_format(uint32_t, uint32_t) { return PtpResult_NotSupportedForCamera; }

// The lens name handed to the host: a copy per thread, so that an event changing
// the label cannot tear the text while the host reads it.
thread_local char t_lensName[PTP_CURRENT_LABEL_SIZE];

} // namespace

// --- What the camera can do ---------------------------------------------------------------

bool PtpGenericInterface_SupportsHalfPress() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpIsOperationSupported(kCanonOpRemoteReleaseOn);
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm: return true;
    case PtpVendor_Nikon:
    default: return false;
    }
}

bool PtpGenericInterface_SupportsElectronicLevel() {
    uint8_t model = PtpGenericInterface_CameraModel();
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        return PtpIsOperationSupported(kCanonOpElectronicLevel) && model != kCanon100DFamily;
    case PtpVendor_Nikon: return !model_in(model, {192, 193, 201, 203, 204, 207, 208, 213});
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm:
    default: return false;
    }
}

bool PtpGenericInterface_SupportsLensZoom() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return model_in(PtpGenericInterface_CameraModel(), {231, 232, 233});
    case PtpVendor_Sony: return sony_supports_lens_zoom();
    case PtpVendor_Nikon:
    case PtpVendor_Fujifilm:
    default: return false;
    }
}

bool PtpGenericInterface_SupportsMirrorUp() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_SupportsMirrorUp();
    case PtpVendor_Nikon: return nikon_supports_mirror_up();
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm:
    default: return false;
    }
}

bool PtpGenericInterface_SupportsMovieRecording() {
    switch (PtpSession_Vendor()) {
    // The Canon movie-mode switch: the camera lists 0x9133.
    case PtpVendor_Canon: return PtpIsOperationSupported(kCanonOpMovieSelectOn);
    case PtpVendor_Nikon: return nikon_supports_movie_recording();
    case PtpVendor_Sony: return sony_supports_movie_recording();
    case PtpVendor_Fujifilm: return fuji_supports_movie_recording();
    default: return false;
    }
}

bool PtpGenericInterface_IsMirrorModeOn() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_IsMirrorModeOn();
    case PtpVendor_Nikon: return nikon_is_mirror_mode_on();
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm:
    default: return false;
    }
}

bool PtpGenericInterface_IsMirrorUp() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return value_is(kCanonPropMirrorLockupState, kCanonMirrorLockedUp);
    case PtpVendor_Nikon: return PtpSession_NikonMirrorUp() != 0;
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm:
    default: return false;
    }
}

// --- What the current settings mean ----------------------------------------------------------

bool PtpGenericInterface_IsAutoExposureModeManual(uint32_t mode) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return mode == kCanonManualMode;
    case PtpVendor_Nikon:
        if (mode == 1) return true;
        // A user mode stored with manual exposure.
        return mode >= kNikonUserModeFirst && mode <= kNikonUserModeLast &&
               value_is(kNikonPropUserMode, kNikonUserModeManual);
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm: return mode == 1;
    default: return false;
    }
}

bool PtpGenericInterface_IsAutoIso() {
    uint32_t value = 0;
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return value_is(kEosPropIso, kCanonAutoIso);
    case PtpVendor_Nikon: {
        if (model_in(PtpGenericInterface_CameraModel(), {192, 193, 203, 207, 208, 213, 218})) {
            uint32_t program = 0;
            if (!PtpReadCurrentValue(kNikonPropExposureProgram, &program) ||
                program < kNikonFirstSceneProgram)
                return false;
        }
        return PtpReadCurrentValue(nikon_auto_iso_property(), &value) && value > 0;
    }
    case PtpVendor_Sony: return value_is(kSonyPropIso, kSonyAutoIso);
    case PtpVendor_Fujifilm:
        return PtpReadCurrentValue(kFujiPropIso, &value) && (value & kFujiAutoIsoBit) != 0;
    default: return false;
    }
}

bool PtpGenericInterface_IsImageFormatJpg() {
    uint32_t value = 0;
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        return PtpReadCurrentValue(kEosPropImageFormat, &value) && (value >> 24) == kCanonOneJpeg;
    default: return false;
    }
}

bool PtpGenericInterface_IsImageFormatRaw() {
    uint32_t value = 0;
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        return PtpReadCurrentValue(kEosPropImageFormat, &value) && (value >> 24) == kCanonOneRaw;
    case PtpVendor_Nikon: return value_is(kNikonPropImageQuality, nikon_raw_quality());
    case PtpVendor_Sony: return value_is(PtpGetImageFormatPropertyCode(), kSonyRaw);
    case PtpVendor_Fujifilm: return value_is(kFujiPropImageQuality, kFujiRaw);
    default: return false;
    }
}

bool PtpGenericInterface_IsImageFormatRawPlusJpg() {
    uint32_t value = 0;
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        return PtpReadCurrentValue(kEosPropImageFormat, &value) && (value >> 28) == kCanonTwoFormats;
    case PtpVendor_Nikon: return nikon_is_raw_plus_jpg();
    case PtpVendor_Sony: {
        uint32_t role = PtpGetImageFormatPropertyCode();
        if (!PtpReadCurrentValue(role, &value)) return false;
        uint32_t low = value & 0xFF;
        // The newer format property names RAW+JPEG 2; the older quality list 18-20.
        if (role == kSonyPropImageFormat) return low == 2;
        return low == 18 || low == 19 || low == 20;
    }
    case PtpVendor_Fujifilm: return fuji_is_raw_plus_jpg();
    default: return false;
    }
}

bool PtpGenericInterface_IsImagePropertyRawOnly(uint32_t value) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        return value == kCanonRaw || value == kCanonMediumRaw || value == kCanonSmallRaw;
    case PtpVendor_Nikon: return value == nikon_raw_quality();
    case PtpVendor_Sony: return value == kSonyRaw;
    case PtpVendor_Fujifilm:
    default: return false;
    }
}

bool PtpGenericInterface_ImageFormatHasJpg(uint32_t value) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_ImageFormatHasJpg(value);
    case PtpVendor_Nikon: return nikon_image_format_has_jpg(value);
    case PtpVendor_Sony: return sony_image_format_has_jpg(value);
    case PtpVendor_Fujifilm:
    default: return false;
    }
}

PtpResult PtpGenericInterface_GetCurrentJpgFormat(uint32_t* format) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_GetCurrentJpgFormat(format);
    case PtpVendor_Nikon: return nikon_current_jpg_format(format);
    case PtpVendor_Sony: return sony_current_jpg_format(format);
    case PtpVendor_Fujifilm: return fuji_current_jpg_format(format);
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_GetCurrentRawFormat(uint32_t* format) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_GetCurrentRawFormat(format);
    case PtpVendor_Nikon: return nikon_current_raw_format(format);
    case PtpVendor_Sony: return sony_current_raw_format(format);
    case PtpVendor_Fujifilm: return fuji_current_raw_format(format);
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_SetImageFormat(uint32_t format, uint32_t option) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_SetImageFormat(format, option);
    case PtpVendor_Nikon: return nikon_set_image_format(format, option);
    case PtpVendor_Sony: return sony_set_image_format(format, option);
    case PtpVendor_Fujifilm: return fuji_set_image_format(format, option);
    default: return PtpResult_OperationNotSupported;
    }
}

// --- Values as quantities -------------------------------------------------------------------

const char* PtpGenericInterface_LensName() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        return read_label(kCanonPropLensName, t_lensName, sizeof t_lensName) ? t_lensName : nullptr;
    case PtpVendor_Nikon: return ""; // Nikon bodies report no lens name
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm:
    default: return nullptr;
    }
}

uint32_t PtpGenericInterface_BatteryPercentage(uint32_t value) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        switch (value) {
        case 1: return 50;
        case 2: return 100;
        case 4: return 75;
        case 5: return 25;
        default: return 0;
        }
    case PtpVendor_Nikon:
    case PtpVendor_Sony: return value & 0xFF;
    case PtpVendor_Fujifilm: {
        // The level sits in the top or the low byte, depending on the body.
        uint32_t top = value >> 24;
        uint32_t low = value & 0xFF;
        switch (top > low ? top : low) {
        case 2:
        case 7: return 10;
        case 8: return 20;
        case 9: return 40;
        case 3: return 50;
        case 10: return 60;
        case 11: return 80;
        case 4:
        case 5:
        case 12:
        case 13:
        case 255: return 100;
        default: return 0;
        }
    }
    default: return 0;
    }
}

float PtpGenericInterface_ApertureValue() {
    PtpVendor vendor = PtpSession_Vendor();
    if (vendor != PtpVendor_Canon && vendor != PtpVendor_Nikon && vendor != PtpVendor_Sony &&
        vendor != PtpVendor_Fujifilm)
        return 0;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(PtpGetAperturePropertyCode(), 1);
    if (!record) return 0;
    uint32_t value = record->currentValue;
    char label[PTP_CURRENT_LABEL_SIZE];
    size_t n = strnlen(record->currentLabel, sizeof record->currentLabel);
    if (n == sizeof label) n = sizeof label - 1;
    std::memcpy(label, record->currentLabel, n);
    label[n] = '\0';
    PtpUnlockProperty(record);

    if (value == 0 || value == kApertureAutoWide) return 0;
    if (vendor != PtpVendor_Canon) return float(value) / 100.0f;
    // Canon codes are steps, not f-numbers: the label says "f5.6".
    float number = 0;
    return std::sscanf(label, "f%f", &number) == 1 ? number : 0.0f;
}

// --- Mode tests for the drivers ---------------------------------------------------------------

bool PtpIsApertureSettableInMode(uint32_t mode) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return mode == 2 || mode == 3 || mode == 4;
    case PtpVendor_Nikon:
    case PtpVendor_Sony: return mode == 1 || mode == 3;
    case PtpVendor_Fujifilm: return fuji_host_mode() && (mode == 1 || mode == 3);
    default: return false;
    }
}

bool PtpIsShutterSettableInMode(uint32_t mode) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return mode == 1 || mode == 3;
    case PtpVendor_Nikon:
    case PtpVendor_Sony: return mode == 1 || mode == 4;
    case PtpVendor_Fujifilm: return fuji_host_mode() && (mode == 1 || mode == 4);
    default: return false;
    }
}

bool PtpIsCompensationSettableInMode(uint32_t mode) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return mode == 1 || mode == 2 || mode == 3;
    case PtpVendor_Nikon: return mode == 1 || mode == 3 || mode == 4;
    case PtpVendor_Fujifilm:
        return fuji_host_mode() && !PtpGenericInterface_IsAutoExposureModeManual(mode);
    case PtpVendor_Sony:
    default: return false;
    }
}
