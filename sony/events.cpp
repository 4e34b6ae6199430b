// Sony property-change records from the Tetherhub's event data: each updates
// its record; the marker record re-reads every property from the camera.
#include <cstdio>

#include "generic/event_fetch.h"
#include "generic/event_queue.h"
#include "generic/property_store.h"
#include "ptp_names.h"
#include "sony/sony_capture.h"
#include "sony/sony_codes.h"
#include "sony/sony_focus.h"
#include "sony/sony_formats.h"
#include "sony/sony_models.h"
#include "sony/sony_session.h"

namespace {

// A property-changed record with this code tells the driver to re-read its
// settings; it is not a property of its own.
constexpr uint32_t kReloadMarker = 0x12345678;

// A record of this batch changed the exposure mode: one more fetch follows
// the batch. The flags belong to the thread that dispatches the batch.
thread_local bool t_modeChanged = false;
thread_local bool t_inFollowUp = false;

bool is_image_format_part(uint32_t code) {
    return code == kSonyPropImageQuality || code == kSonyPropImageFormat ||
           code == kSonyPropImageSize || code == kSonyPropImageCompression;
}

void release_focus_toggle() {
    if (!PtpSony_FocusToggled()) return;
    if (PtpSony_SendControl(kSonyButtonFocusToggle, kSonyPress, 2) == PtpResult_Ok)
        PtpSony_SendControl(kSonyButtonFocusToggle, kSonyRelease, 2);
}

} // namespace

PtpPropertyRecord* PtpSony_ApplyPropertyChange(uint32_t code, uint32_t value, uint8_t settable) {
    if (code == kReloadMarker) {
        PtpSony_ReloadFromCamera();
        return nullptr;
    }
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    if (!record) return nullptr;
    uint32_t old;
    {
        PtpRecordHold hold(record);
        old = record->currentValue;
        record->currentValue = value;
        record->access = settable ? 1 : 0;
        const char* label = PtpGenericInterface_StringForPropertyCodeValue(code, value);
        std::snprintf(record->currentLabel, sizeof record->currentLabel, "%s", label ? label : "");
    }
    if (is_image_format_part(code)) {
        PtpSony_ComposeImageFormat();
        if (uint32_t holder = PtpSony_ImageFormatHolder())
            PtpQueuePropertyCodeChanged(holder, /*notify=*/true);
    }
    if (code == kSonyPropExposureProgram) {
        if (PtpSony_HasIncrementalFocus()) {
            release_focus_toggle();
            PtpRecordHold hold(record);
            record->access = 0;
        }
        if (old != value) t_modeChanged = true;
    }
    return record;
}

void PtpSony_HubPropertyChanged(uint32_t code, uint32_t value, uint8_t flag) {
    PtpPropertyRecord* record = PtpSony_ApplyPropertyChange(code, value, flag);
    if (code != kReloadMarker) PtpQueuePropertyChanged(record, /*notify=*/false);
}

// A changed exposure mode brings other changes with it, which the camera
// reports in its next events: they are fetched once the whole batch is
// applied, so nothing older overwrites them, and never again from that
// fetch's own batch.
PtpResult PtpSony_ParseEventData(const uint8_t* data, uint32_t length) {
    const bool followUp = t_inFollowUp;
    if (!followUp) t_modeChanged = false;
    PtpResult rc = PtpHub_ParseEventRecords(data, length);
    if (followUp || !t_modeChanged) return rc;
    t_modeChanged = false;
    t_inFollowUp = true;
    // The fetch that brought this batch holds the fetch lock or has just given
    // it up; taking it here could wait for this very thread.
    PtpFetchEventsOnce(/*wait=*/true, /*lockHeld=*/true);
    t_inFollowUp = false;
    return rc;
}
