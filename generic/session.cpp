// Session start and vendor detection: transport wiring, the DeviceInfo, the
// vendor and its driver's session start, and the property role table.
#include "generic/session.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "comms/ptp_transport.h"
#include "generic/driver.h"
#include "generic/event_loop.h"
#include "generic/property_store.h"
#include "ptp/transaction.h"
#include "ptp_focus.h"

namespace {

// The role slots, in the order of the exported getters.
enum Role {
    kRoleAperture,
    kRoleShutterSpeed,
    kRoleIso,
    kRoleImageFormat,
    kRoleFocusMode,
    kRoleAutoExposure,
    kRoleBatteryPower,
    kRoleDriveMode,
    kRoleMeteringMode,
    kRoleWhiteBalance,
    kRoleAvailableShots,
    kRoleExposureCompensation,
    kRoleExposureBracketing,
    kRoleCount
};

// "Not yet computed" for the cached largest bracketing stop.
constexpr float kBracketStopUnknown = kMaxBracketStopUnknown;

struct Session {
    // Written by StartSession on the host's thread, read everywhere.
    std::atomic<uint16_t> vendor{PtpVendor_None};
    std::atomic<const PtpDriver*> driver{nullptr}; // chosen with vendor; null reads as plain PTP
    std::atomic<uint8_t> model{0};
    std::atomic<uint32_t> manualFocus{0};
    std::atomic<uint8_t> liveViewZoom{0};
    std::atomic<bool> liveViewOn{false};
    std::atomic<uint8_t> mirrorUp{0};
    std::atomic<float> maxBracketStop{kBracketStopUnknown};
    std::atomic<const PtpDriver*> propertyTable{nullptr}; // whose name tables are in use
    std::atomic<uint32_t> roles[kRoleCount] = {};
    std::atomic<PtpEventNotifyFn> notify{nullptr};

    std::mutex deviceInfoLock;
    PtpDeviceInfo deviceInfo = {}; // guarded by deviceInfoLock
};

Session g_session;

// The driver is chosen here, once per vendor change, never per call.
void store_vendor(uint16_t vendor) {
    g_session.driver.store(PtpDriver_ForVendor(vendor));
    g_session.vendor.store(vendor);
}

bool is_vendor(uint32_t v) { return v >= PtpVendor_Fujifilm && v <= PtpVendor_Nikon; }

} // namespace

PtpVendor PtpSession_Vendor() { return g_session.vendor.load(); }
const PtpDriver* PtpSession_Driver() {
    const PtpDriver* driver = g_session.driver.load();
    return driver ? driver : PtpDriver_ForVendor(PtpVendor_None);
}
void PtpSession_SetVendor(PtpVendor vendor) { store_vendor(vendor); }
void PtpSession_SetDriverForTest(const PtpDriver* driver) {
    g_session.driver.store(driver ? driver : PtpDriver_ForVendor(g_session.vendor.load()));
}
void PtpSession_SetModel(uint8_t model) { g_session.model.store(model); }
const PtpDeviceInfo& PtpSession_DeviceInfo() { return g_session.deviceInfo; }
PtpEventNotifyFn PtpSession_NotifyFn() { return g_session.notify.load(); }
const PtpDriver* PtpSession_PropertyTableDriver() {
    const PtpDriver* driver = g_session.propertyTable.load();
    return driver ? driver : PtpDriver_ForVendor(PtpVendor_None);
}
uint32_t PtpSession_ManualFocus() { return g_session.manualFocus.load(); }
void PtpSession_SetManualFocus(uint32_t flag) { g_session.manualFocus.store(flag); }
uint8_t PtpSession_LiveViewZoom() { return g_session.liveViewZoom.load(); }
void PtpSession_SetLiveViewZoom(uint8_t level) { g_session.liveViewZoom.store(level); }
bool PtpSession_LiveViewOn() { return g_session.liveViewOn.load(); }
void PtpSession_SetLiveViewOn(bool on) { g_session.liveViewOn.store(on); }
float PtpSession_MaxBracketStop() { return g_session.maxBracketStop.load(); }
void PtpSession_SetMaxBracketStop(float stops) { g_session.maxBracketStop.store(stops); }
uint8_t PtpSession_MirrorUp() { return g_session.mirrorUp.load(); }
void PtpSession_SetMirrorUp(uint8_t up) { g_session.mirrorUp.store(up); }

void PtpSession_CopyModelText(char* out, size_t size) {
    if (!out || size == 0) return;
    std::lock_guard<std::mutex> held(g_session.deviceInfoLock);
    std::snprintf(out, size, "%s", g_session.deviceInfo.model);
}

bool PtpIsPropertyListed(uint16_t code) {
    std::lock_guard<std::mutex> held(g_session.deviceInfoLock);
    const PtpCodeList& listed = g_session.deviceInfo.devicePropertiesSupported;
    for (uint32_t i = 0; i < listed.count && i < PTP_DEVICEINFO_CODES; ++i)
        if (listed.codes[i] == code) return true;
    return false;
}

