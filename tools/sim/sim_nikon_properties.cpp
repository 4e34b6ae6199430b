// Each Nikon body's own properties beside the Nikon table every Nikon body
// shares (sim_model_properties.cpp): the vendor codes its bulk descriptions carry.
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
constexpr int64_t kLiveViewFocusModes[] = {0, 1, 2, 3, 4}; // AF-S, AF-C, AF-F, MF (fixed), MF
constexpr int64_t kLiveViewAfAreas[] = {0, 1, 2, 3, 4};    // face, wide, normal, tracking, pinpoint
// Bracketing: 0xD0C1 steps 1/3, 2/3, 1, 2, 3 EV; 0xD0C2 patterns, 4 the
// three-frame series (0, -, +).
constexpr int64_t kBracketSteps[] = {0, 2, 3, 4, 5};
constexpr int64_t kBracketPatterns[] = {0, 1, 2, 3, 4, 5, 6, 7};

constexpr SimPropertyFacts kD850Rows[] = {
    SimEnum(0x5004, kPtpTypeUint8, kRW, 4, 12, SimValues(kQualities)), // RAW + JPG (FINE)
    SimEnum(0xD100, kPtpTypeUint32, kRW, 0x0001007D, 0x0001007D, SimValues(kShutterSpeeds)),
    SimEnum(0xD0B4, kPtpTypeUint32, kRW, 100, 200, SimValues(kIsoExtended)),
    SimEnum(0xD0B6, kPtpTypeUint8, kRW, 0, 0, SimValues(kRawSizes)),
    SimEnum(0xD16A, kPtpTypeUint8, kRW, 1, 1, SimValues(kOnOff)),   // the camera's sense: 1 off
    SimEnum(0xD161, kPtpTypeUint8, kRW, 0, 0, SimValues(kAfModes)),
    SimRange(0xD1A2, kPtpTypeUint8, kRO, 0, 0, 0, 1, 1),            // live view off
    SimRange(0xD1A3, kPtpTypeUint8, kRW, 0, 0, 0, 7, 1),            // live-view zoom: fit
    SimEnum(0xD1A6, kPtpTypeUint8, kRW, 0, 0, SimValues(kOnOff)),   // live-view selector: photo
    SimEnum(0xD061, kPtpTypeUint8, kRW, 0, 0, SimValues(kLiveViewFocusModes)),
    SimEnum(0xD05D, kPtpTypeUint8, kRW, 1, 1, SimValues(kLiveViewAfAreas)), // wide area
    SimRange(0xD1F1, kPtpTypeUint32, kRO, 2143, 2143, 0, 0xFFFF, 1), // shots left on the card
    SimEnum(0xD078, kPtpTypeUint8, kRW, 0, 0, SimValues(kOnOff)),   // bracketing type: 1 exposure
    SimEnum(0xD0C0, kPtpTypeUint8, kRW, 0, 0, SimValues(kOnOff)),   // bracketing off
    SimEnum(0xD0C1, kPtpTypeUint8, kRW, 3, 3, SimValues(kBracketSteps)),
    SimEnum(0xD0C2, kPtpTypeUint8, kRW, 4, 4, SimValues(kBracketPatterns)),
};

// Z 6: mirrorless, starred qualities, focus mode on 0xD061, zoom on 0xD1BD.
constexpr int64_t kIsoZ6[] = {
    50, 64, 80, 100, 125, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600, 2000,
    2500, 3200, 4000, 5000, 6400, 8000, 10000, 12800, 16000, 20000, 25600, 51200, 204800,
};
constexpr int64_t kMirrorlessZoom[] = {0, 512, 1024};           // fit, 200 %, 100 %
constexpr int64_t kRawSizeLargeOnly[] = {0};
constexpr SimPropertyFacts kZ6Rows[] = {
    SimEnum(0x5004, kPtpTypeUint8, kRW, 4, 12, SimValues(kQualities)), // RAW + JPG (FINE)
    SimEnum(0xD100, kPtpTypeUint32, kRW, 0x0001007D, 0x000100FA, SimValues(kShutterSpeeds)),
    SimEnum(0xD0B4, kPtpTypeUint32, kRW, 100, 400, SimValues(kIsoZ6)),
    SimEnum(0xD0B6, kPtpTypeUint8, kRW, 0, 0, SimValues(kRawSizeLargeOnly)),
    SimEnum(0xD16A, kPtpTypeUint8, kRW, 1, 1, SimValues(kOnOff)),
    SimEnum(0xD061, kPtpTypeUint8, kRW, 0, 0, SimValues(kLiveViewFocusModes)), // AF-S
    SimRange(0xD1A2, kPtpTypeUint8, kRO, 0, 0, 0, 1, 1),
    SimEnum(0xD1BD, kPtpTypeUint16, kRW, 0, 0, SimValues(kMirrorlessZoom)),
    SimEnum(0xD1A6, kPtpTypeUint8, kRW, 0, 0, SimValues(kOnOff)),
    SimEnum(0xD05D, kPtpTypeUint8, kRW, 1, 1, SimValues(kLiveViewAfAreas)),
    SimRange(0xD1F1, kPtpTypeUint32, kRO, 1180, 1180, 0, 0xFFFF, 1),
};

