// The facts table of device properties: one table per vendor, one row per
// property the camera describes (GetDevicePropDesc). Exposure values are in the
// standard units: FNumber x 100, ExposureTime in 1/10000 s (Fujifilm: in
// microseconds), ExposureBiasCompensation in 1/1000 stop, FocalLength in
// 1/100 mm, DigitalZoom x 10.
//
// Every table also carries the rows tests lean on: 0x5003 ImageSize (STR with a
// list of strings), 0x5008 FocalLength (range with step 0: any value between),
// 0x5016 DigitalZoom (range whose max equals its min) and 0xD2F0 (UINT16 with a
// list of exactly 300 values).
#include "sim_properties.h"
#include "sim_property_rows.h"

namespace {

// The lists are laid out by hand, a stop or a family per line, which the
// formatter would break apart.
// clang-format off

// Shared by every vendor -------------------------------------------------------

// 0xD2F0: a vendor property with a long list, 1000, 1010, ... 3990.
constexpr auto kLongList = SimSteps<300>(1000, 10);

constexpr int64_t kBiasThreeStops[] = {
    -3000, -2667, -2333, -2000, -1667, -1333, -1000, -667, -333,
    0,
    333, 667, 1000, 1333, 1667, 2000, 2333, 2667, 3000,
};
constexpr int64_t kBiasFiveStops[] = {
    -5000, -4667, -4333, -4000, -3667, -3333, -3000, -2667, -2333, -2000, -1667, -1333, -1000,
    -667, -333,
    0,
    333, 667, 1000, 1333, 1667, 2000, 2333, 2667, 3000, 3333, 3667, 4000, 4333, 4667, 5000,
};

// 1/8000 s .. 30 s in whole stops, 1/10000 s units.
constexpr int64_t kExposureTimes[] = {
    1, 2, 5, 10, 20, 40, 80, 167, 333, 667,   // 1/8000 .. 1/15
    1250, 2500, 5000,                         // 1/8 .. 1/2
    10000, 20000, 40000, 80000, 150000, 300000, // 1 s .. 30 s
};

constexpr int64_t kApertureFrom28[] = {
    280, 320, 350, 400, 450, 500, 560, 630, 710, 800, 900, 1000, 1100,
    1300, 1400, 1600, 1800, 2000, 2200,
};

constexpr int64_t kStillCaptureModes[] = {1, 2, 3}; // normal, burst, timelapse

// Canon EOS (the standard properties of every Canon model), EF 24-70mm f/2.8 --

constexpr const char* kCanonSizes[] = {"6720x4480", "4464x2976", "3360x2240", "2400x1600"};
constexpr int64_t kCanonCompression[] = {2, 3};                        // normal, fine
constexpr int64_t kCanonWhiteBalance[] = {2, 4, 5, 6, 7, 1, 0x8001, 0x8002};
constexpr int64_t kCanonFocusModes[] = {1, 2, 0x8001};                  // manual, one shot, servo
constexpr int64_t kCanonMetering[] = {3, 2, 4, 0x8001};                 // evaluative first
constexpr int64_t kCanonFlashModes[] = {2, 3};
constexpr int64_t kCanonPrograms[] = {1, 2, 3, 4};                      // M, P, Av, Tv
constexpr int64_t kCanonIso[] = {
    100, 125, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600, 2000, 2500,
    3200, 4000, 5000, 6400, 8000, 10000, 12800, 16000, 20000, 25600, 32000,
};

constexpr SimPropertyFacts kCanonRows[] = {
    SimRange(0x5001, kPtpTypeUint8, kRO, 100, 85, 0, 100, 1),       // BatteryLevel
    SimTextEnum(0x5003, kRW, "6720x4480", "6720x4480", SimTexts(kCanonSizes)), // ImageSize
    SimEnum(0x5004, kPtpTypeUint8, kRW, 3, 3, SimValues(kCanonCompression)), // CompressionSetting
    SimEnum(0x5005, kPtpTypeUint16, kRW, 2, 2, SimValues(kCanonWhiteBalance)), // WhiteBalance
    SimEnum(0x5007, kPtpTypeUint16, kRW, 280, 560, SimValues(kApertureFrom28)), // FNumber
    SimRange(0x5008, kPtpTypeUint32, kRO, 2400, 5000, 2400, 7000, 0), // FocalLength
    SimEnum(0x500A, kPtpTypeUint16, kRW, 2, 2, SimValues(kCanonFocusModes)), // FocusMode
    SimEnum(0x500B, kPtpTypeUint16, kRW, 3, 3, SimValues(kCanonMetering)), // ExposureMeteringMode
    SimEnum(0x500C, kPtpTypeUint16, kRW, 2, 2, SimValues(kCanonFlashModes)), // FlashMode
    SimEnum(0x500D, kPtpTypeUint32, kRW, 80, 80, SimValues(kExposureTimes)), // ExposureTime
    SimEnum(0x500E, kPtpTypeUint16, kRO, 2, 3, SimValues(kCanonPrograms)), // ExposureProgramMode (dial)
    SimEnum(0x500F, kPtpTypeUint16, kRW, 100, 400, SimValues(kCanonIso)), // ExposureIndex
    SimEnum(0x5010, kPtpTypeInt16, kRW, 0, 0, SimValues(kBiasThreeStops)), // ExposureBiasCompensation
    SimText(0x5011, kRW, "20160101T000000", "20261207T101500"),      // DateTime
    SimEnum(0x5013, kPtpTypeUint16, kRW, 1, 1, SimValues(kStillCaptureModes)), // StillCaptureMode
    SimRange(0x5016, kPtpTypeUint8, kRW, 10, 10, 10, 10, 1),        // DigitalZoom
    SimEnum(0xD2F0, kPtpTypeUint16, kRW, 1000, 1000, SimArrayValues(kLongList)),
};

// Nikon D850, AF-S 24-70mm f/2.8 ------------------------------------------------

constexpr const char* kNikonSizes[] = {"8256x5504", "6192x4128", "4128x2752"};
constexpr int64_t kNikonWhiteBalance[] = {2, 4, 5, 6, 7, 0x8010, 0x8011, 0x8012, 0x8013};
constexpr int64_t kNikonFocusModes[] = {1, 0x8010, 0x8011, 0x8012};   // MF, AF-S, AF-C, AF-A
constexpr int64_t kNikonMetering[] = {2, 3, 4, 0x8010};
constexpr int64_t kNikonFlashModes[] = {1, 2, 3, 4, 0x8010, 0x8011};
constexpr int64_t kNikonPrograms[] = {1, 2, 3, 4};                    // M, P, A, S
constexpr int64_t kNikonIso[] = {
    64, 80, 100, 125, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600,
    2000, 2500, 3200, 4000, 5000, 6400, 8000, 10000, 12800, 16000, 20000, 25600,
};
constexpr int64_t kNikonCaptureModes[] = {1, 2, 0x8010, 0x8011, 0x8012, 0x8013, 0x8014};
constexpr int64_t kNikonFocusAreas[] = {0x8010, 0x8011, 0x8012, 0x8013, 0x8014, 2, 3};

constexpr SimPropertyFacts kNikonRows[] = {
    SimRange(0x5001, kPtpTypeUint8, kRO, 100, 92, 0, 100, 1),
    SimTextEnum(0x5003, kRW, "8256x5504", "8256x5504", SimTexts(kNikonSizes)),
    SimEnum(0x5005, kPtpTypeUint16, kRW, 2, 2, SimValues(kNikonWhiteBalance)),
    SimEnum(0x5007, kPtpTypeUint16, kRW, 280, 800, SimValues(kApertureFrom28)),
    SimRange(0x5008, kPtpTypeUint32, kRO, 2400, 3500, 2400, 7000, 0),
    SimEnum(0x500A, kPtpTypeUint16, kRW, 0x8010, 0x8010, SimValues(kNikonFocusModes)),
    SimEnum(0x500B, kPtpTypeUint16, kRW, 3, 3, SimValues(kNikonMetering)),
    SimEnum(0x500C, kPtpTypeUint16, kRW, 3, 3, SimValues(kNikonFlashModes)),
    SimEnum(0x500D, kPtpTypeUint32, kRW, 80, 40, SimValues(kExposureTimes)),
    SimEnum(0x500E, kPtpTypeUint16, kRW, 2, 3, SimValues(kNikonPrograms)),
    SimEnum(0x500F, kPtpTypeUint16, kRW, 64, 200, SimValues(kNikonIso)),
    SimEnum(0x5010, kPtpTypeInt16, kRW, 0, 0, SimValues(kBiasFiveStops)),
    SimText(0x5011, kRW, "20170101T000000", "20261207T101500"),
    SimEnum(0x5013, kPtpTypeUint16, kRW, 1, 1, SimValues(kNikonCaptureModes)),
    SimRange(0x5016, kPtpTypeUint8, kRW, 10, 10, 10, 10, 1),
    SimEnum(0x501C, kPtpTypeUint16, kRW, 0x8010, 0x8010, SimValues(kNikonFocusAreas)), // FocusMeteringMode
    SimEnum(0xD2F0, kPtpTypeUint16, kRW, 1000, 1000, SimArrayValues(kLongList)),
};

// Sony ILCE-7M3, FE 28-70mm f/3.5-5.6 -------------------------------------------

constexpr const char* kSonySizes[] = {"6000x4000", "3936x2624", "3008x2000"};
constexpr int64_t kSonyCompression[] = {2, 3, 4, 16, 19}; // standard, fine, extra fine, raw, raw + jpeg
constexpr int64_t kSonyWhiteBalance[] = {
    2, 4, 0x8011, 0x8010, 6, 0x8001, 0x8002, 0x8003, 0x8004, 7, 0x8012, 0x8020,
};
constexpr int64_t kSonyApertures[] = {
    350, 400, 450, 500, 560, 630, 710, 800, 900, 1000, 1100, 1300, 1400, 1600, 1800, 2000, 2200,
};
constexpr int64_t kSonyFocusModes[] = {1, 2, 0x8004, 0x8005, 0x8006};
constexpr int64_t kSonyMetering[] = {3, 2, 4, 0x8001, 0x8002, 0x8003, 0x8004};
constexpr int64_t kSonyFlashModes[] = {1, 2, 3, 4, 0x8032};
// M, P, A, S, intelligent auto, superior auto, then movie P, A, S, M.
constexpr int64_t kSonyPrograms[] = {
    0x00001, 0x10002, 0x20003, 0x30004, 0x48000, 0x48001, 0x78050, 0x78051, 0x78052, 0x78053,
};
constexpr int64_t kSonyIso[] = {
    100, 125, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600, 2000, 2500,
    3200, 4000, 5000, 6400, 8000, 10000, 12800, 16000, 20000, 25600, 32000, 40000, 51200,
};
constexpr int64_t kSonyDriveModes[] = {1, 2, 0x8012, 0x8015, 0x8004, 0x8003, 0x8005};

constexpr SimPropertyFacts kSonyRows[] = {
    SimRange(0x5001, kPtpTypeUint8, kRO, 100, 64, 0, 100, 1),
    SimTextEnum(0x5003, kRW, "6000x4000", "6000x4000", SimTexts(kSonySizes)),
    SimEnum(0x5004, kPtpTypeUint8, kRW, 3, 3, SimValues(kSonyCompression)),
    SimEnum(0x5005, kPtpTypeUint16, kRW, 2, 2, SimValues(kSonyWhiteBalance)),
    SimEnum(0x5007, kPtpTypeUint16, kRW, 350, 560, SimValues(kSonyApertures)),
    SimRange(0x5008, kPtpTypeUint32, kRO, 2800, 2800, 2800, 7000, 0),
    SimEnum(0x500A, kPtpTypeUint16, kRW, 2, 2, SimValues(kSonyFocusModes)),
    SimEnum(0x500B, kPtpTypeUint16, kRW, 3, 3, SimValues(kSonyMetering)),
    SimEnum(0x500C, kPtpTypeUint16, kRW, 2, 2, SimValues(kSonyFlashModes)),
    SimEnum(0x500D, kPtpTypeUint32, kRW, 80, 80, SimValues(kExposureTimes)),
    SimEnum(0x500E, kPtpTypeUint32, kRO, 0x10002, 0x20003, SimValues(kSonyPrograms)), // (dial)
    SimEnum(0x500F, kPtpTypeUint16, kRW, 100, 400, SimValues(kSonyIso)),
    SimEnum(0x5010, kPtpTypeInt16, kRW, 0, 0, SimValues(kBiasFiveStops)),
    SimText(0x5011, kRW, "20180101T000000", "20261207T101500"),
    SimEnum(0x5013, kPtpTypeUint16, kRW, 1, 1, SimValues(kSonyDriveModes)),
    SimRange(0x5016, kPtpTypeUint8, kRW, 10, 10, 10, 10, 1),
    SimEnum(0xD2F0, kPtpTypeUint16, kRW, 1000, 1000, SimArrayValues(kLongList)),
};

// Fujifilm X-T4, XF 18-55mm f/2.8-4 ---------------------------------------------

// Sizes as the camera writes them: L, M and S in 3:2, 16:9 and 1:1.
constexpr const char* kFujiSizes[] = {
    "6240x4160", "6240x3512", "4160x4160",
    "4416x2944", "4416x2488", "2944x2944",
    "3120x2080", "3120x1760", "2080x2080",
};
constexpr int64_t kFujiCompression[] = {2, 3};
constexpr int64_t kFujiWhiteBalance[] = {2, 4, 0x8006, 0x8001, 0x8002, 0x8003, 6, 0x8008, 0x8007};
constexpr int64_t kFujiFocusModes[] = {1, 0x8001, 0x8002};           // MF, AF-S, AF-C
constexpr int64_t kFujiMetering[] = {2, 3, 4, 0x8001};
constexpr int64_t kFujiPrograms[] = {1, 2, 3, 4};
// 1/4000 s .. 30 s in whole stops, in microseconds.
constexpr int64_t kFujiShutter[] = {
    250, 500, 1000, 2000, 4000, 8000, 16667, 33333, 66667,
    125000, 250000, 500000,
    1000000, 2000000, 4000000, 8000000, 15000000, 30000000,
};
constexpr int64_t kFujiIso[] = {
    160, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600, 2000, 2500, 3200, 4000,
    5000, 6400, 8000, 10000, 12800,
};
constexpr int64_t kFujiFocusAreas[] = {0x8001, 0x8002, 0x8003, 0x8004};

constexpr SimPropertyFacts kFujiRows[] = {
    SimRange(0x5001, kPtpTypeUint8, kRO, 100, 71, 0, 100, 1),
    SimTextEnum(0x5003, kRW, "6240x4160", "6240x4160", SimTexts(kFujiSizes)),
    SimEnum(0x5004, kPtpTypeUint8, kRW, 2, 2, SimValues(kFujiCompression)),
    SimEnum(0x5005, kPtpTypeUint16, kRW, 2, 2, SimValues(kFujiWhiteBalance)),
    SimEnum(0x5007, kPtpTypeUint16, kRW, 280, 400, SimValues(kApertureFrom28)),
    SimRange(0x5008, kPtpTypeUint32, kRO, 1800, 3500, 1800, 5500, 0),
    SimEnum(0x500A, kPtpTypeUint16, kRW, 0x8001, 0x8001, SimValues(kFujiFocusModes)),
    SimEnum(0x500B, kPtpTypeUint16, kRW, 3, 3, SimValues(kFujiMetering)),
    SimEnum(0x500D, kPtpTypeUint32, kRW, 8000, 8000, SimValues(kFujiShutter)),
    SimEnum(0x500E, kPtpTypeUint16, kRO, 2, 3, SimValues(kFujiPrograms)), // (dials)
    SimEnum(0x500F, kPtpTypeUint16, kRW, 160, 400, SimValues(kFujiIso)),
    SimEnum(0x5010, kPtpTypeInt16, kRW, 0, 0, SimValues(kBiasFiveStops)),
    SimText(0x5011, kRW, "20200101T000000", "20261207T101500"),
    SimEnum(0x5013, kPtpTypeUint16, kRW, 1, 1, SimValues(kStillCaptureModes)),
    SimRange(0x5016, kPtpTypeUint8, kRW, 10, 10, 10, 10, 1),
    SimEnum(0x501C, kPtpTypeUint16, kRW, 0x8001, 0x8001, SimValues(kFujiFocusAreas)),
    SimEnum(0xD2F0, kPtpTypeUint16, kRW, 1000, 1000, SimArrayValues(kLongList)),
};

// clang-format on

} // namespace

const SimPropertyTable kSimCanonProperties = SimTable(kCanonRows);
const SimPropertyTable kSimNikonProperties = SimTable(kNikonRows);
const SimPropertyTable kSimSonyProperties = SimTable(kSonyRows);
const SimPropertyTable kSimFujifilmProperties = SimTable(kFujiRows);
