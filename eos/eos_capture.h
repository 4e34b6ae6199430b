// The Canon EOS driver's capture and object functions: remote release, half
// press and autofocus, the bulb and mirror tests, the object listing,
// thumbnails and the CR3 preview.
#pragma once

#include <cstdint>
#include <vector>

#include "ptp_eos.h"
#include "ptp_result.h"

// Canon vendor operations used here.
constexpr uint16_t kCanonOpGetStorageIdsEx = 0x9101;
constexpr uint16_t kCanonOpListFolder = 0x9109;
constexpr uint16_t kCanonOpGetThumbEx = 0x910A;
constexpr uint16_t kCanonOpRelease = 0x910F;
constexpr uint16_t kCanonOpPressOn = 0x9128;
constexpr uint16_t kCanonOpPressOff = 0x9129;
constexpr uint16_t kCanonOpGetExtraAttributes = 0x9135;
constexpr uint16_t kCanonOpAutofocus = 0x9154;
constexpr uint16_t kCanonOpAutofocusStop = 0x9160;
constexpr uint16_t kCanonOpListFolderEx = 0x9170;
constexpr uint16_t kCanonOpListFolderNamed = 0x917A;

// Canon properties used here.
constexpr uint32_t kCanonPropShutterSpeed = 0xD102;
constexpr uint32_t kCanonPropDriveMode = 0xD106;
constexpr uint32_t kCanonPropColorSpace = 0xD10F;
constexpr uint32_t kCanonPropCaptureDestination = 0xD11C;
constexpr uint32_t kCanonPropMirrorUp = 0xD13A;
constexpr uint32_t kCanonPropExposureBracketing = 0xD1D9;
constexpr uint32_t kCanonPropLensZoom = 0xD055;

// --- Capture ------------------------------------------------------------------------

// Releases the shutter after PtpEosInterface_InitiateImageCapture: resumes the
// event-check loop if the press paused it, then (after a remote-release press)
// sends the two release steps. Returns the last step's result, PtpResult_Ok
// when the last press needed no release.
PtpResult PtpEos_ReleaseShutter();

// Forgets a press's pause of the event loop: a new session starts with the
// loop running, so a release must not end a pause the host takes later.
void PtpEos_ResetCaptureState();

// Half press with the current focus flag, and its release.
PtpResult PtpEos_StartHalfPress();
PtpResult PtpEos_ReleaseHalfPress();

// Autofocus, and its cancellation.
PtpResult PtpEos_Focus();
PtpResult PtpEos_StopFocus();

// The exposure mode is bulb (mode 4), or manual (mode 3) with a bulb shutter
// speed. No camera traffic.
bool PtpEos_IsBulbMode();

// Writes the colour-space (or capture-destination) property back with its own
// value, every 250 ms while the camera answers Device Busy, which tells when
// the camera has finished a shot. True once a write is accepted; false when
// neither property is writable or a write fails otherwise.
bool PtpEos_ReassertAfterShot();

// Mirror lock-up: the property is in the store with value 1; the camera lists
// the property in its DeviceInfo.
bool PtpEos_IsMirrorModeOn();
bool PtpEos_SupportsMirrorUp();

// Turns exposure bracketing off (unverified write) when it is on.
// PtpResult_OperationNotSupported when the camera has no such property.
PtpResult PtpEos_TurnOffBracketing();

// --- Objects ------------------------------------------------------------------------

// The thumbnail of an object, cut to its JPEG (see
// PtpEosInterface_ExtractThumbnail). On PtpResult_Ok *data holds *length bytes;
// on failure *data is null and *length 0. orientation may be null. Out: *data
// is malloc'd; the caller releases it with FreeMemory.
PtpResult PtpEos_GetThumbnail(uint32_t handle, uint8_t** data, uint32_t* length,
                              uint8_t* orientation);

// The JPEG preview inside a CR3 file: true with its offset and size when it is
// found and lies inside the data; false with both 0 otherwise. Borrows data.
bool PtpEos_FindCr3Preview(const uint8_t* data, uint32_t length, uint32_t* offset, uint32_t* size);

// Parses one folder listing of operation (0x9109, 0x9170 or 0x917A) and
// appends its entries that pass formatFilter (0x917A listings keep every
// record). PtpResult_BadReply, with nothing appended, when a record does not
// lie inside the data. Borrows data.
PtpResult PtpEos_ParseFolderListing(uint16_t operation, const uint8_t* data, uint32_t length,
                                    uint16_t formatFilter, std::vector<PtpEosObjectEntry>* out);

// Gives each entry whose handle is in an extra-attribute table (the data of
// 0x9135) the table's attribute; the first matching row wins, and 0xFFFFFFFF
// reads as 0. False, with the entries untouched, when the table does not lie
// inside the data. Borrows data.
bool PtpEos_ApplyExtraAttributes(const uint8_t* data, uint32_t length, PtpEosObjectEntry* entries,
                                 size_t count);
