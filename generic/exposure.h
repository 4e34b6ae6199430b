// Exposure steps, bracketing, HDR and bulb: the pieces the vendor-neutral
// exposure calls (ptp_exposure.h) and the drivers' exposure entries share.
#pragma once

#include <cstdint>

#include "ptp_exposure.h"
#include "ptp_properties.h"

// The record of a property, locked for the holder's scope; record is null when
// the store has none. The lock is released on every way out of the scope.
struct PtpLockedRecord {
    explicit PtpLockedRecord(uint32_t code)
        : record(code ? PtpGenericInterface_GetProperty(code, 1) : nullptr) {}
    ~PtpLockedRecord() {
        if (record) PtpUnlockProperty(record);
    }
    PtpLockedRecord(const PtpLockedRecord&) = delete;
    PtpLockedRecord& operator=(const PtpLockedRecord&) = delete;

    // The number of allowed values, 0 when there is no list to walk (none, or
    // the "not checked" marker without entries).
    uint16_t count() const { return record && record->values ? record->valueCount : 0; }
    // The position of the first allowed value equal to value, or -1.
    int32_t position(uint32_t value) const {
        for (uint16_t i = 0; i < count(); ++i)
            if (record->values[i].value == value) return i;
        return -1;
    }

    PtpPropertyRecord* record;
};

// The property's current value is not 0; false when the store lacks it.
bool PtpExposure_IsSet(uint32_t code);

// Stops of a code in signed thousandths of a stop (its low 16 bits).
float PtpExposure_MilliStops(uint32_t code);

// The largest (or smallest) allowed value of property code in stops, its
// values being signed thousandths. fromZero starts the search at 0, so a list
// on one side of 0 gives 0 for the other limit. 0 without a list.
float PtpExposure_MilliStopLimit(uint32_t code, bool largest, bool fromZero);

// Stops of the index-th step of a series in step size size (2 halves, 1 whole
// stops, anything else thirds).
float PtpExposure_StepOfSize(uint32_t size, int32_t index);

// Milliseconds of a shutter-speed fraction (numerator in the upper 16 bits,
// denominator in the lower); 0 for a numerator of 0 or 0xFFFF or a denominator
// of 0.
int64_t PtpExposure_FractionMilliseconds(uint32_t code);