// --- DeviceInfo -----------------------------------------------------------------

static PtpResult read_device_info_once(uint8_t** data, uint32_t* length) {
    PtpTransactionHold hold(/*blocking=*/true);
    if (!hold.ok()) return PtpResult_Busy;
    uint32_t id = 0;
    PtpResult rc = PtpTransaction_SendCommand(kPtpOpGetDeviceInfo, nullptr, 0, nullptr, 0, &id);
    if (rc != PtpResult_Ok) return rc;
    return PtpTransaction_ReceiveData(data, length, id, nullptr);
}

PtpResult PtpGetDeviceInfo(PtpDeviceInfo* out) {
    if (!out) return EINVAL;
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = read_device_info_once(&data, &length);
    if (PtpTransaction_IsBusy(rc)) {
        std::free(data);
        data = nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(kBusyRetryMillis));
        rc = read_device_info_once(&data, &length);
    }
    if (rc != PtpResult_Ok) {
        std::free(data);
        return rc;
    }
    PtpDeviceInfo* parsed = static_cast<PtpDeviceInfo*>(std::calloc(1, sizeof(PtpDeviceInfo)));
    bool ok = parsed && PtpParseDeviceInfo(data, length, parsed);
    std::free(data);
    if (!ok) {
        std::free(parsed);
        return 0; // not OK: callers treat every other value as failure
    }
    {
        std::lock_guard<std::mutex> held(g_session.deviceInfoLock);
        g_session.deviceInfo = *parsed;
    }
    PtpTransaction_SetSupportedOperations(parsed->operationsSupported.codes,
                                          parsed->operationsSupported.count);
    if (out != &g_session.deviceInfo) *out = *parsed;
    std::free(parsed);
    return PtpResult_Ok;
}

PtpVendor PtpDetectVendor(const char* manufacturer) {
    if (!manufacturer) return PtpVendor_Nikon;
    if (std::strncmp(manufacturer, "Canon", 5) == 0) return PtpVendor_Canon;
    if (std::strncmp(manufacturer, "Nikon", 5) == 0) return PtpVendor_Nikon;
    if (std::strncmp(manufacturer, "Sony", 4) == 0) return PtpVendor_Sony;
    if (std::strncmp(manufacturer, "FUJIFILM", 8) == 0) return PtpVendor_Fujifilm;
    return PtpVendor_Nikon; // the Nikon driver speaks plain PTP best
}

bool PtpIsOperationSupported(uint16_t op) { return PtpTransaction_IsAdmitted(op); }

bool PtpIsCameraModelSupported() {
    // After a failed DeviceInfo read the vendor slot holds the read's result,
    // which names no driver: no model is supported then.
    PtpVendor vendor = g_session.vendor.load();
    if (vendor != PtpVendor_None && !is_vendor(vendor)) return false;
    const PtpDriver* d = PtpSession_Driver();
    return d->session.modelSupported && d->session.modelSupported();
}

PtpResult PtpStandard_KeepAlive() {
    const uint32_t allStorages = 0xFFFFFFFF;
    return PtpTransaction_ExecuteWithRetry(kPtpOpGetNumObjects, &allStorages, 1, nullptr, 0,
                                           nullptr, nullptr, nullptr, 1);
}

PtpResult PtpKeepAlive() {
    const PtpDriver* d = PtpSession_Driver();
    if (!d->session.keepAlive) return PtpResult_Ok;
    return d->session.keepAlive();
}

// --- Property roles ----------------------------------------------------------------

void PtpSetupPropertyRoles() {
    const PtpDriverTables& tables = PtpSession_Driver()->tables;
    PtpPropertyRoles roles = tables.roles ? *tables.roles : PtpPropertyRoles{};
    if (tables.cameraRoles) tables.cameraRoles(&roles);
    const uint32_t slots[kRoleCount] = {
        roles.aperture,          roles.shutterSpeed,   roles.iso,
        roles.imageFormat,       roles.focusMode,      roles.autoExposure,
        roles.batteryPower,      roles.driveMode,      roles.meteringMode,
        roles.whiteBalance,      roles.availableShots, roles.exposureCompensation,
        roles.exposureBracketing};
    for (int i = 0; i < kRoleCount; ++i)
        g_session.roles[i].store(slots[i]);
}

uint32_t PtpGetAperturePropertyCode() { return g_session.roles[kRoleAperture].load(); }
uint32_t PtpGetShutterSpeedPropertyCode() { return g_session.roles[kRoleShutterSpeed].load(); }
uint32_t PtpGetIsoPropertyCode() { return g_session.roles[kRoleIso].load(); }
uint32_t PtpGetImageFormatPropertyCode() { return g_session.roles[kRoleImageFormat].load(); }
uint32_t PtpGetFocusModePropertyCode() { return g_session.roles[kRoleFocusMode].load(); }
uint32_t PtpGetAutoExposurePropertyCode() { return g_session.roles[kRoleAutoExposure].load(); }
uint32_t PtpGetBatteryPowerPropertyCode() { return g_session.roles[kRoleBatteryPower].load(); }
uint32_t PtpGetDriveModePropertyCode() { return g_session.roles[kRoleDriveMode].load(); }
uint32_t PtpGetMeteringModePropertyCode() { return g_session.roles[kRoleMeteringMode].load(); }
uint32_t PtpGetWhiteBalancePropertyCode() { return g_session.roles[kRoleWhiteBalance].load(); }
uint32_t PtpGetAvailableShotsPropertyCode() { return g_session.roles[kRoleAvailableShots].load(); }
uint32_t PtpGetExposureCompensationPropertyCode() {
    return g_session.roles[kRoleExposureCompensation].load();
}
uint32_t PtpGetExposureBracketingPropertyCode() {
    return g_session.roles[kRoleExposureBracketing].load();
}

