// Nikon bodies by the library's camera model number: named sets of the bodies
// that lack a feature or encode a value differently, and the Nikon entries of
// the driver's capability and image-format areas that depend on them.
// No lock: the sets are constant and the answers read the session's model
// number and the property store only.
#pragma once

#include <cstddef>
#include <cstdint>

// Model numbers from first to last, both included.
struct PtpNikonModelRange {
    uint8_t first, last;
};

// A named set of model numbers.
struct PtpNikonModelSet {
    const PtpNikonModelRange* ranges;
    size_t count;
};

// Bodies without an electronic level.
extern const PtpNikonModelSet kNikonNoElectronicLevel;
// Older bodies: automatic ISO applies in the scene modes only.
extern const PtpNikonModelSet kNikonAutoIsoInSceneModesOnly;
// Bodies whose RAW-only image quality (0x5004) is 7 instead of 4: the newer
// quality codes, with starred JPEG qualities (0-13).
extern const PtpNikonModelSet kNikonRawQuality7;
// The Z bodies.
extern const PtpNikonModelSet kNikonMirrorless;
// Bodies that offer six JPEG qualities (the newer codes, less the Z fc).
extern const PtpNikonModelSet kNikonSixQualities;

// Whether model is in set.
bool PtpNikon_ModelIn(const PtpNikonModelSet& set, uint8_t model);
// Whether the session's camera is in set.
bool PtpNikon_CameraIn(const PtpNikonModelSet& set);

// The RAW-only value of 0x5004 for the session's camera: 4, or 7 on the newer bodies.
uint32_t PtpNikon_RawQuality();

// --- Model check (nikon/models.cpp) --------------------------------------------------------
// Live-view zoom tables the bodies share.
enum class PtpNikonZoomTable : uint8_t { Default, D5000, D3, D800, Df };

// The model number for a Model text (case-insensitive), and the model's flags
// and zoom table for the session; false when no Nikon body matches.
bool PtpNikon_DetectModelText(const char* text, uint8_t* model);
// The driver's model check: the same for the session's DeviceInfo, setting the
// session's model number, and live view on for the Z bodies.
bool PtpNikon_DetectModel();
bool PtpNikon_HasAfModeSwitch();   // D5000, D90: focus mode switched around a drive
bool PtpNikon_SavesD3xDriveMode(); // D3X: drive mode saved around live view
PtpNikonZoomTable PtpNikon_ZoomTable();
bool PtpNikon_IsMirrorlessModel(uint8_t model);

// --- Capability and image-format answers (nikon/capabilities.cpp) ---------------------
bool PtpNikon_SupportsElectronicLevel();
bool PtpNikon_IsMirrorUp();
bool PtpNikon_IsManualMode(uint32_t mode);
bool PtpNikon_IsAutoIso();
const char* PtpNikon_LensName(); // always "": the bodies report no lens name
bool PtpNikon_IsCompensationSettable(uint32_t mode);
bool PtpNikon_IsImageFormatRaw();
bool PtpNikon_IsRawOnlyImageFormat(uint32_t value);
