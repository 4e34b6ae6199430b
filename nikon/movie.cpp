// The Nikon driver's live view on and off, movie mode and movie recording.
//
// A movie stop leaves the stop-pending flag set until the movie's file event
// arrives (the event thread clears it), so the next recording does not start
// while the camera still writes the last one. The flag lives under its own lock.
#include <chrono>
#include <mutex>
#include <thread>

#include "generic/event_queue.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_live_view.h"
#include "nikon/nikon_models.h"
#include "nikon/nikon_session.h"
#include "ptp/transaction.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

constexpr uint16_t kOpStartLiveView = 0x9201;
constexpr uint16_t kOpEndLiveView = 0x9202;
constexpr uint16_t kOpApplicationMode = 0x9435;
constexpr uint16_t kOpStopMovieRecord = 0x920B;
constexpr uint32_t kPropRecordingMedia = 0xD10B;
constexpr uint32_t kPropApplicationMode = 0xD1F0;
constexpr uint32_t kNoSavedMode = 0xFFFFFFFF;
constexpr uint32_t kMovieAnnounced[] = {0xD1A8, 0xD1A9, 0xD1AA, kNikonPropMovieCompensation,
                                        0xD1AF};
// Busy answer of the live-view selector write.
constexpr PtpResult kSelectorBusy = PtpResult(0xA005);
constexpr PtpResult kNotInLiveView = PtpResult(0xA004);
constexpr int kStartTries = 10, kStopPolls = 20, kSelectorRetries = 20;
constexpr int kMoviePauseMs = 500;

// clang-format off
const PtpNikonModelRange kNoStatusRanges[] = {{205, 205}};             // D7100
const PtpNikonModelRange kKeepAppModeRanges[] = {{214, 233}, {240, 240}};
const PtpNikonModelRange kSelectorFirstRanges[] = {{200, 200}, {211, 211}, {215, 215}, {224, 224}};
// clang-format on
const PtpNikonModelSet kNoStatus{kNoStatusRanges, 1};
const PtpNikonModelSet kKeepAppMode{kKeepAppModeRanges, 2};
const PtpNikonModelSet kSelectorFirst{kSelectorFirstRanges, 4}; // D4, D4S, D5, D6

struct MovieState {
    std::mutex lock;                        // guards stopPending
    bool stopPending = false;               // a stopped movie's file has not arrived yet
    bool enteredControl = false;            // movie mode switched the control mode itself
    uint32_t savedDriveMode = kNoSavedMode; // D3X: 0x5013 while live view runs
    int pauseMs = kMoviePauseMs;
};
MovieState g_movie;

void movie_pause() { std::this_thread::sleep_for(std::chrono::milliseconds(g_movie.pauseMs)); }

bool mirrorless() { return PtpNikon_CameraIn(kNikonMirrorless); }

PtpResult write_verified(uint32_t code, uint32_t value) {
    return PtpGenericInterface_SetPropertyValue(code, value, 1);
}

bool stored(uint32_t code, uint32_t* value) { return PtpReadCurrentValue(code, value); }

bool settable(uint32_t code) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    return record && record->access == 1;
}

// -1 unknown, else 0 off / 1 on.
int live_view_state() {
    if (mirrorless() || PtpNikon_CameraIn(kNoStatus)) return -1;
    uint32_t status = 0;
    if (PtpGenericInterface_RefreshPropertyValue(kNikonPropLiveViewStatus) != PtpResult_Ok ||
        !stored(kNikonPropLiveViewStatus, &status))
        return -1;
    return status > 0 ? 1 : 0;
}

bool set_stop_pending(bool on) {
    std::lock_guard<std::mutex> guard(g_movie.lock);
    g_movie.stopPending = on;
    return true;
}

