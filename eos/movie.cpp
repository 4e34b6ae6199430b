// Canon movie mode and movie recording. Bodies with the movie-select
// operations enter movie mode with 0x9133 and leave it with 0x9134; others are
// in movie mode when their dial says so (exposure mode 20). Live view runs
// throughout movie mode. Recording is the EVF Record Status property (0xD1B8).
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "eos/eos_live_view.h"
#include "eos/eos_models.h"
#include "eos/eos_session.h"
#include "generic/event_fetch.h"
#include "generic/event_queue.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_properties.h"

namespace {

constexpr uint32_t kExposureModeMovie = 20;
constexpr uint32_t kNoMode = 0xFFFFFFFF;
constexpr uint32_t kEvfModeMovie = 2;
constexpr uint32_t kRecordStart = 4;
constexpr uint32_t kRecordStop = 0;

// Model 232 accepts the record start but reports it late: its status is
// polled after a pause.
constexpr uint8_t kModelLateRecordStatus = 232;
constexpr auto kRecordStatusSettle = std::chrono::milliseconds(2000);
constexpr auto kRecordStatusPoll = std::chrono::milliseconds(100);
constexpr int kRecordStatusPolls = 5;

struct EosMovie {
    std::mutex lock;
    uint32_t savedExposureMode = 0; // guarded by lock: 0xD105 when movie mode started
};

EosMovie g_movie;

// Movie mode by the live-view mode cache, or, before any switch-on, by the
// current exposure mode (a missing property counts as not in movie mode).
bool in_movie_mode() {
    uint32_t cache = PtpEos_LiveViewModeCache();
    if (cache == kExposureModeMovie) return true;
    if (cache != kNoMode) return false;
    uint32_t mode = 0;
    return PtpReadCurrentValue(PtpEos_ExposureModePropertyCode(), &mode) &&
           mode == kExposureModeMovie;
}

uint32_t saved_mode() {
    std::lock_guard<std::mutex> held(g_movie.lock);
    return g_movie.savedExposureMode;
}

// Puts the exposure mode saved at movie start back into the store and tells
// the host.
void restore_exposure_mode() {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kEosPropExposureMode, 1);
    if (!record) return;
    record->currentValue = saved_mode();
    PtpUnlockProperty(record);
    PtpQueuePropertyChanged(record, /*notify=*/true);
}

// 0x9133 answered busy: a camera still showing live view from an earlier
// movie session answers a frame; one that answers Vendor Busy has a stale
// recording state, which is cleared before movie select is tried again.
PtpResult recover_busy_movie_select(PtpResult busy) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult fetched =
        PtpTransaction_RunDataIn(kEosOpGetViewFinderData, {kEosViewFinderMaxBytes}, &data, &length);
    if (fetched == PtpResult_Ok) {
        uint8_t* parsed = nullptr;
        uint32_t parsedLength = 0;
        PtpEosInterface_ParseLiveViewData(data, length, &parsed, &parsedLength);
        std::free(parsed);
        std::free(data);
        return PtpResult_Ok;
    }
    if (fetched != PtpResult_VendorBusy) return busy;

    PtpGenericInterface_SetPropertyValue(kEosPropEvfRecordStatus, kRecordStop, 0);
    bool leftFailed = false;
    if (!in_movie_mode() && PtpEos_UsesMovieSelect())
        leftFailed = PtpTransaction_Run(kEosOpMovieSelectOff) != PtpResult_Ok;
    if (!leftFailed) {
        PtpEos_SetLiveView(false, false);
        restore_exposure_mode();
    }
    return PtpTransaction_Run(kEosOpMovieSelectOn);
}

} // namespace

bool PtpEosInterface_HasMovieServo() { return PtpEos_CameraListsProperty(kEosPropMovieServoAf); }

PtpResult PtpEos_StartMovieMode() {
    uint32_t saved = 0;
    if (!PtpReadCurrentValue(kEosPropExposureMode, &saved)) saved = 0;
    {
        std::lock_guard<std::mutex> held(g_movie.lock);
        g_movie.savedExposureMode = saved;
    }
    PtpResult rc = PtpResult_Ok;
    if (!in_movie_mode() && PtpEos_UsesMovieSelect()) {
        rc = PtpTransaction_Run(kEosOpMovieSelectOn);
        if (rc == PtpResult_DeviceBusy) rc = recover_busy_movie_select(rc);
    }
    if (PtpEos_CameraListsProperty(kEosPropEvfMode))
        PtpGenericInterface_SetPropertyValue(kEosPropEvfMode, kEvfModeMovie, 0);
    if (rc != PtpResult_Ok) return rc;
    rc = PtpEos_SetLiveView(true, false);
    if (rc == PtpResult_Ok) PtpSession_SetLiveViewZoom(0);
    return rc;
}

PtpResult PtpEos_StopMovieMode() {
    if (!in_movie_mode() && PtpEos_UsesMovieSelect()) {
        PtpResult rc = PtpTransaction_Run(kEosOpMovieSelectOff);
        if (rc != PtpResult_Ok) return rc;
    }
    PtpResult rc = PtpEos_SetLiveView(false, false);
    restore_exposure_mode();
    return rc;
}

PtpResult PtpEos_StartRecordMovie() {
    PtpResult rc = PtpGenericInterface_SetPropertyValue(kEosPropEvfRecordStatus, kRecordStart, 1);
    if (rc != PtpResult_PropertyWriteFailed ||
        PtpGenericInterface_CameraModel() != kModelLateRecordStatus)
        return rc;
    std::this_thread::sleep_for(kRecordStatusSettle);
    for (int poll = 0; poll < kRecordStatusPolls; ++poll) {
        PtpFetchEventsOnce(/*wait=*/true, /*lockHeld=*/false);
        uint32_t status = 0;
        if (!PtpReadCurrentValue(kEosPropEvfRecordStatus, &status)) return rc;
        if (status == kRecordStart) return PtpResult_Ok;
        std::this_thread::sleep_for(kRecordStatusPoll);
    }
    return rc;
}

PtpResult PtpEos_StopRecordMovie() {
    return PtpGenericInterface_SetPropertyValue(kEosPropEvfRecordStatus, kRecordStop, 0);
}
