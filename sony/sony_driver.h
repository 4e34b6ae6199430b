// The Sony driver's entries that have no area header of their own; the
// driver table (sony/driver.cpp) points at them.
#pragma once

#include <cstdint>

#include "generic/driver.h"
#include "ptp_objects.h"
#include "ptp_result.h"

// Capabilities and image formats (sony/models.cpp).
bool PtpSony_SupportsHalfPress();
bool PtpSony_IsAutoIso();
bool PtpSony_IsImageFormatRaw();
bool PtpSony_IsImageFormatRawPlusJpg();
bool PtpSony_IsRawOnlyImageFormat(uint32_t value);

// Capture (sony/capture.cpp).
PtpResult PtpSony_MitigateDoubleShoot();

// Objects (sony/objects.cpp). Sony cameras are not listed with GetObjectHandles.
PtpResult PtpSony_GetObjectInfo(uint32_t handle, PtpObjectInfo* out);

// Properties and events (sony/properties.cpp, sony/events.cpp).
PtpVerifyOutcome PtpSony_WaitForValue(uint32_t code, uint32_t value);
void PtpSony_HubPropertyChanged(uint32_t code, uint32_t value, uint8_t flag);
