// Sony property-change records in the Tetherhub's event data, applied to a
// store that holds the image-format parts and the exposure mode.
#include <cstdint>
#include <initializer_list>

#include "generic/event_fetch.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp_events.h"
#include "sony/property_controls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    PtpSession_SetVendor(PtpVendor_Sony);
    PtpSession_SetModel(uint8_t(160 + (data[0] >> 1) % 30));
    PtpSony_SetNormalPropertyControls(data[0] & 1);
    PtpClearPropertyStore();
    for (uint32_t code : {0x500Eu, 0x5004u, 0xD203u, 0xD252u, 0xD253u, 0x5010u})
        if (data[0] & 0x40 || code != 0xD253u) PtpAddPropertyRecord(code, false, true);
    PtpDispatchEventData(data + 1, uint32_t(size - 1));
    while (PtpHostEvent* e = PopEventPtr())
        (void)e;
    return 0;
}
