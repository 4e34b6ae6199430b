// One fetch of the camera's pending event data and its dispatch to the vendor
// parser, outside the event-check thread or within it.
#pragma once

#include <cstdint>

#include "ptp_result.h"

// Fetches and dispatches once. Unless lockHeld, takes the event-fetch lock
// (waiting when wait, else PtpResult_Busy when held). Returns the fetch's
// failure, or PtpResult_Ok whatever the dispatch gave.
PtpResult PtpFetchEventsOnce(bool wait, bool lockHeld);

// Routes event data to the session driver's parser and, when it parsed, tells
// the host. PtpResult_NotSupportedForCamera when the driver has no parser.
PtpResult PtpDispatchEventData(const uint8_t* data, uint32_t length);

// The parser of the Tetherhub's own 38-byte event records, for the drivers
// whose events the Tetherhub collects: objects added are queued, property
// records go to the driver's hubPropertyChanged. Only whole records count.
// Always PtpResult_Ok.
PtpResult PtpHub_ParseEventRecords(const uint8_t* data, uint32_t length);
