// The Sony model table and model sets. A body is found by a case-insensitive
// substring search of the DeviceInfo Model text, so a name comes before every
// shorter name it contains would wrongly catch ("7SM3" before "7S", "ILCE-9M2"
// before "ILCE-9"); names that only look alike ("7M4" and "7RM4") need no
// order.
#include <cctype>
#include <cstring>

#include "generic/session.h"
#include "sony/property_controls.h"
#include "sony/sony_models.h"

namespace {

constexpr uint8_t kNormalControls = 1;
constexpr uint8_t kIncrementalFocus = 2;
constexpr uint8_t kFormatCap19 = 4;

struct ModelRow {
    const char* name; // upper case
    uint8_t model;
    uint8_t flags;
};

constexpr uint8_t N = kNormalControls, I = kIncrementalFocus, C = kFormatCap19;

// clang-format off
const ModelRow kModelRows[] = {
    {"SLT-A99V", kSonyModelA99V, C},          {"77M2", kSonyModel77M2, 0},
    {"99M2", kSonyModel99M2, 0},              {"7M2", kSonyModel7M2, 0},
    {"7RM2", kSonyModel7RM2, C},              {"7SM2", kSonyModel7SM2, 0},
    {"7SM3", kSonyModel7SM3, N | I},          {"FX3", kSonyModelFx3, N | I},
    {"7S", kSonyModel7S, 0},                  {"7M4", kSonyModel7M4, N | I},
    {"7M3", kSonyModel7M3, I},                {"7RM3", kSonyModel7RM3, I},
    {"7RM4", kSonyModel7RM4, N | I},          {"7RM5", kSonyModel7RM5, N | I},
    {"ILCE-7CM2", kSonyModelIlce7CM2, N | I}, {"ILCE-7CR", kSonyModelIlce7CR, N | I},
    {"ILCE-7C", kSonyModelIlce7C, N | I},     {"ZV-1", kSonyModelZv1, N | I},
    {"ZV-E10", kSonyModelZvE10, N | I},       {"ZV-E1", kSonyModelZvE1, N | I},
    {"ILCE-9M2", kSonyModelIlce9M2, N | I},   {"ILCE-9M3", kSonyModelIlce9M3, N | I},
    {"ILCE-9", kSonyModelIlce9, I},           {"ILCE-1", kSonyModelIlce1, N | I},
    {"6300", kSonyModel6300, C},              {"6400", kSonyModel6400, I},
    {"6500", kSonyModel6500, 0},              {"6600", kSonyModel6600, I},
    {"6700", kSonyModel6700, N | I},          {"6100", kSonyModel6100, I},
};

const uint8_t kZoomLevel[] = {
    kSonyModel7RM3, kSonyModel7M3, kSonyModel6400, kSonyModel7RM4, kSonyModel6600,
    kSonyModel6100, kSonyModelIlce9M2, kSonyModel7SM3, kSonyModelIlce7C, kSonyModelZv1,
    kSonyModelIlce1, kSonyModelFx3, kSonyModel7M4, kSonyModel7RM5, kSonyModel6700,
    kSonyModelIlce7CM2, kSonyModelIlce7CR, kSonyModelZvE10, kSonyModelZvE1, kSonyModelIlce9M3};
const uint8_t kButtonZoom[] = {
    kSonyModel7RM3, kSonyModel7M3, kSonyModel6400, kSonyModel6600, kSonyModel6100};
const uint8_t kZoom200[] = {
    kSonyModel7RM3, kSonyModel6400, kSonyModel7RM4, kSonyModel6600, kSonyModel6100,
    kSonyModelIlce9M2, kSonyModel7SM3, kSonyModelZv1, kSonyModelIlce1, kSonyModelFx3,
    kSonyModel7M4, kSonyModel7RM5, kSonyModel6700, kSonyModelZvE10, kSonyModelZvE1,
    kSonyModelIlce9M3};
const uint8_t kFixedExposureMode[] = {
    kSonyModel6400, kSonyModel6600, kSonyModel6100, kSonyModel6700};
const uint8_t kShutter4000[] = {
    kSonyModel6300, kSonyModel6400, kSonyModel6500, kSonyModel6600, kSonyModel6100};
// clang-format on

template <size_t M> constexpr PtpSonyModelSet set_of(const uint8_t (&models)[M]) {
    return {models, M};
}

// The flags of the session's body, found by its model number.
uint8_t camera_flags() {
    uint8_t model = PtpGenericInterface_CameraModel();
    for (const ModelRow& row : kModelRows)
        if (row.model == model) return row.flags;
    return 0;
}

} // namespace

const PtpSonyModelSet kSonyZoomLevelModels = set_of(kZoomLevel);
const PtpSonyModelSet kSonyButtonZoomModels = set_of(kButtonZoom);
const PtpSonyModelSet kSony200ZoomModels = set_of(kZoom200);
const PtpSonyModelSet kSonyFixedExposureMode = set_of(kFixedExposureMode);
const PtpSonyModelSet kSonyShutter4000 = set_of(kShutter4000);

bool PtpSony_ModelIn(const PtpSonyModelSet& set, uint8_t model) {
    for (size_t i = 0; i < set.count; ++i)
        if (set.models[i] == model) return true;
    return false;
}

bool PtpSony_CameraIn(const PtpSonyModelSet& set) {
    return PtpSony_ModelIn(set, PtpGenericInterface_CameraModel());
}

bool PtpSony_DetectModelText(const char* text, uint8_t* model) {
    char upper[256] = {};
    for (size_t i = 0; text && text[i] && i < sizeof upper - 1; ++i)
        upper[i] = char(std::toupper(static_cast<unsigned char>(text[i])));
    PtpSony_SetNormalPropertyControls(false);
    for (const ModelRow& row : kModelRows) {
        if (!std::strstr(upper, row.name)) continue;
        *model = row.model;
        PtpSony_SetNormalPropertyControls(row.flags & kNormalControls);
        return true;
    }
    return false;
}

bool PtpSony_DetectModel() {
    char text[256];
    PtpSession_CopyModelText(text, sizeof text);
    uint8_t model = 0;
    if (!PtpSony_DetectModelText(text, &model)) return false;
    PtpSession_SetModel(model);
    return true;
}

bool PtpSony_HasIncrementalFocus() { return camera_flags() & kIncrementalFocus; }
bool PtpSony_HasImageFormatCap19() { return camera_flags() & kFormatCap19; }
