// Sony property names and value labels: one table per file, each value-label
// table ended by a row with an empty label.
#pragma once

#include <cstddef>

#include "generic/property_names.h"

extern const PtpVendorPropertyInfo kSonyPropertyNames[];
extern const size_t kSonyPropertyNameCount;
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
