// Canon live view: the viewfinder output switch (0xD1B0), the frame fetch
// (0x9153), zoom (0x9158), zoom position (0x9159), the last frame's
// orientation and zoom area, and the standard live-view focus area.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "comms/bytes.h"
#include "eos/eos_live_view.h"
#include "eos/eos_models.h"
#include "eos/eos_session.h"
#include "generic/event_queue.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_properties.h"

namespace {

// 0xD1B0 "EVF Output Device" values. A DSLR shows live view on the host with
// 2 and goes back to the optical finder with 0; in movie mode, and on a
// mirrorless body always, the values are 3 (host and camera) and 1 (camera).
constexpr uint32_t kEvfOutputOff = 0;
constexpr uint32_t kEvfOutputCamera = 1;
constexpr uint32_t kEvfOutputHost = 2;
constexpr uint32_t kEvfOutputHostAndCamera = 3;
constexpr uint32_t kEvfModeOn = 1;
constexpr uint32_t kExposureModeMovie = 20;
constexpr uint32_t kNoMode = 0xFFFFFFFF;

// A body busy storing a shot refuses the switch; it is asked again this often
// for as long as it reports itself busy.
constexpr auto kBusySwitchPause = std::chrono::milliseconds(1000);

// Zoom levels the host asks for, and the camera's codes for them.
constexpr uint32_t kZoomStandard = 100;
constexpr uint32_t kZoomMore = 200;
constexpr uint8_t kModelNoZoom = 232;
constexpr uint8_t kModelsHighZoomFirst = 250;
constexpr uint8_t kModelsHighZoomLast = 252;

// The zoom area is placed by its top-left corner, a tenth of the frame before
// the point the host names, and kept inside the frame.
constexpr double kPositionInset = 0.1;
constexpr double kPositionMax = 0.9;

// The standard live-view AF system value of 0xD1BA.
constexpr uint32_t kLvAfSystemStandard = 1;
constexpr uint32_t kCanonWriteSize = 12;

struct EosLiveView {
    // The exposure mode when live view was last switched on (20: movie), or
    // kNoMode before any switch-on and when the camera has no exposure mode.
    std::atomic<uint32_t> modeCache{kNoMode};
};

EosLiveView g_lv;

void queue_changed(uint32_t code) { PtpQueuePropertyCodeChanged(code, /*notify=*/true); }

// The output value and whether to verify it, for a DSLR; updates the mode cache.
uint32_t dslr_output(bool on, bool setEvfMode, bool* verify) {
    uint32_t lock = 0;
    if (PtpReadCurrentValue(kEosPropEvfLock, &lock) && lock == 1)
        PtpGenericInterface_SetPropertyValue(kEosPropEvfLock, 0, 0);
    if (on && setEvfMode && PtpEos_CameraListsProperty(kEosPropEvfMode))
        PtpGenericInterface_SetPropertyValue(kEosPropEvfMode, kEvfModeOn, 0);
    uint32_t mode = 0;
    bool hasMode = PtpReadCurrentValue(PtpEos_ExposureModePropertyCode(), &mode);
    if (on)
        g_lv.modeCache = hasMode ? mode : kNoMode;
    else if (!hasMode)
        g_lv.modeCache = kNoMode;
    if (g_lv.modeCache == kExposureModeMovie) {
        *verify = true;
        return on ? kEvfOutputHostAndCamera : kEvfOutputCamera;
    }
    *verify = false;
    return on ? kEvfOutputHost : kEvfOutputOff;
}

} // namespace

uint32_t PtpEos_LiveViewModeCache() { return g_lv.modeCache.load(); }

void PtpEos_ResetLiveViewState() { g_lv.modeCache = kNoMode; }

PtpResult PtpEos_SetLiveView(bool on, bool setEvfMode) {
    for (;;) {
        bool verify = true;
        uint32_t output;
        if (PtpEos_IsMirrorless())
            output = on ? kEvfOutputHostAndCamera : kEvfOutputCamera;
        else
            output = dslr_output(on, setEvfMode, &verify);
        PtpResult rc =
            PtpGenericInterface_SetPropertyValue(kEosPropEvfOutputDevice, output, verify ? 1 : 0);
        if (rc == PtpResult_Ok) break;
        // The camera refuses while it stores a shot; it says when it is done,
        // so the switch waits for as long as it takes.
        if (rc != PtpResult_PropertyWriteFailed || !PtpEos_IsBusy()) return rc;
        std::this_thread::sleep_for(kBusySwitchPause);
    }

    PtpSession_SetLiveViewOn(on);
    PtpSession_SetLiveViewZoom(0);
    if (on && PtpIsOperationSupported(kEosOpLiveViewAfterSwitch)) {
        PtpTransaction_Run(kEosOpLiveViewAfterSwitch, {0}); // its answer changes nothing
    }
    // Without touch focus the focus mode the host may offer depends on live view.
    if (!PtpEos_CanTouchFocus()) queue_changed(kEosPropFocusMode);

    const uint32_t modeCode = PtpEos_ExposureModePropertyCode();
    PtpPropertyRecord* mode = on ? PtpGenericInterface_GetProperty(modeCode, 1) : nullptr;
    if (mode) {
        const uint32_t cached = g_lv.modeCache.load();
        // A mirrorless body never fills the cache: "no mode" is not a mode to show.
        bool changed = cached != 0 && cached != kNoMode && cached != mode->currentValue;
        if (changed) mode->currentValue = cached;
        PtpUnlockProperty(mode);
        if (changed) queue_changed(modeCode);
    }
    return PtpResult_Ok;
}

