// Canon exposure steps: stops as the 1/8-stop exposure codes, the camera's
// step size read from its lists, the bracketing write, and which way the
// exposure lists run for HDR series.
#include <cmath>
#include <cstdint>

#include "eos/eos_codes.h"
#include "eos/eos_exposure.h"
#include "generic/exposure.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

// Exposure-step codes: eighths of a stop, positive up to 160 (20 stops),
// negative from 161 (256 - 95: 11 7/8 stops).
constexpr uint32_t kEighthsPerStop = 8;
constexpr uint32_t kLargestPositive = 160;
constexpr uint32_t kLargestNegativeMagnitude = 95;
constexpr uint32_t kCodeWrap = 256;
// Steps smaller than this are no step at all.
constexpr float kSmallestStop = 0.1f;
// Fractions of a stop: below the first a third, below the second a half,
// below the third two thirds, above it the next whole stop.
constexpr float kThirdBelow = 0.43333f;
constexpr float kHalfBelow = 0.6f;
constexpr float kTwoThirdsBelow = 0.76667f;
constexpr uint32_t kThirdEighths = 3;
constexpr uint32_t kHalfEighths = 4;
constexpr uint32_t kTwoThirdsEighths = 5;

// Lists that tell the step size: a half stop is the code 4, and the
// shutter-speed code 100 exists only on half-stop bodies.
constexpr uint32_t kHalfStepCode = 4;
constexpr uint32_t kHalfStepShutter = 100;
constexpr uint32_t kHalfStops = 2;
constexpr uint32_t kThirdStops = 3;

} // namespace

uint32_t PtpEos_ExposureCodeForStop(float stop) {
    float x = std::fabs(stop);
    if (!(x >= kSmallestStop)) return 0; // NaN too
    const bool negative = stop < 0;
    // Past the code range every step gets the largest code; bounding x first
    // keeps the conversion to an integer defined.
    const float bound = float(kLargestPositive / kEighthsPerStop + 1);
    if (x > bound) x = bound;
    float whole = std::floor(x);
    float f = x - whole;
    uint32_t code = uint32_t(whole) * kEighthsPerStop;
    if (f > kSmallestStop) {
        if (f < kThirdBelow)
            code += kThirdEighths;
        else if (f < kHalfBelow)
            code += kHalfEighths;
        else if (f < kTwoThirdsBelow)
            code += kTwoThirdsEighths;
        else
            code += kEighthsPerStop; // closer to the next whole stop
    }
    if (!negative) return code < kLargestPositive ? code : kLargestPositive;
    if (code == 0) return 0;
    if (code > kLargestNegativeMagnitude) code = kLargestNegativeMagnitude;
    return kCodeWrap - code;
}

uint32_t PtpEos_ExposureStepSize() {
    {
        PtpLockedRecord compensation(kEosPropExposureCompensation);
        if (!compensation.record) return kThirdStops;
        if (compensation.count())
            return compensation.position(kHalfStepCode) >= 0 ? kHalfStops : kThirdStops;
    }
    {
        PtpLockedRecord bracketing(kEosPropExposureBracketing);
        if (bracketing.count())
            return bracketing.position(kHalfStepCode) >= 0 ? kHalfStops : kThirdStops;
    }
    PtpLockedRecord shutter(kEosPropShutterSpeed);
    return shutter.position(kHalfStepShutter) >= 0 ? kHalfStops : kThirdStops;
}

PtpResult PtpEos_SetBracketing(uint32_t value) {
    return PtpGenericInterface_SetPropertyValue(PtpGetExposureBracketingPropertyCode(), value, 1);
}

int PtpEos_HdrBrighterDirection(uint32_t code) {
    return code == kEosPropAperture || code == kEosPropShutterSpeed ? -1 : 1;
}

int PtpEos_HdrDarkerDirection(uint32_t code) { return code == kEosPropIso ? -1 : 1; }
