// Sony bodies by the library's camera model number (160-189): the model check
// with the flags that hang on each body, and the named sets of bodies that the
// driver's live-view, focus, session and exposure code asks about.
// No lock: the sets and flags are constant, found by the session's model
// number.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ptp_result.h"

// Model numbers the driver names on their own.
constexpr uint8_t kSonyModel7RM2 = 160;
constexpr uint8_t kSonyModel7RM3 = 161;
constexpr uint8_t kSonyModel7M2 = 162;
constexpr uint8_t kSonyModel7M3 = 163;
constexpr uint8_t kSonyModelIlce9 = 164;
constexpr uint8_t kSonyModelA99V = 165;
constexpr uint8_t kSonyModel6300 = 166;
constexpr uint8_t kSonyModel6400 = 167;
constexpr uint8_t kSonyModel6500 = 168;
constexpr uint8_t kSonyModel7SM2 = 169;
constexpr uint8_t kSonyModel99M2 = 170;
constexpr uint8_t kSonyModel7RM4 = 171;
constexpr uint8_t kSonyModel77M2 = 172;
constexpr uint8_t kSonyModel7S = 173;
constexpr uint8_t kSonyModel6600 = 174;
constexpr uint8_t kSonyModel6100 = 175;
constexpr uint8_t kSonyModelIlce9M2 = 176;
constexpr uint8_t kSonyModel7SM3 = 177;
constexpr uint8_t kSonyModelIlce7C = 178;
constexpr uint8_t kSonyModelZv1 = 179;
constexpr uint8_t kSonyModelIlce1 = 180;
constexpr uint8_t kSonyModelFx3 = 181;
constexpr uint8_t kSonyModel7M4 = 182;
constexpr uint8_t kSonyModel7RM5 = 183;
constexpr uint8_t kSonyModel6700 = 184;
constexpr uint8_t kSonyModelIlce7CM2 = 185;
constexpr uint8_t kSonyModelIlce7CR = 186;
constexpr uint8_t kSonyModelZvE10 = 187;
constexpr uint8_t kSonyModelZvE1 = 188;
constexpr uint8_t kSonyModelIlce9M3 = 189;

// A named set of model numbers.
struct PtpSonyModelSet {
    const uint8_t* models;
    size_t count;
};

// Bodies whose live-view zoom level is read from the camera.
extern const PtpSonyModelSet kSonyZoomLevelModels;
// Bodies that zoom with the magnifier buttons.
extern const PtpSonyModelSet kSonyButtonZoomModels;
// Bodies that zoom to 200 %.
extern const PtpSonyModelSet kSony200ZoomModels;
// Bodies whose exposure mode (0x500E) is never settable from the host.
extern const PtpSonyModelSet kSonyFixedExposureMode;
// Bodies whose fastest shutter speed is 1/4000 s.
extern const PtpSonyModelSet kSonyShutter4000;

bool PtpSony_ModelIn(const PtpSonyModelSet& set, uint8_t model);
// Whether the session's camera is in set.
bool PtpSony_CameraIn(const PtpSonyModelSet& set);

// The model number for a Model text (case-insensitive substring, first row
// wins); sets the normal-controls flag (cleared first). False when no Sony
// body matches.
bool PtpSony_DetectModelText(const char* text, uint8_t* model);
// The driver's model check: the same for the session's DeviceInfo, setting the
// session's model number.
bool PtpSony_DetectModel();

// The flags of the session's body. Normal property controls are kept in
// sony/property_controls.h, set by the model check.
bool PtpSony_HasIncrementalFocus();
// Older image-format values above 16 are written as 19 on these bodies.
bool PtpSony_HasImageFormatCap19();

// --- Capability answers (sony/capabilities.cpp) ------------------------------------------
bool PtpSony_SupportsLiveView(); // and movie recording: every body but the A99V
bool PtpSony_Has200ZoomLevel();
bool PtpSony_IsFocusStackSupported();
bool PtpSony_IsIncrementalFocusSupported();
bool PtpSony_CouldDoubleShoot();
bool PtpSony_IsCompensationEnabled();
PtpResult PtpSony_TurnOffBracketing();
uint32_t PtpSony_CompensationValueForStop(float stop);
