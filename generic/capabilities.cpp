// Capability queries and value interpretation. Each asks the session's driver;
// a driver without the entry gets the answer written here, once.
#include "generic/capabilities.h"

#include <cstring>

#include "generic/driver.h"
#include "generic/property_store.h"
#include "ptp_capabilities.h"

namespace {

// Apertures that mean "automatic" or "no lens".
constexpr uint32_t kApertureAutoWide = 0xFFFF;

// Standard exposure programs.
constexpr uint32_t kProgramManual = 1;
constexpr uint32_t kProgramAperturePriority = 3;
constexpr uint32_t kProgramShutterPriority = 4;

const PtpDriverCapabilities& caps() { return PtpSession_Driver()->capabilities; }
const PtpDriverFormats& formats() { return PtpSession_Driver()->formats; }

} // namespace

// --- What the camera can do ---------------------------------------------------------------

bool PtpGenericInterface_SupportsHalfPress() {
    return caps().supportsHalfPress && caps().supportsHalfPress();
}

bool PtpGenericInterface_SupportsElectronicLevel() {
    return caps().supportsElectronicLevel && caps().supportsElectronicLevel();
}

bool PtpGenericInterface_SupportsLensZoom() {
    return caps().supportsLensZoom && caps().supportsLensZoom();
}

bool PtpGenericInterface_SupportsMirrorUp() {
    return caps().supportsMirrorUp && caps().supportsMirrorUp();
}

bool PtpGenericInterface_SupportsMovieRecording() {
    return caps().supportsMovieRecording && caps().supportsMovieRecording();
}

bool PtpGenericInterface_IsMirrorModeOn() {
    return caps().isMirrorModeOn && caps().isMirrorModeOn();
}

bool PtpGenericInterface_IsMirrorUp() { return caps().isMirrorUp && caps().isMirrorUp(); }

// --- What the current settings mean ----------------------------------------------------------

bool PtpGenericInterface_IsAutoExposureModeManual(uint32_t mode) {
    return caps().isManualMode && caps().isManualMode(mode);
}

bool PtpGenericInterface_IsAutoIso() { return caps().isAutoIso && caps().isAutoIso(); }

bool PtpGenericInterface_IsImageFormatJpg() { return formats().isJpg && formats().isJpg(); }

bool PtpGenericInterface_IsImageFormatRaw() { return formats().isRaw && formats().isRaw(); }

bool PtpGenericInterface_IsImageFormatRawPlusJpg() {
    return formats().isRawPlusJpg && formats().isRawPlusJpg();
}

bool PtpGenericInterface_IsImagePropertyRawOnly(uint32_t value) {
    return formats().isRawOnlyValue && formats().isRawOnlyValue(value);
}

bool PtpGenericInterface_ImageFormatHasJpg(uint32_t value) {
    return formats().hasJpg && formats().hasJpg(value);
}

PtpResult PtpGenericInterface_GetCurrentJpgFormat(uint32_t* format) {
    if (!formats().currentJpg) return PtpResult_NotSupportedForCamera;
    return formats().currentJpg(format);
}

PtpResult PtpGenericInterface_GetCurrentRawFormat(uint32_t* format) {
    if (!formats().currentRaw) return PtpResult_NotSupportedForCamera;
    return formats().currentRaw(format);
}

PtpResult PtpGenericInterface_SetImageFormat(uint32_t format, uint32_t option) {
    if (!formats().set) return PtpResult_NotSupportedForCamera;
    return formats().set(format, option);
}

// --- Values as quantities -------------------------------------------------------------------

const char* PtpGenericInterface_LensName() { return caps().lensName ? caps().lensName() : nullptr; }

uint32_t PtpGenericInterface_BatteryPercentage(uint32_t value) {
    return caps().batteryPercent ? caps().batteryPercent(value) : 0;
}

float PtpGenericInterface_ApertureValue() {
    const PtpDriverCapabilities& c = caps();
    if (!c.fNumber) return 0;
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
    return c.fNumber(value, label);
}

// --- Mode tests for the drivers ---------------------------------------------------------------

bool PtpIsApertureSettableInMode(uint32_t mode) {
    return caps().apertureSettable && caps().apertureSettable(mode);
}

bool PtpIsShutterSettableInMode(uint32_t mode) {
    return caps().shutterSettable && caps().shutterSettable(mode);
}

bool PtpIsCompensationSettableInMode(uint32_t mode) {
    return caps().compensationSettable && caps().compensationSettable(mode);
}

// --- Standard answers the drivers may point at -------------------------------------------------

uint32_t PtpStandard_BatteryPercent(uint32_t value) { return value & 0xFF; }

float PtpStandard_FNumber(uint32_t value, const char*) { return float(value) / 100.0f; }

bool PtpStandard_IsManualMode(uint32_t mode) { return mode == kProgramManual; }

bool PtpStandard_IsApertureSettable(uint32_t mode) {
    return mode == kProgramManual || mode == kProgramAperturePriority;
}

bool PtpStandard_IsShutterSettable(uint32_t mode) {
    return mode == kProgramManual || mode == kProgramShutterPriority;
}
