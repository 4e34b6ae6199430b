// One fetch of the camera's pending event data and its dispatch to the vendor
// parser, outside the event-check thread or within it.
#pragma once

#include <cstdint>

#include "ptp_result.h"

// Fetches and dispatches once. Unless lockHeld, takes the event-fetch lock
// (waiting when wait, else PtpResult_Busy when held). Returns the fetch's
// failure, or PtpResult_Ok whatever the dispatch gave.
PtpResult PtpFetchEventsOnce(bool wait, bool lockHeld);

// Routes event data to the vendor's parser.
PtpResult PtpDispatchEventData(const uint8_t* data, uint32_t length);
