// Sony property reads and writes: the re-read from the all-properties data,
// absolute writes (0x9205) on newer bodies, up/down stepping of ISO, shutter
// speed and aperture on older ones, and the confirmation of a write.
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "comms/bytes.h"
#include "generic/event_fetch.h"
#include "generic/property_store.h"
#include "ptp/transaction.h"
#include "ptp_generic.h"
#include "sony/property_controls.h"
#include "sony/sony_capture.h"
#include "sony/sony_codes.h"
#include "sony/sony_models.h"
#include "sony/sony_session.h"

namespace {

constexpr uint32_t kCountSize = 8; // in front of the descriptors
constexpr uint32_t kBulb = 0;
// Exposure-program values above this are not reported back after a write.
constexpr uint32_t kLastReportedProgram = 0x7804F;

constexpr uint32_t kModeShutterPriority = 4;
constexpr uint32_t kModeShutterPriorityAlt = 0x30004;
constexpr uint32_t kModeMovie = 0x8050;
constexpr uint32_t kModeMovieP = 0x78050;
// Continuous, continuous self-timer and bracketing drive modes (low 16 bits):
// no bulb exposure in these.
constexpr uint16_t kNoBulbDriveModes[] = {
    0x0002, 0x8008, 0x8009, 0x800C, 0x800D, 0x800E, 0x800F, 0x8012, 0x8311, 0x8321, 0x8331, 0x8337,
    0x8357, 0x8377, 0x8511, 0x8521, 0x8531, 0x8537, 0x8557, 0x8577, 0x8911, 0x8937, 0x8957, 0x8977};

constexpr int kStepAttempts = 6;
constexpr auto kStepPause = std::chrono::milliseconds(250);
constexpr auto kShutterStepPause = std::chrono::milliseconds(50); // per step of a multi-step move
constexpr auto kUnmovedPause = std::chrono::milliseconds(500);
constexpr auto kConfirmPause = std::chrono::milliseconds(250);
constexpr uint32_t kStepSize = 4; // a signed step count

// Serialises stepped writes; the generic setter waits for it too.
std::mutex g_settingLock;

bool is_stepped(uint32_t code) {
    return code == kSonyPropShutterSpeed || code == kSonyPropIso || code == kSonyPropFNumber;
}

uint32_t cut_to_type(uint32_t type, uint32_t value) {
    switch (PtpDataTypeSize(type)) {
    case 1: return value & 0xFF;
    case 2: return value & 0xFFFF;
    default: return value;
    }
}

// The holders of the composite image format compare their own code only.
uint32_t comparable(uint32_t code, uint32_t type, uint32_t value) {
    if (code == kSonyPropImageQuality || code == kSonyPropImageFormat) return value & 0xFF;
    return cut_to_type(type, value);
}

int confirm_attempts(uint32_t code) {
    switch (code) {
    case kSonyPropShutterSpeed:
    case kSonyPropIso: return 3;
    case kSonyPropFocusIndication: return 8;
    case kSonyPropImagePending: return 200;
    default: return 6;
    }
}

uint32_t current(uint32_t code) {
    uint32_t value = 0;
    PtpReadCurrentValue(code, &value);
    return value;
}

// The position of value in code's list; -1 when there is no list (none, or
// a range's count 255 without one) or the value is not in it.
int position_of(uint32_t code, uint32_t value) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) return -1;
    int found = -1;
    if (record->values)
        for (uint16_t i = 0; i < record->valueCount && found < 0; ++i)
            if (record->values[i].value == value) found = i;
    PtpUnlockProperty(record);
    return found;
}

bool bulb_refused() {
    uint32_t mode = current(kSonyPropExposureProgram);
    if (mode == kModeShutterPriority || mode == kModeShutterPriorityAlt || mode == kModeMovie ||
        mode == kModeMovieP)
        return true;
    uint32_t drive = 0;
    if (!PtpReadCurrentValue(kSonyPropDriveMode, &drive)) return false;
    for (uint16_t refused : kNoBulbDriveModes)
        if (uint16_t(drive) == refused) return true;
    return false;
}

PtpResult write_absolute(uint32_t code, uint32_t value) {
    ByteWriter data;
    write_u32(data, value);
    if (code == kSonyPropMagnification) write_u32(data, 0); // its value is 8 bytes
    const uint32_t params[] = {code};
    return PtpTransaction_ExecuteWithRetry(kSonyOpSetPropertyValue, params, 1, data.buf.data(),
                                           uint32_t(data.buf.size()), nullptr, nullptr, nullptr, 1);
}

bool superseded() { return PtpSony_WaitingWriters() > 1; }

} // namespace

PtpResult PtpSony_RefreshProperty(uint32_t code, bool announce) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpTransaction_RunDataIn(kSonyOpGetAllProperties, {}, &data, &length);
    if (rc == PtpResult_Ok)
        rc = data && length > kCountSize
                 ? PtpSony_LocateProperty(code, data + kCountSize, length - kCountSize, announce)
                 : kSonyPropertyNotFound;
    std::free(data);
    return rc;
}

