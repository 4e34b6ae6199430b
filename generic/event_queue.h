// The event queue: a FIFO of camera events the host drains with PopEventPtr.
// Drivers and the vendor-neutral layer queue events with PtpPushEvent.
#pragma once

#include <cstdint>

// The payload every queued event carries: an object record for object events,
// a record pointer for property changes, or a driver's own bytes.
constexpr uint32_t kEventPayloadSize = 612;

// Standard event codes.
constexpr uint32_t kPtpEventObjectAdded = 0x4002;
constexpr uint32_t kPtpEventObjectRemoved = 0x4003;
constexpr uint32_t kPtpEventDevicePropChanged = 0x4006;

// An event as queued: the code and its payload.
struct PtpEventData {
    uint32_t code;
    uint8_t payload[kEventPayloadSize];
};

struct PtpEventRecord;
struct PtpPropertyRecord;

// Queues a copy of *event; with notify, calls the host's notify function
// afterwards (with no queue lock held). Returns the queued record, or null when
// memory is short (the event is dropped).
PtpEventRecord* PtpPushEvent(const PtpEventData* event, bool notify);

// Queues a DevicePropChanged event carrying the record pointer (null is
// queued as it is: the host then knows only that something changed).
void PtpQueuePropertyChanged(PtpPropertyRecord* record, bool notify);
// The same for the store's record of code (null when it has none).
void PtpQueuePropertyCodeChanged(uint32_t code, bool notify);
