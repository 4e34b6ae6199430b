// The Sony driver table. What the driver does not implement yet is null: its
// cameras get what a vendor without the operation gets.
#include "generic/driver.h"
#include "generic/capabilities.h"
#include "generic/event_fetch.h"
#include "generic/exposure.h"
#include "generic/objects.h"
#include "generic/property_store.h"
#include "ptp_sony.h"
#include "sony/label_tables.h"
#include "sony/sony_capture.h"
#include "sony/sony_codes.h"
#include "sony/sony_driver.h"
#include "sony/sony_exposure.h"
#include "sony/sony_focus.h"
#include "sony/sony_formats.h"
#include "sony/sony_live_view.h"
#include "sony/sony_models.h"
#include "sony/sony_session.h"

const PtpDriver kPtpSonyDriver = {
    .vendor = PtpVendor_Sony,
    .session = {.start = PtpSony_StartSession, .modelSupported = PtpSony_DetectModel},
    .properties = {.fetchDescription = PtpStandard_FetchDescription,
                   .readValue = PtpSony_ReadValue,
                   .refreshValue = PtpSony_RefreshValue,
                   .refreshDescription = PtpStandard_RefreshDescription,
                   .reloadAll = PtpSony_RefreshAllProperties,
                   .increment = PtpSony_IncrementProperty,
                   .beforeWrite = PtpSony_BeforeWrite,
                   .write = PtpSony_SetPropertyValue,
                   .waitForValue = PtpSony_WaitForValue},
    .events = {.parse = PtpSony_ParseEventData, .hubPropertyChanged = PtpSony_HubPropertyChanged},
    .capture = {.initiateCapture = PtpSony_InitiateCapture,
                .releaseShutter = PtpSony_ReleaseShutter,
                .takeShot = PtpSony_Shoot,
                .takeAndWait = PtpSony_TakeShotAndWait,
                .startHalfPress = PtpSony_StartHalfPress,
                .releaseHalfPress = PtpSony_ReleaseHalfPress,
                .startRecordMovie = PtpSony_StartRecordMovie,
                .stopRecordMovie = PtpSony_StopRecordMovie,
                .isDriveModeContinuous = PtpSony_IsDriveModeContinuous,
                .couldDoubleShoot = PtpSony_CouldDoubleShoot,
                .mitigateDoubleShoot = PtpSony_MitigateDoubleShoot,
                .startBulb = PtpSony_StartBulb,
                .stopBulb = PtpSony_StopBulb,
                .canStartBulb = PtpSony_CanStartBulb,
                .isBulbAvailable = PtpSony_IsBulbAvailable,
                .isBulbMode = PtpSony_IsBulbMode,
                .bulbSeriesPauseMs = 1000,
                .waitImageTransfer = PtpSony_WaitForImageTransfer},
    .exposure = {.compensationValueForStop = PtpSony_CompensationValueForStop,
                 .stopForCompensationValue = PtpExposure_MilliStops,
                 .compensationLimit = PtpSony_CompensationLimit,
                 .millisecondsForShutterSpeed = PtpExposure_FractionMilliseconds,
                 .isCompensationEnabled = PtpSony_IsCompensationEnabled,
                 .turnOffBracketing = PtpSony_TurnOffBracketing,
                 .hdrBrighterDirection = PtpSony_HdrBrighterDirection,
                 .hdrDarkerDirection = PtpSony_HdrDarkerDirection,
                 .hubOrderReversed = PtpSony_HubOrderReversed,
                 .hostBracketWritePauseMs = 300,
                 .hostBracketSettleMs = 750},
    .focus = {.focus = PtpSony_Focus,
              .stopFocus = PtpSony_StopFocus,
              .driveLens = PtpSony_DriveLens,
              .writeFocusMode = PtpSony_SetFocusMode,
              .cameraFocusMode = PtpSony_CameraFocusMode,
              .isFocusAuto = PtpSonyInterface_IsAutoFocus,
              .canTouchFocus = PtpSony_CanTouchFocus,
              .supportsFocusChange = PtpSony_SupportsFocusChange,
              .isIncrementalFocusSupported = PtpSony_IsIncrementalFocusSupported,
              .isFocusStackSupported = PtpSony_IsFocusStackSupported,
              .stackAllowsExposureMode = PtpSony_StackAllowsExposureMode,
              .focusStack = PtpSony_FocusStack,
              .repeatedLensMove = PtpSony_RepeatedLensMove,
              .packagedLensMove = PtpSony_PackagedLensMove,
              .focusStepsForSize = PtpSony_FocusStepsForSize},
    .liveView = {.toggle = PtpSony_ToggleLiveView,
                 .getImage = PtpSony_GetLiveViewImage,
                 .setZoom = PtpSony_SetLiveViewZoomLevel,
                 .zoom = PtpSony_GetLiveViewZoomLevel,
                 .setPosition = PtpSony_SetFocusPoint,
                 .nudge = PtpSony_NudgeLiveView,
                 .has200Zoom = PtpSony_Has200ZoomLevel,
                 .supported = PtpSony_SupportsLiveView},
    .formats = {.isRaw = PtpSony_IsImageFormatRaw,
                .isRawPlusJpg = PtpSony_IsImageFormatRawPlusJpg,
                .isRawOnlyValue = PtpSony_IsRawOnlyImageFormat,
                .hasJpg = PtpSony_ImageFormatHasJpg,
                .currentJpg = PtpSony_GetCurrentJpgFormat,
                .currentRaw = PtpSony_GetCurrentRawFormat,
                .set = PtpSony_SetImageFormat,
                .possible = PtpSony_GetPossibleImageFormats},
    .capabilities = {.supportsHalfPress = PtpSony_SupportsHalfPress,
                     .supportsLensZoom = PtpSony_SupportsLensZoom,
                     .supportsMovieRecording = PtpSony_SupportsLiveView,
                     .isManualMode = PtpStandard_IsManualMode,
                     .isAutoIso = PtpSony_IsAutoIso,
                     .batteryPercent = PtpStandard_BatteryPercent,
                     .fNumber = PtpStandard_FNumber,
                     .apertureSettable = PtpStandard_IsApertureSettable,
                     .shutterSettable = PtpStandard_IsShutterSettable},
    .objects = {.getInfo = PtpSony_GetObjectInfo,
                .getAllHandles = PtpSony_GetPendingObjectHandles,
                .getPartial = PtpObjects_GetStandardPartialObject,
                .captureHandle = kSonyCaptureHandle},
    .tables = {.names = &kSonyNameTable,
               .roles = &kSonyPropertyRoles,
               .cameraRoles = PtpSony_CameraRoles,
               .printedLabel = PtpSony_StringForPropertyValue},
};
