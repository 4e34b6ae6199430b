// The property store: up to 300 records, one per device property the camera
// offers, created by the vendor drivers at session start.
#pragma once

#include <cstdint>

#include "ptp_generic.h"

constexpr uint16_t kPropertyStoreCapacity = 300;

// Empties the store: every record's code 0, its value list freed, count 0.
void PtpClearPropertyStore();
