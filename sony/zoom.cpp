// Sony magnification and lens zoom: the live-view zoom level read from and
// written to the camera, the magnifier presses of the button-zoom bodies, the
// lens zoom bar and the power zoom.
#include <atomic>
#include <chrono>
#include <thread>

#include "comms/bytes.h"
#include "generic/property_store.h"
#include "ptp_generic.h"
#include "ptp_properties.h"
#include "ptp_sony.h"
#include "sony/property_controls.h"
#include "sony/sony_codes.h"
#include "sony/sony_live_view.h"
#include "sony/sony_models.h"

namespace {

// A value count that marks a range: the record has no list to index.
constexpr uint16_t kRangeCount = 255;
// 0xD254's list holds the 100 % setting at position 2 and 200 % at 3.
constexpr uint16_t kEntry100 = 2;
constexpr uint16_t kEntry200 = 3;
// 0xD22F (0-100): up to 25 fits the frame, 75 and above is 200 %.
constexpr uint32_t kAmount100 = 26;
constexpr uint32_t kAmount200 = 75;
// Written in front of 0xD254's value: the position stays where it is.
constexpr uint32_t kKeepPosition = 0xFFFFFFFF;
// Drive modes in which the magnifier button does something else.
constexpr uint16_t kNoMagnifierDrives[] = {0x0002, 0x8010, 0x8012, 0x8015};
constexpr int kDefaultPressPauseMs = 100;

const uint8_t kTwoPressBodies[] = {kSonyModel6400, kSonyModel6600, kSonyModel6100};
const PtpSonyModelSet kTwoPressModels = {kTwoPressBodies, sizeof kTwoPressBodies};

std::atomic<int> g_pressPauseMs{kDefaultPressPauseMs};

// Entry index of a list, or false: a range (count 255) or a missing list has
// no entries at all.
bool entry_value(const PtpPropertyRecord* record, uint16_t index, uint32_t* value) {
    if (!record->values || record->valueCount == kRangeCount || record->valueCount <= index)
        return false;
    *value = record->values[index].value;
    return true;
}

uint16_t entry_for_level(uint32_t level) { return level == 200 ? kEntry200 : kEntry100; }

bool drive_blocks_magnifier() {
    uint32_t drive = 0;
    if (!PtpReadCurrentValue(kSonyPropDriveMode, &drive)) return false;
    for (uint16_t mode : kNoMagnifierDrives)
        if ((drive & 0xFFFF) == mode) return true;
    return false;
}

} // namespace

void PtpSony_SetZoomPauseForTest(int ms) { g_pressPauseMs.store(ms ? ms : kDefaultPressPauseMs); }

uint8_t PtpSony_StoredZoomLevel() {
    if (PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kSonyPropMagnification, 1)) {
        uint32_t at100 = 0, at200 = 0;
        uint8_t level = 0;
        if (entry_value(record, kEntry100, &at100) && record->currentValue == at100)
            level = 100;
        else if (entry_value(record, kEntry200, &at200) && record->currentValue == at200)
            level = 200;
        PtpUnlockProperty(record);
        return level;
    }
    uint32_t amount = 0;
    if (!PtpReadCurrentValue(kSonyPropZoomAmount, &amount) || amount < kAmount100) return 0;
    return amount >= kAmount200 ? 200 : 100;
}

uint8_t PtpSony_GetLiveViewZoomLevel(uint8_t refresh) {
    if (!PtpSony_CameraIn(kSonyZoomLevelModels)) return 0;
    if (refresh) {
        const uint32_t code = PtpGenericInterface_GetProperty(kSonyPropMagnification, 0)
                                  ? kSonyPropMagnification
                                  : kSonyPropZoomAmount;
        if (PtpGenericInterface_RefreshPropertyValue(code) != PtpResult_Ok) return 0;
    }
    return PtpSony_StoredZoomLevel();
}

PtpResult PtpSony_SetLiveViewZoomLevel(uint32_t level) {
    if (PtpSony_CameraIn(kSonyButtonZoomModels)) {
        // Each press steps the body's magnifier on; the level is not sent.
        if (drive_blocks_magnifier()) return PtpResult_NotAllowedInDriveMode;
        const int presses =
            PtpSony_CameraIn(kTwoPressModels) && PtpSony_StoredZoomLevel() == 0 ? 2 : 1;
        for (int i = 0; i < presses; ++i) {
            if (i) std::this_thread::sleep_for(std::chrono::milliseconds(g_pressPauseMs.load()));
            PtpResult rc = PtpSony_LiveViewPress(kSonyButtonMagnifier);
            if (rc != PtpResult_Ok) return rc;
        }
        return PtpResult_Ok;
    }
    if (!PtpSony_SupportsNormalPropertyControls()) return PtpResult_NotSupportedForCamera;

    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kSonyPropMagnification, 1);
    if (!record) return PtpResult_OperationNotSupported;
    uint32_t value = 0;
    if (level == 100 || level == 200) entry_value(record, entry_for_level(level), &value);
    PtpUnlockProperty(record);

    uint8_t data[8];
    put_u32(data, kKeepPosition);
    put_u32(data + 4, value);
    return PtpSony_LiveViewCommand(kSonyOpSetPropertyValue, kSonyPropMagnification, data,
                                   sizeof data);
}

bool PtpSony_SupportsLensZoom() {
    uint32_t enabled = 0;
    return PtpReadCurrentValue(kSonyPropZoomEnabled, &enabled) && enabled > 0;
}

bool PtpSonyInterface_CurrentZoomBar(uint32_t* a, uint32_t* b, uint32_t* c) {
    uint32_t bar = 0;
    if (!a || !b || !c || !PtpReadCurrentValue(kSonyPropZoomBar, &bar)) return false;
    *a = bar >> 24;
    *b = (bar >> 16) & 0xFF;
    *c = bar & 0xFF;
    return true;
}

PtpResult PtpSonyInterface_ZoomLens(uint8_t speed) {
    return PtpSony_LiveViewCommand(kSonyOpControlDevice, kSonyPropPowerZoom, &speed, 1);
}
