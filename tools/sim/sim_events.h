// The camera's pending events: raised by property changes and card changes,
// taken whole by control code 130 in the vendor's encoding. Callers hold the
// hub lock.
#pragma once

#include "sim_camera.h"

#include "comms/bytes.h"

#include <deque>
#include <vector>

// Queues one event; past a bound (a host that never reads) events are dropped
// and counted.
void SimEvents_Raise(SimCameraState& cam, SimEvent event);

// Queues raw bytes, passed on in place when the events are taken.
void SimEvents_PushRaw(SimCameraState& cam, const std::vector<uint8_t>& raw);

// Encodes the events cam.event_reader has not taken yet for the camera's
// vendor into `out` (replacing its contents); they count as taken for it.
void SimEvents_Take(SimCameraState& cam, std::vector<uint8_t>* out);

// A connected client starts reading at the oldest event still kept; a client
// that goes no longer holds any back.
void SimEvents_AddReader(SimCameraState& cam, uint32_t id);
void SimEvents_RemoveReader(SimCameraState& cam, uint32_t id);

// Events not yet taken by the client furthest ahead (all kept ones when no
// client is connected).
size_t SimEvents_Pending(const SimCameraState& cam);

// The hub's own event records, which Sony and Fujifilm cameras hand over: one
// 38-byte record per event (the layout is in sim_hub.h).
void SimEvents_EncodeHubRecords(const SimCameraState& cam, const std::deque<SimEvent>& events,
                                ByteWriter& out);
