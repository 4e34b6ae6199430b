// Nikon capture: the shot (0x9207, or 0x100E on bodies without it) and the
// wait until the camera is ready again, the mirror-lockup state, the wait
// after a capture the camera answered busy, the drive mode that counts (live
// view keeps its own), and the double shot of a continuous drive mode with a
// burst count above one.
#include <pthread.h>

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <thread>

#include "generic/driver.h"
#include "generic/event_queue.h"
#include "generic/exposure.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_driver.h"
#include "nikon/nikon_focus.h"
#include "nikon/nikon_models.h"
#include "nikon/nikon_session.h"
#include "ptp/transaction.h"
#include "ptp_properties.h"

namespace {

using Clock = std::chrono::steady_clock;

// Autofocus selector of 0x9207: focus before the shot, or shoot where the lens stands.
constexpr uint32_t kSelectorFocusFirst = 0xFFFFFFFE;
constexpr uint32_t kSelectorNoFocus = 0xFFFFFFFF;
// The D3X takes 0x9207 with this single parameter.
constexpr uint8_t kModelD3x = 198;

// A capture answered busy is sent again after this pause, for as long as the
// camera stays busy: a shot in progress ends.
constexpr auto kCaptureBusyPause = std::chrono::milliseconds(200);
// The ready check after a shot is repeated this far apart.
constexpr auto kShotReadyPause = std::chrono::milliseconds(200);
// 0xD032 is written back this often while the camera stores the shot.
constexpr auto kWriteBackPause = std::chrono::milliseconds(250);

// The library's mirror-lockup record: the camera does not report one.
struct MirrorLockup {
    PtpPropertyRecord record;
    MirrorLockup() : record{} {
        record.code = kNikonPropMirrorLockupState;
        record.name = "Mirror Lockup State";
        record.dataType = kPtpTypeUint8;
        std::snprintf(record.currentLabel, sizeof record.currentLabel, "%s", "Off");
        pthread_mutex_init(&record.lock, nullptr);
    }
};
MirrorLockup g_mirrorLockup;

PtpResult run_while_busy(uint16_t op, std::initializer_list<uint32_t> params) {
    PtpResult rc = PtpTransaction_Run(op, params);
    while (rc == PtpResult_DeviceBusy) {
        std::this_thread::sleep_for(kCaptureBusyPause);
        rc = PtpTransaction_Run(op, params);
    }
    return rc;
}

// Live view on or off through the driver's switch. Without one the camera
// keeps its state and answers for itself.
PtpResult toggle_live_view(bool on) {
    PtpResult (*toggle)(bool) = kPtpNikonDriver.liveView.toggle;
    if (!toggle) return PtpResult_NotSupportedForCamera;
    return toggle(on);
}

void mirror_locked_up(bool up) {
    PtpSession_SetMirrorUp(up ? 1 : 0);
    PtpNikon_SetMirrorLockupState(up);
}

// The exposure of the current shutter speed in ms; 0 for bulb or unknown.
uint64_t exposure_ms() {
    uint32_t code = 0;
    if (!PtpReadCurrentValue(kNikonPropShutterSpeed, &code)) return 0;
    int64_t ms = PtpExposure_FractionMilliseconds(code);
    return ms > 0 ? uint64_t(ms) : 0;
}

// Waits after a good capture until the camera reports ready. A camera that
// stays busy beyond the exposure plus a margin gives Device Busy: a body that
// never gets ready must not hang a series.
PtpResult wait_after_shot() {
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(exposure_ms() + kNikonShotReadyMarginMs);
    for (PtpResult rc = PtpTransaction_Run(kNikonOpDeviceReady); rc != PtpResult_Ok;
         rc = PtpTransaction_Run(kNikonOpDeviceReady)) {
        switch (rc) {
        case kNikonRespA200:
        case kNikonRespA201:
        case kNikonRespA00E:
        case kNikonRespA00C: return PtpResult_Ok;
        case kNikonRespMirrorLockedUp: mirror_locked_up(true); return PtpResult_Ok;
        case kNikonRespNotReady: PtpTransaction_Run(kNikonOpAutofocusCancel); return rc;
        case PtpResult_DeviceBusy:
            if (Clock::now() >= deadline) return rc;
            std::this_thread::sleep_for(kShotReadyPause);
            break;
        default: return rc;
        }
    }
    return PtpResult_Ok;
}

// A capture in live view may end it on the camera: the flag follows, and the
// focus-mode property, whose meaning changes with it, is announced.
void follow_live_view_exit() {
    if (!PtpSession_LiveViewOn() || PtpNikon_CameraIn(kNikonMirrorless)) return;
    PtpGenericInterface_RefreshPropertyValue(kNikonPropLiveViewStatus);
    uint32_t status = 1;
    if (!PtpReadCurrentValue(kNikonPropLiveViewStatus, &status) || status != 0) return;
    PtpSession_SetLiveViewOn(false);
    PtpQueuePropertyCodeChanged(PtpGetFocusModePropertyCode(), /*notify=*/true);
}

// Bodies without 0x9207 shoot with the standard capture, out of live view.
PtpResult capture_standard() {
    uint32_t status = 0;
    if (PtpNikon_CameraIn(kNikonMirrorless) ||
        (PtpReadCurrentValue(kNikonPropLiveViewStatus, &status) && status > 0)) {
        PtpResult rc = toggle_live_view(false);
        // Without a live-view switch the camera is left to refuse the shot itself.
        if (rc != PtpResult_Ok && rc != PtpResult_NotSupportedForCamera) return rc;
    }
    PtpResult rc = run_while_busy(kPtpOpInitiateCapture, {0, 0});
    return rc == PtpResult_Ok ? PtpNikon_WaitDeviceReady() : rc;
}

// A capture answered busy: the camera is asked whether it is ready this many
// times, this far apart.
constexpr int kStatusPolls = 5;
constexpr auto kStatusPause = std::chrono::milliseconds(500);

bool live_view_drive_mode() {
    return PtpSession_LiveViewOn() &&
           PtpGenericInterface_IsPropertySupported(kNikonPropLiveViewDriveMode);
}

// The Nikon continuous-mode test (code, value) is the driver's burst-picker
// entry; while the driver has none, no drive mode counts as continuous.
bool is_continuous(uint32_t code, uint32_t value) {
    bool (*test)(uint32_t, uint32_t) = kPtpNikonDriver.capture.shouldPresentBurstPicker;
    return test && test(code, value);
}

} // namespace

