// The Fujifilm operation, property and event codes: one name per code, in one place.
#pragma once

#include <cstdint>

// --- Operations ---------------------------------------------------------------------------

// --- Properties ---------------------------------------------------------------------------
constexpr uint32_t kFujiPropWhiteBalance = 0x5005;
constexpr uint32_t kFujiPropFNumber = 0x5007;
constexpr uint32_t kFujiPropFocusMode = 0x500A;
constexpr uint32_t kFujiPropMeteringMode = 0x500B;
constexpr uint32_t kFujiPropExposureTime = 0x500D;
constexpr uint32_t kFujiPropExposureProgram = 0x500E;
constexpr uint32_t kFujiPropIso = 0x500F;
constexpr uint32_t kFujiPropExposureCompensation = 0x5010;
constexpr uint32_t kFujiPropImageQuality = 0xD018;
constexpr uint32_t kFujiPropMediaCapacity = 0xD20D;
constexpr uint32_t kFujiPropBatteryLevel = 0xD36A;

// --- Events -------------------------------------------------------------------------------
