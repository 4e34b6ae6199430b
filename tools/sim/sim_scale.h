// Loading the virtual camera for benchmarks at scale: many objects on the card
// and many described properties. Each call takes the hub lock; none may be
// called after SimHub_Stop.
#pragma once

#include <cstdint>
#include <vector>

#include "sim_hub.h"

// Puts `count` copies of `bytes` on the card, named as the camera names its
// pictures (numbered after the ones present), without raising ObjectAdded: a
// card that was full when the host connected. Returns the objects on the card.
uint32_t SimHub_FillCard(SimHub* hub, uint32_t count, const std::vector<uint8_t>& bytes);

// Adds plain read/write UINT32 properties with a 16-value enumeration, codes
// 0xE000 upwards, to the model's own properties (its own table, not the ones
// it shares with its vendor) until they are `total`: DeviceInfo lists them,
// GetDevicePropDesc and the vendors' reports (a Canon's full report, a Sony's
// all-properties data) carry them. Every property goes back to its factory
// value. Returns the number of the model's own properties.
uint32_t SimHub_FillProperties(SimHub* hub, uint32_t total);
