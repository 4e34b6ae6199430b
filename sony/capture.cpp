// Sony capture: the shot as presses and releases of half press and shutter,
// the waits for focus, for a bracket to be exposed and for the camera to hand
// the image over, the drive modes that shoot a series, and the cure for the
// double shot of a continuous drive mode.
#include <algorithm>

#include "generic/capture.h"
#include "generic/event_fetch.h"
#include "generic/exposure.h"
#include "generic/property_store.h"
#include "ptp_generic.h"
#include "ptp_properties.h"
#include "ptp_sony.h"
#include "sony/sony_capture.h"
#include "sony/sony_codes.h"
#include "sony/sony_driver.h"
#include "sony/sony_models.h"

namespace {

constexpr uint32_t kDriveSingleShot = 1;
// Drive modes from here on are bracketing ones.
constexpr uint32_t kFirstBracketMode = 0x8001;
constexpr uint32_t kFocusFound = 2; // 0xD213
constexpr uint32_t kFocusWaitReads = 8;
constexpr uint32_t kTransferWaitReads = 200;

// The hold of the buttons before the release: the ILCE-9M2 and 9M3 drop a
// shot released sooner.
constexpr uint32_t kHoldMs = 100;
constexpr uint32_t kLongHoldMs = 250;
// Added to a bracket's exposures before the release.
constexpr uint32_t kBracketMarginMs = 250;
// A bracket of unknown shutter time is given this long per frame.
constexpr uint64_t kUnknownExposureMs = 1000;
// No wait trusts a shutter time longer than this (the longest timed exposure
// of any body is 30 s); a fraction such as 65534/1 would otherwise stall a
// shot for hours.
constexpr uint64_t kLongestExposureMs = 60 * 1000;
// Around the wait for the image handover.
constexpr uint32_t kBeforeTransferMs = 500;
constexpr uint32_t kAfterTransferMs = 1750;

const uint16_t kContinuousModes[] = {
    0x0002, 0x8008, 0x8009, 0x800C, 0x800D, 0x800E, 0x800F, 0x8012, 0x8311, 0x8321, 0x8331, 0x8337,
    0x8357, 0x8377, 0x8511, 0x8521, 0x8531, 0x8537, 0x8557, 0x8577, 0x8911, 0x8937, 0x8957, 0x8977,
};

struct BracketFrames {
    uint32_t mode, frames;
};
const BracketFrames kBracketFrames[] = {
    {0x8311, 3}, {0x8321, 3}, {0x8331, 3}, {0x8337, 3}, {0x8357, 3}, {0x8377, 3},
    {0x8511, 5}, {0x8521, 5}, {0x8531, 5}, {0x8537, 5}, {0x8557, 5}, {0x8577, 5},
    {0x8911, 9}, {0x8937, 9}, {0x8957, 9}, {0x8977, 9},
};

bool manual_focus() {
    uint32_t mode = 0;
    return PtpReadCurrentValue(kSonyPropFocusMode, &mode) && mode == 1;
}

// The current shutter time in ms; false when the store has no shutter speed.
bool shutter_ms(uint64_t* ms) {
    uint32_t value = 0;
    if (!PtpReadCurrentValue(kSonyPropShutterSpeed, &value)) return false;
    *ms = PtpSony_ExposureMs(value);
    return true;
}

// The time a bracketing drive mode needs to expose its frames, computed wide:
// frames x shutter time + the margin.
uint64_t bracket_ms() {
    uint32_t drive = 0;
    if (!PtpReadCurrentValue(kSonyPropDriveMode, &drive)) return 0;
    const uint32_t frames = PtpSony_BracketFrames(drive);
    if (frames == 0) return 0;
    uint64_t exposure = kUnknownExposureMs;
    shutter_ms(&exposure);
    return frames * exposure + kBracketMarginMs;
}

void pause_ms(uint64_t ms) {
    // Held below the 32-bit pause; each part is bounded by kLongestExposureMs.
    while (ms > 0) {
        const uint32_t part = uint32_t(std::min<uint64_t>(ms, kLongestExposureMs));
        PtpSony_Pause(part);
        ms -= part;
    }
}

} // namespace

