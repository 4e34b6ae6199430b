// The Fujifilm driver's entries that have no area header of their own; the
// driver table (fuji/driver.cpp) points at them.
#pragma once

#include <cstdint>

#include "generic/driver.h"
#include "ptp_objects.h"
#include "ptp_result.h"

// Capture (fuji/capture.cpp).
bool PtpFuji_IsBulbAvailable();

// Live view (fuji/live_view.cpp) and objects (fuji/objects.cpp).
bool PtpFuji_Has200ZoomLevel();
PtpResult PtpFuji_GetObjectInfo(uint32_t handle, PtpObjectInfo* out);
PtpResult PtpFuji_DeleteObject(uint32_t handle, uint32_t second);

// Properties (fuji/properties.cpp).
void PtpFuji_PropertyWritten(uint32_t code);
PtpResult PtpFuji_FinishWrite(PtpResult result);
