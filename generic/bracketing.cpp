// Exposure bracketing: the frames a camera's bracketing takes, whether it may
// be used and is on, and switching it. One switch on the session's vendor per
// call.
#include <cstdint>

#include "eos/eos_capture.h"
#include "eos/eos_models.h"
#include "generic/exposure.h"
#include "generic/session.h"
#include "ptp_exposure.h"
#include "ptp_generic.h"

namespace {

constexpr uint32_t kCanonPropBracketing = 0xD1D9;
constexpr uint32_t kNikonPropImageBracketing = 0xD0C0;

// Unlike the vendor-neutral "not supported", a bracketing write the vendor
// cannot make answers 0, which is not OK either.
constexpr PtpResult kNoBracketingWrite = 0;

// --- Vendor seams ----------------------------------------------------------------------
// The Nikon and Sony drivers fill these; until they do, their cameras get what
// a vendor without an implementation gets.

// The numbers of under- and over-exposed frames of the camera's bracketing.
bool nikon_bracket_frames(uint32_t*, uint32_t*) { return false; }
bool nikon_bracketing_enabled() { return false; }
bool nikon_compensation_enabled() { return false; }
PtpResult nikon_set_bracketing(uint32_t) { return kNoBracketingWrite; }
PtpResult nikon_turn_off_bracketing() { return PtpResult_NotSupportedForCamera; }
bool sony_compensation_enabled() { return false; }
PtpResult sony_turn_off_bracketing() { return PtpResult_NotSupportedForCamera; }
bool fuji_compensation_enabled() { return false; }

// The property's current value is not 0; false when the store lacks it.
bool is_set(uint32_t code) {
    PtpLockedRecord r(code);
    return r.record && r.record->currentValue != 0;
}

uint32_t nikon_bracketing_stops(float stop, float* out, uint8_t force) {
    if (!out) return 0;
    {
        PtpLockedRecord bracketing(kNikonPropImageBracketing);
        if (!bracketing.record) return 0;
        if (bracketing.record->currentValue == 0 && !force) return 0;
    }
    uint32_t under = 0, over = 0;
    // A camera that cannot say how many frames it takes gets no stops at all,
    // so the caller never reads values that were not written.
    if (!nikon_bracket_frames(&under, &over)) return 0;
    uint32_t n = 0;
    for (uint32_t k = 1; k <= under && n < PTP_BRACKET_STOPS_MAX; ++k)
        out[n++] = -float(k) * stop;
    for (uint32_t k = 1; k <= over && n < PTP_BRACKET_STOPS_MAX; ++k)
        out[n++] = float(k) * stop;
    return n;
}

} // namespace

uint32_t PtpGenericInterface_GetExposureBracketingStops(float stop, float* out, uint8_t force) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_GetExposureBracketingStops(stop, out);
    case PtpVendor_Nikon: return nikon_bracketing_stops(stop, out, force);
    default: return 0;
    }
}

bool PtpGenericInterface_IsExposureBracketingEnabled() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_IsExposureBracketingEnabled(true);
    case PtpVendor_Nikon: return nikon_bracketing_enabled();
    default: return false;
    }
}

bool PtpGenericInterface_IsExposureBracketingOn() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return is_set(kCanonPropBracketing);
    case PtpVendor_Nikon: return is_set(kNikonPropImageBracketing);
    default: return false;
    }
}

bool PtpGenericInterface_IsExposureCompensationEnabled() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_IsExposureCompensationEnabled();
    case PtpVendor_Nikon: return nikon_compensation_enabled();
    case PtpVendor_Sony: return sony_compensation_enabled();
    case PtpVendor_Fujifilm: return fuji_compensation_enabled();
    default: return false;
    }
}

PtpResult PtpGenericInterface_SetBracketing(uint32_t value) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        return PtpGenericInterface_SetPropertyValue(PtpGetExposureBracketingPropertyCode(), value,
                                                    1);
    case PtpVendor_Nikon: return nikon_set_bracketing(value);
    default: return kNoBracketingWrite;
    }
}

PtpResult PtpGenericInterface_TurnOffBracketing() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_TurnOffBracketing();
    case PtpVendor_Nikon: return nikon_turn_off_bracketing();
    case PtpVendor_Sony: return sony_turn_off_bracketing();
    default: return PtpResult_NotSupportedForCamera;
    }
}
