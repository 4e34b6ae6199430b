// The Sony session start: the store filled from the all-properties data, then
// the focus-position placeholder on newer bodies or the fixed lists that older
// bodies step through.
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "generic/property_store.h"
#include "ptp/transaction.h"
#include "ptp_names.h"
#include "sony/property_controls.h"
#include "sony/sony_codes.h"
#include "sony/sony_models.h"
#include "sony/sony_session.h"

namespace {

// The descriptor count in front of the descriptors (not used).
constexpr uint32_t kCountSize = 8;

constexpr uint32_t kModeMovie = 0x8050;
constexpr uint32_t kModeMovieP = 0x78050;
constexpr uint32_t kAutoIso = 0x00FFFFFF;
constexpr uint32_t kBulb = 0;

// Shutter speeds as numerator << 16 | denominator.
constexpr uint32_t tenths(uint32_t n) { return n << 16 | 10; }
constexpr uint32_t fraction(uint32_t d) { return 1u << 16 | d; }

const uint32_t kShutterSpeeds[] = {
    kBulb,          tenths(300),    tenths(250),    tenths(200),    tenths(150),    tenths(130),
    tenths(100),    tenths(80),     tenths(60),     tenths(50),     tenths(40),     tenths(32),
    tenths(25),     tenths(20),     tenths(16),     tenths(13),     tenths(10),     tenths(8),
    tenths(6),      tenths(5),      tenths(4),      fraction(3),    fraction(4),    fraction(5),
    fraction(6),    fraction(8),    fraction(10),   fraction(13),   fraction(15),   fraction(20),
    fraction(25),   fraction(30),   fraction(40),   fraction(50),   fraction(60),   fraction(80),
    fraction(100),  fraction(125),  fraction(160),  fraction(200),  fraction(250),  fraction(320),
    fraction(400),  fraction(500),  fraction(640),  fraction(800),  fraction(1000), fraction(1250),
    fraction(1600), fraction(2000), fraction(2500), fraction(3200), fraction(4000), fraction(5000),
    fraction(6400), fraction(8000)};
// Without the last three on the bodies whose fastest speed is 1/4000 s.
constexpr size_t kShutterBeyond4000 = 3;
// In movie modes the list starts at 1/4 s.
constexpr uint32_t kMovieSlowest = fraction(4);

// ISO in thirds of a stop, the Auto setting apart.
const uint32_t kIsoSteps[] = {50,    64,    80,    100,   125,   160,   200,    250,   320,
                              400,   500,   640,   800,   1000,  1250,  1600,   2000,  2500,
                              3200,  4000,  5000,  6400,  8000,  10000, 12800,  16000, 20000,
                              25600, 32000, 40000, 51200, 64000, 80000, 102400, 204800};

struct IsoRange {
    uint32_t lowest, highest; // inclusive, from kIsoSteps
};
constexpr IsoRange kIso25600 = {50, 25600};
constexpr IsoRange kIso204800 = {50, 204800};
constexpr IsoRange kIsoMovie204800 = {100, 102400};

const uint32_t kApertures[] = {100,  110,  120,  140,  160,  180,  200,  220,  250,
                               280,  320,  350,  400,  450,  500,  560,  630,  710,
                               800,  900,  1000, 1100, 1300, 1400, 1600, 1800, 2000,
                               2200, 2500, 2900, 3200, 3500, 3900, 4500};

bool in_movie_mode() {
    uint32_t mode = 0;
    if (!PtpReadCurrentValue(kSonyPropExposureProgram, &mode)) return false; // absent: not Movie
    return mode == kModeMovie || mode == kModeMovieP;
}

// Replaces code's allowed values with values, each labelled; a list whose
// record is absent is not built.
void install_list(uint32_t code, const std::vector<uint32_t>& values) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    if (!record) return;
    PtpValueLabel* list =
        static_cast<PtpValueLabel*>(std::calloc(values.size(), sizeof(PtpValueLabel)));
    if (!list) return;
    for (size_t i = 0; i < values.size(); ++i) {
        const char* text = PtpGenericInterface_StringForPropertyCodeValue(code, values[i]);
        std::snprintf(list[i].label, sizeof list[i].label, "%s", text ? text : "");
        list[i].value = values[i];
    }
    PtpRecordHold hold(record);
    std::free(record->values);
    record->values = list;
    record->valueCount = uint16_t(values.size());
}

