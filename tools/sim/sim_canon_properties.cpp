// The facts table of Canon vendor properties: one table per model, one row per
// property the camera reports in its event data (a value record, and an
// allowed-values record unless the row is SimPropFlag_ValueOnly). Values are
// the camera's own codes: exposure settings in eighths of a stop (a third is 3
// or 5 eighths, negative steps are 256 minus the magnitude), image formats as
// packed codes (count << 28 | kind << 24 | size << 18 | quality << 14, and the
// second format in the low 14 bits; kind 1 JPEG, 6 RAW). A row without a list
// (SimForm_None) is reported with an empty list: the host sees it read-only.
#include "sim_properties.h"
#include "sim_property_rows.h"

namespace {

// Codes in thirds of a stop from `first` (a whole stop, or a third or two
// thirds into one): eighths 0, 3, 5, then the next stop. Wraps at 256, so the
// negative exposure steps run on into the positive ones.
template <size_t N> constexpr std::array<int64_t, N> SimThirds(int64_t first) {
    std::array<int64_t, N> codes{};
    int64_t c = first;
    for (size_t i = 0; i < N; ++i) {
        codes[i] = c;
        c = (c + (c % 8 == 3 ? 2 : 3)) & 0xFF;
    }
    return codes;
}

constexpr SimPropertyFacts SimCanonList(uint16_t code, uint16_t type, uint8_t getset,
                                        int64_t current, SimValueList values) {
    return SimEnum(code, type, getset, current, current, values);
}

constexpr SimPropertyFacts SimCanonUnlisted(uint16_t code, uint16_t type, uint8_t getset,
                                            int64_t current) {
    return SimNumber(code, type, getset, SimForm_None, current, current);
}

constexpr SimPropertyFacts SimWithFlags(SimPropertyFacts f, uint8_t flags) {
    f.flags = flags;
    return f;
}

constexpr uint8_t kHidden = SimPropFlag_Unlisted | SimPropFlag_ValueOnly;

// Property codes.
constexpr uint16_t kAperture = 0xD101;
constexpr uint16_t kShutterSpeed = 0xD102;
constexpr uint16_t kIso = 0xD103;
constexpr uint16_t kExposureCompensation = 0xD104;
constexpr uint16_t kExposureMode = 0xD105;
constexpr uint16_t kDriveMode = 0xD106;
constexpr uint16_t kMeteringMode = 0xD107;
constexpr uint16_t kFocusMode = 0xD108;
constexpr uint16_t kWhiteBalance = 0xD109;
constexpr uint16_t kColorSpace = 0xD10F;
constexpr uint16_t kBatteryPower = 0xD111;
constexpr uint16_t kAvailableShots = 0xD11B;
constexpr uint16_t kImageFormat = 0xD120;
constexpr uint16_t kExposureModeDial = 0xD138;
constexpr uint16_t kMirrorUp = 0xD13A;
constexpr uint16_t kMovieServoAf = 0xD179;
constexpr uint16_t kEvfOutputDevice = 0xD1B0;
constexpr uint16_t kEvfMode = 0xD1B1;
constexpr uint16_t kEvfRecordStatus = 0xD1B8;
constexpr uint16_t kLvAfSystem = 0xD1BA;
constexpr uint16_t kLensName = 0xD1D8;
constexpr uint16_t kExposureBracketing = 0xD1D9;

// Current values shared by the models.
constexpr int64_t kManual = 3;     // exposure mode M
constexpr int64_t kSingle = 0x00;  // drive mode
constexpr int64_t kEvaluative = 3; // metering
constexpr int64_t kOneShot = 0;    // focus mode
constexpr int64_t kAutoWhiteBalance = 0;
constexpr int64_t kSrgb = 1;
constexpr int64_t kBattery75Percent = 4;
constexpr int64_t kLargeFineJpeg = 0x1100C000;
constexpr int64_t kEvfOff = 0;          // DSLR: the mirror and optical finder
constexpr int64_t kEvfCameraScreen = 1; // mirrorless: the camera's own screen
constexpr int64_t kF5_6 = 0x30;
constexpr int64_t kF8 = 0x38;
constexpr int64_t kOneOver125 = 0x70;
constexpr int64_t kIso400 = 0x58;
constexpr int64_t kNoCompensation = 0x00;

// The lists are laid out by hand, a family per line, which the formatter would
// break apart.
// clang-format off

// f/2.8 to f/22, f/3.5 to f/22 and f/4 to f/22 in thirds.
constexpr auto kApertureF28 = SimThirds<19>(0x20);
constexpr auto kApertureF35 = SimThirds<17>(0x25);
constexpr auto kApertureF4 = SimThirds<16>(0x28);

// Bulb, then 30" (0x10) to 1/8000 (0xA0) in thirds.
constexpr int64_t kBulb = 0x0C;
constexpr auto kShutterThirds = SimThirds<55>(0x10);
constexpr std::array<int64_t, 56> with_bulb(const std::array<int64_t, 55>& speeds) {
    std::array<int64_t, 56> all{};
    all[0] = kBulb;
    for (size_t i = 0; i < speeds.size(); ++i)
        all[i + 1] = speeds[i];
    return all;
}
constexpr auto kShutterSpeeds = with_bulb(kShutterThirds);

// Automatic ISO (0), then ISO 100 (0x48) up in thirds: to 25600 (0x88), 32000
// (0x8B), 40000 (0x8D) and 51200 (0x90).
template <size_t N> constexpr std::array<int64_t, N + 1> SimIsoList() {
    std::array<int64_t, N + 1> all{};
    auto thirds = SimThirds<N>(0x48);
    for (size_t i = 0; i < N; ++i)
        all[i + 1] = thirds[i];
    return all;
}
constexpr auto kIsoTo25600 = SimIsoList<25>();
constexpr auto kIsoTo32000 = SimIsoList<26>();
constexpr auto kIsoTo40000 = SimIsoList<27>();
constexpr auto kIsoTo51200 = SimIsoList<28>();

// -5 (0xD8) to +5 (0x28) stops in thirds.
constexpr auto kCompensationFiveStops = SimThirds<31>(0xD8);

constexpr int64_t kDriveModesDslr[] = {0x00, 0x01, 0x04, 0x05, 0x06, 0x14, 0x10, 0x11};
constexpr int64_t kDriveModesMirrorless[] = {0x00, 0x01, 0x04, 0x05, 0x10, 0x11};
constexpr int64_t kMeteringModes[] = {3, 4, 1, 5};
constexpr int64_t kFocusModes[] = {0, 1, 2};
constexpr int64_t kWhiteBalances[] = {0, 23, 1, 8, 2, 3, 4, 5, 6, 9};
constexpr int64_t kColorSpaces[] = {1, 2};
constexpr int64_t kOffOn[] = {0, 1};
constexpr int64_t kEvfOutputs[] = {0, 1, 2, 3};
constexpr int64_t kEvfModes[] = {0, 1, 2};
constexpr int64_t kEvfRecordStates[] = {0, 3, 4};
constexpr int64_t kLvAfSystems[] = {1, 2};
// Off, then +/- 1/3 to +/- 3 stops in thirds (eighths of a stop).
constexpr int64_t kBracketSteps[] = {0, 3, 5, 8, 11, 13, 16, 19, 21, 24};

// A DSLR writing CR2 files: RAW, medium and small RAW, JPEG in L, M, S1 to S3,
// and RAW + JPEG pairs.
constexpr int64_t kFormatsCr2[] = {
    0x16010000, 0x16050000, 0x16090000,                 // RAW, Medium RAW, Small RAW
    0x1100C000, 0x11008000, 0x1104C000, 0x11048000,     // Large, Medium Fine / Normal JPEG
    0x1138C000, 0x11388000, 0x113CC000, 0x1140C000,     // S1 Fine / Normal, S2, S3 Fine JPEG
    0x26010403, 0x26010402, 0x26050403, 0x26090403,     // RAW / M RAW / S RAW + Large JPEG
};
// A body writing CR3 files: RAW, JPEG in L, M, S1 and S2, RAW + JPEG pairs.
constexpr int64_t kFormatsCr3[] = {
    0x16010000,                                         // RAW
    0x1100C000, 0x11008000, 0x1104C000, 0x11048000,     // Large, Medium Fine / Normal JPEG
    0x1138C000, 0x11388000, 0x113CC000,                 // S1 Fine / Normal, S2 Fine JPEG
    0x26010403, 0x26010402, 0x26010413, 0x260104E3,     // RAW + L Fine / Normal, M, S1 Fine
};

// Canon EOS 5D Mark IV, EF24-70mm f/2.8L II USM --------------------------------

constexpr SimPropertyFacts kCanon5DMarkIVRows[] = {
    SimCanonList(kAperture, kPtpTypeUint16, kRW, kF5_6, SimArrayValues(kApertureF28)),
    SimCanonList(kShutterSpeed, kPtpTypeUint16, kRW, kOneOver125, SimArrayValues(kShutterSpeeds)),
    SimCanonList(kIso, kPtpTypeUint16, kRW, kIso400, SimArrayValues(kIsoTo32000)),
    SimCanonList(kExposureCompensation, kPtpTypeInt8, kRW, kNoCompensation,
                 SimArrayValues(kCompensationFiveStops)),
    SimCanonUnlisted(kExposureMode, kPtpTypeUint16, kRO, kManual),          // the mode dial
    SimCanonList(kDriveMode, kPtpTypeUint16, kRW, kSingle, SimValues(kDriveModesDslr)),
    SimCanonList(kMeteringMode, kPtpTypeUint8, kRW, kEvaluative, SimValues(kMeteringModes)),
    SimCanonList(kFocusMode, kPtpTypeUint16, kRO, kOneShot, SimValues(kFocusModes)),
    SimCanonList(kWhiteBalance, kPtpTypeUint8, kRW, kAutoWhiteBalance, SimValues(kWhiteBalances)),
    SimCanonList(kColorSpace, kPtpTypeUint16, kRW, kSrgb, SimValues(kColorSpaces)),
    SimCanonUnlisted(kBatteryPower, kPtpTypeUint16, kRO, kBattery75Percent),
    SimCanonUnlisted(kAvailableShots, kPtpTypeUint32, kRO, 7350),
    SimCanonList(kImageFormat, kPtpTypeUint32, kRW, kLargeFineJpeg, SimValues(kFormatsCr2)),
    SimCanonList(kMirrorUp, kPtpTypeUint32, kRW, 0, SimValues(kOffOn)),
    SimCanonList(kMovieServoAf, kPtpTypeUint8, kRW, 0, SimValues(kOffOn)),
    SimCanonList(kEvfOutputDevice, kPtpTypeUint16, kRW, kEvfOff, SimValues(kEvfOutputs)),
    SimCanonList(kEvfMode, kPtpTypeUint16, kRW, 0, SimValues(kEvfModes)),
    SimCanonList(kEvfRecordStatus, kPtpTypeUint32, kRW, 0, SimValues(kEvfRecordStates)),
    SimCanonList(kLvAfSystem, kPtpTypeUint32, kRW, 2, SimValues(kLvAfSystems)),
    SimText(kLensName, kRO, "EF24-70mm f/2.8L II USM", "EF24-70mm f/2.8L II USM"),
    SimCanonList(kExposureBracketing, kPtpTypeUint16, kRW, 0, SimValues(kBracketSteps)),
};

// Canon EOS 90D, EF-S18-135mm f/3.5-5.6 IS USM ------------------------------------
// Reports its focus mode without listing it or its allowed values.

constexpr SimPropertyFacts kCanon90DRows[] = {
    SimCanonList(kAperture, kPtpTypeUint16, kRW, kF8, SimArrayValues(kApertureF35)),
    SimCanonList(kShutterSpeed, kPtpTypeUint16, kRW, kOneOver125, SimArrayValues(kShutterSpeeds)),
    SimCanonList(kIso, kPtpTypeUint16, kRW, kIso400, SimArrayValues(kIsoTo25600)),
    SimCanonList(kExposureCompensation, kPtpTypeInt8, kRW, kNoCompensation,
                 SimArrayValues(kCompensationFiveStops)),
    SimCanonUnlisted(kExposureMode, kPtpTypeUint16, kRO, kManual),
    SimCanonList(kDriveMode, kPtpTypeUint16, kRW, kSingle, SimValues(kDriveModesDslr)),
    SimCanonList(kMeteringMode, kPtpTypeUint8, kRW, kEvaluative, SimValues(kMeteringModes)),
    SimWithFlags(SimCanonUnlisted(kFocusMode, kPtpTypeUint16, kRO, kOneShot), kHidden),
    SimCanonList(kWhiteBalance, kPtpTypeUint8, kRW, kAutoWhiteBalance, SimValues(kWhiteBalances)),
    SimCanonList(kColorSpace, kPtpTypeUint16, kRW, kSrgb, SimValues(kColorSpaces)),
    SimCanonUnlisted(kBatteryPower, kPtpTypeUint16, kRO, kBattery75Percent),
    SimCanonUnlisted(kAvailableShots, kPtpTypeUint32, kRO, 2860),
    SimCanonList(kImageFormat, kPtpTypeUint32, kRW, kLargeFineJpeg, SimValues(kFormatsCr3)),
    SimCanonList(kMirrorUp, kPtpTypeUint32, kRW, 0, SimValues(kOffOn)),
    SimCanonList(kMovieServoAf, kPtpTypeUint8, kRW, 0, SimValues(kOffOn)),
    SimCanonList(kEvfOutputDevice, kPtpTypeUint16, kRW, kEvfOff, SimValues(kEvfOutputs)),
    SimCanonList(kEvfMode, kPtpTypeUint16, kRW, 0, SimValues(kEvfModes)),
    SimCanonList(kEvfRecordStatus, kPtpTypeUint32, kRW, 0, SimValues(kEvfRecordStates)),
    SimCanonList(kLvAfSystem, kPtpTypeUint32, kRW, 2, SimValues(kLvAfSystems)),
    SimText(kLensName, kRO, "EF-S18-135mm f/3.5-5.6 IS USM", "EF-S18-135mm f/3.5-5.6 IS USM"),
    SimCanonList(kExposureBracketing, kPtpTypeUint16, kRW, 0, SimValues(kBracketSteps)),
};

// Canon EOS R, RF24-105mm F4 L IS USM ---------------------------------------------
// Mirrorless: the mode dial is 0xD138; the focus mode comes without a listing
// or allowed values; no mirror lock-up.

constexpr SimPropertyFacts kCanonRRows[] = {
    SimCanonList(kAperture, kPtpTypeUint16, kRW, kF8, SimArrayValues(kApertureF4)),
    SimCanonList(kShutterSpeed, kPtpTypeUint16, kRW, kOneOver125, SimArrayValues(kShutterSpeeds)),
    SimCanonList(kIso, kPtpTypeUint16, kRW, kIso400, SimArrayValues(kIsoTo40000)),
    SimCanonList(kExposureCompensation, kPtpTypeInt8, kRW, kNoCompensation,
                 SimArrayValues(kCompensationFiveStops)),
    SimCanonUnlisted(kExposureMode, kPtpTypeUint16, kRO, kManual),
    SimCanonUnlisted(kExposureModeDial, kPtpTypeUint16, kRO, kManual),
    SimCanonList(kDriveMode, kPtpTypeUint16, kRW, kSingle, SimValues(kDriveModesMirrorless)),
    SimCanonList(kMeteringMode, kPtpTypeUint8, kRW, kEvaluative, SimValues(kMeteringModes)),
    SimWithFlags(SimCanonUnlisted(kFocusMode, kPtpTypeUint16, kRO, kOneShot), kHidden),
    SimCanonList(kWhiteBalance, kPtpTypeUint8, kRW, kAutoWhiteBalance, SimValues(kWhiteBalances)),
    SimCanonList(kColorSpace, kPtpTypeUint16, kRW, kSrgb, SimValues(kColorSpaces)),
    SimCanonUnlisted(kBatteryPower, kPtpTypeUint16, kRO, kBattery75Percent),
    SimCanonUnlisted(kAvailableShots, kPtpTypeUint32, kRO, 2420),
    SimCanonList(kImageFormat, kPtpTypeUint32, kRW, kLargeFineJpeg, SimValues(kFormatsCr3)),
    SimCanonList(kMovieServoAf, kPtpTypeUint8, kRW, 1, SimValues(kOffOn)),
    SimCanonList(kEvfOutputDevice, kPtpTypeUint16, kRW, kEvfCameraScreen, SimValues(kEvfOutputs)),
    SimCanonList(kEvfRecordStatus, kPtpTypeUint32, kRW, 0, SimValues(kEvfRecordStates)),
    SimCanonList(kLvAfSystem, kPtpTypeUint32, kRW, 2, SimValues(kLvAfSystems)),
    SimText(kLensName, kRO, "RF24-105mm F4 L IS USM", "RF24-105mm F4 L IS USM"),
    SimCanonList(kExposureBracketing, kPtpTypeUint16, kRW, 0, SimValues(kBracketSteps)),
};

// Canon EOS R5, RF24-105mm F4 L IS USM --------------------------------------------
// Like the EOS R, but its bracketing comes with an empty list of allowed
// values although it can be written.

constexpr SimPropertyFacts kCanonR5Rows[] = {
    SimCanonList(kAperture, kPtpTypeUint16, kRW, kF8, SimArrayValues(kApertureF4)),
    SimCanonList(kShutterSpeed, kPtpTypeUint16, kRW, kOneOver125, SimArrayValues(kShutterSpeeds)),
    SimCanonList(kIso, kPtpTypeUint16, kRW, kIso400, SimArrayValues(kIsoTo51200)),
    SimCanonList(kExposureCompensation, kPtpTypeInt8, kRW, kNoCompensation,
                 SimArrayValues(kCompensationFiveStops)),
    SimCanonUnlisted(kExposureMode, kPtpTypeUint16, kRO, kManual),
    SimCanonUnlisted(kExposureModeDial, kPtpTypeUint16, kRO, kManual),
    SimCanonList(kDriveMode, kPtpTypeUint16, kRW, kSingle, SimValues(kDriveModesMirrorless)),
    SimCanonList(kMeteringMode, kPtpTypeUint8, kRW, kEvaluative, SimValues(kMeteringModes)),
    SimWithFlags(SimCanonUnlisted(kFocusMode, kPtpTypeUint16, kRO, kOneShot), kHidden),
    SimCanonList(kWhiteBalance, kPtpTypeUint8, kRW, kAutoWhiteBalance, SimValues(kWhiteBalances)),
    SimCanonList(kColorSpace, kPtpTypeUint16, kRW, kSrgb, SimValues(kColorSpaces)),
    SimCanonUnlisted(kBatteryPower, kPtpTypeUint16, kRO, kBattery75Percent),
    SimCanonUnlisted(kAvailableShots, kPtpTypeUint32, kRO, 1380),
    SimCanonList(kImageFormat, kPtpTypeUint32, kRW, kLargeFineJpeg, SimValues(kFormatsCr3)),
    SimCanonList(kMovieServoAf, kPtpTypeUint8, kRW, 1, SimValues(kOffOn)),
    SimCanonList(kEvfOutputDevice, kPtpTypeUint16, kRW, kEvfCameraScreen, SimValues(kEvfOutputs)),
    SimCanonList(kEvfRecordStatus, kPtpTypeUint32, kRW, 0, SimValues(kEvfRecordStates)),
    SimCanonList(kLvAfSystem, kPtpTypeUint32, kRW, 2, SimValues(kLvAfSystems)),
    SimText(kLensName, kRO, "RF24-105mm F4 L IS USM", "RF24-105mm F4 L IS USM"),
    SimCanonUnlisted(kExposureBracketing, kPtpTypeUint16, kRW, 0),
};

// clang-format on

} // namespace

const SimPropertyTable kSimCanon5DMarkIVProperties = SimTable(kCanon5DMarkIVRows);
const SimPropertyTable kSimCanon90DProperties = SimTable(kCanon90DRows);
const SimPropertyTable kSimCanonRProperties = SimTable(kCanonRRows);
const SimPropertyTable kSimCanonR5Properties = SimTable(kCanonR5Rows);
