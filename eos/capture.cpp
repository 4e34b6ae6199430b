// Canon EOS capture: the shutter press through remote release (0x9128/0x9129)
// or the older single release (0x910F), the driver's own shot sequences, the
// double-shot checks, half press and autofocus, the mirror lock-up tests,
// bracketing off and the power zoom.
//
// A remote-release press without release leaves the shutter held: the event
// loop stays paused until PtpEos_ReleaseShutter, which may run on another
// thread. The press remembers whether it took the pause itself, so a release
// never ends a pause that the host holds.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>

#include "eos/eos_capture.h"
#include "eos/eos_models.h"
#include "eos/eos_session.h"
#include "generic/capture.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_events.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

// The camera refused the press (first response parameter 1): nothing to
// focus on, card full, or a busy body.
constexpr PtpResult kCanonRespPressRefused = 0xA002;
constexpr uint32_t kRespParamRefused = 1;

// Steps of the remote-release operations.
constexpr uint32_t kPressHalf = 1;
constexpr uint32_t kPressFull = 2;
constexpr uint32_t kPressMirrorUp = 3;

// The 90D raises its mirror with a press of its own when lock-up is on.
constexpr uint8_t kModelMirrorUpPress = 227;

constexpr uint32_t kDriveSingleShot = 0;
constexpr uint32_t kMaxZoomPercent = 100;
constexpr auto kBusyRewritePause = std::chrono::milliseconds(250);
// A mirror-up shot: the first release raises the mirror, the second one
// exposes after the vibration has settled.
constexpr auto kMirrorSettle = std::chrono::milliseconds(500);

struct EosCapture {
    // Whether the last press used remote release, so the release knows
    // whether to send the release steps.
    std::atomic<bool> remoteRelease{false};
    // Whether a press paused the event loop and no release has resumed it yet.
    std::atomic<bool> pausedByPress{false};
};

EosCapture g_capture;

// The current value (and access) of a stored property, read under its lock.
bool read_value(uint32_t code, uint32_t* value, uint8_t* access = nullptr) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) return false;
    *value = record->currentValue;
    if (access) *access = record->access;
    PtpUnlockProperty(record);
    return true;
}

bool value_is(uint32_t code, uint32_t expected) {
    uint32_t value = 0;
    return read_value(code, &value) && value == expected;
}

void resume_if_paused_by_press() {
    if (g_capture.pausedByPress.exchange(false)) PtpGenericInterface_ResumeEventCheckLoop();
}

// The remote-release press, with the event loop paused. *paused is false when
// the pause could not be taken.
PtpResult press_remote(bool* paused) {
    g_capture.remoteRelease = true;
    // A pause the host already holds stays the host's: the release must not end it.
    bool hostPaused = PtpGenericInterface_IsEventLoopPaused() != 0;
    *paused = PtpGenericInterface_PauseEventCheckLoop();
    if (!*paused) return PtpResult_Busy;
    if (!hostPaused) g_capture.pausedByPress = true;

    uint32_t focus = PtpSession_ManualFocus();
    PtpResult rc;
    if (PtpGenericInterface_CameraModel() == kModelMirrorUpPress && value_is(kEosPropMirrorUp, 1)) {
        rc = PtpTransaction_Run(kEosOpRemoteReleaseOn, {kPressMirrorUp, focus});
    } else {
        uint32_t respParam = 0;
        rc = PtpTransaction_Run(kEosOpRemoteReleaseOn, {kPressHalf, focus}, &respParam);
        if (respParam == kRespParamRefused) {
            rc = kCanonRespPressRefused;
        } else if (rc == PtpResult_Ok) {
            rc = PtpTransaction_Run(kEosOpRemoteReleaseOn, {kPressFull, focus});
            if (rc == PtpResult_Ok) PtpCapture_SetShutterPressed(true);
        }
    }
    if (rc == PtpResult_Ok) PtpSession_SetLiveViewZoom(0);
    return rc;
}

// The single release of cameras without remote release.
PtpResult press_single() {
    g_capture.remoteRelease = false;
    uint32_t respParam = 0;
    PtpResult rc = PtpTransaction_Run(kEosOpRelease, {}, &respParam);
    if (respParam == kRespParamRefused) return kCanonRespPressRefused;
    if (rc == PtpResult_Ok) PtpSession_SetLiveViewZoom(0);
    return rc;
}

} // namespace

PtpResult PtpEosInterface_InitiateImageCapture(bool releaseAfter) {
    bool remote = false;
    PtpResult rc;
    {
        std::unique_lock<std::mutex> capture(PtpCapture_Lock(), std::defer_lock);
        try {
            capture.lock();
        } catch (const std::system_error&) {
            return PtpResult_Busy;
        }
        // Without a drive mode the camera has not reported its settings yet.
        PtpPropertyRecord* drive = PtpGenericInterface_GetProperty(kEosPropDriveMode, 1);
        if (!drive) return PtpResult_InvalidArgument;
        PtpUnlockProperty(drive);

        remote = PtpIsOperationSupported(kEosOpRemoteReleaseOn);
        if (remote) {
            bool paused = false;
            rc = press_remote(&paused);
            if (!paused) return rc;
        } else {
            rc = press_single();
        }
    }
    if (!remote) return rc;

    if (releaseAfter) {
        // The release runs whatever the press gave; a failed press still fails.
        PtpResult released = PtpEos_ReleaseShutter();
        return rc == PtpResult_Ok ? released : rc;
    }
    if (rc == kCanonRespPressRefused) {
        // The half press may be held: let go of it.
        PtpEos_ReleaseShutter();
        return rc;
    }
    // A failed press never leaves the loop paused; a good one holds the
    // shutter, and the pause, until the release.
    if (rc != PtpResult_Ok) resume_if_paused_by_press();
    return rc;
}

