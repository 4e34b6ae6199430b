// The Fujifilm driver table. What the driver does not implement yet is null: its
// cameras get what a vendor without the operation gets.
#include "generic/driver.h"
#include "fuji/fuji_driver.h"
#include "fuji/fuji_exposure.h"
#include "fuji/fuji_focus.h"
#include "fuji/label_tables.h"
#include "generic/capabilities.h"
#include "generic/event_fetch.h"
#include "generic/exposure.h"
#include "generic/focus.h"
#include "generic/objects.h"
#include "generic/property_store.h"

const PtpDriver kPtpFujiDriver = {
    .vendor = PtpVendor_Fujifilm,
    .session = {.keepRolesOnFailedStart = true},
    .properties = {.refreshValue = PtpStandard_RefreshValue,
                   .writesUnchecked = true,
                   .written = PtpFuji_PropertyWritten,
                   .finishWrite = PtpFuji_FinishWrite},
    .events = {.parse = PtpHub_ParseEventRecords},
    .capture = {.isBulbAvailable = PtpFuji_IsBulbAvailable},
    .exposure = {.compensationValueForStop = PtpFuji_CompensationCodeForStop,
                 .stopForCompensationValue = PtpExposure_MilliStops,
                 .compensationLimit = PtpFuji_CompensationLimit,
                 .hdrBrighterDirection = PtpFuji_HdrBrighterDirection,
                 .hdrDarkerDirection = PtpFuji_HdrDarkerDirection,
                 .hubOrderReversed = PtpFuji_HubOrderReversed},
    .focus = {.canTouchFocus = PtpFuji_CanTouchFocus,
              .isIncrementalFocusSupported = PtpFuji_IsIncrementalFocusSupported,
              .stackAllowsExposureMode = PtpFocus_IsStandardStackMode,
              .focusStepsForSize = PtpFuji_FocusStepsForSize},
    .liveView = {.has200Zoom = PtpFuji_Has200ZoomLevel},
    .formats = {.isRaw = PtpFuji_IsImageFormatRaw},
    .capabilities = {.supportsHalfPress = PtpFuji_SupportsHalfPress,
                     .isManualMode = PtpStandard_IsManualMode,
                     .isAutoIso = PtpFuji_IsAutoIso,
                     .batteryPercent = PtpFuji_BatteryPercent,
                     .fNumber = PtpStandard_FNumber},
    .objects = {.getInfo = PtpFuji_GetObjectInfo,
                .getHandles = PtpObjects_GetStandardHandles,
                .getStorageIds = PtpObjects_GetStandardStorageIds,
                .getPartial = PtpObjects_GetStandardPartialObject,
                .getThumbnail = PtpObjects_GetStandardThumbnail,
                .deleteObject = PtpFuji_DeleteObject},
    .tables = {.names = &kFujiNameTable, .roles = &kFujiPropertyRoles},
};
