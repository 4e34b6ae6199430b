// Sony controls: 0x9207 with a button or property code and its value, the
// presses and releases built on it, the re-read wait and the pauses that the
// capture and focus calls share.
#include <atomic>
#include <chrono>
#include <thread>

#include "comms/bytes.h"
#include "generic/property_store.h"
#include "ptp/transaction.h"
#include "ptp_properties.h"
#include "sony/sony_capture.h"
#include "sony/sony_codes.h"

namespace {

// Reads of a property that is expected to change are this far apart.
constexpr uint32_t kAwaitPauseMs = 250;

std::atomic<uint32_t> g_pausePercent{100};

} // namespace

PtpResult PtpSony_SendControl(uint32_t control, uint32_t value, uint8_t size) {
    uint8_t data[4] = {};
    switch (size) {
    case 1: data[0] = uint8_t(value); break;
    case 2: put_u16(data, uint16_t(value)); break;
    case 4: put_u32(data, value); break;
    default: return PtpResult_InvalidArgument;
    }
    return PtpTransaction_ExecuteWithRetry(kSonyOpControlDevice, &control, 1, data, size, nullptr,
                                           nullptr, nullptr, 1);
}

PtpResult PtpSony_Press(uint32_t button) { return PtpSony_SendControl(button, kSonyPress, 2); }

PtpResult PtpSony_Release(uint32_t button) { return PtpSony_SendControl(button, kSonyRelease, 2); }

bool PtpSony_AwaitValue(uint32_t code, uint32_t expected, uint32_t attempts) {
    for (uint32_t attempt = 0; attempt < attempts; ++attempt) {
        if (PtpGenericInterface_RefreshPropertyValue(code) != PtpResult_Ok) return false;
        uint32_t value = 0;
        if (!PtpReadCurrentValue(code, &value)) return false;
        if (value == expected) return true;
        if (attempt + 1 < attempts) PtpSony_Pause(kAwaitPauseMs);
    }
    return false;
}

void PtpSony_SetPauseScale(uint32_t percent) { g_pausePercent = percent; }

void PtpSony_Pause(uint32_t ms) {
    const uint64_t scaled = uint64_t(ms) * g_pausePercent / 100;
    if (scaled) std::this_thread::sleep_for(std::chrono::milliseconds(scaled));
}
