// The Nikon operation, property and event codes: one name per code, in one place.
#pragma once

#include <cstdint>

// --- Operations ---------------------------------------------------------------------------
constexpr uint16_t kNikonOpDeviceReady = 0x90C8;
constexpr uint16_t kNikonOpGetLiveViewImage = 0x9203;
constexpr uint16_t kNikonOpChangeAfArea = 0x9205;       // (x, y): the live-view focus point
constexpr uint16_t kNikonOpGetLiveViewImageEx = 0x9428; // extended header, used when listed
constexpr uint16_t kNikonOpStartMovieRecord = 0x920A;
constexpr uint16_t kNikonOpBulbCapture = 0x920C; // listed: the body takes bulb exposures

// --- Properties ---------------------------------------------------------------------------
constexpr uint32_t kNikonPropBatteryLevel = 0x5001;
constexpr uint32_t kNikonPropImageSize = 0x5003;
constexpr uint32_t kNikonPropImageQuality = 0x5004; // quality | JPEG size << 16 | RAW size << 24
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
constexpr uint32_t kNikonPropAutoIsoAuto = 0xD054; // automatic ISO in programs 1-4
constexpr uint32_t kNikonPropCompensationStep = 0xD056;
constexpr uint32_t kNikonPropFocusModeMirrorless = 0xD061;
constexpr uint32_t kNikonPropBracketingType = 0xD078;
constexpr uint32_t kNikonPropIsoExtended = 0xD0B4;
constexpr uint32_t kNikonPropRawSize = 0xD0B6;         // 0 L, 1 M, 2 S
constexpr uint32_t kNikonPropAutoIsoValue = 0xD0B5;    // the highest automatic ISO, any number
constexpr uint32_t kNikonPropImageBracketing = 0xD0C0; // not 0: bracketing is on
constexpr uint32_t kNikonPropBracketingStep = 0xD0C1;
constexpr uint32_t kNikonPropBracketingPattern = 0xD0C2;
// 0 on bodies whose lens moves less per drive unit: drives ask 2.5 times more.
constexpr uint32_t kNikonPropLensDriveScale = 0xD0E2;
constexpr uint32_t kNikonPropCustomStillCaptureMode = 0xD0F6;
constexpr uint32_t kNikonPropUserMode = 0xD0FC;
constexpr uint32_t kNikonPropShutterSpeed = 0xD100;
constexpr uint32_t kNikonPropFocusModeLiveView = 0xD161;
constexpr uint32_t kNikonPropAutoIso = 0xD16A; // stored inverted: 0 becomes 1, others 0
constexpr uint32_t kNikonPropLiveViewDriveMode = 0xD1A1;
constexpr uint32_t kNikonPropMovieCompensation = 0xD1AB;
constexpr uint32_t kNikonPropExposureStatus = 0xD1B1;
constexpr uint32_t kNikonPropContinuousShootingCount = 0xD1B4;
constexpr uint32_t kNikonPropAvailableShots = 0xD1F1;
constexpr uint32_t kNikonPropLiveViewAfArea = 0xD05D;
constexpr uint32_t kNikonPropLiveViewStatus = 0xD1A2; // above 0: live view is on
constexpr uint32_t kNikonPropLiveViewZoom = 0xD1A3;
constexpr uint32_t kNikonPropLiveViewSelector = 0xD1A6;
constexpr uint32_t kNikonPropMirrorlessZoom = 0xD1BD;
constexpr uint32_t kNikonPropMovieAfArea = 0xD1F8;
constexpr uint32_t kNikonPropMirrorUpShootingCount = 0xD1F7;

// --- Events -------------------------------------------------------------------------------