std::vector<uint32_t> iso_list(IsoRange range, bool withAuto) {
    std::vector<uint32_t> out;
    if (withAuto) out.push_back(kAutoIso);
    for (uint32_t iso : kIsoSteps)
        if (iso >= range.lowest && iso <= range.highest) out.push_back(iso);
    return out;
}

// Runs 0x9209 and hands the descriptors on when there are any. An empty or
// short reply is an empty reply: nothing to parse.
PtpResult read_and_parse() {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpTransaction_RunDataIn(kSonyOpGetAllProperties, {}, &data, &length);
    if (rc == PtpResult_Ok && data && length > kCountSize)
        rc = PtpSony_LocateAndParseProperties(data + kCountSize, length - kCountSize);
    std::free(data);
    return rc;
}

// Newer bodies: a record for the focus position, which the data may not hold.
PtpResult add_focus_position() {
    if (PtpGenericInterface_GetProperty(kSonyPropFocusPosition, 0)) return PtpResult_Ok;
    PtpPropertyRecord* record = PtpAddPropertyRecord(kSonyPropFocusPosition, true, true);
    if (!record) return PtpResult_OutOfMemory;
    record->name = nullptr;
    record->dataType = 0;
    record->currentValue = 0;
    record->currentLabel[0] = '\0';
    record->access = 0;
    PtpUnlockProperty(record);
    return PtpResult_Ok;
}

} // namespace

void PtpSony_BuildShutterSpeedList() {
    size_t count = std::size(kShutterSpeeds);
    if (PtpSony_CameraIn(kSonyShutter4000)) count -= kShutterBeyond4000;
    const bool movie = in_movie_mode();
    std::vector<uint32_t> values;
    bool keep = !movie;
    for (size_t i = 0; i < count; ++i) {
        if (kShutterSpeeds[i] == kMovieSlowest) keep = true;
        if (keep) values.push_back(kShutterSpeeds[i]);
    }
    install_list(kSonyPropShutterSpeed, values);
}

void PtpSony_BuildIsoList() {
    const uint8_t model = PtpGenericInterface_CameraModel();
    const bool movie = in_movie_mode();
    std::vector<uint32_t> values;
    if (model == kSonyModel7M3 || model == kSonyModel7RM3 || model == kSonyModelIlce9)
        values = movie ? iso_list(kIsoMovie204800, true) : iso_list(kIso204800, true);
    else if (movie && (model == kSonyModelA99V || model == kSonyModel77M2))
        values = {kAutoIso};
    else
        values = iso_list(kIso25600, true);
    install_list(kSonyPropIso, values);
}

void PtpSony_BuildApertureList() {
    install_list(kSonyPropFNumber,
                 std::vector<uint32_t>(std::begin(kApertures), std::end(kApertures)));
}

PtpResult PtpSony_ReloadFromCamera() {
    PtpResult rc = read_and_parse();
    if (rc == PtpResult_Ok && PtpSony_SupportsNormalPropertyControls()) rc = add_focus_position();
    return rc;
}

PtpResult PtpSony_LoadAllProperties() {
    PtpClearPropertyStore();
    return read_and_parse();
}

PtpResult PtpSony_StartSession(uint8_t) {
    PtpResult rc = PtpSony_LoadAllProperties();
    if (PtpSony_SupportsNormalPropertyControls()) {
        if (rc == PtpResult_Ok) rc = add_focus_position();
        return rc;
    }
    // Older bodies get their fixed lists whatever the load gave; each builder
    // skips a property the store does not have.
    PtpSony_BuildShutterSpeedList();
    PtpSony_BuildIsoList();
    PtpSony_BuildApertureList();
    return rc;
}
