// Fujifilm objects: the object information, whose modification date and
// keywords are not read and whose association type gives the orientation, and
// deletion with the handle alone.
#include "generic/objects.h"
#include "fuji/fuji_driver.h"
#include "ptp/transaction.h"

namespace {

constexpr PtpObjectInfoForm kFujiObjectInfo = {.end = PtpObjectInfoEnd_CaptureDate};

// The EXIF orientation for an association type; 0 when unknown.
uint32_t orientation_from_association(uint16_t associationType) {
    switch (associationType) {
    case 0x0001:
    case 0x0007: return 1;
    case 0x0601:
    case 0x0607: return 8;
    case 0x0301:
    case 0x0307: return 3;
    case 0x0801:
    case 0x0807: return 6;
    default: return 0;
    }
}

} // namespace

PtpResult PtpFuji_GetObjectInfo(uint32_t handle, PtpObjectInfo* out) {
    PtpResult rc = PtpObjects_GetObjectInfo(kPtpOpGetObjectInfo, handle, kFujiObjectInfo, out);
    if (rc == PtpResult_Ok) out->orientation = orientation_from_association(out->associationType);
    return rc;
}

PtpResult PtpFuji_DeleteObject(uint32_t handle, uint32_t second) {
    (void)second; // the camera takes the handle only
    return PtpTransaction_Run(kPtpOpDeleteObject, {handle});
}
