// The driver selection: the one place that switches on the vendor. Session
// start (and a test that sets the vendor) picks the driver here; everything
// after calls through the session's driver.
#include "generic/driver.h"

#include "generic/capture.h"
#include "generic/event_fetch.h"
#include "generic/objects.h"
#include "generic/property_store.h"
#include "generic/session.h"

const PtpDriver* const kPtpDrivers[kPtpDriverCount] = {&kPtpEosDriver, &kPtpNikonDriver,
                                                       &kPtpSonyDriver, &kPtpFujiDriver};

namespace {

// No vendor: plain PTP where the vendor-neutral layer has a standard answer,
// nulls elsewhere.
const PtpDriver kPlainDriver = {
    .vendor = PtpVendor_None,
    .session = {.keepAlive = PtpStandard_KeepAlive,
                .modelSupported =
                    [] {
                        // The vendor is not known yet: whether any driver knows the model.
                        for (const PtpDriver* d : kPtpDrivers)
                            if (d->session.modelSupported && d->session.modelSupported())
                                return true;
                        return false;
                    }},
    .properties = {.fetchDescription = PtpStandard_FetchDescription,
                   .readValue = PtpStandard_ReadValue,
                   .refreshValue = PtpStandard_RefreshValue,
                   .refreshDescription = PtpStandard_RefreshDescription,
                   .reloadAll = PtpStandard_ReloadAll,
                   .write = [](uint32_t, uint32_t) -> PtpResult {
                       return 0xFFFF; // no vendor: no write operation
                   }},
    .events = {},
    .capture = {.initiateCapture = PtpCapture_InitiateStandard,
                .releaseShutter = PtpCapture_ReleasedWithCapture,
                .startHalfPress = PtpCapture_NoHalfPress,
                .releaseHalfPress = PtpCapture_NoHalfPress},
    .exposure = {},
    .focus = {},
    .liveView = {.setStandardFocus = PtpLiveView_NoStandardFocus},
    .formats = {.set = [](uint32_t, uint32_t) -> PtpResult {
        return PtpResult_OperationNotSupported; // no vendor: no image-format operation
    }},
    .capabilities = {},
    .objects = {.getInfo = PtpObjects_GetStandardObjectInfo,
                .getHandles = PtpObjects_GetStandardHandles,
                .getStorageIds = PtpObjects_GetStandardStorageIds,
                .getThumbnail = PtpObjects_GetStandardThumbnail,
                .deleteObject = PtpObjects_DeleteStandardObject,
                .availableShots = PtpObjects_AvailableShotsProperty},
    .tables = {},
};

} // namespace

const PtpDriver* PtpDriver_ForVendor(PtpVendor vendor) {
    switch (vendor) {
    case PtpVendor_Canon: return &kPtpEosDriver;
    case PtpVendor_Nikon: return &kPtpNikonDriver;
    case PtpVendor_Sony: return &kPtpSonyDriver;
    case PtpVendor_Fujifilm: return &kPtpFujiDriver;
    default: return &kPlainDriver;
    }
}
