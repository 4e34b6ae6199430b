// Canon EOS models, packed image-format codes and exposure encodings: the model
// table and the settings it gives each body, the operations on the packed image
// formats of 0xD120..0xD123, and the conversions of Canon's 1/8-stop exposure
// codes and shutter-speed codes; and the Canon answers of the capability area.
//
// Model settings are written by PtpEos_EvaluateModel on the host's thread at
// session start and read from any thread; every accessor returns a consistent
// copy. Functions that read the property store take each record's lock for the
// read only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "eos/eos_codes.h"
#include "ptp_generic.h"

// --- Model table ------------------------------------------------------------------

// Row flags. A row without flags is a supported body with a mirror, the movie-select
// operations and touch focus.
constexpr uint8_t kEosRowMirrorless = 0x01;    // no mirror: live-view and download rules differ
constexpr uint8_t kEosRowNoMovieSelect = 0x02; // does not use 0x9133/0x9134 for movie mode
constexpr uint8_t kEosRowNoTouchFocus = 0x04;  // cannot focus on a touched point
constexpr uint8_t kEosRowUnsupported = 0x08;   // the session is refused

// One row of the model table. A row matches a model text (compared without regard
// to case) when every allOf text occurs in it, at least one anyOf text occurs (when
// anyOf is not empty) and the noneOf text does not occur. Unused slots are null; a
// row with no texts at all matches every model.
struct PtpEosModelRow {
    const char* allOf[2];
    const char* anyOf[6];
    const char* noneOf;
    double width; // full image size in pixels
    double height;
    uint8_t modelId; // the library-wide camera model number, 0 for none
    uint8_t flags;   // kEosRow* bits
};

// The rows in the order they are tried; the last one matches every model.
extern const PtpEosModelRow kEosModelRows[];
extern const size_t kEosModelRowCount;

// What the model table says about the connected body.
struct PtpEosModelSettings {
    double imageWidth;
    double imageHeight;
    uint8_t modelId;
    bool mirrorless;
    bool movieSelect;
    bool touchFocus;
    bool supported;
};

// The settings before any evaluation: no model number, a mirror, movie select and
// touch focus on, 3888 x 2592.
PtpEosModelSettings PtpEos_DefaultModelSettings();

// The first row that matches model (at most its first 255 characters), or null
// for a null model. Pure: no session state is read or written.
const PtpEosModelRow* PtpEos_FindModelRow(const char* model);

// The settings the table gives model. A null model counts as an empty text.
PtpEosModelSettings PtpEos_SettingsForModel(const char* model);

// Evaluates the session DeviceInfo's Model text against the table, stores the
// settings and sets the session's camera model number (PtpSession_SetModel).
// Returns whether the model is supported. Called by PtpIsCameraModelSupported for
// a Canon camera and when no vendor is known yet.
bool PtpEos_EvaluateModel();

// The settings of the last evaluation (the defaults before the first).
PtpEosModelSettings PtpEos_ModelSettings();
bool PtpEos_IsMirrorless();
bool PtpEos_UsesMovieSelect();
bool PtpEos_CanTouchFocus();
double PtpEos_ImageWidth();
double PtpEos_ImageHeight();

// Object formats of Canon RAW files.
constexpr uint16_t kEosFormatCr2 = 0xB103;
constexpr uint16_t kEosFormatCr3 = 0xB108;

// --- Capability answers (eos/capabilities.cpp) -------------------------------------
// The Canon entries of the driver's capability area; each reads the session's
// DeviceInfo, model number or property store.
bool PtpEos_SupportsHalfPress();
bool PtpEos_SupportsElectronicLevel();
bool PtpEos_SupportsLensZoom();
bool PtpEos_SupportsMovieRecording();
bool PtpEos_IsMirrorUp();
bool PtpEos_IsManualMode(uint32_t mode);
bool PtpEos_IsAutoIso();
const char* PtpEos_LensName(); // a per-thread copy; null when the store has no lens name
uint32_t PtpEos_BatteryPercent(uint32_t value);
float PtpEos_FNumber(uint32_t value, const char* label); // from the label: "f5.6"
bool PtpEos_IsApertureSettable(uint32_t mode);
bool PtpEos_IsShutterSettable(uint32_t mode);
bool PtpEos_IsCompensationSettable(uint32_t mode);

// --- Packed image-format codes -----------------------------------------------------
// Canon reports 0xD120..0xD123 as one or two formats (kind, size, quality); the
// library packs them into one u32:
//   bits 28-31 count, 24-27 first kind, 18-23 first size, 14-17 first quality,
//   10-13 second kind, 4-9 second size, 0-3 second quality.