PtpResult PtpSony_RefreshValue(uint32_t code) { return PtpSony_RefreshProperty(code, true); }

bool PtpSony_WaitForPropertyValue(uint32_t code, uint32_t expected) {
    const int attempts = confirm_attempts(code);
    for (int i = 0; i < attempts; ++i) {
        if (i) std::this_thread::sleep_for(kConfirmPause);
        if (PtpSony_RefreshProperty(code, /*announce=*/true) != PtpResult_Ok) return false;
        PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
        if (!record) return false;
        // Both sides at the record's width: a signed value is stored
        // zero-extended, while the caller may hand it sign-extended.
        const bool equal = comparable(code, record->dataType, record->currentValue) ==
                           comparable(code, record->dataType, expected);
        PtpUnlockProperty(record);
        if (equal) return true;
    }
    return false;
}

// Older bodies step toward the value, and some programs are never reported:
// nothing to wait for.
PtpVerifyOutcome PtpSony_WaitForValue(uint32_t code, uint32_t value) {
    if (!PtpSony_SupportsNormalPropertyControls() ||
        (code == kSonyPropExposureProgram && value > kLastReportedProgram))
        return PtpVerifyOutcome::Skipped;
    return PtpSony_WaitForPropertyValue(code, value) ? PtpVerifyOutcome::Verified
                                                     : PtpVerifyOutcome::Failed;
}

PtpResult PtpSony_StepPropertyValue(uint32_t code, uint32_t target) {
    if (!is_stepped(code)) return PtpResult_InvalidArgument;
    const uint8_t model = PtpGenericInterface_CameraModel();
    const bool oneMove =
        code == kSonyPropShutterSpeed && model != kSonyModel7RM3 && model != kSonyModel7M3;
    for (int attempt = 0; attempt < kStepAttempts; ++attempt) {
        if (superseded()) return PtpResult_Aborted;
        PtpResult rc = PtpSony_RefreshProperty(code, /*announce=*/true);
        if (rc != PtpResult_Ok) return rc;
        const uint32_t before = current(code);
        if (before == target) return PtpResult_Ok;
        const int from = position_of(code, before);
        const int to = position_of(code, target);
        if (from < 0 || to < 0) return PtpResult_Failed;
        const int steps = to - from;
        const int count = steps < 0 ? -steps : steps;
        if (oneMove) {
            rc = PtpSony_SendControl(code, uint32_t(int32_t(steps)), kStepSize);
            if (rc != PtpResult_Ok) return rc;
            std::this_thread::sleep_for(kShutterStepPause * count);
        } else {
            for (int i = 0; i < count; ++i) {
                if (superseded()) return PtpResult_Aborted;
                rc = PtpSony_SendControl(code, steps < 0 ? uint32_t(-1) : 1u, kStepSize);
                if (rc != PtpResult_Ok) return rc;
                std::this_thread::sleep_for(kStepPause);
            }
        }
        if (PtpSony_WaitForPropertyValue(code, target)) return PtpResult_Ok;
        if (current(code) == before) {
            std::this_thread::sleep_for(kUnmovedPause);
            if (PtpSony_WaitForPropertyValue(code, target)) return PtpResult_Ok;
        }
    }
    return PtpResult_PropertyWriteFailed;
}

PtpResult PtpSony_SetPropertyValue(uint32_t code, uint32_t value) {
    if (PtpSony_SupportsNormalPropertyControls() || !is_stepped(code)) {
        PtpResult rc = write_absolute(code, value);
        // The ZV-1 sometimes drops an aperture write: one more.
        if (rc == PtpResult_Ok && code == kSonyPropFNumber &&
            PtpGenericInterface_CameraModel() == kSonyModelZv1 &&
            !PtpSony_WaitForPropertyValue(code, value))
            rc = write_absolute(code, value);
        return rc;
    }
    if (code == kSonyPropShutterSpeed && value == kBulb && bulb_refused())
        return PtpResult_NotAllowedInExposureMode;
    PtpSonyWriterTicket ticket;
    std::lock_guard<std::mutex> held(g_settingLock);
    return PtpSony_StepPropertyValue(code, value);
}

void PtpSony_BeforeWrite() {
    PtpSonyWriterTicket ticket;
    std::lock_guard<std::mutex> held(g_settingLock);
}

PtpResult PtpSony_IncrementProperty(uint32_t code, uint32_t direction) {
    return PtpSony_SendControl(code, direction, 2);
}

PtpResult PtpSony_ReadValue(uint32_t code, uint8_t** data, uint32_t* length) {
    return PtpTransaction_RunDataIn(kSonyOpGetPropertyValue, {code}, data, length);
}

PtpResult PtpSony_RefreshAllProperties() {
    return PtpFetchEventsOnce(/*wait=*/true, /*lockHeld=*/false);
}
