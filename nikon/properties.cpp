// Nikon quirks of the property store and of writes.
#include "generic/event_queue.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_driver.h"
#include "ptp_properties.h"

uint32_t PtpNikon_StoredValue(uint32_t code, uint32_t value) {
    if (code == kNikonPropAutoIso) return value == 0;
    return value;
}

// A range description of the exposure status gets no value list.
bool PtpNikon_IsRangeListed(uint32_t code) { return code != kNikonPropExposureStatus; }

// Range entries are labelled from the name tables, except those of the burst
// and shooting counts and the colour temperature, which stay numbers.
bool PtpNikon_IsRangeLabelled(uint32_t code) {
    return code != kNikonPropBurstCount && code != kNikonPropContinuousShootingCount &&
           code != kNikonPropColorTemperature;
}

// A written exposure program is announced as changed, with the compensation.
void PtpNikon_PropertyWritten(uint32_t code) {
    if (code != kNikonPropExposureProgram) return;
    PtpQueuePropertyCodeChanged(code, /*notify=*/true);
    PtpQueuePropertyCodeChanged(kNikonPropExposureCompensation, /*notify=*/true);
}
