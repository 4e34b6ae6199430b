// The Canon camera's row of hooks: its state's life cycle, its operation table,
// its event encoding; and the hub calls tests steer it with and read it back
// through (sim_canon_hooks.h; live view's are in sim_canon_live_view.cpp).
#include "sim_canon.h"

#include "sim_canon_hooks.h"
#include "sim_internal.h"
#include "sim_vendor.h"

#include <mutex>

namespace {

constexpr uint16_t kCanonOpGetStorageIds = 0x9101;
constexpr uint16_t kCanonOpGetObjectInfoEx = 0x9109;
constexpr uint16_t kCanonOpGetThumbEx = 0x910A;
constexpr uint16_t kCanonOpRemoteRelease = 0x910F;
constexpr uint16_t kCanonOpSetDevicePropValueEx = 0x9110;
constexpr uint16_t kCanonOpSetRemoteMode = 0x9114;
constexpr uint16_t kCanonOpSetEventMode = 0x9115;
constexpr uint16_t kCanonOpGetEvent = 0x9116;
constexpr uint16_t kCanonOpKeepDeviceOn = 0x911D;
constexpr uint16_t kCanonOpBulbStart = 0x9125;
constexpr uint16_t kCanonOpBulbEnd = 0x9126;
constexpr uint16_t kCanonOpRequestDevicePropValue = 0x9127;
constexpr uint16_t kCanonOpRemoteReleaseOn = 0x9128;
constexpr uint16_t kCanonOpRemoteReleaseOff = 0x9129;
constexpr uint16_t kCanonOpGetPartialObjectEx = 0x912C;
constexpr uint16_t kCanonOpMovieSelectOn = 0x9133;
constexpr uint16_t kCanonOpMovieSelectOff = 0x9134;
constexpr uint16_t kCanonOpGetViewFinderData = 0x9153;
constexpr uint16_t kCanonOpDoAf = 0x9154;
constexpr uint16_t kCanonOpDriveLens = 0x9155;
constexpr uint16_t kCanonOpZoom = 0x9158;
constexpr uint16_t kCanonOpZoomPosition = 0x9159;
constexpr uint16_t kCanonOpAfCancel = 0x9160;
constexpr uint16_t kCanonOpGetObjectInfo64 = 0x9170;
constexpr uint16_t kCanonOpGetPartialObject64 = 0x9172;

const SimOpRow kCanonOps[] = {
    {kCanonOpGetStorageIds, SimCanon_GetStorageIds},
    {kCanonOpGetObjectInfoEx, SimCanon_ListObjects},
    {kCanonOpGetThumbEx, SimCanon_GetThumbnail},
    {kCanonOpRemoteRelease, SimCanon_RemoteRelease},
    {kCanonOpSetDevicePropValueEx, SimCanon_SetPropertyValue},
    {kCanonOpSetRemoteMode, SimCanon_SetRemoteMode},
    {kCanonOpSetEventMode, SimCanon_SetEventMode},
    {kCanonOpGetEvent, SimCanon_GetEvent},
    {kCanonOpKeepDeviceOn, SimCanon_KeepDeviceOn},
    {kCanonOpBulbStart, SimCanon_BulbStart},
    {kCanonOpBulbEnd, SimCanon_BulbEnd},
    {kCanonOpRequestDevicePropValue, SimCanon_RequestPropertyValue},
    {kCanonOpRemoteReleaseOn, SimCanon_RemoteReleaseOn},
    {kCanonOpRemoteReleaseOff, SimCanon_RemoteReleaseOff},
    {kCanonOpGetPartialObjectEx, SimCanon_GetPartialObject},
    {kCanonOpMovieSelectOn, SimCanon_MovieSelectOn},
    {kCanonOpMovieSelectOff, SimCanon_MovieSelectOff},
    {kCanonOpGetViewFinderData, SimCanon_GetViewFinderData},
    {kCanonOpDoAf, SimCanon_DoAf},
    {kCanonOpDriveLens, SimCanon_DriveLens},
    {kCanonOpZoom, SimCanon_Zoom},
    {kCanonOpZoomPosition, SimCanon_ZoomPosition},
    {kCanonOpAfCancel, SimCanon_AfCancel},
    {kCanonOpGetObjectInfo64, SimCanon_ListOrDescribe},
    {kCanonOpGetPartialObject64, SimCanon_GetPartialObject},
};

} // namespace

const SimVendorHooks kSimCanonHooks = {
    .init = SimCanon_Init,
    .tick = SimCanon_Tick,
    .reset_stats = SimCanon_ResetStats,
    .ops = SimOps(kCanonOps),
    .encode_events = SimCanonEvents_Encode,
    .shoot = SimCanon_ShootOnBody,
};

void SimCanon_WithHub(SimHub* hub, const std::function<void(SimCanonState&)>& change) {
    if (!hub) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    if (hub->camera.model->vendor == SimVendor_Canon) change(SimCanon_State(hub->camera));
}

void SimHub_SetBusyAfterShot(SimHub* hub, uint32_t millis) {
    SimCanon_WithHub(hub, [millis](SimCanonState& c) { c.busy_after_shot_ms = millis; });
}

void SimHub_SetCanonPressRefused(SimHub* hub, bool refused) {
    SimCanon_WithHub(hub, [refused](SimCanonState& c) { c.press_refused = refused; });
}

void SimHub_SetCanonObjectRecord(SimHub* hub, uint16_t type) {
    SimCanon_WithHub(hub, [type](SimCanonState& c) { c.object_record = type; });
}

SimCanonStats SimHub_CanonStats(const SimHub* hub) {
    SimCanonStats s;
    if (!hub) return s;
    std::lock_guard<std::mutex> guard(hub->lock);
    if (hub->camera.model->vendor != SimVendor_Canon) return s;
    const SimCanonState& c = SimCanon_State(hub->camera);
    s.remote_mode = c.remote_mode;
    s.event_mode = c.event_mode;
    s.reports = c.reports;
    s.half_pressed = c.half_pressed;
    s.full_pressed = c.full_pressed;
    s.bulb_open = c.bulb_open;
    s.last_bulb_ms = c.last_bulb_ms;
    s.mirror_raised = c.mirror_raised;
    s.movie_mode = c.movie_mode;
    s.storing = SimCanonState::Clock::now() < c.busy_until;
    s.pictures = c.pictures;
    s.release_millis = c.release_millis;
    s.busy_millis = c.busy_millis;
    s.writes = c.writes;
    s.last_written_code = c.last_written_code;
    s.last_written_value = c.last_written_value;
    s.lens_drives = c.lens_drives;
    s.lens_position = c.lens_position;
    s.zoom = c.zoom;
    s.zoom_x = c.zoom_x;
    s.zoom_y = c.zoom_y;
    return s;
}