// D800: plain qualities (0-2 JPEG, 3 TIFF, 4 RAW, 5-7 RAW + JPEG); movie mode
// needs the application mode written through 0xD1F0.
constexpr int64_t kPlainQualities[] = {0, 1, 2, 3, 4, 5, 6, 7};
constexpr int64_t kIsoD800[] = {
    50, 64, 80, 100, 125, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600,
    2000, 2500, 3200, 4000, 5000, 6400, 12800, 25600,
};
constexpr SimPropertyFacts kD800Rows[] = {
    SimEnum(0x5004, kPtpTypeUint8, kRW, 2, 7, SimValues(kPlainQualities)), // RAW + JPG (FINE)
    SimEnum(0xD100, kPtpTypeUint32, kRW, 0x0001007D, 0x0001003C, SimValues(kShutterSpeeds)),
    SimEnum(0xD0B4, kPtpTypeUint32, kRW, 100, 100, SimValues(kIsoD800)),
    SimEnum(0xD16A, kPtpTypeUint8, kRW, 1, 1, SimValues(kOnOff)),
    SimEnum(0xD161, kPtpTypeUint8, kRW, 0, 0, SimValues(kAfModes)),
    SimRange(0xD1A2, kPtpTypeUint8, kRO, 0, 0, 0, 1, 1),
    SimRange(0xD1A3, kPtpTypeUint8, kRW, 0, 0, 0, 5, 1),
    SimEnum(0xD1A6, kPtpTypeUint8, kRW, 0, 0, SimValues(kOnOff)),
    SimEnum(0xD1F0, kPtpTypeUint8, kRW, 0, 0, SimValues(kOnOff)),
    SimEnum(0xD061, kPtpTypeUint8, kRW, 0, 0, SimValues(kLiveViewFocusModes)),
    SimEnum(0xD05D, kPtpTypeUint8, kRW, 1, 1, SimValues(kLiveViewAfAreas)),
    SimRange(0xD1F1, kPtpTypeUint32, kRO, 1432, 1432, 0, 0xFFFF, 1),
};

// D5000: no capture to card (0x9207), so live view moves the recording media
// (0xD10B) to the camera's memory; the focus mode switches around lens drives.
constexpr SimPropertyFacts kD5000Rows[] = {
    SimEnum(0x5004, kPtpTypeUint8, kRW, 1, 2, SimValues(kPlainQualities)), // JPG (FINE)
    SimEnum(0xD100, kPtpTypeUint32, kRW, 0x0001007D, 0x0001007D, SimValues(kShutterSpeeds)),
    SimEnum(0xD16A, kPtpTypeUint8, kRW, 1, 1, SimValues(kOnOff)),
    SimEnum(0xD161, kPtpTypeUint8, kRW, 0, 0, SimValues(kAfModes)),
    SimEnum(0xD10B, kPtpTypeUint8, kRW, 0, 0, SimValues(kOnOff)), // recording media: card
    SimRange(0xD1A2, kPtpTypeUint8, kRO, 0, 0, 0, 1, 1),
    SimRange(0xD1A3, kPtpTypeUint8, kRW, 0, 0, 0, 5, 1),
    SimRange(0xD1F1, kPtpTypeUint32, kRO, 610, 610, 0, 0xFFFF, 1),
};

// clang-format on

} // namespace

const SimPropertyTable kSimNikonD850Properties = SimTable(kD850Rows);
const SimPropertyTable kSimNikonZ6Properties = SimTable(kZ6Rows);
const SimPropertyTable kSimNikonD800Properties = SimTable(kD800Rows);
const SimPropertyTable kSimNikonD5000Properties = SimTable(kD5000Rows);
