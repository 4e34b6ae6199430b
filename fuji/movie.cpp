// Fujifilm movie: movie mode is a drive mode; recording starts and stops with
// shutter steps.
#include "fuji/fuji_capture.h"
#include "fuji/fuji_codes.h"
#include "ptp_properties.h"

namespace {

constexpr uint32_t kDriveMovie = 8;
constexpr uint32_t kDriveStill = 4;
constexpr uint32_t kStepRecordStart = 0x0804;
constexpr uint32_t kStepRecordStop = 0x0080;

} // namespace

PtpResult PtpFuji_StartMovieMode() {
    return PtpGenericInterface_SetPropertyValue(kFujiPropDriveMode, kDriveMovie, 0);
}

PtpResult PtpFuji_StopMovieMode() {
    return PtpGenericInterface_SetPropertyValue(kFujiPropDriveMode, kDriveStill, 0);
}

PtpResult PtpFuji_StartRecordMovie() { return PtpFuji_RunStep(kStepRecordStart); }

PtpResult PtpFuji_StopRecordMovie() { return PtpFuji_RunStep(kStepRecordStop); }
