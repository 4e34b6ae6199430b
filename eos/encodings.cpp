// Canon value encodings: 1/8-stop exposure-step codes, the codes one stop apart
// in the shutter, aperture and ISO lists, continuous drive modes, and shutter
// speed codes as exposure times.
#include "eos/eos_models.h"

namespace {

// A shutter-speed code and its exposure time.
struct ShutterTime {
    uint8_t code;
    int64_t milliseconds;
};

// Fixed exposure times. Codes not listed (Auto, bulb, and times below about
// 1/2000 s) give 0.
// clang-format off
const ShutterTime kShutterTimes[] = {
    {0x10, 30000}, {0x13, 25000}, {0x14, 20000}, {0x15, 20000}, {0x18, 15000}, {0x1B, 13000},
    {0x1C, 10000}, {0x1D, 10000}, {0x20, 8000},  {0x23, 6000},  {0x24, 6000},  {0x25, 5000},
    {0x28, 4000},  {0x2B, 3200},  {0x2C, 3000},  {0x2D, 2500},  {0x30, 2000},  {0x33, 1600},
    {0x34, 1500},  {0x35, 1300},  {0x38, 1000},  {0x3B, 800},   {0x3C, 700},   {0x3D, 600},
    {0x40, 500},   {0x43, 400},   {0x44, 300},   {0x45, 300},   {0x48, 250},   {0x4B, 200},
    {0x4C, 166},   {0x4D, 166},   {0x50, 125},   {0x53, 100},   {0x54, 100},   {0x55, 76},
    {0x58, 66},    {0x5B, 50},    {0x5C, 50},    {0x5D, 40},    {0x60, 33},    {0x63, 25},
    {0x64, 22},    {0x65, 20},    {0x68, 16},    {0x6B, 12},    {0x6C, 11},    {0x6D, 10},
    {0x70, 8},     {0x73, 6},     {0x74, 5},     {0x75, 5},     {0x78, 4},     {0x7B, 3},
    {0x7C, 2},     {0x7D, 2},     {0x80, 2},     {0x83, 1},     {0x84, 1},     {0x85, 1},
    {0x88, 1},     {0x8B, 1},     {0x8C, 1},     {0x8D, 1},     {0x90, 1},
};
// clang-format on

// Exposure-step codes above this are negative.
constexpr uint32_t kLargestPositiveCode = 160;

} // namespace

float PtpEos_StopsForExposureCode(uint32_t code) {
    // The code is a byte; a wider value (a sign-extended INT8) keeps its low byte.
    uint32_t c = code & 0xFF;
    bool negative = c > kLargestPositiveCode;
    if (negative) c = 256 - c;
    uint32_t whole = c / 8;
    uint32_t eighth = c % 8;
    float stops;
    if (eighth == 4) {
        stops = float(whole) + 0.5f;
    } else {
        // Eighths 3 and 5 are the camera's thirds.
        uint32_t t = eighth == 3 ? 1 : eighth == 5 ? 2 : eighth;
        stops = float(3 * whole + t) / 3.0f;
    }
    return negative ? -stops : stops;
}

bool PtpEos_StepsForStop(uint32_t propertyCode, uint32_t* lower, uint32_t* upper) {
    if (!lower || !upper) return false;
    uint32_t from;
    switch (propertyCode) {
    case kEosPropShutterSpeed: from = 93; break;
    case kEosPropAperture: from = 48; break;
    case kEosPropIso: from = 88; break;
    default: return false;
    }
    *lower = from;
    *upper = from + 8; // eight eighths: one stop
    return true;
}

bool PtpEos_IsDriveModeContinuous(uint32_t value) {
    switch (value) {
    case 0x01: // continuous
    case 0x04: // high speed
    case 0x05: // low speed
    case 0x14: // silent
    case 0x15: // silent high speed
    case 0x16: // silent low speed
        return true;
    default: return false;
    }
}

int64_t PtpEos_MillisecondsForShutterSpeed(uint32_t code) {
    for (const ShutterTime& t : kShutterTimes)
        if (t.code == code) return t.milliseconds;
    return 0;
}
