#include "generic/event_queue.h"

#include <cstring>
#include <deque>
#include <memory>
#include <mutex>

#include "generic/session.h"
#include "ptp_events.h"
#include "ptp_properties.h"

// A queued event.
struct PtpEventRecord {
    PtpEventData event;
};

namespace {

// The host event whose eight payload bytes PopEventPtr hands out by pointer,
// as ptp_events.h documents.
constexpr uint32_t kEventWithShortData = 0xC1A5;

struct EventQueue {
    std::mutex lock; // held only to append or unlink, never around the notify call
    std::deque<std::unique_ptr<PtpEventRecord>> items; // guarded by lock
    // The view PopEventPtr hands out and the payload copies it points to;
    // overwritten by every call, as the host expects.
    PtpHostEvent view;
    uint8_t objectCopy[kEventPayloadSize];
    uint8_t shortCopy[8];
};

EventQueue g_queue;

} // namespace

PtpEventRecord* PtpPushEvent(const PtpEventData* event, bool notify) {
    if (!event) return nullptr;
    std::unique_ptr<PtpEventRecord> record(new (std::nothrow) PtpEventRecord);
    if (!record) return nullptr;
    record->event = *event;
    PtpEventRecord* queued = record.get();
    try {
        std::lock_guard<std::mutex> held(g_queue.lock);
        g_queue.items.push_back(std::move(record));
    } catch (...) {
        return nullptr; // out of memory: this event only is dropped
    }
    PtpEventNotifyFn fn = PtpSession_NotifyFn();
    if (notify && fn) fn();
    return queued;
}

PtpHostEvent* PopEventPtr() {
    std::lock_guard<std::mutex> held(g_queue.lock);
    if (g_queue.items.empty()) return nullptr;
    std::unique_ptr<PtpEventRecord> head = std::move(g_queue.items.front());
    g_queue.items.pop_front();
    const PtpEventData& e = head->event;
    PtpHostEvent& view = g_queue.view;
    view.code = e.code;
    std::memcpy(&view.u, e.payload, sizeof view.u);
    const void* copy = nullptr;
    if (e.code == kPtpEventObjectAdded || e.code == kPtpEventObjectRemoved) {
        std::memcpy(g_queue.objectCopy, e.payload, kEventPayloadSize);
        copy = g_queue.objectCopy;
    } else if (e.code == kEventWithShortData) {
        std::memcpy(g_queue.shortCopy, e.payload, sizeof g_queue.shortCopy);
        copy = g_queue.shortCopy;
    }
    if (copy) std::memcpy(&view.u, &copy, sizeof copy);
    return &view;
}

void PtpQueuePropertyChanged(PtpPropertyRecord* record, bool notify) {
    PtpEventData event{};
    event.code = kPtpEventDevicePropChanged;
    static_assert(sizeof record <= sizeof event.payload, "a record pointer fits the payload");
    std::memcpy(event.payload, &record, sizeof record);
    PtpPushEvent(&event, notify);
}

void PtpQueuePropertyCodeChanged(uint32_t code, bool notify) {
    PtpQueuePropertyChanged(PtpGenericInterface_GetProperty(code, 0), notify);
}
