// Sony capture: the cure for the double shot of a continuous drive mode.
#include "ptp_properties.h"
#include "sony/sony_codes.h"
#include "sony/sony_driver.h"

namespace {

constexpr uint32_t kDriveSingleShot = 1;

} // namespace

PtpResult PtpSony_MitigateDoubleShoot() {
    return PtpGenericInterface_SetPropertyValue(kSonyPropDriveMode, kDriveSingleShot, 1);
}
