// Exposure-mode tests for the drivers: whether aperture, shutter speed and
// exposure compensation can be set in a mode (a value of the vendor's
// exposure-program property). They match the settable flags that event
// processing gives those properties. No camera traffic, no lock.
//
// The standard answers below read values in the standard encoding (battery level
// in percent, f-number in hundredths, exposure programs 1 manual, 3 aperture
// priority, 4 shutter priority); a driver whose properties use it points its
// capability entries at them.
#pragma once

#include <cstdint>

bool PtpIsApertureSettableInMode(uint32_t mode);
bool PtpIsShutterSettableInMode(uint32_t mode);
bool PtpIsCompensationSettableInMode(uint32_t mode);

uint32_t PtpStandard_BatteryPercent(uint32_t value); // the low byte
float PtpStandard_FNumber(uint32_t value, const char* label);
bool PtpStandard_IsManualMode(uint32_t mode);
bool PtpStandard_IsApertureSettable(uint32_t mode);
bool PtpStandard_IsShutterSettable(uint32_t mode);
