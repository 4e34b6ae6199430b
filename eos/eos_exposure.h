// The Canon EOS driver's exposure entries: exposure-step codes, the step size,
// bracketing and compensation by exposure mode and their limits, and which
// way the exposure lists run. Each reads the property store under the
// record's lock; only SetBracketing talks to the camera.
#pragma once

#include <cstdint>

#include "ptp_result.h"

// The exposure-step code for stop stops: eighths of a stop with thirds (3, 5)
// and halves (4), negative steps as 256 minus the magnitude. Steps beyond the
// code range give the largest code of their sign (160, or 161 for -95/8).
uint32_t PtpEos_ExposureCodeForStop(float stop);

// 2 when the camera steps in half stops, else 3: read from the compensation
// list, else the bracketing list, else whether the shutter list has code 100.
uint32_t PtpEos_ExposureStepSize();

// Whether exposure bracketing may be used in the current exposure mode and
// the camera lists 0xD1D9.
bool PtpEos_IsExposureBracketingEnabled();

// Whether exposure compensation may be used in the current exposure mode.
bool PtpEos_IsExposureCompensationEnabled();

// +step and -step into out[0] and out[1]; returns 2. force means nothing here.
uint32_t PtpEos_GetExposureBracketingStops(float step, float* out, uint8_t force);

// The largest bracketing step of 0xD1D9 in stops, computed once per session; 0
// while the store has no 0xD1D9.
float PtpEos_MaxExposureBracketStop();

// The largest (or smallest) compensation of 0xD104's allowed values in stops,
// read from the whole-stop labels on every call; 0 when there are none.
// extended means nothing here.
float PtpEos_CompensationLimit(bool largest, uint8_t extended);

// Writes the bracketing property (its role) with value, verified.
PtpResult PtpEos_SetBracketing(uint32_t value);

// HDR list directions: aperture and shutter speed get brighter toward earlier
// entries; ISO gets darker toward earlier ones.
int PtpEos_HdrBrighterDirection(uint32_t code);
int PtpEos_HdrDarkerDirection(uint32_t code);
