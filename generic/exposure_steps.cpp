// Exposure steps: conversions between stops and the cameras' exposure codes,
// the camera's step size, list entries per stop, the steps of a bracketing
// series, the compensation and bracketing limits, and shutter speeds as times.
// Each call asks the session's driver; the helpers here serve the drivers.
#include <cmath>
#include <cstdint>

#include "generic/driver.h"
#include "generic/exposure.h"
#include "ptp_exposure.h"

namespace {

constexpr float kMilliStops = 1000.0f;

// Step sizes: entries per stop.
constexpr uint32_t kHalfStops = 2;
constexpr uint32_t kThirdStops = 3;
constexpr uint32_t kWholeStops = 1;
constexpr float kOneThird = 0.33333334f;

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

} // namespace

// --- Helpers for the drivers -------------------------------------------------------------

bool PtpExposure_IsSet(uint32_t code) {
    PtpLockedRecord r(code);
    return r.record && r.record->currentValue != 0;
}

float PtpExposure_MilliStops(uint32_t code) { return float(int16_t(uint16_t(code))) / kMilliStops; }

float PtpExposure_MilliStopLimit(uint32_t code, bool largest, bool fromZero) {
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

float PtpExposure_StepOfSize(uint32_t size, int32_t index) {
    if (size == kHalfStops) return float(index) * 0.5f;
    if (size == kWholeStops) return float(index) * 1.0f;
    return float(index) * kOneThird;
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
    const PtpDriver* d = PtpSession_Driver();
    if (!d->exposure.bracketValueForStop) return PtpResult_NotSupportedForCamera;
    return d->exposure.bracketValueForStop(stop);
}

uint32_t PtpGenericInterface_ExposureCompensationValueForStop(float stop) {
    const PtpDriver* d = PtpSession_Driver();
    if (!d->exposure.compensationValueForStop) return PtpResult_NotSupportedForCamera;
    return d->exposure.compensationValueForStop(stop);
}

float PtpGenericInterface_StopForExposureBracketValue(uint32_t code) {
    const PtpDriver* d = PtpSession_Driver();
    return d->exposure.stopForBracketValue ? d->exposure.stopForBracketValue(code) : 0;
}

float PtpGenericInterface_StopForExposureCompensationValue(uint32_t code) {
    const PtpDriver* d = PtpSession_Driver();
    return d->exposure.stopForCompensationValue ? d->exposure.stopForCompensationValue(code) : 0;
}

uint32_t PtpGenericInterface_ExposureCompensationStepSize() {
    const PtpDriver* d = PtpSession_Driver();
    return d->exposure.compensationStepSize ? d->exposure.compensationStepSize() : 0;
}

uint32_t PtpGenericInterfaceStepsForStop(uint32_t code) {
    const PtpDriver* d = PtpSession_Driver();
    uint32_t lower = 0, upper = 0;
    if (!d->exposure.stopApart || !d->exposure.stopApart(code, &lower, &upper)) return kThirdStops;
    return entries_between(code, lower, upper);
}

float PtpGenericInterface_GetNextBracketStep(float stop, int32_t index) {
    const PtpDriver* d = PtpSession_Driver();
    if (d->exposure.nextBracketStep) return d->exposure.nextBracketStep(stop, index);
    return PtpExposure_StepOfSize(PtpGenericInterface_ExposureCompensationStepSize(), index);
}

float PtpGenericInterface_MaxExposureBracketStop() {
    const PtpDriver* d = PtpSession_Driver();
    return d->exposure.maxBracketStop ? d->exposure.maxBracketStop() : 0;
}

float PtpGenericInterface_MaxExposureCompensationStop(uint8_t extended) {
    const PtpDriver* d = PtpSession_Driver();
    return d->exposure.compensationLimit ? d->exposure.compensationLimit(true, extended) : 0;
}

float PtpGenericInterface_MinExposureCompensationStop(uint8_t extended) {
    const PtpDriver* d = PtpSession_Driver();
    return d->exposure.compensationLimit ? d->exposure.compensationLimit(false, extended) : 0;
}

int64_t PtpGenericInterface_MillisecondsForShutterSpeed(uint32_t code) {
    const PtpDriver* d = PtpSession_Driver();
    return d->exposure.millisecondsForShutterSpeed ? d->exposure.millisecondsForShutterSpeed(code)
                                                   : 0;
}