PtpResult turn_on(bool forMovie) {
    uint32_t value = 0;
    if (PtpNikon_SavesD3xDriveMode() && g_movie.savedDriveMode == kNoSavedMode &&
        stored(kNikonPropDriveMode, &value))
        g_movie.savedDriveMode = value;
    const bool toCard = PtpIsOperationSupported(kNikonOpCaptureToCard);
    if (!toCard) {
        PtpResult rc = write_verified(kPropRecordingMedia, 1);
        if (rc != PtpResult_Ok) return rc;
    }
    if (!mirrorless()) PtpSession_SetLiveViewOn(false);
    PtpResult rc = PtpTransaction_Run(kOpStartLiveView, {}, nullptr);
    if (rc != PtpResult_Ok) return rc;
    PtpSession_SetLiveViewOn(true);
    if (forMovie) return PtpResult_Ok;
    PtpResult selector = PtpResult_Ok;
    if (stored(kNikonPropLiveViewSelector, &value) && value == 1 && PtpNikon_HostControlMode() == 1)
        selector = PtpNikon_SetLiveViewSelector(0);
    uint32_t lvFocus = 0, current = 0;
    if (settable(kNikonPropFocusModeMirrorless) && stored(kNikonPropFocusModeLiveView, &lvFocus) &&
        lvFocus != 3) {
        const uint32_t target = lvFocus == 1 ? 2 : 0;
        if (!stored(kNikonPropFocusModeMirrorless, &current) || current != target)
            write_verified(kNikonPropFocusModeMirrorless, target);
    }
    return selector;
}

PtpResult turn_off() {
    PtpResult rc = PtpTransaction_Run(kOpEndLiveView, {}, nullptr);
    if (!mirrorless()) PtpSession_SetLiveViewOn(rc != PtpResult_Ok);
    uint32_t mode = 0;
    if (rc == PtpResult_Ok && settable(kNikonPropFocusModeLiveView) &&
        stored(kNikonPropFocusModeMirrorless, &mode)) {
        if (mode == 2)
            write_verified(kNikonPropFocusModeLiveView, 1);
        else if (mode != 3)
            write_verified(kNikonPropFocusModeLiveView,
                           mode == 4 || PtpSession_ManualFocus() == 1 ? 4 : 0);
    }
    if (!PtpNikon_CameraIn(kKeepAppMode)) PtpNikon_SetApplicationMode();
    if (!PtpIsOperationSupported(kNikonOpCaptureToCard)) write_verified(kPropRecordingMedia, 0);
    return rc;
}

} // namespace

PtpResult PtpNikon_SetApplicationMode() {
    if (PtpIsOperationSupported(kOpApplicationMode))
        return PtpTransaction_Run(kOpApplicationMode, {1}, nullptr);
    return PtpGenericInterface_SetPropertyValue(kPropApplicationMode, 1, 0);
}

PtpResult PtpNikon_SetLiveViewSelector(uint32_t value) {
    PtpResult rc = write_verified(kNikonPropLiveViewSelector, value);
    for (int i = 0; rc == kSelectorBusy && i < kSelectorRetries; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        rc = write_verified(kNikonPropLiveViewSelector, value);
    }
    return rc;
}

PtpResult PtpNikon_ToggleLiveView(bool on, bool forMovie) {
    const int state = live_view_state();
    if (state >= 0 && (state == 1) == on) return PtpResult_Ok;
    PtpResult rc = on ? turn_on(forMovie) : turn_off();
    if (rc != PtpResult_Ok) return rc;
    rc = PtpNikon_WaitDeviceReady();
    PtpQueuePropertyCodeChanged(on ? kNikonPropFocusModeMirrorless : PtpGetFocusModePropertyCode(),
                                /*notify=*/true);
    if (!on && rc == PtpResult_Ok && g_movie.savedDriveMode != kNoSavedMode) {
        write_verified(kNikonPropDriveMode, g_movie.savedDriveMode);
        g_movie.savedDriveMode = kNoSavedMode;
    }
    PtpSession_SetLiveViewZoom(0);
    return rc;
}

