// The Nikon driver's exposure entries: bracketing steps by body, the series
// steps of the bodies that switch from thirds to whole stops, the
// compensation limits, and which way the exposure lists run.
#pragma once

#include <cstdint>

// Stops of a bracketing-step code on the body of model number model (no
// store access).
float PtpNikon_BracketStop(uint8_t model, uint32_t code);
// The same for the session's camera; 0 while image bracketing (0xD0C0) is off.
float PtpNikon_StopForBracketValue(uint32_t code);
// The index-th step of a series of stop stops.
float PtpNikon_NextBracketStep(float stop, int32_t index);
// Compensation limits of 0x5010, or of the movie compensation 0xD1AB when
// extended, from the list's true extremes.
float PtpNikon_CompensationLimit(bool largest, uint8_t extended);
int PtpNikon_HdrBrighterDirection(uint32_t code);
int PtpNikon_HdrDarkerDirection(uint32_t code);