constexpr uint32_t kEosImageKindJpeg = 1;
constexpr uint32_t kEosImageKindRaw = 6;
constexpr uint32_t kEosRawQuality = 4;
// "No format" in the format operations.
constexpr uint32_t kEosNoImageFormat = 0xFFFFFFFF;
// The most values PtpEos_GetPossibleImageFormats hands out, the leading "no
// format" included.
constexpr uint32_t kEosMaxPossibleFormats = 32;

struct PtpEosImageFormat {
    uint32_t count;
    uint32_t firstKind, firstSize, firstQuality;
    uint32_t secondKind, secondSize, secondQuality;
};

// Unpacks a code into its fields.
PtpEosImageFormat PtpEos_UnpackImageFormat(uint32_t code);

// Packs fields by shifting and adding, as the camera's compound value is packed:
// fields wider than their bits are not masked.
uint32_t PtpEos_PackImageFormat(const PtpEosImageFormat& format);

// The JPEG part of a code as a one-format code, or kEosNoImageFormat.
uint32_t PtpEos_JpgPartOf(uint32_t code);
// The RAW part (first format only) as a one-format code, or kEosNoImageFormat.
uint32_t PtpEos_RawPartOf(uint32_t code);

// The value to write for a first and a second format, either of which may be
// kEosNoImageFormat. PtpResult_InvalidArgument when both are.
PtpResult PtpEos_CombineImageFormats(uint32_t first, uint32_t second, uint32_t* combined);

// The current JPEG / RAW part of 0xD120. PtpResult_InvalidArgument for a null
// out, PtpResult_Failed when the store has no 0xD120.
PtpResult PtpEos_GetCurrentJpgFormat(uint32_t* code);
PtpResult PtpEos_GetCurrentRawFormat(uint32_t* code);

// Size and quality of the part of code whose kind is kind. PtpResult_Failed when
// code has no such part; PtpResult_InvalidArgument for null outputs. No store
// access.
PtpResult PtpEos_GetImageFormatDetails(uint32_t code, uint32_t kind, uint16_t* size,
                                       uint8_t* quality);

// kEosNoImageFormat followed by every one-format value of kind in 0xD120's allowed
// list, in list order, at most kEosMaxPossibleFormats values in all.
// Out: *formats is malloc'd; the caller releases it with FreeMemory. Results:
// PtpResult_Ok, PtpResult_InvalidArgument, PtpResult_Failed (no 0xD120),
// PtpResult_OutOfMemory.
PtpResult PtpEos_GetPossibleImageFormats(uint32_t kind, uint32_t** formats, uint32_t* count);

// Whether either format of code is a JPEG. No store access.
bool PtpEos_ImageFormatHasJpg(uint32_t code);

// Whether the current 0xD120 is one JPEG / one RAW / two formats; false without 0xD120.
bool PtpEos_IsImageFormatJpg();
bool PtpEos_IsImageFormatRaw();
bool PtpEos_IsImageFormatRawPlusJpg();

// Whether code is a RAW, Medium RAW or Small RAW alone. No store access.
bool PtpEos_IsRawOnlyImageFormat(uint32_t code);

// Writes 0xD120 with the combination of first and second (see
// PtpEos_CombineImageFormats), verified. PtpResult_Failed when the store has no
// 0xD120.
PtpResult PtpEos_SetImageFormat(uint32_t first, uint32_t second);

// --- Exposure codes -----------------------------------------------------------------
// Canon exposure-step codes (0xD104 compensation, 0xD1D9 bracketing) are a byte in
// eighths of a stop: 0..160 positive, 161..255 negative (256 - code). Within a stop
// the eighths 3 and 5 stand for one and two thirds, 4 for a half.

// Stops for an exposure-step code; only the low byte of code is used.
float PtpEos_StopsForExposureCode(uint32_t code);

// Two codes of propertyCode exactly one stop apart (shutter speed, aperture, ISO);
// false for any other property or a null output.
bool PtpEos_StepsForStop(uint32_t propertyCode, uint32_t* lower, uint32_t* upper);

// Whether a 0xD106 drive-mode value shoots continuously.
bool PtpEos_IsDriveModeContinuous(uint32_t value);

// The exposure time of a 0xD102 shutter-speed code in milliseconds; 0 for codes
// that are no fixed time (Auto, bulb) or unknown.
int64_t PtpEos_MillisecondsForShutterSpeed(uint32_t code);