PtpResult PtpNikon_ToggleLiveViewForHost(bool on) { return PtpNikon_ToggleLiveView(on, false); }

PtpResult PtpNikon_StartMovieMode() {
    g_movie.enteredControl = false;
    if (PtpNikon_HostControlMode() == 0) {
        PtpResult rc = PtpNikon_SetControlMode(1, /*announce=*/false);
        if (rc != PtpResult_Ok) return rc;
        g_movie.enteredControl = true;
    }
    PtpResult rc = PtpResult_Ok;
    if (PtpNikon_CameraIn(kSelectorFirst) && (rc = PtpNikon_SetLiveViewSelector(1)) != PtpResult_Ok)
        return rc;
    if ((rc = PtpNikon_ToggleLiveView(true, true)) != PtpResult_Ok) return rc;
    uint32_t selector = 0;
    if (stored(kNikonPropLiveViewSelector, &selector)) {
        if (!PtpNikon_CameraIn(kKeepAppMode)) rc = PtpNikon_SetApplicationMode();
        if (rc == PtpResult_Ok && !PtpNikon_CameraIn(kSelectorFirst))
            rc = PtpNikon_SetLiveViewSelector(1);
        if (rc != PtpResult_Ok) {
            PtpNikon_ToggleLiveView(false, true);
            return rc;
        }
    }
    PtpSession_SetLiveViewZoom(0);
    for (uint32_t code : kMovieAnnounced)
        PtpNikon_AnnounceProperty(code);
    return rc;
}

PtpResult PtpNikon_StopMovieMode() {
    PtpResult rc = PtpNikon_ToggleLiveView(false, true);
    if (rc != PtpResult_Ok) return rc;
    if (g_movie.enteredControl) {
        if ((rc = PtpNikon_SetControlMode(0, false)) != PtpResult_Ok) return rc;
    } else if (mirrorless()) {
        if ((rc = PtpNikon_SetControlMode(0, false)) != PtpResult_Ok ||
            (rc = PtpNikon_SetControlMode(1, false)) != PtpResult_Ok)
            return rc;
    }
    PtpQueuePropertyCodeChanged(kNikonPropFocusModeLiveView, /*notify=*/true);
    return rc;
}

PtpResult PtpNikon_StartRecordMovie() {
    if (!PtpSession_LiveViewOn()) return kNotInLiveView;
    for (int i = 0; i < kStartTries; ++i) {
        bool pending;
        {
            std::lock_guard<std::mutex> guard(g_movie.lock);
            pending = g_movie.stopPending;
        }
        if (!pending) return PtpTransaction_Run(kNikonOpStartMovieRecord, {}, nullptr);
        movie_pause();
    }
    return PtpResult_DeviceBusy;
}

PtpResult PtpNikon_StopRecordMovie() {
    set_stop_pending(true);
    PtpResult rc = PtpTransaction_Run(kOpStopMovieRecord, {}, nullptr);
    if (rc != PtpResult_Ok) {
        set_stop_pending(false);
        return rc;
    }
    for (int i = 0; i < kStopPolls; ++i) {
        {
            std::lock_guard<std::mutex> guard(g_movie.lock);
            if (!g_movie.stopPending) return PtpResult_Ok;
        }
        movie_pause();
    }
    // The file event never came (events paused, or the entry skipped): give up
    // waiting so later recordings are not refused for the rest of the session.
    set_stop_pending(false);
    return PtpResult_Ok;
}

void PtpNikon_MovieFileArrived() { set_stop_pending(false); }

void PtpNikon_ResetMovieState() {
    std::lock_guard<std::mutex> guard(g_movie.lock);
    g_movie.stopPending = false;
    g_movie.enteredControl = false;
    g_movie.savedDriveMode = kNoSavedMode;
}

void PtpNikon_SetMoviePauseForTest(int ms) { g_movie.pauseMs = ms > 0 ? ms : kMoviePauseMs; }
