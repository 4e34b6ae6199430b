/** \file
 * Camera events: the event-check loop that polls the Tetherhub, and the queue
 * the host drains. */
#ifndef PTP_EVENTS_H
#define PTP_EVENTS_H

#include <stdint.h>

#include "ptp_result.h"

/** Pauses the event-check loop: waits for a poll in progress to finish and
 * keeps the loop from polling until ResumeEventCheckLoop. Returns true. */
PTP_API bool PtpGenericInterface_PauseEventCheckLoop(void);

/** Ends a pause taken with PauseEventCheckLoop. False when the host holds no
 * pause. */
PTP_API bool PtpGenericInterface_ResumeEventCheckLoop(void);

/** 1 while the host holds a pause. */
PTP_API uint8_t PtpGenericInterface_IsEventLoopPaused(void);

/** Called by the event-check thread with the result of a poll that failed
 * (anything but OK, and but a poll skipped because another thread was
 * fetching). Runs on the event-check thread. */
typedef void (*PtpEventErrorFn)(PtpResult result);

/** \struct PtpHostEvent
 * The view of one event that PopEventPtr returns, packed: the code, then 8
 * bytes holding either two u32 parameters or, for 0x4002 ObjectAdded, 0x4003
 * ObjectRemoved and 0xC1A5, an unaligned pointer to a copy of the payload (the
 * 612-byte object record, or 8 bytes). */
#pragma pack(push, 1)
typedef struct PtpHostEvent {
    uint32_t code; /**< the PTP event code */
    union {
        uint32_t params[2]; /**< the first two parameters */
        const void* data;   /**< the payload copy, for the events named above */
    } u;           /**< parameters or payload */
} PtpHostEvent;
#pragma pack(pop)

PTP_STATIC_ASSERT(sizeof(PtpHostEvent) == 12, "PtpHostEvent layout");

/** Starts the event-check thread, which polls the camera's events every 500 ms
 * and queues them. When it runs and the host paused it, the pause ends. */
PTP_API void PtpGenericInterface_StartEventCheckLoop(PtpEventErrorFn onError);

/** Stops the thread after its current poll; with wait, returns once it has
 * ended. True on success, also when no thread runs. */
PTP_API bool PtpGenericInterface_StopEventCheckLoop(uint8_t wait);

/** The oldest queued event, or null when the queue is empty. The view and the
 * payload copy it points to are static: the next call overwrites them. */
PTP_API PtpHostEvent* PopEventPtr(void);

#endif
