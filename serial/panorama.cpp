// The panorama sequencer: capture, turn the head, let it settle, capture
// again. A capture is one shot, a property bracket or a bulb bracket, each made
// of the vendor-neutral capture, property and bulb calls; what differs between
// cameras comes from the session's driver.
#include "serial/panorama.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "generic/driver.h"
#include "generic/exposure.h"
#include "ptp_capture.h"
#include "ptp_exposure.h"
#include "ptp_properties.h"
#include "ptp_serial.h"

namespace {

// A property write is tried at most this often while the camera answers busy.
constexpr int kMaxWriteAttempts = 50;
// A vendor's "not ready" answer to a property write, retried like busy.
constexpr PtpResult kWriteNotReady = 0xA002;
// The longest pause an interval asks for; beyond it a float interval is
// taken as this (a day), so the conversion to a duration cannot overflow.
constexpr double kLongestIntervalMs = 86400000.0;

struct BracketPlan {
    uint32_t code;   // the property stepped, or PTP_PANORAMA_BULB
    uint32_t centre; // property value, or the middle exposure in ms
    uint32_t step;   // list positions, or thirds of a stop
    uint16_t count;
    uint8_t order;     // 0 centred, 1 the other way from the centre, else forward
    double intervalMs; // between two shots of a bracket; 0 for none
};

struct Panorama {
    std::atomic<bool> cancel{false};
    // The pauses between steps wait on wake, so a cancel ends them at once.
    std::mutex wakeLock; // guards nothing but the wait itself
    std::condition_variable wake;
    std::atomic<uint32_t> busyRetryMs{PtpPanoramaPauses{}.busyRetryMs};
    std::atomic<uint32_t> writeRetryMs{PtpPanoramaPauses{}.writeRetryMs};
    std::atomic<uint32_t> settleMs{PtpPanoramaPauses{}.settleMs};
};

Panorama g_panorama;

bool cancelled() { return g_panorama.cancel.load(); }

// Waits ms unless the panorama is cancelled first; false when cancelled.
bool pause_unless_cancelled(uint64_t ms) {
    std::unique_lock<std::mutex> held(g_panorama.wakeLock);
    return !g_panorama.wake.wait_for(held, std::chrono::milliseconds(ms), cancelled);
}

// A pause that a cancel does not shorten: the bracket's own timing.
void pause(double ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
}

// The camera's answer to an operation, asked again after retryMs for as long as
// busy(answer) holds. A cancel ends the retries with PtpResult_Aborted; an
// operation the camera accepted is never interrupted.
template <typename Op, typename Busy>
PtpResult retry_while_busy(Op op, Busy busy, uint32_t retryMs, int attempts = 0) {
    PtpResult rc = op();
    for (int made = 1; busy(rc); ++made) {
        if (attempts && made >= attempts) return rc; // still busy: that is the result
        if (!pause_unless_cancelled(retryMs)) return PtpResult_Aborted;
        rc = op();
    }
    return rc;
}

PtpResult take_while_busy() {
    return retry_while_busy(
        PtpGenericInterface_TakeAndWaitForShotToComplete,
        [](PtpResult rc) { return rc == PtpResult_DeviceBusy; }, g_panorama.busyRetryMs.load());
}

// The values of a property bracket, from the property's allowed-value list.
// A series that would step past either end of the list is refused whole.
PtpResult bracket_values(const BracketPlan& plan, uint32_t* values) {
    PtpLockedRecord r(plan.code);
    const int64_t n = r.count();
    if (n == 0) return PtpResult_InvalidArgument;
    const int64_t centre = r.position(plan.centre);
    if (centre < 0) return PtpResult_InvalidArgument;
    const PtpDriver* d = PtpSession_Driver();
    int64_t direction = d->exposure.hostBracketDirection
                            ? (d->exposure.hostBracketDirection(plan.code) < 0 ? -1 : 1)
                            : 1;
    if (plan.order == 1) direction = -direction;
    const int64_t stride = int64_t(plan.step) * direction;
    int64_t start = centre;
    if (plan.order == 0) start -= int64_t(plan.count / 2) * stride;
    for (int64_t k = 0; k < plan.count; ++k) {
        const int64_t at = start + k * stride;
        if (at < 0 || at >= n) return PtpResult_InvalidArgument;
        values[k] = r.record->values[at].value;
    }
    return PtpResult_Ok;
}

PtpResult property_bracket(const BracketPlan& plan) {
    uint32_t values[PTP_PANORAMA_BRACKET_MAX];
    PtpResult rc = bracket_values(plan, values);
    if (rc != PtpResult_Ok) return rc;
    const PtpDriverExposure& e = PtpSession_Driver()->exposure;
    for (uint16_t k = 0; k < plan.count; ++k) {
        if (k > 0) pause(e.hostBracketWritePauseMs);
        rc = retry_while_busy(
            [&] { return PtpGenericInterface_SetPropertyValue(plan.code, values[k], 0); },
            [](PtpResult r) { return r == PtpResult_DeviceBusy || r == kWriteNotReady; },
            g_panorama.writeRetryMs.load(), kMaxWriteAttempts);
        if (rc != PtpResult_Ok) return rc;
        pause(e.hostBracketSettleMs);
        rc = take_while_busy();
        if (rc != PtpResult_Ok) return rc;
        if (k + 1 < plan.count) pause(plan.intervalMs);
    }
    return PtpResult_Ok;
}

PtpResult bulb_bracket(const BracketPlan& plan) {
    std::unique_ptr<uint32_t, decltype(&std::free)> durations(
        PtpGenericInterface_CalculateBulbDuration(plan.centre, float(plan.step / 3.0), plan.count),
        &std::free);
    if (!durations) return PtpResult_Failed;
    if (!PtpGenericInterface_IsBulbAvailable()) return PtpResult_OperationNotSupported;
    const PtpDriverCapture& c = PtpSession_Driver()->capture;
    for (uint16_t k = 0; k < plan.count; ++k) {
        PtpResult rc = retry_while_busy(
            PtpGenericInterface_StartBulb,
            [](PtpResult r) { return r == PtpResult_DeviceBusy || r == PtpResult_VendorBusy; },
            g_panorama.busyRetryMs.load());
        if (rc != PtpResult_Ok) return rc;
        pause(durations.get()[k]); // the exposure itself: never cut short
        rc = PtpGenericInterface_StopBulb();
        if (rc != PtpResult_Ok) return rc;
        if (k + 1 == plan.count) break;
        pause(c.bulbSeriesPauseMs);
        if (c.waitImageTransfer) c.waitImageTransfer();
        pause(plan.intervalMs);
    }
    return PtpResult_Ok;
}

PtpResult capture_position(const BracketPlan* plan) {
    if (!plan) return take_while_busy();
    return plan->code == PTP_PANORAMA_BULB ? bulb_bracket(*plan) : property_bracket(*plan);
}

} // namespace

