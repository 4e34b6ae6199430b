// The Nikon image-format entries (nikon/image_format.cpp) and the exposure
// encodings and capability answers of nikon/encodings.cpp and
// nikon/capabilities.cpp. They read the session's model number and the
// property store; only the setters talk to the camera.
#pragma once

#include <cstdint>

#include "ptp_result.h"

// Image formats: quality | JPEG size << 16 | RAW size << 24, 0xFFFFFFFF none.
bool PtpNikon_ImageFormatHasJpg(uint32_t value);
bool PtpNikon_IsImageFormatRawPlusJpg();
PtpResult PtpNikon_GetCurrentJpgFormat(uint32_t* format);
PtpResult PtpNikon_GetCurrentRawFormat(uint32_t* format);
// Out: *formats is malloc'd; element 0 is always none.
PtpResult PtpNikon_GetPossibleImageFormats(uint32_t kind, uint32_t** formats, uint32_t* count);
PtpResult PtpNikon_GetImageFormatDetails(uint32_t format, uint32_t kind, uint16_t* size,
                                         uint8_t* compression);
// The quality code of 0x5004 for a RAW and a JPEG value (either may be none),
// in the newer codes or the older.
uint32_t PtpNikon_ImageQualityFor(uint32_t raw, uint32_t jpeg, bool newer);
// Writes 0x5004, then the JPEG size 0x5003 and the RAW size 0xD0B6 where they
// differ, each verified; the first failure is returned.
PtpResult PtpNikon_SetImageFormat(uint32_t raw, uint32_t jpeg);

// Exposure encodings: compensation (0x5010, thousandths) and bracketing
// steps (0xD0C1) for a stop, the frames of the camera's bracketing pattern.
uint32_t PtpNikon_CompensationValueForStop(float stop);
uint32_t PtpNikon_BracketValueForStop(float stop);
uint32_t PtpNikon_CompensationStepSize();
bool PtpNikon_StopApart(uint32_t code, uint32_t* lower, uint32_t* upper);
float PtpNikon_MaxBracketStop();
// Frames below and above the base exposure for pattern value pattern on the
// body of model number model, with bracketing on or off.
void PtpNikon_BracketFrames(uint8_t model, bool on, uint32_t pattern, uint32_t* below,
                            uint32_t* above);
uint32_t PtpNikon_BracketingStops(float stop, float* out, uint8_t force);
// The automatic-exposure test of the automatic-ISO switch (0xD054).
bool PtpNikon_IsAutoExposureProgram();
// Whether bracketing and compensation apply: programs 1-4.
bool PtpNikon_IsExposureAdjustable();
PtpResult PtpNikon_SetBracketing(uint32_t value);
PtpResult PtpNikon_TurnOffBracketing();
// Continuous shots the camera takes: 0xD1B4 bounded by 0xD1F1, at most 255.
uint8_t PtpNikon_MaxContinuousShots(bool hasMinimum, uint32_t minimum, bool hasLimit,
                                    uint32_t limit);

// Capability answers.
bool PtpNikon_IsBulbMode();
bool PtpNikon_IsBulbAvailable();
bool PtpNikon_CanStartBulb();
bool PtpNikon_IsMirrorModeOn();
bool PtpNikon_IsFocusStackSupported();
bool PtpNikon_SupportsMirrorUp();
bool PtpNikon_SupportsMovieRecording();
bool PtpNikon_ShouldPresentBurstPicker(uint32_t code, uint32_t value);
bool PtpNikon_IsMirrorless();
