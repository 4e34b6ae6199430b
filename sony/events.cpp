// Sony property records from the Tetherhub.
#include "generic/event_queue.h"
#include "sony/sony_driver.h"

namespace {

// A property-changed record with this code tells the driver to re-read its
// settings; it is not a property of its own.
constexpr uint32_t kReloadMarker = 0x12345678;

} // namespace

// The marker is not queued; any other record is queued as a change of no
// stored property.
void PtpSony_HubPropertyChanged(uint32_t code, uint32_t, uint8_t) {
    if (code == kReloadMarker) return;
    PtpQueuePropertyChanged(nullptr, /*notify=*/false);
}
