// Fujifilm capture: the press and release of the shutter in Capture Mode steps,
// the shot with its exposure wait, the colour-space reassertion that tells
// when the camera is done, and which bodies have bulb.
//
// The press pauses the event loop through the host's pause, as the host would,
// so that the release may resume it from another thread. The press records
// that it took the pause; only that record is ever resumed, once.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

#include "comms/bytes.h"
#include "fuji/fuji_capture.h"
#include "fuji/fuji_codes.h"
#include "fuji/fuji_driver.h"
#include "fuji/fuji_session.h"
#include "fuji/live_view_restart.h"
#include "generic/capture.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_events.h"
#include "ptp_focus.h"
#include "ptp_generic.h"
#include "ptp_liveview.h"
#include "ptp_objects.h"
#include "ptp_properties.h"

namespace {

// The one Fujifilm body without a bulb mode.
constexpr uint8_t kModelWithoutBulb = 16;
// The body that keeps live view on while it shoots.
constexpr uint8_t kModelShootsInLiveView = 35;

constexpr uint32_t kStepShutterPress = 0x0200;
constexpr uint32_t kStepCancelFocus = 0x0004;
constexpr uint32_t kStepBulbSecondPress = 0x0500;
constexpr uint32_t kStepRelease = 0x0304;
constexpr uint32_t kStepBulbRelease = 0x000C;
constexpr uint32_t kStepHalfPress = 0x9100;
constexpr uint32_t kStepHalfPressAf = 0x9300;
constexpr uint32_t kStepHalfPressEnd = 0x0001;
constexpr uint32_t kStepHalfPressEndNew = 0x0005;

constexpr uint32_t kAfFocusing = 1;
constexpr uint32_t kAfFailed = 3;
constexpr PtpResult kFocusFailed = 0xA002;
constexpr PtpResult kVendorBusy = 0xA001;

constexpr auto kStepPause = std::chrono::milliseconds(100);
constexpr auto kReleaseDelay = std::chrono::milliseconds(250);
constexpr auto kLiveViewRetryPause = std::chrono::milliseconds(250);
constexpr auto kShutterReadPause = std::chrono::milliseconds(500);
constexpr auto kColorSpaceRetryPause = std::chrono::milliseconds(500);

// Autofocus rarely takes more than a few seconds; one that has not ended after
// 30 s is treated as failed, so a camera stuck at "focusing" cannot hold the
// event loop paused for good.
constexpr int kPressAfPolls = 300;
// The objects a body hands out when live view stops: a camera that keeps
// listing objects after this many reads is reported busy.
constexpr int kDrainReads = 50;
// Live view restarts after a shot while the camera answers busy.
constexpr int kLiveViewRetries = 5;
// A shutter value above 64 s is not an exposure time (the camera is between
// settings); it is read again a bounded number of times.
constexpr uint32_t kLongestShutterMicros = 64000180;
constexpr int kShutterReads = 20;
// Shutter values from one second up keep the camera busy for the exposure.
constexpr uint32_t kSecondMicros = 1000000;
// Noise reduction after a long exposure keeps writes busy for as long as the
// exposure took; ten minutes covers the longest exposure with noise reduction.
constexpr int kColorSpaceRetries = 1200;

struct FujiCapture {
    // A press completed and no release has followed yet.
    std::atomic<bool> captureDone{false};
    // The press paused the event loop and no one has resumed that pause yet.
    std::atomic<bool> pausedByPress{false};
};

FujiCapture g_capture;

// Pauses the loop for a press; a pause the host already holds stays the host's.
bool pause_for_press() {
    const bool hostPaused = PtpGenericInterface_IsEventLoopPaused() != 0;
    if (!PtpGenericInterface_PauseEventCheckLoop()) return false;
    if (!hostPaused) g_capture.pausedByPress = true;
    return true;
}

void resume_press_pause() {
    if (g_capture.pausedByPress.exchange(false)) PtpGenericInterface_ResumeEventCheckLoop();
}

bool list_holds(uint32_t code, uint32_t value) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) return false;
    bool found = false;
    for (uint16_t i = 0; i < record->valueCount && !found; ++i)
        found = record->values[i].value == value;
    PtpUnlockProperty(record);
    return found;
}

