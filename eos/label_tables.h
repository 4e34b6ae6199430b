// Canon property names and value labels: one table per file, each value-label
// table ended by a row with an empty label.
#pragma once

#include <cstddef>

#include "generic/property_names.h"

extern const PtpVendorPropertyInfo kCanonPropertyNames[];
extern const size_t kCanonPropertyNameCount;
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
