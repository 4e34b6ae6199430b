// Nikon exposure encodings: compensation and bracketing-step codes for a
// stop, the compensation step size, the frames of each body's bracketing
// patterns, and the bracketing switch.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "generic/exposure.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_exposure.h"
#include "nikon/nikon_formats.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

constexpr uint32_t kNoCode = 0xFFFF; // no bracketing step / bracketing off
constexpr uint8_t kD780 = 223;
constexpr uint8_t kZ7II = 227;
constexpr uint8_t kMilliStopModel = 233; // bracketing steps in thousandths of a stop

bool model_in(uint8_t model, std::initializer_list<uint8_t> models) {
    for (uint8_t m : models)
        if (m == model) return true;
    return false;
}

uint8_t model() { return PtpGenericInterface_CameraModel(); }

// Bodies whose compensation step property counts 6 for thirds and 3 for halves.
bool sixth_step_codes(uint8_t m) { return m == kD780 || (m >= 226 && m <= 233); }

struct PatternFrames {
    uint32_t pattern;
    uint8_t below, above;
};

// Looks pattern up in rows; fallback when absent.
void frames_of(const PatternFrames* rows, size_t n, uint32_t pattern, PatternFrames fallback,
               uint32_t* below, uint32_t* above) {
    PatternFrames hit = fallback;
    for (size_t i = 0; i < n; ++i)
        if (rows[i].pattern == pattern) hit = rows[i];
    *below = hit.below;
    *above = hit.above;
}

template <size_t N>
void frames_of(const PatternFrames (&rows)[N], uint32_t pattern, PatternFrames fallback,
               uint32_t* below, uint32_t* above) {
    frames_of(rows, N, pattern, fallback, below, above);
}

} // namespace

uint32_t PtpNikon_CompensationValueForStop(float stop) {
    if (std::fabs(stop) < 0.1f) return 0;
    int16_t v = int16_t(std::lround(1000.0 * stop));
    // The camera's list holds thousandths of thirds rounded its own way
    // (333, 666, 1000): round the last digit onto it.
    int r = std::abs(v % 10);
    int away = v < 0 ? -1 : 1;
    if (r == 2 || r == 5 || r == 9)
        v = int16_t(v + away);
    else if (r == 1 || r == 4 || r == 7)
        v = int16_t(v - away);
    return uint16_t(v);
}

uint32_t PtpNikon_BracketValueForStop(float stop) {
    uint8_t m = model();
    if (model_in(m, {kD780, 226, kZ7II, 228, 229, 230, 232}))
        return stop < 0.01f ? kNoCode : uint32_t(std::lround(6.0 * stop));
    if (m == kMilliStopModel) return stop < 0.01f ? kNoCode : uint32_t(std::lround(1000.0 * stop));
    if (std::fabs(stop) < 0.1f) return kNoCode;
    bool wholeStops = model_in(
        m, {197, 200, 210, 211, 212, 214, 215, 216, 217, 219, 220, 221, 222, 224, 225, 231, 240});
    struct Step {
        float stop;
        uint32_t code;
    };
    static const Step kFine[] = {{0.3333f, 0}, {0.5f, 1}, {0.6667f, 2}, {1.0f, 3},
                                 {1.3333f, 4}, {1.5f, 5}, {1.6667f, 6}, {2.0f, 7}};
    static const Step kWhole[] = {{0.3333f, 0}, {0.5f, 1},    {0.6667f, 2}, {1.0f, 3}, {1.3333f, 4},
                                  {1.5f, 5},    {1.6667f, 6}, {2.0f, 4},    {3.0f, 5}};
    const Step* steps = wholeStops ? kWhole : kFine;
    size_t n = wholeStops ? sizeof kWhole / sizeof kWhole[0] : sizeof kFine / sizeof kFine[0];
    for (size_t i = 0; i < n; ++i)
        if (steps[i].stop + 0.1f > stop) return steps[i].code;
    return kNoCode;
}

uint32_t PtpNikon_CompensationStepSize() {
    uint32_t step = 0;
    PtpReadCurrentValue(kNikonPropCompensationStep, &step);
    if (sixth_step_codes(model())) return step == 6 ? 1 : step == 3 ? 2 : 3;
    return step == 2 ? 1 : step == 1 ? 2 : 3;
}

bool PtpNikon_StopApart(uint32_t code, uint32_t* lower, uint32_t* upper) {
    struct Pair {
        uint32_t code, lower, upper;
    };
    // Shutter speeds 1 s and 2 s, f/5.6 and f/8, ISO 400 and 800.
    static const Pair kPairs[] = {{kNikonPropShutterSpeed, 0x10001, 0x20001},
                                  {kNikonPropFNumber, 560, 800},
                                  {kNikonPropIso, 400, 800}};
    for (const Pair& p : kPairs) {
        if (p.code != code) continue;
        *lower = p.lower;
        *upper = p.upper;
        return true;
    }
    return false;
}

float PtpNikon_MaxBracketStop() {
    float cached = PtpSession_MaxBracketStop();
    if (cached != kMaxBracketStopUnknown) return cached;
    PtpLockedRecord step(kNikonPropBracketingStep);
    if (!step.record) return 0;
    uint32_t largest = 0;
    bool any = false;
    for (uint16_t i = 0; i < step.count(); ++i) {
        if (!any || step.record->values[i].value > largest) largest = step.record->values[i].value;
        any = true;
    }
    float stop = any ? PtpNikon_BracketStop(model(), largest) : 0;
    PtpSession_SetMaxBracketStop(stop);
    return stop;
}