PtpResult PtpNikon_WaitBusyCapture() {
    for (int poll = 0; poll < kStatusPolls; ++poll) {
        std::this_thread::sleep_for(kStatusPause);
        if (PtpTransaction_Run(kNikonOpDeviceReady) == PtpResult_Ok) return PtpResult_Ok;
    }
    return PtpResult_CaptureFailed;
}

bool PtpNikon_IsDriveModeContinuous(uint32_t value) {
    return is_continuous(live_view_drive_mode() ? kNikonPropLiveViewDriveMode : kNikonPropDriveMode,
                         value);
}

bool PtpNikon_CouldDoubleShoot() {
    uint32_t code =
        live_view_drive_mode() ? kNikonPropLiveViewDriveMode : PtpGetDriveModePropertyCode();
    uint32_t drive = 0;
    if (!PtpReadCurrentValue(code, &drive)) return false;
    uint32_t burst = 0;
    return PtpNikon_IsDriveModeContinuous(drive) &&
           PtpReadCurrentValue(kNikonPropBurstCount, &burst) && burst > 1;
}

PtpResult PtpNikon_MitigateDoubleShoot() {
    return PtpGenericInterface_SetPropertyValue(kNikonPropBurstCount, 1, 1);
}

void PtpNikon_SetMirrorLockupState(bool on) {
    PtpPropertyRecord* record = &g_mirrorLockup.record;
    PtpLockProperty(record);
    record->currentValue = on ? 1 : 0;
    std::snprintf(record->currentLabel, sizeof record->currentLabel, "%s", on ? "On" : "Off");
    PtpUnlockProperty(record);
    PtpQueuePropertyChanged(record, /*notify=*/true);
}

const PtpPropertyRecord* PtpNikon_MirrorLockupRecord() { return &g_mirrorLockup.record; }

PtpResult PtpNikon_InitiateCapture() {
    if (!PtpIsOperationSupported(kNikonOpCaptureToCard)) return capture_standard();

    const bool manual = PtpSession_ManualFocus() == 1;
    uint32_t selector = manual || PtpSession_MirrorUp() ? kSelectorNoFocus : kSelectorFocusFirst;
    // In live view the camera would not focus for the shot: the driver does.
    if (PtpSession_LiveViewOn() && PtpSession_ManualFocus() == 0 &&
        !PtpNikon_CameraIn(kNikonMirrorless)) {
        PtpResult rc = PtpNikon_Focus(true, false);
        if (rc != PtpResult_Ok) return rc;
        selector = kSelectorNoFocus;
    }
    PtpResult rc = PtpGenericInterface_CameraModel() == kModelD3x
                       ? run_while_busy(kNikonOpCaptureToCard, {kSelectorNoFocus})
                       : run_while_busy(kNikonOpCaptureToCard, {selector, 0});
    if (rc == kNikonRespMirrorLockedUp) mirror_locked_up(true);
    if (rc != PtpResult_Ok) return rc;

    PtpSession_SetLiveViewZoom(0);
    if (PtpSession_MirrorUp()) mirror_locked_up(false);
    rc = wait_after_shot();
    if (rc != PtpResult_Ok) return rc;
    follow_live_view_exit();
    return PtpResult_Ok;
}

PtpResult PtpNikon_TakeShotAndWait() {
    PtpResult rc;
    // The first shot of a locked-up mirror only raised it.
    do {
        rc = PtpNikon_InitiateCapture();
    } while (rc == PtpResult_Ok && PtpSession_MirrorUp());
    if (rc != PtpResult_Ok) return rc;

    // The camera answers busy to writes until it has stored the shot; a long
    // exposure with noise reduction keeps it busy for minutes, so no limit.
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kNikonPropColorSpace, 1);
    if (!record) return PtpResult_Ok;
    const uint32_t value = record->currentValue;
    const bool settable = record->access != 0;
    PtpUnlockProperty(record);
    if (!settable) return PtpResult_Ok;
    for (;;) {
        rc = PtpGenericInterface_SetPropertyValue(kNikonPropColorSpace, value, 0);
        if (rc == PtpResult_Ok) return rc;
        if (rc != PtpResult_DeviceBusy) return PtpResult_CaptureFailed;
        std::this_thread::sleep_for(kWriteBackPause);
    }
}
