// The Nikon driver's entries that have no area header of their own; the
// driver table (nikon/driver.cpp) points at them.
#pragma once

#include <cstdint>

#include "generic/driver.h"
#include "ptp_objects.h"
#include "ptp_result.h"

// Capture (nikon/capture.cpp). A Nikon capture completes the shot: there is no
// release of its own, and no half press.
PtpResult PtpNikon_WaitBusyCapture();
bool PtpNikon_IsDriveModeContinuous(uint32_t value);
bool PtpNikon_CouldDoubleShoot();
PtpResult PtpNikon_MitigateDoubleShoot();

// Objects (nikon/objects.cpp).
PtpResult PtpNikon_DeleteObject(uint32_t handle, uint32_t second);
bool PtpNikon_CompleteObjectInfo(PtpObjectInfo* record);

// Session and properties (nikon/session.cpp, nikon/properties.cpp).
PtpResult PtpNikon_KeepAlive();
uint32_t PtpNikon_StoredValue(uint32_t code, uint32_t value);
bool PtpNikon_IsRangeListed(uint32_t code);
bool PtpNikon_IsRangeLabelled(uint32_t code);
void PtpNikon_PropertyWritten(uint32_t code);
