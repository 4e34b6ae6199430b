// The Nikon operation, property and event codes: one name per code, in one place.
#pragma once

#include <cstdint>

// --- Operations ---------------------------------------------------------------------------
constexpr uint16_t kNikonOpDeviceReady = 0x90C8;

// --- Properties ---------------------------------------------------------------------------
constexpr uint32_t kNikonPropBatteryLevel = 0x5001;
constexpr uint32_t kNikonPropImageQuality = 0x5004;
constexpr uint32_t kNikonPropWhiteBalance = 0x5005;
constexpr uint32_t kNikonPropFNumber = 0x5007;
constexpr uint32_t kNikonPropFocusMode = 0x500A;
constexpr uint32_t kNikonPropMeteringMode = 0x500B;
constexpr uint32_t kNikonPropExposureProgram = 0x500E;
constexpr uint32_t kNikonPropIso = 0x500F;
constexpr uint32_t kNikonPropExposureCompensation = 0x5010;
constexpr uint32_t kNikonPropDriveMode = 0x5013;
constexpr uint32_t kNikonPropBurstCount = 0x5018;
constexpr uint32_t kNikonPropColorTemperature = 0xD01E;
constexpr uint32_t kNikonPropIsoExtended = 0xD0B4;
constexpr uint32_t kNikonPropAutoIsoValue = 0xD0B5;    // the highest automatic ISO, any number
constexpr uint32_t kNikonPropImageBracketing = 0xD0C0; // not 0: bracketing is on
constexpr uint32_t kNikonPropBracketingStep = 0xD0C1;
// 0 on bodies whose lens moves less per drive unit: drives ask 2.5 times more.
constexpr uint32_t kNikonPropLensDriveScale = 0xD0E2;
constexpr uint32_t kNikonPropUserMode = 0xD0FC;
constexpr uint32_t kNikonPropShutterSpeed = 0xD100;
constexpr uint32_t kNikonPropAutoIso = 0xD16A; // stored inverted: 0 becomes 1, others 0
constexpr uint32_t kNikonPropLiveViewDriveMode = 0xD1A1;
constexpr uint32_t kNikonPropMovieCompensation = 0xD1AB;
constexpr uint32_t kNikonPropExposureStatus = 0xD1B1;
constexpr uint32_t kNikonPropContinuousShootingCount = 0xD1B4;
constexpr uint32_t kNikonPropAvailableShots = 0xD1F1;

// --- Events -------------------------------------------------------------------------------
