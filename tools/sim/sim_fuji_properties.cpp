// The Fujifilm bodies' device properties: the registered set the driver reads
// at session start, in each body's own units. Image sizes are the texts the
// camera reports; shutter speeds are microseconds (bulb 0xFFFFFFFF); exposure
// compensation is in thousandths of a stop; the lens reports its apertures
// (0xD38D) and focal length (0xD38E) as texts. The focus position 0xD171 spans
// the lens's travel, which differs per body.
#include "sim_properties.h"
#include "sim_property_rows.h"

namespace {

// clang-format off

// X-T4 sizes: L, M and S in 3:2, 16:9 and 1:1.
constexpr const char* kXT4Sizes[] = {
    "6240x4160", "6240x3512", "4160x4160",
    "4416x2944", "4416x2488", "2944x2944",
    "3120x2080", "3120x1760", "2080x2080",
};
// GFX 100 sizes: L and M in every aspect ratio it offers.
constexpr const char* kGfx100Sizes[] = {
    "11648x8736", "11648x7768", "11648x6552", "8736x8736", "11648x4304", "10928x8736", "10192x8736",
    "8256x6192", "8256x5504", "8256x4640", "6192x6192", "8256x3048", "7744x6192", "7232x6192",
};
// XF 18-55mm f/2.8-4 at 35 mm and GF 63mm f/2.8: thirds of a stop.
constexpr int64_t kApertureXF[] = {
    320, 360, 400, 450, 500, 560, 640, 710, 800, 900, 1000, 1100, 1300, 1400, 1600, 1800, 2000, 2200,
};
constexpr int64_t kApertureGF[] = {
    280, 320, 360, 400, 450, 500, 560, 640, 710, 800, 900, 1000, 1100, 1300, 1400, 1600, 1800, 2000,
    2200, 2500, 2900, 3200,
};
constexpr const char* kLensStopsXF =
    "320,360,400,450,500,560,640,710,800,900,1000,1100,1300,1400,1600,1800,2000,2200";
constexpr const char* kLensStopsGF =
    "280,320,360,400,450,500,560,640,710,800,900,1000,1100,1300,1400,1600,1800,2000,2200,2500,"
    "2900,3200";
constexpr int64_t kWhiteBalance[] = {2, 4, 0x8006, 0x8001, 0x8002, 0x8003, 6, 0x8008, 0x8007};
constexpr int64_t kFocusModes[] = {1, 0x8001, 0x8002};            // MF, AF-S, AF-C
constexpr int64_t kMetering[] = {2, 3, 4, 0x8001};
constexpr int64_t kExposureModes[] = {1, 2, 3, 4};                // M, P, A, S
// 1/4000 s .. 30 s in whole stops, in microseconds, then bulb.
constexpr int64_t kShutter[] = {
    250, 500, 1000, 2000, 4000, 8000, 16667, 33333, 66667, 125000, 250000, 500000,
    1000000, 2000000, 4000000, 8000000, 15000000, 30000000, 0xFFFFFFFF,
};
constexpr int64_t kIsoXT4[] = {
    0xFFFFFFFF, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600, 2000, 2500, 3200, 4000,
    5000, 6400, 8000, 10000, 12800,
};
constexpr int64_t kIsoGfx[] = {
    0xFFFFFFFF, 100, 125, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600, 2000, 2500,
    3200, 4000, 5000, 6400, 8000, 10000, 12800,
};
constexpr int64_t kCompensation[] = {
    -5000, -4667, -4333, -4000, -3667, -3333, -3000, -2667, -2333, -2000, -1667, -1333, -1000,
    -667, -333, 0, 333, 667, 1000, 1333, 1667, 2000, 2333, 2667, 3000, 3333, 3667, 4000, 4333,
    4667, 5000,
};
constexpr int64_t kQualities[] = {1, 2, 3, 4, 5};                 // RAW, FINE, NORMAL, RAW + ...
constexpr int64_t kZoomXT4[] = {1, 2, 3};                          // fit, 100 %, 200 %
constexpr int64_t kZoomGfx[] = {1, 2, 5};
// Capture Mode: the shutter steps. The X-T4 half-presses with 0x9100 and ends
// with 0x0001; the GFX 100 lists the newer 0x9300 and 0x0005 as well.
constexpr int64_t kStepsXT4[] = {0x0001, 0x0004, 0x000C, 0x0080, 0x0200, 0x0304, 0x0500, 0x0804,
                                 0x9100};
constexpr int64_t kStepsGfx[] = {0x0001, 0x0004, 0x0005, 0x000C, 0x0080, 0x0200, 0x0304, 0x0500,
                                 0x0804, 0x9100, 0x9300};
constexpr int64_t kAfStatus[] = {0, 1, 2, 3};
constexpr int64_t kMediaRecording[] = {1, 2, 4};
constexpr int64_t kRawCompression[] = {0, 1, 2};                  // none, lossless, compressed
constexpr int64_t kLiveViewSizes[] = {1, 2, 3};
constexpr int64_t kLiveViewQualities[] = {1, 2, 3};
constexpr int64_t kPriority[] = {1, 2};                           // camera, host
constexpr int64_t kColorSpaces[] = {1, 2};                        // sRGB, Adobe RGB
constexpr int64_t kFocusPointsXT4[] = {1, 2};                     // 6 x 12, 12 x 24
constexpr int64_t kFocusPointsGfx[] = {3, 4};                     // 8 x 12, 16 x 24
constexpr int64_t kFocusMetering[] = {0x8001, 0x8002, 0x8003, 0x8004};
constexpr int64_t kDriveModes[] = {1, 2, 3, 4, 8};                // ..., 4 still, 8 movie
constexpr int64_t kOffOn[] = {0, 1};

// Rows both bodies share, in the driver's registration order.
#define SIM_FUJI_SHARED_ROWS                                                                       \
    SimEnum(0x5005, kPtpTypeUint16, kRW, 2, 2, SimValues(kWhiteBalance)),                          \
    SimEnum(0x500A, kPtpTypeUint16, kRW, 0x8001, 0x8001, SimValues(kFocusModes)),                  \
    SimEnum(0x500D, kPtpTypeUint32, kRW, 8000, 8000, SimValues(kShutter)),                         \
    SimEnum(0x500B, kPtpTypeUint16, kRW, 3, 3, SimValues(kMetering)),                              \
    SimEnum(0x5010, kPtpTypeInt16, kRW, 0, 0, SimValues(kCompensation)),                           \
    SimRange(0xD017, kPtpTypeUint16, kRW, 5500, 5500, 2500, 10000, 10),                            \
    SimEnum(0xD209, kPtpTypeUint16, kRO, 0, 0, SimValues(kAfStatus)),                              \
    SimEnum(0xD20C, kPtpTypeUint16, kRW, 2, 2, SimValues(kMediaRecording)),                        \
    SimRange(0xD20E, kPtpTypeUint16, kRO, 21, 21, 0, 100, 1),                                      \
    SimRange(0xD21C, kPtpTypeUint16, kRO, 0, 0, 0, 0xFFFF, 1),                                     \
    SimEnum(0xD022, kPtpTypeUint16, kRW, 0, 0, SimValues(kRawCompression)),                        \
    SimRange(0xD36A, kPtpTypeUint32, kRO, 4, 4, 0, 0xFFFFFFFF, 1),                                 \
    SimEnum(0xD174, kPtpTypeUint16, kRW, 1, 1, SimValues(kLiveViewSizes)),                         \
    SimEnum(0xD173, kPtpTypeUint16, kRW, 1, 1, SimValues(kLiveViewQualities)),                     \
    SimText(0xD395, kRW, "0,0,3", "0,0,3"),                                                        \
    SimEnum(0xD207, kPtpTypeUint16, kRW, 1, 1, SimValues(kPriority)),                              \
    SimText(0xD100, kRW, "", ""),                                                                  \
    SimEnum(0xD00A, kPtpTypeUint16, kRW, 1, 1, SimValues(kColorSpaces)),                           \
    SimEnum(0x501C, kPtpTypeUint16, kRW, 0x8001, 0x8001, SimValues(kFocusMetering)),               \
    SimEnum(0xD201, kPtpTypeUint16, kRW, 4, 4, SimValues(kDriveModes)),                            \
    SimRange(0xD38C, kPtpTypeUint32, kRW, 1, 1, 0, 100, 1),                                        \
    SimEnum(0xD322, kPtpTypeUint16, kRW, 0, 0, SimValues(kOffOn))

// The exposure mode follows the dials in camera priority; in host priority the
// host picks it.
constexpr SimPropertyFacts kXT4Rows[] = {
    SimTextEnum(0x5003, kRW, "6240x4160", "6240x4160", SimTexts(kXT4Sizes)),
    SimEnum(0x5007, kPtpTypeUint16, kRW, 400, 400, SimValues(kApertureXF)),
    SimEnum(0x500E, kPtpTypeUint16, kRW, 3, 3, SimValues(kExposureModes)),
    SimEnum(0x500F, kPtpTypeUint32, kRW, 160, 400, SimValues(kIsoXT4)),
    SimEnum(0xD018, kPtpTypeUint16, kRW, 2, 2, SimValues(kQualities)),
    SimEnum(0xD01B, kPtpTypeUint16, kRW, 1, 1, SimValues(kZoomXT4)),
    SimEnum(0xD208, kPtpTypeUint16, kRW, 0x0200, 0x0200, SimValues(kStepsXT4)),
    SimText(0xD20D, kRO, "3051,26000000", "3051,26000000"),  // shots left, bytes per shot
    SimRange(0xD212, kPtpTypeUint32, kRO, 0, 0, 0, 0xFFFFFFFF, 1),
    SimText(0xD38D, kRO, kLensStopsXF, kLensStopsXF),
    SimRange(0xD171, kPtpTypeInt16, kRW, 600, 600, 1, 1200, 1),
    SimText(0xD38E, kRO, "1,3500", "1,3500"),
    SimEnum(0xD025, kPtpTypeUint16, kRW, 1, 1, SimValues(kFocusPointsXT4)),
    SIM_FUJI_SHARED_ROWS,
};

// No pending-event list (0xD212) on this body.
constexpr SimPropertyFacts kGfx100Rows[] = {
    SimTextEnum(0x5003, kRW, "11648x8736", "11648x7768", SimTexts(kGfx100Sizes)),
    SimEnum(0x5007, kPtpTypeUint16, kRW, 560, 560, SimValues(kApertureGF)),
    SimEnum(0x500E, kPtpTypeUint16, kRW, 1, 1, SimValues(kExposureModes)),
    SimEnum(0x500F, kPtpTypeUint32, kRW, 100, 100, SimValues(kIsoGfx)),
    SimEnum(0xD018, kPtpTypeUint16, kRW, 4, 4, SimValues(kQualities)),
    SimEnum(0xD01B, kPtpTypeUint16, kRW, 1, 1, SimValues(kZoomGfx)),
    SimEnum(0xD208, kPtpTypeUint16, kRW, 0x0200, 0x0200, SimValues(kStepsGfx)),
    SimText(0xD20D, kRO, "1024,120000000", "1024,120000000"),
    SimText(0xD38D, kRO, kLensStopsGF, kLensStopsGF),
    SimRange(0xD171, kPtpTypeInt16, kRW, 1500, 1500, 1, 3000, 1),
    SimText(0xD38E, kRO, "1,6300", "1,6300"),
    SimEnum(0xD025, kPtpTypeUint16, kRW, 3, 3, SimValues(kFocusPointsGfx)),
    SIM_FUJI_SHARED_ROWS,
};

// clang-format on

} // namespace

const SimPropertyTable kSimFujiXT4Properties = SimTable(kXT4Rows);
const SimPropertyTable kSimFujiGfx100Properties = SimTable(kGfx100Rows);
