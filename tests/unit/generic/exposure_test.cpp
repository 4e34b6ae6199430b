// Exposure steps and bracketing through each vendor's driver: stops to codes and
// back, step sizes, entries per stop, series steps, compensation limits, shutter times.
#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

#include "eos/eos_exposure.h"
#include "ptp_exposure.h"
#include "support/eos_scripted_camera.h"

namespace {

using Values = std::vector<std::pair<const char*, uint32_t>>;

// Makes a camera of vendor current with an empty store and model number;
// PtpVendor_None leaves no vendor.
void become(PtpVendor vendor, uint8_t model = 0) {
    PtpClearPropertyStore();
    ScriptedCamera camera;
    if (vendor != PtpVendor_None) camera.manufacturer = scripted_maker_of(vendor);
    ASSERT_TRUE(scripted_connect(camera));
    if (vendor == PtpVendor_None) PtpSession_SetVendor(PtpVendor_None);
    PtpSession_SetModel(model);
    PtpSetupPropertyRoles();
    PtpSession_SetMaxBracketStop(kMaxBracketStopUnknown);
}

// A list of unlabelled values.
Values listed(std::initializer_list<uint32_t> codes) {
    Values v;
    for (uint32_t c : codes)
        v.push_back({"", c});
    return v;
}

// Just under a whole stop (0.8, 1.8, -2.78) is the next stop; thirds and
// halves come back as they went in.
TEST(ExposureCodes, CanonStopsAndCodes) {
    become(PtpVendor_Canon);
    struct {
        float stop;
        uint32_t code;
    } cases[] = {{0.7f, 5}, {-1.0f, 248}, {-0.05f, 0},   {-0.5f, 252},
                 {0.8f, 8}, {-0.8f, 248}, {-2.78f, 232}, {5.0f, 40}};
    for (const auto& c : cases) {
        EXPECT_EQ(PtpGenericInterface_ExposureBracketValueForStop(c.stop), c.code) << c.stop;
        EXPECT_EQ(PtpGenericInterface_ExposureCompensationValueForStop(c.stop), c.code) << c.stop;
    }
    for (int k = -18; k <= 18; ++k) {
        for (float stop : {float(k) / 3, float(k) / 2}) {
            uint32_t code = PtpGenericInterface_ExposureBracketValueForStop(stop);
            EXPECT_NEAR(PtpGenericInterface_StopForExposureBracketValue(code), stop, 1e-5) << stop;
            EXPECT_NEAR(PtpGenericInterface_StopForExposureCompensationValue(code), stop, 1e-5);
        }
    }
    // A negative step is 0 or a code of the negative range, never 256 and never
    // a positive code, however far out it lies.
    for (int hundredths = -3000; hundredths <= 3000; ++hundredths) {
        uint32_t code = PtpEos_ExposureCodeForStop(float(hundredths) / 100);
        if (hundredths < 0)
            EXPECT_TRUE(code == 0 || (code >= 161 && code <= 255)) << hundredths << " " << code;
        else
            EXPECT_LE(code, 160u) << hundredths;
    }
    // Past the labelled range, and a sign-extended INT8, which keeps its byte.
    EXPECT_FLOAT_EQ(PtpGenericInterface_StopForExposureBracketValue(0xA0), 20.0f);
    EXPECT_FLOAT_EQ(PtpGenericInterface_StopForExposureCompensationValue(0xFFFFFFF8), -1.0f);
    EXPECT_EQ(PtpEos_ExposureCodeForStop(std::numeric_limits<float>::quiet_NaN()), 0u);
    EXPECT_EQ(PtpEos_ExposureCodeForStop(std::numeric_limits<float>::infinity()), 160u);
    EXPECT_EQ(PtpEos_ExposureCodeForStop(-std::numeric_limits<float>::infinity()), 161u);
}

TEST(ExposureCodes, ThousandthsOfAStop) {
    become(PtpVendor_Fujifilm);
    struct {
        float stop;
        uint32_t code;
    } fuji[] = {{1.0f, 1000}, {-1.0f, 0xFC18}, {0.333f, 333},  {-0.7f, 0xFD44},
                {0, 0},       {1e9f, 0x7FFF},  {-1e9f, 0x8000}};
    for (const auto& c : fuji)
        EXPECT_EQ(PtpGenericInterface_ExposureCompensationValueForStop(c.stop), c.code) << c.stop;
    for (PtpVendor v : {PtpVendor_Nikon, PtpVendor_Sony, PtpVendor_Fujifilm}) {
        become(v);
        EXPECT_FLOAT_EQ(PtpGenericInterface_StopForExposureCompensationValue(0xFC18), -1.0f);
        EXPECT_FLOAT_EQ(PtpGenericInterface_StopForExposureCompensationValue(0x1F4), 0.5f);
    }
}

TEST(ExposureCodes, NikonBracketStepByModel) {
    struct {
        uint8_t model;
        uint32_t code;
        float stop;
    } cases[] = {{233, 0xFC18, -1.0f}, {233, 0x101F4, 0.5f}, // low 16 bits, signed thousandths
                 {232, 9, 1.5f},       {200, 0, 1.0f / 3},   {200, 1, 0.0f},
                 {240, 5, 3.0f},       {0, 6, 5.0f / 3},     {213, 8, 0.0f}};
    for (const auto& c : cases) {
        become(PtpVendor_Nikon, c.model);
        EXPECT_EQ(PtpGenericInterface_StopForExposureBracketValue(c.code), 0.0f); // no 0xD0C0
        PtpPropertyRecord* on = scripted_property(0xD0C0, 0);
        EXPECT_EQ(PtpGenericInterface_StopForExposureBracketValue(c.code), 0.0f); // off
        on->currentValue = 1;
        EXPECT_FLOAT_EQ(PtpGenericInterface_StopForExposureBracketValue(c.code), c.stop)
            << int(c.model) << " " << c.code;
    }
}

TEST(ExposureCodes, ShutterSpeedMilliseconds) {
    struct {
        PtpVendor vendor;
        uint32_t code;
        int64_t ms;
    } cases[] = {
        {PtpVendor_Nikon, 1u << 16 | 250, 4},
        {PtpVendor_Nikon, 30u << 16 | 1, 30000},
        {PtpVendor_Sony, 10u << 16 | 3, 3333},
        {PtpVendor_Sony, 1u << 16 | 8000, 0},
        {PtpVendor_Nikon, 0xFFFFu << 16 | 1, 0}, // bulb
        {PtpVendor_Sony, 1u << 16, 0},           // a zero denominator
        {PtpVendor_Nikon, 1u << 16, 0},
        {PtpVendor_Nikon, 5, 0}, // a zero numerator
        // The Canon driver's table: its ends, a row, and codes it does not list.
        {PtpVendor_Canon, 0x10, 30000},
        {PtpVendor_Canon, 0x38, 1000},
        {PtpVendor_Canon, 0x90, 1}, // 1/2000, held at 1 ms
        {PtpVendor_Canon, 0x93, 0},
        {PtpVendor_Canon, 0x0C, 0}, // bulb
    };
    for (const auto& c : cases) {
        become(c.vendor);
        EXPECT_EQ(PtpGenericInterface_MillisecondsForShutterSpeed(c.code), c.ms)
            << c.vendor << " " << std::hex << c.code;
    }
}

TEST(ExposureSteps, CanonStepSizeFromTheLists) {
    struct {
        const char* what;
        std::vector<std::pair<uint32_t, Values>> records;
        uint32_t size;
    } cases[] = {
        {"no compensation property", {}, 3},
        {"compensation in halves", {{0xD104, listed({0, 4, 8, 252})}}, 2},
        {"compensation in thirds", {{0xD104, listed({0, 3, 5, 8})}, {0xD1D9, listed({4})}}, 3},
        {"bracketing in halves", {{0xD104, {}}, {0xD1D9, listed({0, 4, 8})}}, 2},
        {"shutter lists 100", {{0xD104, {}}, {0xD102, listed({96, 100, 104})}}, 2},
        {"shutter in thirds", {{0xD104, {}}, {0xD1D9, {}}, {0xD102, listed({96, 99})}}, 3}};
    for (const auto& c : cases) {
        become(PtpVendor_Canon);
        for (const auto& r : c.records)
            scripted_property(r.first, 0, "", r.second);
        EXPECT_EQ(PtpGenericInterface_ExposureCompensationStepSize(), c.size) << c.what;
    }
}

TEST(ExposureSteps, EntriesPerStop) {
    struct {
        const char* what;
        PtpVendor vendor;
        uint32_t code;
        Values list;
        uint32_t steps;
    } cases[] = {// Canon shutter speed: 93 and 101 are one stop apart.
                 {"thirds", PtpVendor_Canon, 0xD102, listed({88, 91, 93, 96, 99, 101, 104}), 3},
                 {"first of repeated", PtpVendor_Canon, 0xD102, listed({93, 96, 93, 101}), 3},
                 {"upper before lower", PtpVendor_Canon, 0xD102, listed({101, 96, 93}), 3},
                 {"lower missing", PtpVendor_Canon, 0xD102, listed({96, 101}), 3},
                 {"aperture", PtpVendor_Canon, 0xD101, listed({48, 51, 52, 53, 56}), 4},
                 {"iso", PtpVendor_Canon, 0xD103, listed({88, 96}), 1},
                 {"no such pair", PtpVendor_Canon, 0xD104, listed({0, 3, 5, 8}), 3},
                 {"no list", PtpVendor_Canon, 0xD102, {}, 3},
                 // Without the driver's pair every list counts thirds.
                 {"no pair", PtpVendor_Sony, 0xD102, listed({93, 101}), 3}};
    for (const auto& c : cases) {
        become(c.vendor);
        scripted_property(c.code, 0, "", c.list);
        EXPECT_EQ(PtpGenericInterfaceStepsForStop(c.code), c.steps) << c.what;
    }
}

TEST(ExposureSteps, NextBracketStep) {
    struct {
        PtpVendor vendor;
        uint8_t model;
        bool halves; // Canon: the compensation list holds a half stop
        float stop;
        int32_t index;
        float expected;
    } cases[] = {
        {PtpVendor_Canon, 0, false, 1.0f, 2, 0.6666667f},
        {PtpVendor_Canon, 0, true, 1.0f, 3, 1.5f},
        {PtpVendor_Canon, 0, true, 1.0f, -2, -1.0f},
        {PtpVendor_Nikon, 200, false, 0.7f, 2, 2.0f / 3},
        {PtpVendor_Nikon, 200, false, 1.5f, 2, 2.0f},
        {PtpVendor_Nikon, 233, false, 2.0f, -1, -1.0f},
        {PtpVendor_Nikon, 201, false, 0.7f, 3, 1.0000001f},
        // The Nikon model rule is Nikon's: a Canon body with the same number
        // steps by its own step size.
        {PtpVendor_Canon, 200, true, 0.7f, 2, 1.0f},
        {PtpVendor_None, 0, false, 1.0f, 1, 0.33333334f},
    };
    for (const auto& c : cases) {
        become(c.vendor, c.model);
        scripted_property(0xD104, 0, "", c.halves ? listed({0, 4, 8}) : listed({0, 3, 5}));
        EXPECT_FLOAT_EQ(PtpGenericInterface_GetNextBracketStep(c.stop, c.index), c.expected)
            << c.vendor << " model " << int(c.model) << " " << c.stop << " " << c.index;
    }
}

TEST(ExposureLimits, CompensationRange) {
    struct {
        PtpVendor vendor;
        uint8_t extended;
        float max, min;
    } cases[] = {
        {PtpVendor_Nikon, 0, 2.0f, -3.0f},    // 0x5010, the true extremes
        {PtpVendor_Nikon, 1, -0.5f, -2.0f},   // 0xD1AB
        {PtpVendor_Sony, 0, 0.0f, -3.0f},     // from 0: a negative list has no maximum
        {PtpVendor_Fujifilm, 1, 2.0f, -3.0f}, // extended means nothing here
        {PtpVendor_None, 0, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        become(c.vendor);
        scripted_property(0x5010, 0, "",
                          c.vendor == PtpVendor_Sony ? listed({0xF448, 0xFC18})
                                                     : listed({0xF448, 0xFC18, 0, 2000}));
        scripted_property(0xD1AB, 0, "", listed({0xF830, 0xFE0C}));
        SCOPED_TRACE(c.vendor);
        EXPECT_FLOAT_EQ(PtpGenericInterface_MaxExposureCompensationStop(c.extended), c.max);
        EXPECT_FLOAT_EQ(PtpGenericInterface_MinExposureCompensationStop(c.extended), c.min);
    }
}

} // namespace
