// The Sony driver table. What the driver does not implement yet is null: its
// cameras get what a vendor without the operation gets.
#include "generic/driver.h"
#include "generic/capabilities.h"
#include "generic/event_fetch.h"
#include "generic/exposure.h"
#include "generic/objects.h"
#include "generic/property_store.h"
#include "sony/label_tables.h"
#include "sony/sony_driver.h"
#include "sony/sony_exposure.h"
#include "sony/sony_focus.h"

const PtpDriver kPtpSonyDriver = {
    .vendor = PtpVendor_Sony,
    .session = {},
    .properties = {.fetchDescription = PtpStandard_FetchDescription,
                   .refreshDescription = PtpStandard_RefreshDescription,
                   .waitForValue = PtpSony_WaitForValue},
    .events = {.parse = PtpHub_ParseEventRecords, .hubPropertyChanged = PtpSony_HubPropertyChanged},
    .capture = {.mitigateDoubleShoot = PtpSony_MitigateDoubleShoot},
    .exposure = {.stopForCompensationValue = PtpExposure_MilliStops,
                 .compensationLimit = PtpSony_CompensationLimit,
                 .millisecondsForShutterSpeed = PtpExposure_FractionMilliseconds,
                 .hdrBrighterDirection = PtpSony_HdrBrighterDirection,
                 .hdrDarkerDirection = PtpSony_HdrDarkerDirection,
                 .hubOrderReversed = PtpSony_HubOrderReversed},
    .focus = {.canTouchFocus = PtpSony_CanTouchFocus,
              .stackAllowsExposureMode = PtpSony_StackAllowsExposureMode,
              .focusStepsForSize = PtpSony_FocusStepsForSize},
    .liveView = {},
    .formats = {.isRaw = PtpSony_IsImageFormatRaw,
                .isRawPlusJpg = PtpSony_IsImageFormatRawPlusJpg,
                .isRawOnlyValue = PtpSony_IsRawOnlyImageFormat},
    .capabilities = {.supportsHalfPress = PtpSony_SupportsHalfPress,
                     .isManualMode = PtpStandard_IsManualMode,
                     .isAutoIso = PtpSony_IsAutoIso,
                     .batteryPercent = PtpStandard_BatteryPercent,
                     .fNumber = PtpStandard_FNumber,
                     .apertureSettable = PtpStandard_IsApertureSettable,
                     .shutterSettable = PtpStandard_IsShutterSettable},
    .objects = {.getInfo = PtpSony_GetObjectInfo,
                .getPartial = PtpObjects_GetStandardPartialObject},
    .tables = {.names = &kSonyNameTable,
               .roles = &kSonyPropertyRoles,
               .cameraRoles = PtpSony_CameraRoles},
};
