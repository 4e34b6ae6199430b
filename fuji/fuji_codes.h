// The Fujifilm operation, property and event codes: one name per code, in one place.
#pragma once

#include <cstdint>

// --- Operations ---------------------------------------------------------------------------
// Live view on: InitiateOpenCapture (0, 0).
constexpr uint16_t kFujiOpInitiateOpenCapture = 0x101C;

// --- Properties ---------------------------------------------------------------------------
constexpr uint32_t kFujiPropImageSize = 0x5003;
constexpr uint32_t kFujiPropWhiteBalance = 0x5005;
constexpr uint32_t kFujiPropFNumber = 0x5007;
constexpr uint32_t kFujiPropFocusMode = 0x500A;
constexpr uint32_t kFujiPropMeteringMode = 0x500B;
constexpr uint32_t kFujiPropExposureTime = 0x500D;
constexpr uint32_t kFujiPropExposureProgram = 0x500E;
constexpr uint32_t kFujiPropIso = 0x500F;
constexpr uint32_t kFujiPropExposureCompensation = 0x5010;
constexpr uint32_t kFujiPropImageQuality = 0xD018;
constexpr uint32_t kFujiPropRawCompression = 0xD022;
constexpr uint32_t kFujiPropMediaCapacity = 0xD20D;
constexpr uint32_t kFujiPropBatteryLevel = 0xD36A;
// Capture and focus: a shutter step code is written to Capture Mode, then
// InitiateCapture runs; AF Status reports 1 focusing, 2 in focus, 3 failed.
constexpr uint32_t kFujiPropColorSpace = 0xD00A;
constexpr uint32_t kFujiPropFocusPosition = 0xD171;
constexpr uint32_t kFujiPropDriveMode = 0xD201;
constexpr uint32_t kFujiPropCaptureMode = 0xD208;
constexpr uint32_t kFujiPropAfStatus = 0xD209;
constexpr uint32_t kFujiPropLongExposureNr = 0xD322;
constexpr uint32_t kFujiPropPriorityMode = 0xD207;
constexpr uint32_t kFujiPropMediaRecording = 0xD20C;
constexpr uint32_t kFujiPropLensZoomPosition = 0xD38C;
constexpr uint32_t kFujiPropLensFStop = 0xD38D;
constexpr uint32_t kFujiPropOpticalZoomFocalLength = 0xD38E;
// The library's own focus-location records, 0xEEE0 (X) to 0xEEE3 (height).
constexpr uint32_t kFujiPropFocusLocationX = 0xEEE0;
constexpr uint32_t kFujiPropFocusLocationY = 0xEEE1;
constexpr uint32_t kFujiPropFocusWidth = 0xEEE2;
constexpr uint32_t kFujiPropFocusHeight = 0xEEE3;
// Live view and the focus area: the zoom step, the focus-point grid, and the
// focus area's position as the text "x,y,s".
constexpr uint32_t kFujiPropLiveViewZoom = 0xD01B;
constexpr uint32_t kFujiPropFocusPoints = 0xD025;
constexpr uint32_t kFujiPropFocusMeteringMode = 0x501C;
constexpr uint32_t kFujiPropFocusArea = 0xD395;

// --- Events -------------------------------------------------------------------------------
