// The D850's own properties beside the Nikon table every Nikon body shares
// (sim_model_properties.cpp): the vendor codes its bulk descriptions carry.
// Shutter speeds are numerator << 16 | denominator seconds; 0xFFFFFFFF is bulb.
#include "sim_properties.h"
#include "sim_property_rows.h"

namespace {

// clang-format off

constexpr int64_t kShutterSpeeds[] = {
    0x00011F40, 0x00010FA0, 0x000107D0, 0x000103E8, 0x000101F4, // 1/8000 .. 1/500
    0x000100FA, 0x0001007D, 0x0001003C, 0x0001001E, 0x0001000F, // 1/250 .. 1/15
    0x00010008, 0x00010004, 0x00010002, 0x00010001,             // 1/8 .. 1 s
    0x00020001, 0x00040001, 0x00080001, 0x000F0001, 0x001E0001, // 2 s .. 30 s
    0xFFFFFFFF,                                                 // bulb
};
constexpr int64_t kIsoExtended[] = {
    32, 50, 64, 80, 100, 125, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600,
    2000, 2500, 3200, 4000, 5000, 6400, 8000, 10000, 12800, 16000, 20000, 25600,
    32000, 40000, 51200, 102400,
};
// 0x5004 with starred JPEG qualities: 0-5 JPEG, 6 TIFF, 7 RAW, 8-13 RAW + JPEG.
constexpr int64_t kQualities[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
constexpr int64_t kRawSizes[] = {0, 1, 2};          // L, M, S
constexpr int64_t kOnOff[] = {0, 1};
constexpr int64_t kAfModes[] = {0, 1, 2, 3, 4};     // AF-S, AF-C, AF-A, MF (ring), MF (lens)

constexpr SimPropertyFacts kD850Rows[] = {
    SimEnum(0x5004, kPtpTypeUint8, kRW, 4, 12, SimValues(kQualities)), // RAW + JPG (FINE)
    SimEnum(0xD100, kPtpTypeUint32, kRW, 0x0001007D, 0x0001007D, SimValues(kShutterSpeeds)),
    SimEnum(0xD0B4, kPtpTypeUint32, kRW, 100, 200, SimValues(kIsoExtended)),
    SimEnum(0xD0B6, kPtpTypeUint8, kRW, 0, 0, SimValues(kRawSizes)),
    SimEnum(0xD16A, kPtpTypeUint8, kRW, 1, 1, SimValues(kOnOff)),   // the camera's sense: 1 off
    SimEnum(0xD161, kPtpTypeUint8, kRW, 0, 0, SimValues(kAfModes)),
    SimRange(0xD1A2, kPtpTypeUint8, kRO, 0, 0, 0, 1, 1),            // live view off
    SimRange(0xD1F1, kPtpTypeUint32, kRO, 2143, 2143, 0, 0xFFFF, 1), // shots left on the card
};

// clang-format on

} // namespace

const SimPropertyTable kSimNikonD850Properties = SimTable(kD850Rows);
