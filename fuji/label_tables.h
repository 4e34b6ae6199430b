// Fujifilm property names and value labels: one table per file, each value-label
// table ended by a row with an empty label.
#pragma once

#include <cstddef>

#include "generic/driver.h"
#include "generic/property_names.h"

extern const PtpVendorPropertyInfo kFujiPropertyNames[];
// The names table the driver hands out: a search ends after its last row.
extern const PtpPropertyNameTable kFujiNameTable;
extern const PtpValueLabel kFujiWhiteBalanceLabels[];
extern const PtpValueLabel kFujiFocusModeLabels[];
extern const PtpValueLabel kFujiShutterSpeedLabels[];
extern const PtpValueLabel kFujiMeteringModeLabels[];
extern const PtpValueLabel kFujiExposureModeLabels[];
extern const PtpValueLabel kFujiIsoLabels[];
extern const PtpValueLabel kFujiTimerDelayLabels[];
extern const PtpValueLabel kFujiFocusMeteringModeLabels[];
extern const PtpValueLabel kFujiFilmSimulationLabels[];
extern const PtpValueLabel kFujiColorSpaceLabels[];
extern const PtpValueLabel kFujiWhiteBalanceTemperatureLabels[];
extern const PtpValueLabel kFujiImageQualityLabels[];
extern const PtpValueLabel kFujiLiveViewZoomLabels[];
extern const PtpValueLabel kFujiOffOnLabels[];
extern const PtpValueLabel kFujiRawCompressionLabels[];
extern const PtpValueLabel kFujiGrainEffectLabels[];
extern const PtpValueLabel kFujiEyeAfModeLabels[];
extern const PtpValueLabel kFujiFocusPointsLabels[];
extern const PtpValueLabel kFujiGridViewLabels[];
extern const PtpValueLabel kFujiAfcPriorityLabels[];
extern const PtpValueLabel kFujiWorldClockLabels[];
extern const PtpValueLabel kFujiLiveViewQualityLabels[];
extern const PtpValueLabel kFujiLiveViewSizeLabels[];
extern const PtpValueLabel kFujiResetSettingsLabels[];
extern const PtpValueLabel kFujiPriorityModeLabels[];
extern const PtpValueLabel kFujiAfStatusLabels[];
extern const PtpValueLabel kFujiMediaRecordingLabels[];
extern const PtpValueLabel kFujiReleaseStatusLabels[];
extern const PtpValueLabel kFujiForceModeLabels[];
extern const PtpValueLabel kFujiInstantAfModeLabels[];
extern const PtpValueLabel kFujiDateTimeFormatLabels[];
extern const PtpValueLabel kFujiPreviewExposureLabels[];

// The driver's property roles (fuji/tables.cpp).
extern const PtpPropertyRoles kFujiPropertyRoles;
