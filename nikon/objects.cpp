// Nikon objects: deletion, which the camera does not announce itself, and the
// orientation the object information leaves out.
#include <cstring>

#include "generic/event_queue.h"
#include "generic/objects.h"
#include "nikon/nikon_driver.h"
#include "ptp_comms.h"

namespace {

// Below this size an object is no real image: not worth the Tetherhub reading
// its orientation from the file.
constexpr uint32_t kOrientationMinSize = 2048;

} // namespace

PtpResult PtpNikon_DeleteObject(uint32_t handle, uint32_t second) {
    PtpResult rc = PtpObjects_DeleteStandardObject(handle, second);
    if (rc != PtpResult_Ok) return rc;
    // Nikon cameras send no event of their own for a delete from the host.
    PtpEventData event = {};
    event.code = kPtpEventObjectRemoved;
    PtpObjectInfo removed = {};
    removed.handle = handle;
    static_assert(sizeof removed <= sizeof event.payload, "object record fits the payload");
    std::memcpy(event.payload, &removed, sizeof removed);
    PtpPushEvent(&event, /*notify=*/true);
    return rc;
}

// Nikon object information carries no orientation: the Tetherhub reads it
// from the file of an image that has none yet.
bool PtpNikon_CompleteObjectInfo(PtpObjectInfo* record) {
    if ((record->orientation & 0xFF) != 0 || record->compressedSize <= kOrientationMinSize)
        return false;
    uint8_t orientation = 0;
    if (Comms_GetObjectOrientation(record->handle, &orientation) != PtpResult_Ok) return false;
    record->orientation = (record->orientation & ~0xFFu) | orientation;
    return true;
}
