// The Fujifilm driver table. What the driver does not implement yet is null: its
// cameras get what a vendor without the operation gets.
#include "generic/driver.h"
#include "fuji/fuji_capture.h"
#include "fuji/fuji_driver.h"
#include "fuji/fuji_exposure.h"
#include "fuji/fuji_focus.h"
#include "fuji/fuji_formats.h"
#include "fuji/fuji_live_view.h"
#include "fuji/fuji_models.h"
#include "fuji/fuji_session.h"
#include "fuji/label_tables.h"
#include "generic/capabilities.h"
#include "generic/event_fetch.h"
#include "generic/exposure.h"
#include "generic/focus.h"
#include "generic/objects.h"
#include "generic/property_store.h"

const PtpDriver kPtpFujiDriver = {
    .vendor = PtpVendor_Fujifilm,
    .session = {.start = PtpFuji_StartSession,
                .modelSupported = PtpFuji_EvaluateModel,
                .setHostMode = PtpFuji_SetConnectionHostMode,
                .keepRolesOnFailedStart = true},
    .properties = {.fetchDescription = PtpFuji_FetchDescription,
                   .textValue = PtpFuji_TextValue,
                   .readValue = PtpFuji_GetPropertyValueData,
                   .refreshValue = PtpStandard_RefreshValue,
                   .refreshDescription = PtpFuji_RefreshDescription,
                   .reloadAll = PtpFuji_RefreshAllProperties,
                   .writesUnchecked = true,
                   .write = PtpFuji_WritePropertyValue,
                   .waitForValue = PtpFuji_WaitForValue,
                   .written = PtpFuji_PropertyWritten,
                   .finishWrite = PtpFuji_FinishWrite},
    .events = {.parse = PtpHub_ParseEventRecords, .hubPropertyChanged = PtpFuji_HubPropertyChanged},
    .capture = {.initiateCapture = PtpFuji_InitiateCapture,
                .releaseShutter = PtpFuji_ReleaseShutter,
                .takeAndWait = PtpFuji_WaitForShot,
                .startHalfPress = PtpFuji_StartHalfPress,
                .releaseHalfPress = PtpFuji_ReleaseHalfPress,
                .startMovieMode = PtpFuji_StartMovieMode,
                .stopMovieMode = PtpFuji_StopMovieMode,
                .startRecordMovie = PtpFuji_StartRecordMovie,
                .stopRecordMovie = PtpFuji_StopRecordMovie,
                .startBulb = PtpFuji_StartBulb,
                .stopBulb = PtpFuji_StopBulb,
                .canStartBulb = PtpFuji_IsBulbMode,
                .isBulbAvailable = PtpFuji_IsBulbAvailable,
                .isBulbMode = PtpFuji_IsBulbMode},
    .exposure = {.compensationValueForStop = PtpFuji_CompensationCodeForStop,
                 .stopForCompensationValue = PtpExposure_MilliStops,
                 .compensationStepSize = PtpFuji_CompensationStepSize,
                 .compensationLimit = PtpFuji_CompensationLimit,
                 .isCompensationEnabled = PtpFuji_IsCompensationEnabled,
                 .hdrBrighterDirection = PtpFuji_HdrBrighterDirection,
                 .hdrDarkerDirection = PtpFuji_HdrDarkerDirection,
                 .hubOrderReversed = PtpFuji_HubOrderReversed},
    .focus = {.focus = PtpFuji_Focus,
              .stopFocus = PtpFuji_StopFocus,
              .driveLens = PtpFuji_DriveLensSteps,
              .writeFocusMode = PtpFuji_SetFocusMode,
              .cameraFocusMode = PtpFuji_CameraFocusMode,
              .isFocusAuto = PtpFuji_IsFocusAuto,
              .canTouchFocus = PtpFuji_CanTouchFocus,
              .supportsFocusChange = PtpFuji_SupportsFocusChange,
              .isIncrementalFocusSupported = PtpFuji_IsIncrementalFocusSupported,
              // A stack drives the lens between shots: the bodies that step it.
              .isFocusStackSupported = PtpFuji_IsIncrementalFocusSupported,
              .stackAllowsExposureMode = PtpFocus_IsStandardStackMode,
              .focusStack = PtpFuji_FocusStackSteps,
              .packagedLensMove = PtpFuji_PackagedLensMove,
              .focusStepsForSize = PtpFuji_FocusStepsForSize},
    .liveView = {.toggle = PtpFuji_SetLiveView,
                 .setZoom = PtpFuji_SetLiveViewZoomLevel,
                 .zoom = PtpFuji_GetLiveViewZoomLevel,
                 .setPosition = PtpFuji_SetLiveViewPosition,
                 .nudge = PtpFuji_NudgeLiveViewPosition,
                 .has200Zoom = PtpFuji_Has200ZoomLevel,
                 .sessionStarted = PtpFuji_InstallStopLiveView},
    .formats = {.isRaw = PtpFuji_IsImageFormatRaw,
                .isRawPlusJpg = PtpFuji_IsImageFormatRawPlusJpg,
                .currentJpg = PtpFuji_GetCurrentJpgFormat,
                .currentRaw = PtpFuji_GetCurrentRawFormat,
                .set = PtpFuji_SetImageFormat,
                .possible = PtpFuji_GetPossibleImageFormats},
    .capabilities = {.supportsHalfPress = PtpFuji_SupportsHalfPress,
                     .isManualMode = PtpStandard_IsManualMode,
                     .isAutoIso = PtpFuji_IsAutoIso,
                     .batteryPercent = PtpFuji_BatteryPercent,
                     .fNumber = PtpStandard_FNumber,
                     .apertureSettable = PtpFuji_IsApertureSettable,
                     .shutterSettable = PtpFuji_IsShutterSettable,
                     .compensationSettable = PtpFuji_IsCompensationSettable},
    .objects = {.getInfo = PtpFuji_GetObjectInfo,
                .getHandles = PtpObjects_GetStandardHandles,
                .getStorageIds = PtpObjects_GetStandardStorageIds,
                .getPartial = PtpObjects_GetStandardPartialObject,
                .getThumbnail = PtpObjects_GetStandardThumbnail,
                .deleteObject = PtpFuji_DeleteObject,
                .availableShots = PtpFuji_GetSdAvailableShots,
                .findPreview = PtpFuji_FindRafPreview},
    .tables = {.names = &kFujiNameTable,
               .roles = &kFujiPropertyRoles,
               .printedLabel = PtpFuji_PrintedLabel},
};
