// Fujifilm capture: which bodies can take a bulb exposure.
#include "fuji/fuji_driver.h"
#include "ptp_generic.h"

namespace {

// The one Fujifilm body without a bulb mode.
constexpr uint8_t kModelWithoutBulb = 16;

} // namespace

bool PtpFuji_IsBulbAvailable() { return PtpGenericInterface_CameraModel() != kModelWithoutBulb; }
