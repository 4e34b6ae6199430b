// The Sony operation, property and event codes: one name per code, in one place.
#pragma once

#include <cstdint>

// --- Operations ---------------------------------------------------------------------------
constexpr uint16_t kSonyOpControlDevice = 0x9207; // parameter: a property; data: its value

// --- Properties ---------------------------------------------------------------------------
constexpr uint32_t kSonyPropImageQuality = 0x5004; // older bodies; newer ones have 0xD253
constexpr uint32_t kSonyPropWhiteBalance = 0x5005;
constexpr uint32_t kSonyPropFNumber = 0x5007;
constexpr uint32_t kSonyPropFocusMode = 0x500A;
constexpr uint32_t kSonyPropMeteringMode = 0x500B;
constexpr uint32_t kSonyPropExposureProgram = 0x500E;
constexpr uint32_t kSonyPropExposureCompensation = 0x5010;
constexpr uint32_t kSonyPropDriveMode = 0x5013;
constexpr uint32_t kSonyPropShutterSpeed = 0xD20D;
constexpr uint32_t kSonyPropBatteryLevel = 0xD218;
constexpr uint32_t kSonyPropIso = 0xD21E;
constexpr uint32_t kSonyPropTouchFocus = 0xD22C;
constexpr uint32_t kSonyPropImageFormat = 0xD253;
// Written through 0x9207 with a signed 16-bit step count.
constexpr uint32_t kSonyPropFocusDrive = 0xD2D1;

// --- Events -------------------------------------------------------------------------------
