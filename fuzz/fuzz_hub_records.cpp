// Event data as the Tetherhub hands it over: the 38-byte records of Sony and
// Fujifilm cameras, dispatched into events and drained again.
#include <cstdint>

#include "generic/event_fetch.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp_events.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    PtpSession_SetVendor(data[0] & 1 ? PtpVendor_Fujifilm : PtpVendor_Sony);
    PtpClearPropertyStore();
    // A record the property-change records can find.
    PtpAddPropertyRecord(0x500E, false, false);
    PtpDispatchEventData(data + 1, uint32_t(size - 1));
    while (PtpHostEvent* e = PopEventPtr()) (void)e;
    return 0;
}