PtpResult PtpEos_ReleaseShutter() {
    // The loop's pause may already be gone (the host resumed it): the shutter
    // is released all the same.
    resume_if_paused_by_press();
    if (!g_capture.remoteRelease) return PtpResult_Ok;
    PtpResult rc = PtpTransaction_Run(kEosOpRemoteReleaseOff, {kPressFull});
    if (rc == PtpResult_Ok) rc = PtpTransaction_Run(kEosOpRemoteReleaseOff, {kPressHalf});
    PtpCapture_SetShutterPressed(false);
    return rc;
}

PtpResult PtpEos_InitiateCapture() { return PtpEosInterface_InitiateImageCapture(false); }

PtpResult PtpEos_TakeShot() {
    PtpResult rc = PtpEosInterface_InitiateImageCapture(false);
    return rc == PtpResult_Ok ? PtpEos_ReleaseShutter() : rc;
}

PtpResult PtpEos_TakeAndWait() {
    PtpResult rc = PtpEos_TakeShot();
    if (rc != PtpResult_Ok) return rc;
    if (PtpEos_IsMirrorModeOn()) {
        std::this_thread::sleep_for(kMirrorSettle);
        if (PtpEos_TakeShot() != PtpResult_Ok) return PtpResult_CaptureFailed;
    }
    return PtpEos_ReassertAfterShot() ? PtpResult_Ok : PtpResult_CaptureFailed;
}

PtpResult PtpEos_TakeTestShot() {
    uint32_t saved = PtpSession_ManualFocus();
    if (saved != 1) PtpSession_SetManualFocus(1);
    PtpResult rc = PtpEosInterface_InitiateImageCapture(true);
    PtpSession_SetManualFocus(saved);
    return rc;
}

bool PtpEos_CouldDoubleShoot() {
    // Remote release with focus held fires for as long as the shutter is
    // down, which in a continuous mode is more than one frame.
    uint32_t drive = 0;
    if (!PtpReadCurrentValue(PtpGetDriveModePropertyCode(), &drive)) return false;
    return PtpEos_IsDriveModeContinuous(drive) && PtpIsOperationSupported(kEosOpRemoteReleaseOn) &&
           PtpSession_ManualFocus() == 1;
}

PtpResult PtpEos_MitigateDoubleShoot() {
    return PtpGenericInterface_SetPropertyValue(kEosPropDriveMode, kDriveSingleShot, 1);
}

void PtpEos_ResetCaptureState() { g_capture.pausedByPress = false; }

PtpResult PtpEos_StartHalfPress() {
    return PtpTransaction_Run(kEosOpRemoteReleaseOn, {kPressHalf, PtpSession_ManualFocus()});
}

PtpResult PtpEos_ReleaseHalfPress() {
    return PtpTransaction_Run(kEosOpRemoteReleaseOff, {kPressHalf});
}

PtpResult PtpEos_Focus() { return PtpTransaction_Run(kEosOpAutofocus, {}); }

PtpResult PtpEos_StopFocus() { return PtpTransaction_Run(kEosOpAutofocusStop, {}); }

bool PtpEos_ReassertAfterShot() {
    uint32_t code = 0;
    uint32_t value = 0;
    for (uint32_t candidate : {kEosPropColorSpace, kEosPropCaptureDestination}) {
        uint8_t access = 0;
        if (read_value(candidate, &value, &access) && access != 0) {
            code = candidate;
            break;
        }
    }
    if (code == 0) return false;
    // The camera answers Device Busy to every write until it has finished the
    // shot; a long exposure with noise reduction keeps it busy for minutes, so
    // there is no limit.
    for (;;) {
        PtpResult rc = PtpGenericInterface_SetPropertyValue(code, value, 0);
        if (rc != PtpResult_DeviceBusy) return rc == PtpResult_Ok;
        std::this_thread::sleep_for(kBusyRewritePause);
    }
}

PtpResult PtpEosInterface_ToggleMirrorUpMode(bool on, uint8_t verify) {
    return PtpGenericInterface_SetPropertyValue(kEosPropMirrorUp, on ? 1 : 0, verify);
}

bool PtpEos_IsMirrorModeOn() { return value_is(kEosPropMirrorUp, 1); }

bool PtpEos_SupportsMirrorUp() { return PtpEos_CameraListsProperty(kEosPropMirrorUp); }

PtpResult PtpEos_TurnOffBracketing() {
    uint32_t value = 0;
    if (!read_value(kEosPropExposureBracketing, &value)) return PtpResult_OperationNotSupported;
    if (value == 0) return PtpResult_Ok;
    return PtpGenericInterface_SetPropertyValue(kEosPropExposureBracketing, 0, 0);
}

PtpResult PtpEosInterface_ZoomLens(uint32_t percent) {
    uint32_t position = percent < kMaxZoomPercent ? percent : kMaxZoomPercent;
    return PtpGenericInterface_SetPropertyValue(kEosPropLensZoom, position, 0);
}
