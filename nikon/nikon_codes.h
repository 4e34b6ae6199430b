// The Nikon operation, property and event codes: one name per code, in one place.
#pragma once

#include <cstdint>

#include "ptp_result.h"

// --- Operations ---------------------------------------------------------------------------
constexpr uint16_t kNikonOpDeviceReady = 0x90C8;
constexpr uint16_t kNikonOpGetLiveViewImage = 0x9203;
constexpr uint16_t kNikonOpChangeAfArea = 0x9205;       // (x, y): the live-view focus point
constexpr uint16_t kNikonOpGetLiveViewImageEx = 0x9428; // extended header, used when listed
constexpr uint16_t kNikonOpStartMovieRecord = 0x920A;
constexpr uint16_t kNikonOpBulbCapture = 0x920C;    // listed: the body takes bulb exposures
constexpr uint16_t kNikonOpSetControlMode = 0x90C2; // 1: the computer controls the camera
// Listed: the body reports a RAW+JPEG pair's JPEG under a handle of its own.
constexpr uint16_t kNikonOpGetObjectsPairedJpeg = 0x941C;
constexpr PtpResult kNikonRespNotReady = PtpResult(0xA002);
constexpr PtpResult kNikonRespControlModeUnchanged = PtpResult(0xA003);
constexpr uint16_t kNikonOpAutofocus = 0x90C1;
constexpr uint16_t kNikonOpManualFocusDrive = 0x9204; // (direction, amount)
constexpr uint16_t kNikonOpAutofocusCancel = 0x9206;
constexpr uint16_t kNikonOpCaptureToCard = 0x9207; // (autofocus selector, 0)

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
constexpr uint32_t kNikonPropColorSpace = 0xD032;
constexpr uint32_t kNikonPropAfcPriority = 0xD048; // release/focus priority of continuous AF
constexpr uint32_t kNikonPropAfsPriority = 0xD049; // release/focus priority of single AF
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
constexpr uint32_t kNikonPropFocusMeteringMode = 0x501C;
constexpr uint32_t kNikonPropLiveViewFocusMode = 0xD1A0; // 0 after power-on: set to 1
constexpr uint32_t kNikonPropLiveViewStatus = 0xD1A2;    // above 0: live view is on
constexpr uint32_t kNikonPropLiveViewZoom = 0xD1A3;
constexpr uint32_t kNikonPropLiveViewSelector = 0xD1A6;
constexpr uint32_t kNikonPropMirrorlessZoom = 0xD1BD;
constexpr uint32_t kNikonPropMovieAfArea = 0xD1F8;
constexpr uint32_t kNikonPropMirrorUpShootingCount = 0xD1F7;
// Not the camera's: the library's record of a locked-up mirror, announced by events only.
constexpr uint32_t kNikonPropMirrorLockupState = 0xD1BF;

// --- Responses ----------------------------------------------------------------------------
constexpr PtpResult kNikonRespBulbRefused = PtpResult(0xA008);
constexpr PtpResult kNikonRespNotInLiveView = PtpResult(0xA00B);
// Answers of the device-ready check after a shot that end the wait (the
// camera names no meaning for them); 0xA200 also follows a started bulb.
constexpr PtpResult kNikonRespA00C = PtpResult(0xA00C);
constexpr PtpResult kNikonRespA00E = PtpResult(0xA00E);
constexpr PtpResult kNikonRespA200 = PtpResult(0xA200);
constexpr PtpResult kNikonRespA201 = PtpResult(0xA201);
// The mirror has been locked up: the next capture takes the picture.
constexpr PtpResult kNikonRespMirrorLockedUp = PtpResult(0xA207);

// --- Events -------------------------------------------------------------------------------