void PtpNikon_BracketFrames(uint8_t m, bool on, uint32_t pattern, uint32_t* below,
                            uint32_t* above) {
    *below = *above = 1;
    if (model_in(m, {192, 193, 207, 208, 213}) || !on) return;
    if (model_in(m, {194, 197, 203})) {
        static const PatternFrames kRows[] = {{0, 1, 0}, {1, 0, 1}, {2, 1, 1}};
        return frames_of(kRows, pattern, {0, 0, 0}, below, above);
    }
    if (model_in(m, {195, 196, 198, 199, 200, 201, 202, 204, 205, 209, 210,
                     211, 212, 214, 215, 216, 219, 220, 221, 222, 225, 240})) {
        static const PatternFrames kRows[] = {{0, 1, 0}, {1, 0, 1}, {2, 2, 0}, {3, 0, 2},
                                              {5, 2, 2}, {6, 3, 3}, {7, 4, 4}};
        return frames_of(kRows, pattern, {0, 1, 1}, below, above);
    }
    if (m == kD780) {
        static const PatternFrames kRows[] = {{0x102, 1, 0}, {0x103, 2, 0}, {0x202, 0, 1},
                                              {0x203, 0, 2}, {0x405, 2, 2}, {0x407, 3, 3},
                                              {0x409, 4, 4}};
        return frames_of(kRows, pattern, {0, 1, 1}, below, above);
    }
    if (m >= 226 && m <= 233) {
        static const PatternFrames kRows[] = {{0, 0, 0},     {0x102, 0, 1}, {0x103, 2, 0},
                                              {0x202, 1, 0}, {0x403, 1, 1}, {0x405, 2, 2},
                                              {0x407, 3, 3}, {0x409, 4, 4}};
        return frames_of(kRows, pattern, {0, 0, 2}, below, above);
    }
}

uint32_t PtpNikon_BracketingStops(float stop, float* out, uint8_t force) {
    uint32_t on = 0;
    if (!PtpReadCurrentValue(kNikonPropImageBracketing, &on) || (on == 0 && !force)) return 0;
    uint32_t pattern = 0;
    // Without the pattern the frames are unknown: two, and out untouched.
    if (!PtpReadCurrentValue(kNikonPropBracketingPattern, &pattern)) return 2;
    uint32_t below = 0, above = 0;
    PtpNikon_BracketFrames(model(), on != 0, pattern, &below, &above);
    uint32_t n = 0;
    for (uint32_t i = 1; i <= below && n < PTP_BRACKET_STOPS_MAX; ++i)
        out[n++] = -float(i) * stop;
    for (uint32_t i = 1; i <= above && n < PTP_BRACKET_STOPS_MAX; ++i)
        out[n++] = float(i) * stop;
    return n;
}

// Program 1-4 (manual, program, aperture and shutter priority), or a user
// mode U1-U3 whose stored mode 0xD0FC is one of them (19-22).
bool PtpNikon_IsAutoExposureProgram() {
    uint32_t program = 0;
    if (!PtpReadCurrentValue(kNikonPropExposureProgram, &program)) return false;
    if (program >= 1 && program <= 4) return true;
    uint32_t user = 0;
    return program >= 0x8050 && program <= 0x8052 &&
           PtpReadCurrentValue(kNikonPropUserMode, &user) && user >= 19 && user <= 22;
}

// Bracketing and compensation apply in programs 1-4 only.
bool PtpNikon_IsExposureAdjustable() {
    uint32_t program = 0;
    return PtpReadCurrentValue(kNikonPropExposureProgram, &program) && program >= 1 && program <= 4;
}

PtpResult PtpNikon_SetBracketing(uint32_t value) {
    if (value == kNoCode) return PtpNikon_TurnOffBracketing();
    PtpResult rc = PtpGenericInterface_SetPropertyValue(kNikonPropBracketingType, 1, 1);
    if (rc == PtpResult_Ok)
        rc = PtpGenericInterface_SetPropertyValue(kNikonPropImageBracketing, 1, 1);
    if (rc != PtpResult_Ok) return rc;
    if (model() == kZ7II) {
        // The Z 7_2 takes a step only with its five-frame pattern set.
        bool settable = false;
        if (PtpPropertyRecord* step =
                PtpGenericInterface_GetProperty(kNikonPropBracketingStep, 1)) {
            settable = step->access == 1;
            PtpUnlockProperty(step);
        }
        if (settable) rc = PtpGenericInterface_SetPropertyValue(kNikonPropBracketingPattern, 4, 1);
        if (rc != PtpResult_Ok) return rc;
    }
    return PtpGenericInterface_SetPropertyValue(kNikonPropBracketingStep, value, 1);
}

PtpResult PtpNikon_TurnOffBracketing() {
    return PtpGenericInterface_SetPropertyValue(kNikonPropImageBracketing, 0, 1);
}

uint8_t PtpNikon_MaxContinuousShots(bool hasMinimum, uint32_t minimum, bool hasLimit,
                                    uint32_t limit) {
    constexpr uint32_t kDefaultShots = 20;
    constexpr uint32_t kDefaultLimit = 1000;
    if (!hasMinimum) return kDefaultShots;
    uint32_t shots = std::min(minimum, hasLimit ? limit : kDefaultLimit);
    return uint8_t(std::min<uint32_t>(shots, 255)); // saturate: 300 must not read as 44
}
