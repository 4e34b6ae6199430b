// Evaluates the camera's Model text against the Canon model table and keeps the
// settings of the matching row for the rest of the session: image size, model
// number and the per-model flags.
#include <cctype>
#include <cstring>
#include <mutex>

#include "eos/eos_models.h"
#include "generic/session.h"
#include "ptp_eos.h"

namespace {

// Only this many characters of the Model text take part in the match.
constexpr size_t kModelTextLimit = 255;

constexpr double kDefaultWidth = 3888;
constexpr double kDefaultHeight = 2592;

struct ModelState {
    std::mutex lock;
    PtpEosModelSettings settings = PtpEos_DefaultModelSettings(); // guarded by lock
};

ModelState g_models;

// ASCII case-insensitive substring test.
bool contains(const char* text, const char* pattern) {
    size_t n = std::strlen(pattern);
    for (const char* start = text; *start; ++start) {
        size_t i = 0;
        while (i < n && start[i] &&
               std::toupper(static_cast<unsigned char>(start[i])) ==
                   std::toupper(static_cast<unsigned char>(pattern[i])))
            ++i;
        if (i == n) return true;
    }
    return n == 0;
}

bool row_matches(const PtpEosModelRow& row, const char* text) {
    for (const char* all : row.allOf)
        if (all && !contains(text, all)) return false;
    if (row.anyOf[0]) {
        bool any = false;
        for (const char* alternative : row.anyOf)
            if (alternative && contains(text, alternative)) any = true;
        if (!any) return false;
    }
    return !(row.noneOf && contains(text, row.noneOf));
}

PtpEosModelSettings settings_of(const PtpEosModelRow& row) {
    PtpEosModelSettings s = PtpEos_DefaultModelSettings();
    s.imageWidth = row.width;
    s.imageHeight = row.height;
    s.modelId = row.modelId;
    s.mirrorless = (row.flags & kEosRowMirrorless) != 0;
    s.movieSelect = (row.flags & kEosRowNoMovieSelect) == 0;
    s.touchFocus = (row.flags & kEosRowNoTouchFocus) == 0;
    s.supported = (row.flags & kEosRowUnsupported) == 0;
    return s;
}

} // namespace

PtpEosModelSettings PtpEos_DefaultModelSettings() {
    PtpEosModelSettings s;
    s.imageWidth = kDefaultWidth;
    s.imageHeight = kDefaultHeight;
    s.modelId = 0;
    s.mirrorless = false;
    s.movieSelect = true;
    s.touchFocus = true;
    s.supported = false;
    return s;
}

const PtpEosModelRow* PtpEos_FindModelRow(const char* model) {
    if (!model) return nullptr;
    char text[kModelTextLimit + 1];
    size_t n = strnlen(model, kModelTextLimit);
    std::memcpy(text, model, n);
    text[n] = '\0';
    for (size_t i = 0; i < kEosModelRowCount; ++i)
        if (row_matches(kEosModelRows[i], text)) return &kEosModelRows[i];
    return nullptr; // not reached: the last row matches everything
}

PtpEosModelSettings PtpEos_SettingsForModel(const char* model) {
    const PtpEosModelRow* row = PtpEos_FindModelRow(model ? model : "");
    return row ? settings_of(*row) : PtpEos_DefaultModelSettings();
}

bool PtpEos_EvaluateModel() {
    char model[PTP_DEVICEINFO_TEXT];
    PtpSession_CopyModelText(model, sizeof model);
    PtpEosModelSettings settings = PtpEos_SettingsForModel(model);
    {
        std::lock_guard<std::mutex> held(g_models.lock);
        g_models.settings = settings;
    }
    PtpSession_SetModel(settings.modelId);
    return settings.supported;
}

PtpEosModelSettings PtpEos_ModelSettings() {
    std::lock_guard<std::mutex> held(g_models.lock);
    return g_models.settings;
}

bool PtpEos_IsMirrorless() { return PtpEos_ModelSettings().mirrorless; }
bool PtpEos_UsesMovieSelect() { return PtpEos_ModelSettings().movieSelect; }
bool PtpEos_CanTouchFocus() { return PtpEos_ModelSettings().touchFocus; }
double PtpEos_ImageWidth() { return PtpEos_ModelSettings().imageWidth; }
double PtpEos_ImageHeight() { return PtpEos_ModelSettings().imageHeight; }

uint32_t PtpEosInterface_RawImageFormat() {
    // The 90D, the 1D X Mark III and every mirrorless body write CR3 files.
    PtpEosModelSettings s = PtpEos_ModelSettings();
    if (s.modelId == 227 || s.modelId == 229 || s.mirrorless) return kEosFormatCr3;
    return kEosFormatCr2;
}
