// The Sony driver's exposure entries: the compensation limits and which way
// the exposure lists run.
#pragma once

#include <cstdint>

// Compensation limits of 0x5010 in stops, counted from 0: a list on one side
// of 0 gives 0 for the other limit.
float PtpSony_CompensationLimit(bool largest, uint8_t extended);
// The shutter-speed list (0xD20D) gets brighter toward earlier entries, the
// ISO list (0xD21E) darker toward earlier ones.
int PtpSony_HdrBrighterDirection(uint32_t code);
int PtpSony_HdrDarkerDirection(uint32_t code);
// The Tetherhub counts a bracket over the shutter speed the other way round.
bool PtpSony_HubOrderReversed(uint32_t code);
