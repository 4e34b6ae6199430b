// Sony objects: the object information, whose data set carries nothing
// useful after the file name, and the captures waiting on the camera. Sony
// bodies list no objects; each new capture is read through one fixed handle.
#include <cstdlib>

#include "generic/objects.h"
#include "generic/property_store.h"
#include "ptp_properties.h"
#include "sony/sony_capture.h"
#include "sony/sony_codes.h"
#include "sony/sony_driver.h"

namespace {

constexpr PtpObjectInfoForm kSonyObjectInfo = {.end = PtpObjectInfoEnd_FileName};

// 0xD215: 0x8000 + the number of captures waiting; below it, the camera is
// still processing.
constexpr uint32_t kPendingBase = 0x8000;
// The most a 16-bit Image Pending value can announce.
constexpr uint32_t kMostPending = 0x7FFF;
// The PTP code "Undefined": the pending count could not be read.
constexpr PtpResult kPendingUnread = 0x2000;

} // namespace

PtpResult PtpSony_GetObjectInfo(uint32_t handle, PtpObjectInfo* out) {
    return PtpObjects_GetObjectInfo(kPtpOpGetObjectInfo, handle, kSonyObjectInfo, out);
}

PtpResult PtpSony_GetPendingObjectHandles(uint32_t** handles, uint32_t* count) {
    if (!handles || !count) return PtpResult_InvalidArgument;
    *handles = nullptr;
    *count = 0;
    if (PtpGenericInterface_RefreshPropertyValue(kSonyPropImagePending) != PtpResult_Ok)
        return kPendingUnread;
    uint32_t value = 0;
    if (!PtpReadCurrentValue(kSonyPropImagePending, &value)) return PtpResult_Failed;
    if (value == 0) return PtpResult_Ok;
    if (value < kPendingBase) return PtpResult_DeviceBusy;
    const uint32_t n = value - kPendingBase;
    // The record holds 32 bits: a wider value is refused before anything is
    // sized from it.
    if (n > kMostPending) return PtpResult_InvalidData;
    if (n == 0) return PtpResult_Ok;
    uint32_t* list = static_cast<uint32_t*>(std::malloc(size_t(n) * sizeof(uint32_t)));
    if (!list) return PtpResult_OutOfMemory;
    for (uint32_t i = 0; i < n; ++i)
        list[i] = kSonyCaptureHandle;
    *handles = list;
    *count = n;
    return PtpResult_Ok;
}