uint64_t PtpSony_ExposureMs(uint32_t value) {
    const int64_t ms = PtpExposure_FractionMilliseconds(value);
    if (ms <= 0) return 0;
    return std::min<uint64_t>(uint64_t(ms), kLongestExposureMs);
}

bool PtpSony_IsDriveModeContinuous(uint32_t value) {
    const uint16_t mode = uint16_t(value);
    return std::find(std::begin(kContinuousModes), std::end(kContinuousModes), mode) !=
           std::end(kContinuousModes);
}

uint32_t PtpSony_BracketFrames(uint32_t driveMode) {
    for (const BracketFrames& b : kBracketFrames)
        if (b.mode == driveMode) return b.frames;
    return 0;
}

bool PtpSonyInterface_IsDriveModeBracketed(void) {
    uint32_t drive = 0;
    return PtpReadCurrentValue(kSonyPropDriveMode, &drive) && drive >= kFirstBracketMode;
}

PtpResult PtpSony_InitiateCapture() {
    PtpResult rc = PtpSony_Press(kSonyButtonHalfPress);
    if (rc != PtpResult_Ok) return rc;
    rc = PtpSony_Press(kSonyButtonShutter);
    if (rc != PtpResult_Ok) {
        // The half press would stay held and block the camera's own controls.
        PtpSony_Release(kSonyButtonHalfPress);
        return rc;
    }
    PtpCapture_SetShutterPressed(true);
    return PtpResult_Ok;
}

PtpResult PtpSony_ReleaseShutter() {
    // Both buttons are let go whatever the first answer: a button left held
    // keeps the camera shooting or metering.
    const PtpResult half = PtpSony_Release(kSonyButtonHalfPress);
    const PtpResult shutter = PtpSony_Release(kSonyButtonShutter);
    PtpCapture_SetShutterPressed(false);
    return half != PtpResult_Ok ? half : shutter;
}

PtpResult PtpSony_StartHalfPress() { return PtpSony_Press(kSonyButtonHalfPress); }

PtpResult PtpSony_ReleaseHalfPress() { return PtpSony_Release(kSonyButtonHalfPress); }

PtpResult PtpSony_Shoot() {
    PtpResult rc = PtpSony_InitiateCapture();
    if (rc != PtpResult_Ok) return rc;
    // Only bounds the hold: a camera that never reports focus still shoots.
    if (!manual_focus()) PtpSony_AwaitValue(kSonyPropFocusIndication, kFocusFound, kFocusWaitReads);
    pause_ms(bracket_ms());
    const uint8_t model = PtpGenericInterface_CameraModel();
    PtpSony_Pause(model == kSonyModelIlce9M2 || model == kSonyModelIlce9M3 ? kLongHoldMs : kHoldMs);
    return PtpSony_ReleaseShutter();
}

PtpResult PtpSony_TakeShotAndWait() {
    PtpResult rc = PtpSony_Shoot();
    if (rc != PtpResult_Ok) return rc;
    // The exposure runs on after the release; an unknown shutter time leaves
    // the wait to the handover below.
    uint64_t exposure = 0;
    if (PtpFetchEventsOnce(true, false) == PtpResult_Ok) shutter_ms(&exposure);
    pause_ms(exposure);
    PtpSony_Pause(kBeforeTransferMs);
    PtpSony_WaitForImageTransfer();
    PtpSony_Pause(kAfterTransferMs);
    return PtpResult_Ok;
}

void PtpSony_WaitForImageTransfer() {
    PtpSony_AwaitValue(kSonyPropImagePending, 0, kTransferWaitReads);
}

PtpResult PtpSony_MitigateDoubleShoot() {
    return PtpGenericInterface_SetPropertyValue(kSonyPropDriveMode, kDriveSingleShot, 1);
}
