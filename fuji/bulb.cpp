// Fujifilm bulb: the press opens the shutter in two steps and leaves it open;
// the release closes it.
#include "fuji/fuji_capture.h"
#include "fuji/fuji_codes.h"
#include "generic/property_store.h"
#include "ptp_capabilities.h"

namespace {

// The shutter-speed value of bulb, in its low 16 bits.
constexpr uint32_t kBulbShutter = 0xFFFF;

} // namespace

PtpResult PtpFuji_StartBulb() { return PtpFuji_Press(/*bulb=*/true, /*releaseAfter=*/false); }

PtpResult PtpFuji_StopBulb() { return PtpFuji_Release(/*bulb=*/true); }

bool PtpFuji_IsBulbMode() {
    uint32_t mode = 0;
    uint32_t shutter = 0;
    return PtpReadCurrentValue(kFujiPropExposureProgram, &mode) &&
           PtpGenericInterface_IsAutoExposureModeManual(mode) &&
           PtpReadCurrentValue(kFujiPropExposureTime, &shutter) &&
           (shutter & 0xFFFF) == kBulbShutter;
}
