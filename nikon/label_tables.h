// Nikon property names and value labels: one table per file, each value-label
// table ended by a row with an empty label.
#pragma once

#include <cstddef>

#include "generic/driver.h"
#include "generic/property_names.h"

// A label table that replaces the vendor table's for some codes on some camera
// model ids. Unused slots of both lists are 0 (neither is a Nikon model id or an
// overridden code).
struct PtpNikonLabelOverride {
    uint8_t models[18];
    uint32_t codes[3];
    const PtpValueLabel* labels;
};

extern const PtpVendorPropertyInfo kNikonPropertyNames[];
// The names table the driver hands out: a search ends after its last row.
extern const PtpPropertyNameTable kNikonNameTable;
extern const PtpValueLabel kNikonImageFormatLabels[];
extern const PtpValueLabel kNikonImageFormatStarredLabels[];
extern const PtpValueLabel kNikonImageSizeLabels[];
extern const PtpValueLabel kNikonWhiteBalanceLabels[];
extern const PtpValueLabel kNikonApertureLabels[];
extern const PtpValueLabel kNikonFocusModeLabels[];
extern const PtpValueLabel kNikonMeteringModeLabels[];
extern const PtpValueLabel kNikonFlashModeLabels[];
extern const PtpValueLabel kNikonExposureModeLabels[];
extern const PtpValueLabel kNikonIsoLabels[];
extern const PtpValueLabel kNikonCaptureModeLabels[];
extern const PtpValueLabel kNikonFocusMeteringModeLabels[];
extern const PtpValueLabel kNikonLiveViewAfAreaLabels[];
extern const PtpValueLabel kNikonLiveViewFocusModeLabels[];
extern const PtpValueLabel kNikonAfModeLabels[];
extern const PtpValueLabel kNikonSceneModeLabels[];
extern const PtpValueLabel kNikonShutterSpeedLabels[];
extern const PtpValueLabel kNikonUserModeLabels[];
extern const PtpValueLabel kNikonSpeedlightModeLabels[];
extern const PtpValueLabel kNikonFlashPowerLabels[];
extern const PtpValueLabel kNikonLiveViewDriveModeLabels[];
extern const PtpValueLabel kNikonIsoExtendedLabels[];
extern const PtpValueLabel kNikonAutoIsoLabels[];
extern const PtpValueLabel kNikonIso199Labels[];
extern const PtpValueLabel kNikonIso200Labels[];
extern const PtpValueLabel kNikonIso208Labels[];
extern const PtpValueLabel kNikonIso219Labels[];
extern const PtpValueLabel kNikonIso221Labels[];
extern const PtpValueLabel kNikonIso220Labels[];
extern const PtpValueLabel kNikonIso225Labels[];
extern const PtpValueLabel kNikonIso232Labels[];
extern const PtpValueLabel kNikonIso211Labels[];
extern const PtpValueLabel kNikonIso216Labels[];
extern const PtpNikonLabelOverride kNikonLabelOverrides[];
extern const size_t kNikonLabelOverrideCount;

// The driver's property roles (nikon/tables.cpp); the ISO role follows the
// camera's properties.
extern const PtpPropertyRoles kNikonPropertyRoles;
void PtpNikon_CameraRoles(PtpPropertyRoles* roles);
// "ISO <value>" for the highest automatic ISO, which takes any number.
const char* PtpNikon_PrintedLabel(uint32_t code, uint32_t value);
const PtpValueLabel* PtpNikon_CameraLabels(const PtpLabelContext& camera, uint32_t code);