void PtpPanorama_SetPauses(const PtpPanoramaPauses& pauses) {
    g_panorama.busyRetryMs = pauses.busyRetryMs;
    g_panorama.writeRetryMs = pauses.writeRetryMs;
    g_panorama.settleMs = pauses.settleMs;
}

PtpResult Serial_DoPanorama(uint32_t positions, uint8_t direction, uint32_t moveMs, float interval,
                            uint8_t bracket, uint32_t propertyCode, uint32_t centreValue,
                            uint32_t step, uint16_t count, uint8_t order,
                            PtpPanoramaProgressFn progress) {
    BracketPlan plan{propertyCode, centreValue, step, count, order, 0};
    if (bracket) {
        if (count > PTP_PANORAMA_BRACKET_MAX) return PtpResult_InvalidArgument;
        if (interval > 0) plan.intervalMs = std::fmin(double(interval) * 1000, kLongestIntervalMs);
    }
    const BracketPlan* series = bracket ? &plan : nullptr;
    g_panorama.cancel = false;

    PtpResult rc = capture_position(series);
    if (rc != PtpResult_Ok) return rc;
    if (progress) progress(1);
    if (cancelled()) return PtpResult_Aborted;

    for (uint32_t i = 1; i < positions; ++i) {
        rc = Serial_SendMoveTripodDuration(direction, moveMs);
        if (rc != PtpResult_Ok) return rc;
        // The head turns for moveMs, then needs a moment to stand still.
        if (!pause_unless_cancelled(uint64_t(moveMs) + g_panorama.settleMs.load()))
            return PtpResult_Aborted;
        rc = capture_position(series);
        if (rc != PtpResult_Ok) return rc;
        if (progress) progress(i + 1);
        if (cancelled()) return PtpResult_Aborted;
    }
    return PtpResult_Ok;
}

void Serial_CancelPanorama() {
    {
        std::lock_guard<std::mutex> held(g_panorama.wakeLock);
        g_panorama.cancel = true;
    }
    g_panorama.wake.notify_all();
}