// Reads the objects the camera hands out until it lists none.
PtpResult drain_objects() {
    for (int i = 0; i < kDrainReads; ++i) {
        uint32_t* handles = nullptr;
        uint32_t count = 0;
        PtpResult rc = PtpFuji_GetObjectHandles(&handles, &count);
        std::free(handles);
        if (rc != PtpResult_Ok || count == 0) return rc;
    }
    return PtpResult_DeviceBusy;
}

// The autofocus wait of a press with the loop paused. A wait that does not end
// counts as a failed autofocus.
PtpResult wait_for_autofocus(uint32_t* status) {
    PtpResult rc = PtpFuji_PollAfStatus(kPressAfPolls, status);
    if (rc == PtpResult_Ok && *status == kAfFocusing) *status = kAfFailed;
    return rc;
}

PtpResult initiate() { return PtpTransaction_Run(kPtpOpInitiateCapture, {0, 0}); }

// The shutter steps of a press. On success the loop stays paused until the
// release; every other exit resumes the pause it took, once.
PtpResult shutter_sequence(bool bulb) {
    g_capture.captureDone = false;
    const bool autofocus = PtpGenericInterface_IsFocusAuto();
    if (autofocus && !PtpGenericInterface_IsPropertySupported(kFujiPropAfStatus))
        return PtpResult_Failed;
    if (!pause_for_press()) return PtpResult_Busy;

    PtpResult rc = PtpFuji_RunStep(kStepShutterPress);
    if (rc == PtpResult_Ok && autofocus) {
        uint32_t status = 0;
        rc = wait_for_autofocus(&status);
        if (rc == PtpResult_Ok && status == kAfFailed) {
            // The cancel's InitiateCapture goes even when its write fails. The
            // loop runs again before 0xA002 is returned: a shot that ends here
            // is never followed by a release that would resume it.
            PtpFuji_WritePropertyValue(kFujiPropCaptureMode, kStepCancelFocus);
            PtpResult cancelled = initiate();
            resume_press_pause();
            return cancelled == PtpResult_Ok ? kFocusFailed : cancelled;
        }
    }
    if (rc == PtpResult_Ok && bulb) {
        std::this_thread::sleep_for(kStepPause);
        rc = PtpFuji_WritePropertyValue(kFujiPropCaptureMode, kStepBulbSecondPress);
        std::this_thread::sleep_for(kStepPause);
        if (rc == PtpResult_Ok) rc = initiate();
    }
    if (rc != PtpResult_Ok) {
        resume_press_pause();
        return rc;
    }
    PtpCapture_SetShutterPressed(true);
    g_capture.captureDone = true;
    return PtpResult_Ok;
}

bool is_busy(PtpResult rc, bool alsoVendorBusy) {
    return rc == PtpResult_DeviceBusy ||
           (alsoVendorBusy && (rc == kVendorBusy || rc == kFocusFailed));
}

} // namespace

// --- Steps ------------------------------------------------------------------------------------

PtpResult PtpFuji_RunStep(uint32_t code) {
    PtpResult rc = PtpFuji_WritePropertyValue(kFujiPropCaptureMode, code);
    return rc == PtpResult_Ok ? initiate() : rc;
}

uint32_t PtpFuji_HalfPressStep() {
    return list_holds(kFujiPropCaptureMode, kStepHalfPressAf) ? kStepHalfPressAf : kStepHalfPress;
}

uint32_t PtpFuji_HalfPressEndStep() {
    return list_holds(kFujiPropCaptureMode, kStepHalfPressEndNew) ? kStepHalfPressEndNew
                                                                  : kStepHalfPressEnd;
}

PtpResult PtpFuji_RestartLiveView(bool alsoVendorBusy) {
    PtpResult rc = PtpGenericInterface_ToggleLiveView(1);
    for (int i = 0; i < kLiveViewRetries && is_busy(rc, alsoVendorBusy); ++i) {
        std::this_thread::sleep_for(kLiveViewRetryPause);
        rc = PtpGenericInterface_ToggleLiveView(1);
    }
    return rc;
}

// --- Press and release ------------------------------------------------------------------------

