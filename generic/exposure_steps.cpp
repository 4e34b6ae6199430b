// Exposure steps: conversions between stops and the cameras' exposure codes,
// the camera's step size, list entries per stop, the steps of a bracketing
// series, the compensation and bracketing limits, and shutter speeds as times.
// Each call is one switch on the session's vendor.
#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "eos/eos_models.h"
#include "generic/exposure.h"
#include "generic/session.h"
#include "ptp_exposure.h"
#include "ptp_generic.h"

namespace {

// Canon exposure-step codes: eighths of a stop, positive up to 160 (20 stops),
// negative from 161 (256 - 95: 11 7/8 stops).
constexpr uint32_t kCanonEighthsPerStop = 8;
constexpr uint32_t kCanonLargestPositive = 160;
constexpr uint32_t kCanonLargestNegativeMagnitude = 95;
constexpr uint32_t kCanonCodeWrap = 256;
// Steps smaller than this are no step at all.
constexpr float kCanonSmallestStop = 0.1f;
// Fractions of a stop: below the first a third, below the second a half,
// below the third two thirds, above it the next whole stop.
constexpr float kCanonThirdBelow = 0.43333f;
constexpr float kCanonHalfBelow = 0.6f;
constexpr float kCanonTwoThirdsBelow = 0.76667f;
constexpr uint32_t kCanonThirdEighths = 3;
constexpr uint32_t kCanonHalfEighths = 4;
constexpr uint32_t kCanonTwoThirdsEighths = 5;

// Canon lists that tell the step size: a half stop is the code 4, and the
// shutter-speed code 100 exists only on half-stop bodies.
constexpr uint32_t kCanonPropExposureCompensation = 0xD104;
constexpr uint32_t kCanonPropBracketing = 0xD1D9;
constexpr uint32_t kCanonPropShutterSpeed = 0xD102;
constexpr uint32_t kCanonHalfStepCode = 4;
constexpr uint32_t kCanonHalfStepShutter = 100;

// Nikon.
constexpr uint32_t kNikonPropImageBracketing = 0xD0C0;
constexpr uint32_t kNikonPropExposureCompensation = 0x5010;
constexpr uint32_t kNikonPropMovieCompensation = 0xD1AB;

// Sony and Fujifilm compensation, in thousandths of a stop.
constexpr uint32_t kPropExposureCompensation = 0x5010;
constexpr float kMilliStops = 1000.0f;

// The camera model whose Sony step count decides the list entries per stop.
constexpr uint8_t kSonyStepCountModel = 14;

// Step sizes: entries per stop.
constexpr uint32_t kHalfStops = 2;
constexpr uint32_t kThirdStops = 3;
constexpr uint32_t kWholeStops = 1;
constexpr float kOneThird = 0.33333334f;

// Nikon bodies whose bracketing steps are thirds up to about 2 stops, then
// whole stops.
bool nikon_thirds_then_whole(uint8_t m) {
    return m == 197 || m == 200 || (m >= 210 && m <= 212) || (m >= 214 && m <= 217) ||
           (m >= 219 && m <= 231) || m == 233 || m == 240;
}

bool model_in(uint8_t model, std::initializer_list<uint8_t> models) {
    for (uint8_t m : models)
        if (m == model) return true;
    return false;
}

// --- Vendor seams ----------------------------------------------------------------------
// The Nikon, Sony and Fujifilm drivers fill these; until they do, their cameras
// get what a vendor without an implementation gets.

uint32_t nikon_bracket_code(float) { return PtpResult_NotSupportedForCamera; }
uint32_t nikon_compensation_code(float) { return PtpResult_NotSupportedForCamera; }
uint32_t nikon_step_size() { return 0; }
float nikon_max_bracket_stop() { return 0; }
// The two values one stop apart in a property's list.
bool nikon_stop_values(uint32_t, uint32_t*, uint32_t*) { return false; }
uint32_t sony_compensation_code(float) { return PtpResult_NotSupportedForCamera; }
uint32_t sony_step_count() { return 0; }
uint32_t fuji_step_size() { return 0; }

// --- Helpers -------------------------------------------------------------------------

uint32_t canon_step_size() {
    {
        PtpLockedRecord compensation(kCanonPropExposureCompensation);
        if (!compensation.record) return kThirdStops;
        if (compensation.count())
            return compensation.position(kCanonHalfStepCode) >= 0 ? kHalfStops : kThirdStops;
    }
    {
        PtpLockedRecord bracketing(kCanonPropBracketing);
        if (bracketing.count())
            return bracketing.position(kCanonHalfStepCode) >= 0 ? kHalfStops : kThirdStops;
    }
    PtpLockedRecord shutter(kCanonPropShutterSpeed);
    return shutter.position(kCanonHalfStepShutter) >= 0 ? kHalfStops : kThirdStops;
}

// Entries from the first holding lower forward to the one holding upper; 3
// when either is missing.
uint32_t entries_between(uint32_t code, uint32_t lower, uint32_t upper) {
    PtpLockedRecord r(code);
    int32_t first = r.position(lower);
    if (first < 0) return kThirdStops;
    for (int32_t i = first + 1; i < r.count(); ++i)
        if (r.record->values[i].value == upper) return uint32_t(i - first);
    return kThirdStops;
}

float signed_milli_stops(uint32_t code) { return float(int16_t(uint16_t(code))) / kMilliStops; }

// The largest (or smallest) allowed value of code in signed thousandths of a
// stop. fromZero starts the search at 0, so a list on one side of 0 gives 0
// for the other limit.
float compensation_limit(uint32_t code, bool largest, bool fromZero) {
    PtpLockedRecord r(code);
    bool found = fromZero;
    int16_t best = 0;
    for (uint16_t i = 0; i < r.count(); ++i) {
        int16_t v = int16_t(uint16_t(r.record->values[i].value));
        if (!found || (largest ? v > best : v < best)) best = v;
        found = true;
    }
    return float(best) / kMilliStops;
}

float compensation_stop(bool largest, uint8_t extended) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        return largest ? PtpEos_MaxExposureCompensationStop()
                       : PtpEos_MinExposureCompensationStop();
    case PtpVendor_Nikon:
        return compensation_limit(extended ? kNikonPropMovieCompensation
                                           : kNikonPropExposureCompensation,
                                  largest, false);
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm: return compensation_limit(kPropExposureCompensation, largest, true);
    default: return 0;
    }
}

} // namespace

