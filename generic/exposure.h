// Exposure steps, bracketing, HDR and bulb: the pieces the vendor-neutral
// exposure calls (ptp_exposure.h) share, and the pure conversions other
// sequences (focus stacking, panoramas) may call without the store.
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

// Canon exposure-step code for stop stops: eighths of a stop with thirds (3, 5)
// and halves (4), negative steps as 256 minus the magnitude. Steps beyond the
// code range give the largest code of their sign (160, or 161 for -95/8).
uint32_t PtpExposure_CanonCodeForStop(float stop);

// Stops of a Nikon bracketing-step code on the camera of model id model (no
// store access: the caller checks that bracketing is on).
float PtpExposure_NikonBracketStop(uint8_t model, uint32_t code);

// Milliseconds of a shutter-speed fraction (numerator in the upper 16 bits,
// denominator in the lower); 0 for a numerator of 0 or 0xFFFF or a denominator
// of 0.
int64_t PtpExposure_FractionMilliseconds(uint32_t code);
