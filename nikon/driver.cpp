// The Nikon driver table. What the driver does not implement yet is null: its
// cameras get what a vendor without the operation gets.
#include "generic/driver.h"
#include "generic/capabilities.h"
#include "generic/capture.h"
#include "generic/exposure.h"
#include "generic/objects.h"
#include "generic/property_store.h"
#include "nikon/label_tables.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_driver.h"
#include "nikon/nikon_exposure.h"
#include "nikon/nikon_focus.h"
#include "nikon/nikon_models.h"

const PtpDriver kPtpNikonDriver = {
    .vendor = PtpVendor_Nikon,
    .session = {.keepAlive = PtpNikon_KeepAlive},
    .properties = {.fetchDescription = PtpStandard_FetchDescription,
                   .storedValue = PtpNikon_StoredValue,
                   .rangeListed = PtpNikon_IsRangeListed,
                   .rangeLabelled = PtpNikon_IsRangeLabelled,
                   .readValue = PtpStandard_ReadValue,
                   .refreshValue = PtpStandard_RefreshValue,
                   .reloadAll = PtpStandard_ReloadAll,
                   .written = PtpNikon_PropertyWritten},
    .events = {},
    .capture = {.releaseShutter = PtpCapture_ReleasedWithCapture,
                .waitBusyCapture = PtpNikon_WaitBusyCapture,
                .startHalfPress = PtpCapture_NoHalfPress,
                .releaseHalfPress = PtpCapture_NoHalfPress,
                .isDriveModeContinuous = PtpNikon_IsDriveModeContinuous,
                .couldDoubleShoot = PtpNikon_CouldDoubleShoot,
                .mitigateDoubleShoot = PtpNikon_MitigateDoubleShoot},
    .exposure = {.stopForBracketValue = PtpNikon_StopForBracketValue,
                 .stopForCompensationValue = PtpExposure_MilliStops,
                 .nextBracketStep = PtpNikon_NextBracketStep,
                 .compensationLimit = PtpNikon_CompensationLimit,
                 .millisecondsForShutterSpeed = PtpExposure_FractionMilliseconds,
                 .hdrBrighterDirection = PtpNikon_HdrBrighterDirection,
                 .hdrDarkerDirection = PtpNikon_HdrDarkerDirection,
                 .bracketingProperty = kNikonPropImageBracketing},
    .focus = {.stopFocus = PtpNikon_StopFocus,
              .canTouchFocus = PtpNikon_CanTouchFocus,
              .isIncrementalFocusSupported = PtpNikon_IsIncrementalFocusSupported,
              .stackAllowsExposureMode = PtpNikon_StackAllowsExposureMode,
              .focusStepsForSize = PtpNikon_FocusStepsForSize},
    .liveView = {},
    .formats = {.isRaw = PtpNikon_IsImageFormatRaw,
                .isRawOnlyValue = PtpNikon_IsRawOnlyImageFormat},
    .capabilities = {.supportsElectronicLevel = PtpNikon_SupportsElectronicLevel,
                     .isMirrorUp = PtpNikon_IsMirrorUp,
                     .isManualMode = PtpNikon_IsManualMode,
                     .isAutoIso = PtpNikon_IsAutoIso,
                     .lensName = PtpNikon_LensName,
                     .batteryPercent = PtpStandard_BatteryPercent,
                     .fNumber = PtpStandard_FNumber,
                     .apertureSettable = PtpStandard_IsApertureSettable,
                     .shutterSettable = PtpStandard_IsShutterSettable,
                     .compensationSettable = PtpNikon_IsCompensationSettable},
    .objects = {.getInfo = PtpObjects_GetStandardObjectInfo,
                .getHandles = PtpObjects_GetStandardHandles,
                .getStorageIds = PtpObjects_GetStandardStorageIds,
                .getPartial = PtpObjects_GetStandardPartialObject,
                .getThumbnail = PtpObjects_GetStandardThumbnail,
                .deleteObject = PtpNikon_DeleteObject,
                .availableShots = PtpObjects_AvailableShotsProperty,
                .completeInfo = PtpNikon_CompleteObjectInfo},
    .tables = {.names = &kNikonNameTable,
               .roles = &kNikonPropertyRoles,
               .cameraRoles = PtpNikon_CameraRoles,
               .printedLabel = PtpNikon_PrintedLabel,
               .cameraLabels = PtpNikon_CameraLabels},
};
