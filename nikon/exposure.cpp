// Nikon exposure steps: bracketing-step codes by body, the series steps of
// the bodies that bracket in thirds and then whole stops, the compensation
// limits, and which way the exposure lists run for HDR series.
#include <cstdint>
#include <initializer_list>

#include "generic/exposure.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_exposure.h"
#include "ptp_generic.h"

namespace {

// The body whose bracketing codes are signed thousandths of a stop.
constexpr uint8_t kMilliStopModel = 233;

bool model_in(uint8_t model, std::initializer_list<uint8_t> models) {
    for (uint8_t m : models)
        if (m == model) return true;
    return false;
}

// Bodies whose bracketing codes count sixths of a stop.
bool sixths(uint8_t m) { return m == 223 || (m >= 226 && m <= 232); }

// Older bodies whose codes step in thirds to one stop, then whole stops.
bool coarse_codes(uint8_t m) {
    return model_in(m, {197, 200, 205, 209, 210, 211, 212, 214, 215, 216, 217, 219, 220, 221, 222,
                        224, 225, 240});
}

// Bodies whose series steps are thirds up to about 2 stops, then whole stops.
bool thirds_then_whole(uint8_t m) {
    return m == 197 || m == 200 || (m >= 210 && m <= 212) || (m >= 214 && m <= 217) ||
           (m >= 219 && m <= 231) || m == 233 || m == 240;
}

} // namespace

float PtpNikon_BracketStop(uint8_t model, uint32_t code) {
    if (model == kMilliStopModel) return PtpExposure_MilliStops(code);
    if (sixths(model)) return float(code) / 6.0f;
    static const float kCoarse[] = {1.0f / 3, 0, 2.0f / 3, 1, 2, 3};
    // The rest step in thirds and halves up to two stops.
    static const float kFine[] = {1.0f / 3, 0.5f, 2.0f / 3, 1, 4.0f / 3, 1.5f, 5.0f / 3, 2};
    if (coarse_codes(model)) return code < sizeof kCoarse / sizeof kCoarse[0] ? kCoarse[code] : 0;
    return code < sizeof kFine / sizeof kFine[0] ? kFine[code] : 0;
}

float PtpNikon_StopForBracketValue(uint32_t code) {
    if (!PtpExposure_IsSet(kNikonPropImageBracketing)) return 0;
    return PtpNikon_BracketStop(PtpGenericInterface_CameraModel(), code);
}

float PtpNikon_NextBracketStep(float stop, int32_t index) {
    if (thirds_then_whole(PtpGenericInterface_CameraModel())) {
        if (stop <= 1.9f && (stop <= 0.9f || index < 1)) return float(index) / 3.0f;
        return float(index);
    }
    return PtpExposure_StepOfSize(PtpGenericInterface_ExposureCompensationStepSize(), index);
}

float PtpNikon_CompensationLimit(bool largest, uint8_t extended) {
    return PtpExposure_MilliStopLimit(
        extended ? kNikonPropMovieCompensation : kNikonPropExposureCompensation, largest, false);
}

int PtpNikon_HdrBrighterDirection(uint32_t code) { return code == kNikonPropFNumber ? -1 : 1; }

int PtpNikon_HdrDarkerDirection(uint32_t code) {
    return code == kNikonPropShutterSpeed || code == kNikonPropIso || code == kNikonPropIsoExtended
               ? -1
               : 1;
}
