// Canon property names and value labels: one table per file, each value-label
// table ended by a row with an empty label.
#pragma once

#include <cstddef>

#include "generic/driver.h"
#include "generic/property_names.h"

extern const PtpVendorPropertyInfo kCanonPropertyNames[];
// The names table the driver hands out: a search ends after its last row.
extern const PtpPropertyNameTable kCanonNameTable;
extern const PtpValueLabel kCanonApertureLabels[];
extern const PtpValueLabel kCanonShutterSpeedLabels[];
extern const PtpValueLabel kCanonShutterSpeedMirrorlessLabels[];
extern const PtpValueLabel kCanonIsoLabels[];
extern const PtpValueLabel kCanonExposureCompensationLabels[];
extern const PtpValueLabel kCanonExposureModeLabels[];
extern const PtpValueLabel kCanonDriveModeLabels[];
extern const PtpValueLabel kCanonMeteringModeLabels[];
extern const PtpValueLabel kCanonFocusModeLabels[];
extern const PtpValueLabel kCanonWhiteBalanceLabels[];
extern const PtpValueLabel kCanonColorSpaceLabels[];
extern const PtpValueLabel kCanonPictureStyleLabels[];
extern const PtpValueLabel kCanonImageFormatLabels[];
extern const PtpValueLabel kCanonMovieServoAfLabels[];
extern const PtpValueLabel kCanonExposureBracketingLabels[];

// The driver's property roles (eos/tables.cpp); the exposure-mode role follows
// the session start's choice.
extern const PtpPropertyRoles kEosPropertyRoles;
void PtpEos_CameraRoles(PtpPropertyRoles* roles);
// The shutter-speed labels of mirrorless bodies in place of the table's.
const PtpValueLabel* PtpEos_CameraLabels(const PtpLabelContext& camera, uint32_t code);
