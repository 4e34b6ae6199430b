// The Nikon driver's live-view frame fetch, zoom and focus-point position.
//
// Frame requests and the capture-in-progress flag share one lock, so a focus
// stack's shots and the host's live-view thread do not interleave their
// transactions.
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_live_view.h"
#include "nikon/nikon_models.h"
#include "ptp/transaction.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

// The camera's answer to a frame request while live view is off.
constexpr PtpResult kNikonNotInLiveView = PtpResult(0xA00B);
// The focus-point modes that the move refuses, and the one it takes instead.
constexpr uint32_t kAfAreaTracking = 0x8011;
constexpr uint32_t kAfAreaWide = 0x8010;

// clang-format off
// Bodies zooming through 0xD1BD: 1024 or 720 units at 100 %, half of it at 200 %.
const PtpNikonModelRange kZoom1024[] = {{220, 221}, {223, 224}, {226, 228}, {230, 233}};
const PtpNikonModelRange kZoom720[] = {{222, 222}, {225, 225}, {229, 229}, {240, 240}};

// 0xD1A3 for the levels fit, 25 %, 50 %, 100 %, 200 %, by the model's zoom table.
const uint32_t kZoomValues[][5] = {
    /* Default */ {0, 2, 4, 6, 7},
    /* D5000 */   {0, 1, 3, 5, 5},
    /* D3 */      {0, 1, 3, 5, 6},
    /* D800 */    {0, 2, 3, 4, 5},
    /* Df */      {0, 1, 2, 3, 4}};
// clang-format on

struct LiveViewState {
    std::mutex lock;                // frame requests hold it for their transaction
    bool captureInProgress = false; // guarded by lock
};

LiveViewState g_state;

template <size_t N> bool camera_in(const PtpNikonModelRange (&ranges)[N]) {
    return PtpNikon_CameraIn(PtpNikonModelSet{ranges, N});
}

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};

// 0xA00B: a Z body never leaves live view, so there it only means "not yet";
// another body is out of live view only when its status says so.
PtpResult not_in_live_view() {
    if (PtpNikon_CameraIn(kNikonMirrorless)) return PtpResult_DeviceBusy;
    uint32_t status = 0;
    if (PtpGenericInterface_RefreshPropertyValue(kNikonPropLiveViewStatus) == PtpResult_Ok &&
        PtpReadCurrentValue(kNikonPropLiveViewStatus, &status) && status > 0)
        return PtpResult_DeviceBusy;
    return kNikonNotInLiveView;
}

const uint32_t* zoom_values() {
    static_assert(size_t(PtpNikonZoomTable::Df) + 1 == sizeof kZoomValues / sizeof kZoomValues[0],
                  "one row per zoom table");
    return kZoomValues[size_t(PtpNikon_ZoomTable())];
}

size_t zoom_index(uint32_t level) {
    switch (level) {
    case 25: return 1;
    case 50: return 2;
    case 100: return 3;
    case 200: return 4;
    default: return 0;
    }
}

// A fraction of a side of size units, truncated; outside 0-1 (or NaN) it is
// kept to the side.
uint32_t scale(double fraction, uint16_t size) {
    if (!(fraction > 0)) return 0;
    if (fraction > 1) fraction = 1;
    return uint32_t(std::trunc(fraction * size));
}

bool current_is(uint32_t code, uint32_t value) {
    uint32_t v = 0;
    return PtpReadCurrentValue(code, &v) && v == value;
}

} // namespace

PtpResult PtpNikon_GetLiveViewImage(uint8_t** buffer, uint32_t* length) {
    if (!buffer || !length) return PtpResult_InvalidArgument;
    *buffer = nullptr;
    *length = 0;
    const bool extended = PtpIsOperationSupported(kNikonOpGetLiveViewImageEx);
    uint8_t* raw = nullptr;
    uint32_t size = 0;
    PtpResult rc;
    {
        std::lock_guard<std::mutex> held(g_state.lock);
        if (g_state.captureInProgress) return PtpResult_DeviceBusy;
        rc = PtpTransaction_RunDataIn(
            extended ? kNikonOpGetLiveViewImageEx : kNikonOpGetLiveViewImage, {}, &raw, &size);
    }
    std::unique_ptr<uint8_t, FreeDeleter> data(raw);
    if (rc == kNikonNotInLiveView) return not_in_live_view();
    if (rc != PtpResult_Ok || !data || size == 0) return rc;

    PtpNikonLiveViewInfo info;
    const bool parsed =
        extended ? PtpNikon_NormaliseLiveViewEx(data.get(), size, buffer, length, &info)
                 : PtpNikon_NormaliseLiveView(data.get(), size, PtpGenericInterface_CameraModel(),
                                              buffer, length, &info);
    if (!parsed) return PtpResult_InvalidData;
    PtpNikon_StoreLastLiveViewInfo(info);
    return PtpResult_Ok;
}

void PtpNikon_SetCaptureInProgress(bool on) {
    std::lock_guard<std::mutex> held(g_state.lock);
    g_state.captureInProgress = on;
}

void PtpNikon_ZoomSetting(uint32_t level, uint32_t* code, uint32_t* value) {
    if (camera_in(kZoom1024) || camera_in(kZoom720)) {
        const uint32_t full = camera_in(kZoom1024) ? 1024 : 720;
        *code = kNikonPropMirrorlessZoom;
        *value = level == 100 ? full : level == 200 ? full / 2 : 0;
        return;
    }
    *code = kNikonPropLiveViewZoom;
    *value = zoom_values()[zoom_index(level)];
}

PtpResult PtpNikon_SetLiveViewZoomLevel(uint32_t level) {
    uint32_t code = 0, value = 0;
    PtpNikon_ZoomSetting(level, &code, &value);
    return PtpGenericInterface_SetPropertyValue(code, value, 1);
}

bool PtpNikon_Has200ZoomLevel() { return PtpNikon_ZoomTable() != PtpNikonZoomTable::D5000; }

PtpResult PtpNikon_SetZoomPosition(uint32_t x, uint32_t y) {
    // The camera refuses to move the point in tracking mode: wide area first.
    uint32_t selector = 0;
    if (PtpReadCurrentValue(kNikonPropLiveViewSelector, &selector) && selector != 0 &&
        current_is(kNikonPropMovieAfArea, kAfAreaTracking)) {
        PtpResult rc = PtpGenericInterface_SetPropertyValue(kNikonPropMovieAfArea, kAfAreaWide, 0);
        if (rc != PtpResult_Ok) return rc;
    }
    if (current_is(kNikonPropLiveViewAfArea, kAfAreaTracking)) {
        PtpResult rc =
            PtpGenericInterface_SetPropertyValue(kNikonPropLiveViewAfArea, kAfAreaWide, 1);
        if (rc != PtpResult_Ok) return rc;
    }
    return PtpTransaction_Run(kNikonOpChangeAfArea, {x, y});
}

PtpResult PtpNikon_SetLiveViewPosition(double x, double y) {
    PtpNikonLiveViewInfo info;
    PtpNikon_CopyLastLiveViewInfo(&info);
    return PtpNikon_SetZoomPosition(scale(x, info.areaWidth), scale(y, info.areaHeight));
}

PtpResult PtpNikon_LastZoomPosition(uint32_t* x, uint32_t* y) {
    PtpNikonLiveViewInfo info;
    if (!PtpNikon_CopyLastLiveViewInfo(&info)) return PtpResult_BadReply;
    *x = info.zoomX;
    *y = info.zoomY;
    return PtpResult_Ok;
}
