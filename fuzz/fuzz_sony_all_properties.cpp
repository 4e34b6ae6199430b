// The Sony all-properties data: the search for every code of the vendor table
// and the descriptor parse, on a newer or an older body.
#include <cstdint>

#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp_events.h"
#include "sony/property_controls.h"
#include "sony/sony_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    PtpSession_SetVendor(PtpVendor_Sony);
    PtpSession_SetModel(uint8_t(160 + (data[0] >> 1) % 30));
    PtpSony_SetNormalPropertyControls(data[0] & 1);
    PtpClearPropertyStore();
    const uint8_t* body = data + 1;
    const uint32_t length = uint32_t(size - 1);
    PtpSony_LocateAndParseProperties(body, length);
    // Again with the types the first pass stored, as a re-read does.
    PtpSony_LocateProperty(0x5013, body, length, true);
    PtpSony_LocateProperty(0xD20D, body, length, true);
    bool changed, stored;
    uint32_t consumed;
    PtpSony_ParsePropertyDescriptor(body, length, 0x5010, &changed, &stored, &consumed);
    while (PtpHostEvent* e = PopEventPtr())
        (void)e;
    return 0;
}