// --- Exported session calls --------------------------------------------------------

void PtpGenericInterface_Initialize(PtpTransportSendFn send, PtpTransportReceiveFn receive,
                                    PtpTransportLockFn lock, PtpEventNotifyFn notify) {
    PtpTransaction_SetTransport(send ? send : Comms_SendPtpPacket,
                                receive ? receive : Comms_ReceivePtpPacket);
    PtpTransaction_SetLinkLock(lock ? lock : Comms_LockRelayLink);
    g_session.notify.store(notify);
    PtpClearPropertyStore();
    g_session.manualFocus.store(0);
}

// Reads the DeviceInfo and makes its manufacturer the current vendor. Returns
// the vendor or NoDeviceInfo; out: *read is the read's own result, so a caller
// can tell a lost link from a camera that gave no usable DeviceInfo.
static uint16_t detect_vendor(PtpResult* read) {
    *read = PtpGetDeviceInfo(&g_session.deviceInfo);
    if (*read != PtpResult_Ok) return PtpResult_NoDeviceInfo;
    PtpVendor vendor;
    {
        std::lock_guard<std::mutex> held(g_session.deviceInfoLock);
        vendor = PtpDetectVendor(g_session.deviceInfo.manufacturer);
    }
    store_vendor(vendor);
    return vendor;
}

uint16_t PtpGenericInterface_GetCameraManufacturer() {
    PtpResult read;
    return detect_vendor(&read);
}

uint16_t PtpGenericInterface_CameraManufacturer() { return g_session.vendor.load(); }

const char* PtpGenericInterface_GetCameraName() {
    bool stored;
    {
        std::lock_guard<std::mutex> held(g_session.deviceInfoLock);
        stored = g_session.deviceInfo.vendorExtensionId != 0;
    }
    if (!stored && PtpGetDeviceInfo(&g_session.deviceInfo) != PtpResult_Ok) return nullptr;
    return g_session.deviceInfo.model;
}

uint8_t PtpGenericInterface_CameraModel() { return g_session.model.load(); }

const char* PtpGenericInterface_CameraSerialNumber() { return g_session.deviceInfo.serialNumber; }

bool PtpGenericInterface_ShouldCameraBeSupported() {
    if (PtpGetDeviceInfo(&g_session.deviceInfo) != PtpResult_Ok) return false;
    return PtpIsCameraModelSupported();
}

PtpResult PtpGenericInterface_SetConnectionHostMode(uint8_t on, uint8_t option) {
    const PtpDriver* d = PtpSession_Driver();
    if (!d->session.setHostMode) return PtpResult_NotSupportedForCamera;
    return d->session.setHostMode(on, option);
}

PtpResult PtpGenericInterface_StartSession(uint8_t hostMode) {
    g_session.propertyTable.store(nullptr);
    PtpTransaction_ResetTransactionId(); // GetDeviceInfo carries id 0
    PtpEventLoop_EndHostPause();         // a restarted session polls again

    PtpResult read;
    uint16_t r = detect_vendor(&read);
    // After a failed DeviceInfo read this is 0xFF11, which names no vendor.
    store_vendor(r);

    g_session.maxBracketStop.store(kBracketStopUnknown);
    g_session.model.store(0);
    g_session.liveViewZoom.store(0);
    g_session.liveViewOn.store(false);
    g_session.mirrorUp.store(0);

    // A link lost on the way is reported as such: a host must reconnect, not
    // go on as if the camera merely gave no DeviceInfo.
    if (!is_vendor(r)) return read == PtpResult_ConnectionLost ? read : r;
    if (!PtpIsCameraModelSupported()) return PtpResult_NotSupportedForCamera;

    const PtpDriver* d = PtpSession_Driver();
    g_session.propertyTable.store(d);
    PtpResult rc = PtpResult_NotSupportedForCamera;
    if (d->session.start) rc = d->session.start(hostMode);
    if (rc != PtpResult_Ok && d->session.keepRolesOnFailedStart) return rc;
    if (rc == PtpResult_Ok && d->liveView.sessionStarted) d->liveView.sessionStarted();

    PtpSetupPropertyRoles();
    if (rc == PtpResult_Ok) g_session.manualFocus.store(PtpGenericInterface_IsFocusAuto() ? 0 : 1);
    return rc;
}
