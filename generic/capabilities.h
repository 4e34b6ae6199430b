// Exposure-mode tests for the drivers: whether aperture, shutter speed and
// exposure compensation can be set in a mode (a value of the vendor's
// exposure-program property). They match the settable flags that event
// processing gives those properties. No camera traffic, no lock.
#pragma once

#include <cstdint>

bool PtpIsApertureSettableInMode(uint32_t mode);
bool PtpIsShutterSettableInMode(uint32_t mode);
bool PtpIsCompensationSettableInMode(uint32_t mode);
