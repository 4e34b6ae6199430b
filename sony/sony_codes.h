// The Sony operation, property and event codes: one name per code, in one place.
#pragma once

#include <cstdint>

// --- Operations ---------------------------------------------------------------------------
constexpr uint16_t kSonyOpControlDevice = 0x9207; // parameter: a property; data: its value
constexpr uint16_t kSonyOpSetPropertyValue = 0x9205; // parameter: a property; data: the value
constexpr uint16_t kSonyOpGetPropertyValue = 0x9204; // parameter: a property; data: its value
constexpr uint16_t kSonyOpGetAllProperties = 0x9209; // data: the all-properties data

// --- Properties ---------------------------------------------------------------------------
constexpr uint32_t kSonyPropImageQuality = 0x5004; // older bodies; newer ones have 0xD253
constexpr uint32_t kSonyPropWhiteBalance = 0x5005;
constexpr uint32_t kSonyPropFNumber = 0x5007;
constexpr uint32_t kSonyPropFocusMode = 0x500A;
constexpr uint32_t kSonyPropMeteringMode = 0x500B;
constexpr uint32_t kSonyPropExposureProgram = 0x500E;
constexpr uint32_t kSonyPropExposureCompensation = 0x5010;
constexpr uint32_t kSonyPropFlashCompensation = 0xD200;
constexpr uint32_t kSonyPropDriveMode = 0x5013;
constexpr uint32_t kSonyPropImageSize = 0xD203; // JPEG size: 1 L, 2 M, 3 S
constexpr uint32_t kSonyPropShutterSpeed = 0xD20D;
constexpr uint32_t kSonyPropColorTemperature = 0xD20F;
constexpr uint32_t kSonyPropBatteryLevel = 0xD218;
constexpr uint32_t kSonyPropIso = 0xD21E;
constexpr uint32_t kSonyPropFocusIndication = 0xD213; // 2: the camera has focused
constexpr uint32_t kSonyPropImagePending = 0xD215; // 0x8000 + N: N captures to fetch
constexpr uint32_t kSonyPropTouchFocus = 0xD22C;
constexpr uint32_t kSonyPropImageCompression = 0xD252; // newer bodies
constexpr uint32_t kSonyPropImageFormat = 0xD253;
// Written through 0x9207 with a signed 16-bit step count.
constexpr uint32_t kSonyPropFocusDrive = 0xD2D1;
constexpr uint32_t kSonyPropZoomAmount = 0xD22F;       // older bodies' magnification, 0-100
constexpr uint32_t kSonyPropLiveViewLocation = 0xD232; // x in bits 16-31, y in bits 0-15
// Newer bodies' magnification; its 8-byte value starts with the magnified
// area's position (x << 16 | y).
constexpr uint32_t kSonyPropMagnification = 0xD254;
constexpr uint32_t kSonyPropZoomEnabled = 0xD25B;
constexpr uint32_t kSonyPropZoomBar = 0xD25D;       // lens zoom bar, bytes 3, 2 and 0
constexpr uint32_t kSonyPropFocusPosition = 0xD2DC; // newer bodies' focus point, as 0xD232
constexpr uint32_t kSonyPropPowerZoom = 0xD2DD;     // written through 0x9207, a 1-byte speed

// --- Virtual buttons (0x9207 with 2 press, 1 release) -----------------------------------
constexpr uint32_t kSonyButtonHalfPress = 0xD2C1; // autofocus and metering
constexpr uint32_t kSonyButtonShutter = 0xD2C2;
constexpr uint32_t kSonyButtonMovie = 0xD2C8;
constexpr uint32_t kSonyButtonMagnifier = 0xD2CB;
constexpr uint32_t kSonyButtonFocusToggle = 0xD2D2; // between autofocus and manual focus
constexpr uint32_t kSonyButtonUp = 0xD2CD; // then down, left, right: 0xD2CE, 0xD2CF, 0xD2D0

// --- Object handles -----------------------------------------------------------------------
constexpr uint32_t kSonyCaptureHandle = 0xFFFFC001; // every capture, the oldest first
constexpr uint32_t kSonyLiveViewHandle = 0xFFFFC002; // GetObject gives the current frame

// --- Events -------------------------------------------------------------------------------