// --- Pure conversions ----------------------------------------------------------------------

uint32_t PtpExposure_CanonCodeForStop(float stop) {
    float x = std::fabs(stop);
    if (!(x >= kCanonSmallestStop)) return 0; // NaN too
    const bool negative = stop < 0;
    // Past the code range every step gets the largest code; bounding x first
    // keeps the conversion to an integer defined.
    const float bound = float(kCanonLargestPositive / kCanonEighthsPerStop + 1);
    if (x > bound) x = bound;
    float whole = std::floor(x);
    float f = x - whole;
    uint32_t code = uint32_t(whole) * kCanonEighthsPerStop;
    if (f > kCanonSmallestStop) {
        if (f < kCanonThirdBelow)
            code += kCanonThirdEighths;
        else if (f < kCanonHalfBelow)
            code += kCanonHalfEighths;
        else if (f < kCanonTwoThirdsBelow)
            code += kCanonTwoThirdsEighths;
        else
            code += kCanonEighthsPerStop; // closer to the next whole stop
    }
    if (!negative) return code < kCanonLargestPositive ? code : kCanonLargestPositive;
    if (code == 0) return 0;
    if (code > kCanonLargestNegativeMagnitude) code = kCanonLargestNegativeMagnitude;
    return kCanonCodeWrap - code;
}

float PtpExposure_NikonBracketStop(uint8_t model, uint32_t code) {
    if (model == 233) return signed_milli_stops(code);
    if (model == 223 || (model >= 226 && model <= 232)) return float(code) / 6.0f;
    // Older bodies step in thirds to one stop, then whole stops.
    static const float kCoarse[] = {1.0f / 3, 0, 2.0f / 3, 1, 2, 3};
    // The rest step in thirds and halves up to two stops.
    static const float kFine[] = {1.0f / 3, 0.5f, 2.0f / 3, 1, 4.0f / 3, 1.5f, 5.0f / 3, 2};
    if (model_in(model, {197, 200, 205, 209, 210, 211, 212, 214, 215, 216, 217, 219, 220, 221, 222,
                         224, 225, 240}))
        return code < sizeof kCoarse / sizeof kCoarse[0] ? kCoarse[code] : 0;
    return code < sizeof kFine / sizeof kFine[0] ? kFine[code] : 0;
}

int64_t PtpExposure_FractionMilliseconds(uint32_t code) {
    uint32_t numerator = code >> 16;
    uint32_t denominator = code & 0xFFFF;
    // A numerator of 0xFFFF marks bulb or time, which have no fixed length.
    if (numerator == 0 || numerator == 0xFFFF || denominator == 0) return 0;
    return int64_t(numerator) * 1000 / denominator;
}