PtpResult PtpFuji_Press(bool bulb, bool releaseAfter) {
    PtpResult rc;
    {
        std::unique_lock<std::mutex> capture(PtpCapture_Lock(), std::defer_lock);
        try {
            capture.lock();
        } catch (const std::system_error&) {
            return PtpResult_Busy;
        }
        if (PtpSession_LiveViewOn() &&
            PtpGenericInterface_CameraModel() != kModelShootsInLiveView) {
            rc = PtpGenericInterface_ToggleLiveView(0);
            if (rc != PtpResult_Ok) return rc;
            PtpFuji_SetRestartLiveView();
            rc = drain_objects();
            if (rc != PtpResult_Ok) return rc;
        }
        rc = shutter_sequence(bulb);
    }
    // A failed press took no picture: there is nothing to release or wait for.
    if (!releaseAfter || rc != PtpResult_Ok) return rc;
    std::this_thread::sleep_for(kReleaseDelay);
    return PtpFuji_Release(bulb);
}

PtpResult PtpFuji_Release(bool bulb) {
    resume_press_pause();
    if (!g_capture.captureDone.exchange(false)) return PtpResult_Ok;
    PtpResult rc = PtpFuji_RunStep(bulb ? kStepBulbRelease : kStepRelease);
    if (rc == PtpResult_Ok) PtpCapture_SetShutterPressed(false);
    if (!PtpFuji_TakeRestartLiveView()) return rc;
    uint32_t shutter = 0;
    if (PtpReadCurrentValue(kFujiPropExposureTime, &shutter) && shutter >= kSecondMicros)
        std::this_thread::sleep_for(std::chrono::milliseconds(shutter / 1000));
    PtpResult restarted = PtpFuji_RestartLiveView(/*alsoVendorBusy=*/true);
    return rc == PtpResult_Ok ? restarted : rc;
}

PtpResult PtpFuji_InitiateCapture() { return PtpFuji_Press(false, false); }

PtpResult PtpFuji_ReleaseShutter() { return PtpFuji_Release(false); }

// --- Shot with its exposure -------------------------------------------------------------------

PtpResult PtpFuji_WaitForShot() {
    PtpResult rc = PtpFuji_ReassertColorSpace();
    if (rc != PtpResult_Ok) return rc;
    rc = PtpFuji_Press(false, true);
    if (rc != PtpResult_Ok) return rc;

    uint32_t shutter = 0;
    if (!PtpReadCurrentValue(kFujiPropExposureTime, &shutter)) return PtpResult_Failed;
    for (int i = 0; shutter > kLongestShutterMicros; ++i) {
        if (i == kShutterReads) return PtpResult_DeviceBusy;
        std::this_thread::sleep_for(kShutterReadPause);
        if (!PtpReadCurrentValue(kFujiPropExposureTime, &shutter)) return PtpResult_Failed;
    }
    double seconds = shutter / 1e6 + 0.15;

    // A read that succeeds without data leaves the time as it is.
    uint8_t* data = nullptr;
    uint32_t length = 0;
    if (PtpFuji_GetPropertyValueData(kFujiPropLongExposureNr, &data, &length) == PtpResult_Ok) {
        ByteReader r = make_reader(data, length);
        const uint8_t noiseReduction = read_u8(r);
        if (r.ok && noiseReduction == 1) seconds *= 2;
    }
    std::free(data);
    std::this_thread::sleep_for(std::chrono::milliseconds(uint64_t(seconds * 1000)));
    return PtpResult_Ok;
}

PtpResult PtpFuji_ReassertColorSpace() {
    uint32_t value = 0;
    if (!PtpReadCurrentValue(kFujiPropColorSpace, &value)) return PtpResult_OperationNotSupported;
    PtpResult rc = PtpGenericInterface_SetPropertyValue(kFujiPropColorSpace, value, 0);
    for (int i = 0; i < kColorSpaceRetries && rc == PtpResult_DeviceBusy; ++i) {
        std::this_thread::sleep_for(kColorSpaceRetryPause);
        rc = PtpGenericInterface_SetPropertyValue(kFujiPropColorSpace, value, 0);
    }
    return rc;
}

PtpResult PtpFuji_GetObjectHandles(uint32_t** handles, uint32_t* count) {
    if (!handles || !count) return PtpResult_InvalidArgument;
    *handles = nullptr;
    *count = 0;
    return PtpGenericInterface_GetObjectHandles(0xFFFFFFFF, 0, 0, handles, count);
}

bool PtpFuji_IsBulbAvailable() { return PtpGenericInterface_CameraModel() != kModelWithoutBulb; }
