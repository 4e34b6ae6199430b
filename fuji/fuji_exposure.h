// The Fujifilm driver's exposure entries: compensation in thousandths of a
// stop and which way the exposure lists run.
#pragma once

#include <cstdint>

// Thousandths of a stop as a 16-bit value, held to its range; 0 for NaN.
uint32_t PtpFuji_CompensationCodeForStop(float stop);
// 3: compensation moves in thirds of a stop.
uint32_t PtpFuji_CompensationStepSize();
// Only in host priority, and in an exposure mode that is not manual.
bool PtpFuji_IsCompensationEnabled();
// Compensation limits of 0x5010 in stops, counted from 0.
float PtpFuji_CompensationLimit(bool largest, uint8_t extended);
// The aperture list (0x5007) gets brighter toward earlier entries and darker
// toward later ones; every other list darker toward earlier ones.
int PtpFuji_HdrBrighterDirection(uint32_t code);
int PtpFuji_HdrDarkerDirection(uint32_t code);
// The Tetherhub counts a bracket over the aperture the other way round.
bool PtpFuji_HubOrderReversed(uint32_t code);
