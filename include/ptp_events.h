/* Camera events: the event-check loop that polls the Tetherhub, and the queue
 * the host drains. */
#ifndef PTP_EVENTS_H
#define PTP_EVENTS_H

#include <stdint.h>

#include "ptp_result.h"

/* Pauses the event-check loop: waits for a poll in progress to finish and
 * keeps the loop from polling until ResumeEventCheckLoop. Returns true. */
PTP_API bool PtpGenericInterface_PauseEventCheckLoop(void);

/* Ends a pause taken with PauseEventCheckLoop. False when the host holds no
 * pause. */
PTP_API bool PtpGenericInterface_ResumeEventCheckLoop(void);

/* 1 while the host holds a pause. */
PTP_API uint8_t PtpGenericInterface_IsEventLoopPaused(void);

#endif
