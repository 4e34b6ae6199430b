// The Nikon model sets. Each names the bodies, by the library's camera model
// number, that differ from the rest in one respect.
#include <atomic>
#include <cctype>
#include <cstring>

#include "generic/session.h"
#include "nikon/nikon_models.h"

namespace {

// clang-format off
const PtpNikonModelRange kNoElectronicLevel[] = {
    {192, 193}, {201, 201}, {203, 204}, {207, 208}, {213, 213}};
const PtpNikonModelRange kAutoIsoInSceneModesOnly[] = {
    {192, 193}, {203, 203}, {207, 208}, {213, 213}, {218, 218}};
const PtpNikonModelRange kRawQuality7[] = {{215, 217}, {219, 233}, {240, 240}};
const PtpNikonModelRange kMirrorless[] = {{220, 222}, {225, 233}, {240, 240}};
const PtpNikonModelRange kSixQualities[] = {{215, 217}, {219, 228}, {230, 233}, {240, 240}};
// clang-format on

constexpr uint32_t kRawQuality = 4;
constexpr uint32_t kRawQualityNewer = 7;

template <size_t N> constexpr PtpNikonModelSet set_of(const PtpNikonModelRange (&ranges)[N]) {
    return {ranges, N};
}

} // namespace

const PtpNikonModelSet kNikonNoElectronicLevel = set_of(kNoElectronicLevel);
const PtpNikonModelSet kNikonAutoIsoInSceneModesOnly = set_of(kAutoIsoInSceneModesOnly);
const PtpNikonModelSet kNikonRawQuality7 = set_of(kRawQuality7);
const PtpNikonModelSet kNikonMirrorless = set_of(kMirrorless);
const PtpNikonModelSet kNikonSixQualities = set_of(kSixQualities);

bool PtpNikon_ModelIn(const PtpNikonModelSet& set, uint8_t model) {
    for (size_t i = 0; i < set.count; ++i)
        if (model >= set.ranges[i].first && model <= set.ranges[i].last) return true;
    return false;
}

bool PtpNikon_CameraIn(const PtpNikonModelSet& set) {
    return PtpNikon_ModelIn(set, PtpGenericInterface_CameraModel());
}

uint32_t PtpNikon_RawQuality() {
    return PtpNikon_CameraIn(kNikonRawQuality7) ? kRawQualityNewer : kRawQuality;
}

// --- Model detection ----------------------------------------------------------------------

namespace {

constexpr uint8_t kAfModeSwitch = 1; // the focus mode is switched around a lens drive
constexpr uint8_t kLiveViewOn = 2;   // the viewfinder is the live view: on from the start
constexpr uint8_t kD3x = 4;          // drive-mode saving around live view

struct ModelRow {
    const char* name; // upper case; tested as a substring of the Model text
    uint8_t model;
    PtpNikonZoomTable zoom;
    uint8_t flags;
};

constexpr auto D5000 = PtpNikonZoomTable::D5000;
constexpr auto D3 = PtpNikonZoomTable::D3;
constexpr auto D800 = PtpNikonZoomTable::D800;
constexpr auto Std = PtpNikonZoomTable::Default;
constexpr auto Df = PtpNikonZoomTable::Df;

// clang-format off
// The first row whose name the Model text contains decides, so a name comes
// before every shorter name it contains ("Z FC" before "Z F", "D7000" before
// "D700", "D600" before "D6", "D5000" and "D500" before "D5").
const ModelRow kModelRows[] = {
    {"D5000", 192, D5000, kAfModeSwitch}, {"D5100", 193, D5000, 0}, {"D5200", 207, D5000, 0},
    {"D5300", 208, D5000, 0}, {"D5500", 213, D5000, 0}, {"D5600", 218, D5000, 0},
    {"D7000", 194, D5000, 0}, {"D7100", 205, Std, 0}, {"D7200", 214, Std, 0},
    {"D7500", 217, Std, 0}, {"D700", 195, D3, 0}, {"D750", 212, Std, 0}, {"D780", 223, Std, 0},
    {"D800", 196, D800, 0}, {"D810", 210, Std, 0}, {"D850", 219, Std, 0},
    {"Z6_3", 232, Std, kLiveViewOn}, {"Z 6_2", 226, Std, kLiveViewOn}, {"Z 6", 220, Std, kLiveViewOn},
    {"Z 7_2", 227, Std, kLiveViewOn}, {"Z FC", 229, Std, kLiveViewOn}, {"Z F", 231, Std, kLiveViewOn},
    {"Z 7", 221, Std, kLiveViewOn}, {"Z 50", 222, Std, kLiveViewOn}, {"Z 30", 240, Std, kLiveViewOn},
    {"Z 5", 225, Std, kLiveViewOn}, {"Z 9", 228, Std, kLiveViewOn}, {"Z 8", 230, Std, kLiveViewOn},
    {"Z5_2", 233, Std, kLiveViewOn}, {"D600", 197, Std, 0}, {"D610", 197, Std, 0},
    {"D3X", 198, D3, kD3x}, {"D500", 216, Std, 0}, {"D5", 215, Std, 0}, {"D6", 224, Std, 0},
    {"D4S", 211, Std, 0}, {"D4", 200, D800, 0}, {"D3S", 199, D3, 0}, {"D300S", 202, D3, 0},
    {"D300", 201, D3, 0}, {"D200", 206, Std, 0}, {"D90", 203, D5000, kAfModeSwitch},
    {"D3", 204, D3, 0}, {"D2X", 204, Std, 0}, {"DF", 209, Df, 0},
};
// clang-format on

// Set by the model check at session start, read by the live-view and focus code.
struct DetectedModel {
    std::atomic<uint8_t> flags{0};
    std::atomic<PtpNikonZoomTable> zoom{PtpNikonZoomTable::Default};
};
DetectedModel g_detected;

} // namespace

bool PtpNikon_DetectModelText(const char* text, uint8_t* model) {
    // At most 255 characters of the Model text count.
    char upper[256] = {};
    for (size_t i = 0; text && text[i] && i < sizeof upper - 1; ++i)
        upper[i] = char(std::toupper(static_cast<unsigned char>(text[i])));
    g_detected.flags.store(0);
    g_detected.zoom.store(PtpNikonZoomTable::Default);
    for (const ModelRow& row : kModelRows) {
        if (!std::strstr(upper, row.name)) continue;
        *model = row.model;
        g_detected.flags.store(row.flags);
        g_detected.zoom.store(row.zoom);
        return true;
    }
    return false;
}

bool PtpNikon_DetectModel() {
    char text[256];
    PtpSession_CopyModelText(text, sizeof text);
    uint8_t model = 0;
    if (!PtpNikon_DetectModelText(text, &model)) return false;
    PtpSession_SetModel(model);
    if (g_detected.flags.load() & kLiveViewOn) PtpSession_SetLiveViewOn(true);
    return true;
}

bool PtpNikon_HasAfModeSwitch() { return g_detected.flags.load() & kAfModeSwitch; }
bool PtpNikon_SavesD3xDriveMode() { return g_detected.flags.load() & kD3x; }
PtpNikonZoomTable PtpNikon_ZoomTable() { return g_detected.zoom.load(); }

bool PtpNikon_IsMirrorlessModel(uint8_t model) { return PtpNikon_ModelIn(kNikonMirrorless, model); }
