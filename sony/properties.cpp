// The Sony write verification rule.
#include "generic/driver.h"
#include "sony/property_controls.h"
#include "sony/sony_codes.h"
#include "sony/sony_driver.h"

namespace {

// Exposure-program values above this are not reported back after a write.
constexpr uint32_t kLastReportedProgram = 0x7804F;

} // namespace

// Older bodies step toward the value, and some programs are never reported:
// nothing to wait for. Anything else is not seen without the Sony wait.
PtpVerifyOutcome PtpSony_WaitForValue(uint32_t code, uint32_t value) {
    if (!PtpSony_SupportsNormalPropertyControls() ||
        (code == kSonyPropExposureProgram && value > kLastReportedProgram))
        return PtpVerifyOutcome::Skipped;
    return PtpVerifyOutcome::Failed;
}
