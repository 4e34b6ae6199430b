// The Nikon session: control mode, session start, the device-ready wait and
// the announcements of property changes.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "generic/event_queue.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_driver.h"
#include "nikon/nikon_focus.h"
#include "nikon/nikon_live_view.h"
#include "nikon/nikon_session.h"
#include "ptp/transaction.h"
#include "ptp_nikon.h"

namespace {

constexpr uint32_t kControlModeHost = 1;
constexpr uint8_t kModelD7100 = 205;
constexpr int kReadyAttempts = 20;
constexpr auto kReadyPause = std::chrono::milliseconds(250);
constexpr uint32_t kBatteryAnnouncePasses = 31;

// Written by session start and the control-mode switch; read by any thread.
std::atomic<uint32_t> g_controlMode{0};

// Frees every record's value list; the descriptions are read again after.
void drop_value_lists() {
    for (uint16_t i = 0; i < PtpPropertyCount(); ++i) {
        PtpRecordHold hold(PtpPropertyAt(i));
        std::free(hold.record->values);
        hold.record->values = nullptr;
        hold.record->valueCount = 0;
    }
}

} // namespace

// The keep-alive reads the DeviceInfo, which refreshes the session's copy too.
PtpResult PtpNikon_KeepAlive() {
    PtpDeviceInfo* scratch = static_cast<PtpDeviceInfo*>(std::malloc(sizeof(PtpDeviceInfo)));
    if (!scratch) return PtpResult_OutOfMemory;
    PtpResult rc = PtpGetDeviceInfo(scratch);
    std::free(scratch);
    return rc;
}

PtpResult PtpNikon_StartSession(uint8_t hostMode) {
    PtpNikon_ResetFocusState();
    PtpNikon_ResetMovieState();
    PtpResult rc = PtpNikon_SetControlMode(hostMode ? kControlModeHost : 0, /*announce=*/false);
    if (rc != PtpResult_Ok && rc != kNikonRespControlModeUnchanged) return rc;
    drop_value_lists();
    rc = PtpNikon_KeepAlive();
    if (rc != PtpResult_Ok) return rc;
    return PtpNikon_LoadPropertyDescriptions();
}

PtpResult PtpNikon_SetControlMode(uint32_t mode, bool announce) {
    PtpResult rc = PtpTransaction_Run(kNikonOpSetControlMode, {mode});
    if (rc != PtpResult_Ok) return rc;
    g_controlMode.store(mode);
    if (announce) {
        const uint32_t iso = PtpGenericInterface_GetProperty(kNikonPropIsoExtended, 0)
                                 ? kNikonPropIsoExtended
                                 : kNikonPropIso;
        for (uint32_t code :
             {kNikonPropMeteringMode, kNikonPropFocusMeteringMode, kNikonPropDriveMode,
              kNikonPropExposureProgram, iso, PtpNikonInterface_GetFocusModePropertyCode()})
            PtpNikon_AnnounceProperty(code);
    }
    return PtpResult_Ok;
}

PtpResult PtpNikon_SetHostMode(uint8_t on, uint8_t announce) {
    return PtpNikon_SetControlMode(on ? kControlModeHost : 0, announce != 0);
}

uint32_t PtpNikon_HostControlMode() { return g_controlMode.load(); }

PtpResult PtpNikon_WaitDeviceReady() {
    PtpResult rc = PtpResult_DeviceBusy;
    for (int i = 0; i < kReadyAttempts; ++i) {
        rc = PtpTransaction_Run(kNikonOpDeviceReady);
        if (rc != PtpResult_DeviceBusy && rc != kNikonRespNotReady) break;
        std::this_thread::sleep_for(kReadyPause);
    }
    return rc;
}

// Every 31st poll (about 15 s) the battery level is read and announced.
void PtpNikon_EventLoopDuty(uint32_t pass) {
    if (pass % kBatteryAnnouncePasses == 0) PtpNikon_AnnounceProperty(kNikonPropBatteryLevel);
}

bool PtpNikon_AnnounceProperty(uint32_t code) {
    if (!PtpNikon_IsTrackedProperty(code)) return false;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    if (!record || !PtpFetchPropertyDescription(record)) return false;
    if (code == kNikonPropExposureProgram && PtpGenericInterface_CameraModel() == kModelD7100) {
        PtpRecordHold hold(record);
        record->access = PtpNikon_HostControlMode() == kControlModeHost;
    }
    if (PtpNikon_IsImageFormatPart(code)) PtpNikon_ComposeImageFormat();
    PtpQueuePropertyChanged(record, /*notify=*/true);
    return true;
}
