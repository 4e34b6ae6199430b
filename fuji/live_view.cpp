// Fujifilm live view: the switch, the stop delegate, the zoom steps and the
// focus location the Tetherhub reports.
#include <algorithm>
#include <atomic>
#include <iterator>

#include "fuji/fuji_codes.h"
#include "fuji/fuji_driver.h"
#include "fuji/fuji_live_view.h"
#include "fuji/live_view_restart.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_comms.h"
#include "ptp_fuji.h"

namespace {

// The argument the stop delegate is called with.
constexpr uint32_t kStopArgument = 0xFF01;

// Live View Zoom (0xD01B) steps: 1 unzoomed, 2 at 100, 3 or (some bodies) 5 at 200.
constexpr uint32_t kZoomOff = 1;
constexpr uint32_t kZoom100 = 2;
constexpr uint32_t kZoom200 = 3;
constexpr uint32_t kZoom200Wide = 5;
constexpr uint32_t kFocusModeManual = 1;

// The bodies whose 200 step is 5.
constexpr uint8_t kWideZoomModels[] = {20, 21, 23, 33, 34, 35, 37};

bool zooms_wide() {
    const uint8_t model = PtpGenericInterface_CameraModel();
    return std::find(std::begin(kWideZoomModels), std::end(kWideZoomModels), model) !=
           std::end(kWideZoomModels);
}

std::atomic<PtpFujiStopLiveViewFn> g_stop{nullptr};

// The Tetherhub's stop request, in the delegate's form.
PtpResult hub_stop(uint32_t) { return Comms_SendFujiStopLiveView(); }

} // namespace

void PtpFujiInterface_SetStopLiveViewDelegate(PtpFujiStopLiveViewFn stop) { g_stop.store(stop); }

void PtpFuji_InstallStopLiveView() { g_stop.store(hub_stop); }

PtpResult PtpFuji_SetLiveView(bool on) {
    PtpResult rc;
    if (on) {
        rc = PtpTransaction_Run(kFujiOpInitiateOpenCapture, {0, 0});
    } else {
        PtpFujiStopLiveViewFn stop = g_stop.load();
        if (!stop) return PtpResult_Failed;
        rc = stop(kStopArgument);
    }
    if (rc == PtpResult_Ok) {
        PtpSession_SetLiveViewOn(on);
        PtpFuji_TakeRestartLiveView();
    }
    return rc;
}

bool PtpFuji_Has200ZoomLevel() { return true; }

uint8_t PtpFuji_GetLiveViewZoomLevel(uint8_t) {
    uint32_t step = 0;
    if (!PtpReadCurrentValue(kFujiPropLiveViewZoom, &step)) return 0;
    if (step == kZoom100) return 100;
    if (step == kZoom200 || step == kZoom200Wide) return 200;
    return 0;
}

PtpResult PtpFuji_SetLiveViewZoomLevel(uint32_t level) {
    uint32_t step = 0;
    if (PtpReadCurrentValue(kFujiPropLiveViewZoom, &step) && step == kZoomOff && level != 1) {
        // The camera zooms only in manual focus; the stop of focus puts the
        // saved mode back.
        uint32_t mode = 0;
        PtpReadCurrentValue(kFujiPropFocusMode, &mode);
        PtpFuji_SaveFocusMode(mode);
        if (mode != kFocusModeManual) {
            PtpResult rc = PtpGenericInterface_SetPropertyValue(kFujiPropFocusMode,
                                                                kFocusModeManual, /*verify=*/1);
            if (rc != PtpResult_Ok) return rc;
        }
    }
    const uint32_t value = level == 100   ? kZoom100
                           : level == 200 ? (zooms_wide() ? kZoom200Wide : kZoom200)
                                          : kZoomOff;
    return PtpGenericInterface_SetPropertyValue(kFujiPropLiveViewZoom, value, /*verify=*/1);
}

PtpResult PtpFujiInterface_GetLiveViewPosition(float* x, float* y, float* width, float* height) {
    if (!x || !y || !width || !height) return PtpResult_InvalidArgument;
    float* const out[] = {x, y, width, height};
    const uint32_t codes[] = {kFujiPropFocusLocationX, kFujiPropFocusLocationY, kFujiPropFocusWidth,
                              kFujiPropFocusHeight};
    bool all = true;
    for (int i = 0; i < 4; ++i) {
        PtpPropertyRecord* record = PtpGenericInterface_GetProperty(codes[i], 1);
        if (!record) {
            all = false;
            continue;
        }
        // Thousandths of the frame, signed (INT32 records).
        *out[i] = float(int32_t(record->currentValue)) / 1000.0f;
        PtpUnlockProperty(record);
    }
    return all ? PtpResult_Ok : PtpResult_Failed;
}
