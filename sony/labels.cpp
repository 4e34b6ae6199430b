// The labels the Sony driver prints itself, ahead of the names table: signed
// exposure values in stops, the colour temperature and the f-number. Each
// text is written into a buffer of the calling thread, so the event thread
// labelling a record never rewrites a text a host thread holds.
#include <cmath>
#include <cstdio>

#include "generic/property_names.h"
#include "sony/label_tables.h"
#include "sony/sony_codes.h"

namespace {

thread_local char t_label[16];

// Thousandths of a stop, sent as a signed 16-bit value.
const char* stops(uint32_t value, const char* zero) {
    double x = static_cast<int16_t>(value) / 1000.0;
    if (std::fabs(x) < 0.001) return zero;
    std::snprintf(t_label, sizeof t_label, x > 0 ? "+%.1f" : "%.1f", x);
    return t_label;
}

} // namespace

const char* PtpSony_StringForPropertyValue(uint32_t code, uint32_t value) {
    switch (code) {
    case kSonyPropExposureCompensation: return stops(value, "+/-0");
    case kSonyPropFlashCompensation: return stops(value, "0");
    case kSonyPropColorTemperature:
        std::snprintf(t_label, sizeof t_label, "%d", static_cast<int32_t>(value));
        return t_label;
    case kSonyPropFNumber:
        std::snprintf(t_label, sizeof t_label, "%.1f", value / 100.0);
        return t_label;
    case kSonyPropFocusMode: return PtpNames_FindLabel(kSonyFocusModeLabels, value);
    case kSonyPropExposureProgram: return PtpNames_FindLabel(kSonyExposureModeLabels, value);
    case kSonyPropMeteringMode: return PtpNames_FindLabel(kSonyMeteringModeLabels, value);
    default: return nullptr;
    }
}
