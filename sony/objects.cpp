// Sony objects: the object information, whose data set carries nothing
// useful after the file name.
#include "generic/objects.h"
#include "sony/sony_driver.h"

namespace {

constexpr PtpObjectInfoForm kSonyObjectInfo = {.end = PtpObjectInfoEnd_FileName,
                                               .keepsFlags = true};

} // namespace

PtpResult PtpSony_GetObjectInfo(uint32_t handle, PtpObjectInfo* out) {
    return PtpObjects_GetObjectInfo(kPtpOpGetObjectInfo, handle, kSonyObjectInfo, out);
}
