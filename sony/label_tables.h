// Sony property names and value labels: one table per file, each value-label
// table ended by a row with an empty label.
#pragma once

#include <cstddef>

#include "generic/driver.h"
#include "generic/property_names.h"

extern const PtpVendorPropertyInfo kSonyPropertyNames[];
// The names table the driver hands out: a search ends after its last row.
extern const PtpPropertyNameTable kSonyNameTable;
extern const PtpValueLabel kSonyImageFormatLabels[];
extern const PtpValueLabel kSonyWhiteBalanceLabels[];
extern const PtpValueLabel kSonyFocusModeLabels[];
extern const PtpValueLabel kSonyMeteringModeLabels[];
extern const PtpValueLabel kSonyFlashModeLabels[];
extern const PtpValueLabel kSonyExposureModeLabels[];
extern const PtpValueLabel kSonyDriveModeLabels[];
extern const PtpValueLabel kSonyDroLabels[];
extern const PtpValueLabel kSonyImageSizeLabels[];
extern const PtpValueLabel kSonyShutterSpeedLabels[];
extern const PtpValueLabel kSonyAspectRatioLabels[];
extern const PtpValueLabel kSonyPictureEffectLabels[];
extern const PtpValueLabel kSonyIsoLabels[];
extern const PtpValueLabel kSonyFocusAreaLabels[];
extern const PtpValueLabel kSonyJpegQualityLabels[];
extern const PtpValueLabel kSonyFileFormatLabels[];
extern const PtpValueLabel kSonyZoomSettingLabels[];

// The label the driver prints itself for code's value (sony/labels.cpp), or
// null when the tables decide. The text lives in a buffer of the calling
// thread until its next call.
const char* PtpSony_StringForPropertyValue(uint32_t code, uint32_t value);

// The driver's property roles (sony/tables.cpp); newer bodies hold the image
// format in their own property.
extern const PtpPropertyRoles kSonyPropertyRoles;
void PtpSony_CameraRoles(PtpPropertyRoles* roles);
