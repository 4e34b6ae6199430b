// HDR series shot by the host: how many shots fit around a property's current
// value in its allowed-value list, which value a series ends on, and the
// lengths of a bulb series. List positions are those of the property store;
// which way along a list is brighter the driver tells for each property.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "generic/driver.h"
#include "generic/exposure.h"
#include "generic/property_store.h"
#include "ptp_exposure.h"
#include "ptp_generic.h"
#include "ptp_names.h"

namespace {

// HDR modes: centred on the current value, or one-sided.
constexpr uint8_t kModeCentred = 0;
constexpr uint8_t kModeDarker = 1;
constexpr uint8_t kModeBrighter = 2;
// GetEndHdrValue's direction 1 asks for the brighter end.
constexpr uint8_t kDirectionBrighter = 1;

// Bulb series: exposures shorter than this are not worth a bulb shot, and a
// series has at most this many steps to either side.
constexpr double kShortestBulbMs = 100;
constexpr uint32_t kMaxBulbSteps = 100;
// A stop shortens an exposure by half; beyond the first two whole stops the
// rest is taken in one part.
constexpr double kStopPartEpsilon = 0.01;

// Labels handed out by GetEndHdrValue: the calling thread's own, so another
// thread's call cannot change the text under a reader.
constexpr size_t kEndLabelSize = 128;
thread_local char t_endLabel[kEndLabelSize];

// The direction (+1 or -1 positions) toward brighter exposures, for counting.
int brighter_direction(uint32_t code) {
    const PtpDriver* d = PtpSession_Driver();
    return d->exposure.hdrBrighterDirection ? d->exposure.hdrBrighterDirection(code) : 1;
}

// The direction toward darker exposures, for finding a series' end.
int darker_direction(uint32_t code) {
    const PtpDriver* d = PtpSession_Driver();
    return d->exposure.hdrDarkerDirection ? d->exposure.hdrDarkerDirection(code) : 1;
}

const char* keep_label(const char* text, size_t most) {
    size_t n = strnlen(text, most);
    if (n >= kEndLabelSize) n = kEndLabelSize - 1;
    std::memcpy(t_endLabel, text, n);
    t_endLabel[n] = '\0';
    return t_endLabel;
}

// One bulb step: t shortened by stops, in at most three parts.
double shorten(double t, double stops) {
    double parts[3];
    int n = 0;
    parts[n++] = std::fmin(1.0, stops);
    if (stops - 1 > kStopPartEpsilon) parts[n++] = std::fmin(1.0, stops - 1);
    if (stops - 2 > kStopPartEpsilon) parts[n++] = stops - 2;
    for (int k = 0; k < n; ++k)
        t -= std::trunc(std::trunc(t * 0.5) * parts[k]);
    return t;
}

uint32_t to_u32_milliseconds(double ms) {
    if (std::isnan(ms) || ms <= 0) return 0;
    if (ms >= 4294967295.0) return UINT32_MAX;
    return uint32_t(ms);
}

} // namespace

uint32_t PtpGenericInterface_GetMaxNumberOfHdrSteps(uint32_t code, uint32_t value, uint32_t step,
                                                    uint8_t mode) {
    int64_t count = 0;
    int64_t i = -1;
    {
        PtpLockedRecord r(code);
        if (!r.record || !r.record->values) return 0;
        count = r.record->valueCount;
        if (count == 0 || count == kValueListUnchecked) return 0;
        i = r.position(value);
    }
    if (i < 0) return 0;
    const int b = brighter_direction(code);
    const uint64_t above = uint64_t(count - 1 - i);
    const uint64_t below = uint64_t(i);
    const uint64_t towardBrighter = b > 0 ? above : below;
    const uint64_t towardDarker = b > 0 ? below : above;
    // A step of 0 never leaves the current value: it alone counts.
    uint64_t nb = 1;
    uint64_t nd = 1;
    if (step != 0) {
        if (mode == kModeCentred || mode == kModeBrighter) nb += towardBrighter / step;
        nd += towardDarker / step;
    }
    if (mode >= kModeBrighter) return uint32_t(nb);
    if (mode == kModeDarker) return uint32_t(nb > nd ? nb : nd);
    uint64_t side = (nb < nd ? nb : nd) - 1;
    return uint32_t(2 * side + 1);
}

const char* PtpGenericInterface_GetEndHdrValue(uint32_t code, uint32_t value, int32_t step,
                                               uint32_t shots, uint8_t mode, uint8_t direction) {
    if (mode == direction) {
        // The series does not move this way: it ends on the current value.
        const char* label = PtpGenericInterface_StringForPropertyCodeValue(code, value);
        return label ? keep_label(label, kEndLabelSize) : nullptr;
    }
    if (shots == 0) return nullptr;
    const uint64_t n = mode == kModeCentred && shots != 1 ? (shots - 1) / 2 + 1 : shots;
    const int d = darker_direction(code);
    int sign = direction == kDirectionBrighter ? -d : d;
    if (step < 0) sign = -sign;
    // At most (2^32 - 2) x 2^31 positions: fits 64 bits.
    const uint64_t offset = (n - 1) * uint64_t(std::llabs(int64_t(step)));

    PtpLockedRecord r(code);
    const int64_t count = r.count();
    if (count == 0) return nullptr;
    const int64_t i = r.position(value);
    if (i < 0 || offset >= uint64_t(count)) return nullptr;
    const int64_t end = i + sign * int64_t(offset);
    if (end < 0 || end >= count) return nullptr;
    return keep_label(r.record->values[end].label, PTP_LABEL_SIZE);
}

uint32_t PtpGenericInterface_GetMaxNumberOfHdrBulbSteps(uint32_t baseMs, float stops,
                                                        uint32_t mode) {
    if (mode == kModeBrighter) return kMaxBulbSteps;
    double t = baseMs;
    uint32_t n = 0;
    while (n < kMaxBulbSteps) {
        t = shorten(t, stops);
        if (!(t >= kShortestBulbMs)) break;
        ++n;
    }
    return mode == kModeCentred ? 2 * n + 1 : n + 1;
}

uint32_t* PtpGenericInterface_CalculateBulbDuration(uint32_t baseMs, float stops, int32_t count) {
    // An empty series is an empty buffer, which the caller frees like any other.
    if (count < 1) return static_cast<uint32_t*>(std::malloc(1));
    if (count > PTP_BULB_DURATIONS_MAX) return nullptr;
    uint32_t* durations = static_cast<uint32_t*>(std::malloc(size_t(count) * sizeof(uint32_t)));
    if (!durations) return nullptr;
    const double first = -double(count - 1) * 0.5 * double(stops);
    for (int32_t k = 0; k < count; ++k) {
        double e = first + double(k) * double(stops);
        durations[k] = to_u32_milliseconds(std::round(std::exp2(e) * double(baseMs)));
    }
    return durations;
}