PtpResult PtpEos_ToggleLiveView(bool on) { return PtpEos_SetLiveView(on, /*setEvfMode=*/true); }

PtpResult PtpEos_GetLiveViewImage(uint8_t** buffer, uint32_t* length) {
    if (!buffer || !length) return PtpResult_InvalidArgument;
    *buffer = nullptr;
    *length = 0;
    uint8_t* data = nullptr;
    uint32_t dataLength = 0;
    PtpResult rc = PtpTransaction_RunDataIn(kEosOpGetViewFinderData, {kEosViewFinderMaxBytes},
                                            &data, &dataLength);
    if (rc != PtpResult_Ok) return rc;
    bool parsed = PtpEosInterface_ParseLiveViewData(data, dataLength, buffer, length);
    std::free(data);
    return parsed ? PtpResult_Ok : PtpResult_InvalidData;
}

uint32_t PtpEos_LastFrameOrientation() {
    PtpEosLiveViewInfo info;
    PtpEos_CopyLastLiveViewInfo(&info); // zeroed before any frame: upright
    return PtpEosInterface_GetLiveViewOrientation(&info);
}

PtpResult PtpEos_LastZoomPosition(uint32_t* x, uint32_t* y) {
    PtpEosLiveViewInfo info;
    if (!PtpEos_CopyLastLiveViewInfo(&info)) return PtpResult_BadReply; // no frame yet
    *x = info.zoomX;
    *y = info.zoomY;
    return PtpResult_Ok;
}

bool PtpEos_Has200ZoomLevel() { return true; }

bool PtpEos_ZoomCodeForLevel(uint8_t model, uint32_t level, uint32_t* code) {
    if (!code || model == kModelNoZoom) return false;
    const bool high = model >= kModelsHighZoomFirst && model <= kModelsHighZoomLast;
    if (level == kZoomStandard)
        *code = high ? 6 : 5;
    else if (level == kZoomMore)
        *code = high ? 15 : 10;
    else
        *code = 1; // no magnification
    return true;
}

PtpResult PtpEos_SetLiveViewZoomLevel(uint32_t level) {
    uint32_t code = 0;
    if (!PtpEos_ZoomCodeForLevel(PtpGenericInterface_CameraModel(), level, &code))
        return PtpResult_OperationNotSupported;
    return PtpTransaction_Run(kEosOpZoom, {code});
}

void PtpEos_ZoomPositionFor(double x, double y, double width, double height, uint32_t* px,
                            uint32_t* py) {
    auto place = [](double f) {
        // NaN goes to the edge rather than into an undefined conversion.
        if (!(f - kPositionInset > 0)) return 0.0;
        return std::fmin(f - kPositionInset, kPositionMax);
    };
    *px = uint32_t(width * place(x));
    *py = uint32_t(place(y) * height);
}

PtpResult PtpEos_SetLiveViewPosition(double x, double y) {
    uint32_t px = 0, py = 0;
    PtpEos_ZoomPositionFor(x, y, PtpEos_ImageWidth(), PtpEos_ImageHeight(), &px, &py);
    return PtpEos_SetZoomPosition(px, py);
}

PtpResult PtpEos_SetZoomPosition(uint32_t x, uint32_t y) {
    return PtpTransaction_Run(kEosOpZoomPosition, {x, y});
}

PtpResult PtpEos_SetStandardLiveViewFocus() {
    ByteWriter w;
    write_u32(w, kCanonWriteSize);
    write_u32(w, kEosPropLvAfSystem);
    write_u32(w, kLvAfSystemStandard);
    return PtpTransaction_ExecuteWithRetry(kEosOpSetPropertyValue, nullptr, 0, w.buf.data(),
                                           uint32_t(w.buf.size()), nullptr, nullptr, nullptr, 1);
}