// --- Exported calls -------------------------------------------------------------------------

uint32_t PtpGenericInterface_ExposureBracketValueForStop(float stop) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpExposure_CanonCodeForStop(stop);
    case PtpVendor_Nikon: return nikon_bracket_code(stop);
    default: return PtpResult_NotSupportedForCamera;
    }
}

uint32_t PtpGenericInterface_ExposureCompensationValueForStop(float stop) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpExposure_CanonCodeForStop(stop);
    case PtpVendor_Nikon: return nikon_compensation_code(stop);
    case PtpVendor_Sony: return sony_compensation_code(stop);
    case PtpVendor_Fujifilm: {
        // Thousandths of a stop as a 16-bit value; the range bound keeps the
        // conversion defined for absurd stops.
        float milli = std::round(stop * kMilliStops);
        if (std::isnan(milli)) return 0;
        if (milli > 32767.0f) milli = 32767.0f;
        if (milli < -32768.0f) milli = -32768.0f;
        return uint16_t(int16_t(milli));
    }
    default: return PtpResult_NotSupportedForCamera;
    }
}

float PtpGenericInterface_StopForExposureBracketValue(uint32_t code) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_StopsForExposureCode(code);
    case PtpVendor_Nikon: {
        PtpLockedRecord bracketing(kNikonPropImageBracketing);
        if (!bracketing.record || bracketing.record->currentValue == 0) return 0;
        return PtpExposure_NikonBracketStop(PtpGenericInterface_CameraModel(), code);
    }
    default: return 0;
    }
}

float PtpGenericInterface_StopForExposureCompensationValue(uint32_t code) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_StopsForExposureCode(code);
    case PtpVendor_Nikon:
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm: return signed_milli_stops(code);
    default: return 0;
    }
}

uint32_t PtpGenericInterface_ExposureCompensationStepSize() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return canon_step_size();
    case PtpVendor_Nikon: return nikon_step_size();
    case PtpVendor_Fujifilm: return fuji_step_size();
    default: return 0;
    }
}

uint32_t PtpGenericInterfaceStepsForStop(uint32_t code) {
    uint32_t lower = 0, upper = 0;
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        if (!PtpEos_StepsForStop(code, &lower, &upper)) return kThirdStops;
        return entries_between(code, lower, upper);
    case PtpVendor_Nikon:
        if (!nikon_stop_values(code, &lower, &upper)) return kThirdStops;
        return entries_between(code, lower, upper);
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm: {
        if (PtpGenericInterface_CameraModel() != kSonyStepCountModel) return kThirdStops;
        uint32_t steps = sony_step_count();
        return steps ? steps : kThirdStops;
    }
    default: return kThirdStops;
    }
}

float PtpGenericInterface_GetNextBracketStep(float stop, int32_t index) {
    const PtpVendor vendor = PtpSession_Vendor();
    if (vendor == PtpVendor_Nikon && nikon_thirds_then_whole(PtpGenericInterface_CameraModel())) {
        if (stop <= 1.9f && (stop <= 0.9f || index < 1)) return float(index) / 3.0f;
        return float(index);
    }
    uint32_t size = 0;
    switch (vendor) {
    case PtpVendor_Canon:
    case PtpVendor_Fujifilm: size = PtpGenericInterface_ExposureCompensationStepSize(); break;
    case PtpVendor_Nikon: size = nikon_step_size(); break;
    default: break;
    }
    if (size == kHalfStops) return float(index) * 0.5f;
    if (size == kWholeStops) return float(index) * 1.0f;
    return float(index) * kOneThird;
}

float PtpGenericInterface_MaxExposureBracketStop() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_MaxExposureBracketStop();
    case PtpVendor_Nikon: return nikon_max_bracket_stop();
    default: return 0;
    }
}

float PtpGenericInterface_MaxExposureCompensationStop(uint8_t extended) {
    return compensation_stop(true, extended);
}

float PtpGenericInterface_MinExposureCompensationStop(uint8_t extended) {
    return compensation_stop(false, extended);
}

int64_t PtpGenericInterface_MillisecondsForShutterSpeed(uint32_t code) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_MillisecondsForShutterSpeed(code);
    case PtpVendor_Nikon:
    case PtpVendor_Sony: return PtpExposure_FractionMilliseconds(code);
    default: return 0;
    }
}
