// The Fujifilm model table and the model groups.
#include <cctype>
#include <cstddef>
#include <cstring>

#include "fuji/fuji_models.h"
#include "generic/session.h"
#include "ptp_generic.h"

namespace {

struct ModelRow {
    const char* name; // upper case; tested as a substring of the Model text
    uint8_t model;
};

// The first row whose name the Model text contains decides, so a name comes
// before every shorter name it contains ("X-T30" before "X-T3", "GFX100S II"
// before "GFX100S").
const ModelRow kModelRows[] = {
    {"X-T30", 32},      {"X-T1", 16},    {"X-T2", 17},      {"X-T3", 22},      {"X-T4", 25},
    {"X-T5", 36},       {"X-E5", 36},    {"GFX50S II", 34}, {"GFX 50S", 20},   {"GFX 50R", 21},
    {"GFX100S II", 37}, {"GFX100S", 33}, {"GFX100 II", 37}, {"GFX100 RF", 37}, {"GFX 100", 23},
    {"X-H1", 18},       {"X-H2", 35},    {"X-PRO2", 19},    {"X-PRO3", 24},
};

const uint8_t kGfx[] = {20, 21, 23, 33, 34, 37};
const uint8_t kLargeGfx[] = {23, 33, 34, 37};
const uint8_t kGfx50[] = {20, 21};

template <size_t N> bool in(const uint8_t (&set)[N], uint8_t model) {
    for (uint8_t m : set)
        if (m == model) return true;
    return false;
}

} // namespace

bool PtpFuji_ModelForText(const char* text, uint8_t* model) {
    // At most 255 characters of the Model text count.
    char upper[256] = {};
    for (size_t i = 0; text && text[i] && i < sizeof upper - 1; ++i)
        upper[i] = char(std::toupper(static_cast<unsigned char>(text[i])));
    for (const ModelRow& row : kModelRows) {
        if (!std::strstr(upper, row.name)) continue;
        *model = row.model;
        return true;
    }
    return false;
}

bool PtpFuji_EvaluateModel() {
    char text[256];
    PtpSession_CopyModelText(text, sizeof text);
    uint8_t model = 0;
    if (!PtpFuji_ModelForText(text, &model)) return false;
    PtpSession_SetModel(model);
    return true;
}

bool PtpFuji_IsGfxModel(uint8_t model) { return in(kGfx, model); }
bool PtpFuji_IsLargeGfxModel(uint8_t model) { return in(kLargeGfx, model); }
bool PtpFuji_Is50MpGfxModel(uint8_t model) { return in(kGfx50, model); }
bool PtpFuji_IsGfx() { return PtpFuji_IsGfxModel(PtpGenericInterface_CameraModel()); }
