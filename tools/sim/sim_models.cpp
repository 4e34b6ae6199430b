// The facts table: one row per emulated camera model. The code lists are what
// each model reports in its DeviceInfo; operations the sim actually answers are
// the rows of sim_camera.cpp, the rest answer Operation Not Supported until a
// row is added there. The properties a model describes are its table in
// sim_model_properties.cpp; the vendor property codes below are listed in the
// DeviceInfo too but not described yet.
#include "sim_camera.h"
#include "sim_properties.h"

#include <cstring>

namespace {

// Standard operations every model lists: GetDeviceInfo .. SetObjectProtection
// (0x1001-0x1012), GetDevicePropDesc .. SetDevicePropValue (0x1014-0x1016),
// GetPartialObject 0x101B.
#define SIM_STANDARD_OPS                                                                           \
    0x1001, 0x1002, 0x1003, 0x1004, 0x1005, 0x1006, 0x1007, 0x1008, 0x1009, 0x100A, 0x100B,        \
        0x100C, 0x100D, 0x100E, 0x100F, 0x1014, 0x1015, 0x1016, 0x101B

// ObjectAdded, ObjectRemoved, StoreAdded, StoreRemoved, DevicePropChanged,
// DeviceInfoChanged, StoreFull, CaptureComplete.
#define SIM_STANDARD_EVENTS 0x4002, 0x4003, 0x4004, 0x4005, 0x4006, 0x4008, 0x400A, 0x400D

constexpr uint16_t kFormatJpeg = 0x3801;

// The lists and rows below are laid out by hand (related codes on one line with
// their names, one field group per line), which the formatter would break apart.
// clang-format off

// Canon EOS -------------------------------------------------------------------
const uint16_t kCanonOps[] = {
    SIM_STANDARD_OPS,
    // EOS storage and object access: GetStorageIDs .. GetObjectInfoEx, GetThumbEx.
    0x9101, 0x9102, 0x9103, 0x9104, 0x9105, 0x9106, 0x9107, 0x9108, 0x9109, 0x910A,
    0x910F,                 // RemoteRelease
    0x9110,                 // SetDevicePropValueEx
    0x9114, 0x9115, 0x9116, // SetRemoteMode, SetEventMode, GetEvent
    0x9117,                 // TransferComplete
    0x911B, 0x911C,         // SetUILock, ResetUILock
    0x911D,                 // KeepDeviceOn
    0x9125, 0x9126,         // BulbStart, BulbEnd
    0x9127,                 // RequestDevicePropValue
    0x9128, 0x9129,         // RemoteReleaseOn, RemoteReleaseOff
    0x912C,                 // GetPartialObjectEx
    0x9133, 0x9134,         // MovieSelectSWOn, MovieSelectSWOff
    0x9151, 0x9152,         // InitiateViewfinder, TerminateViewfinder
    0x9153,                 // GetViewFinderData (live view)
    0x9154,                 // DoAf
    0x9155,                 // DriveLens
    0x9157,                 // ClickWB
    0x9158, 0x9159,         // Zoom, ZoomPosition
    0x915A, 0x915B,         // SetLiveAfFrame, TouchAfPosition
    0x9160,                 // AfCancel
};
const uint16_t kCanonEvents[] = {
    SIM_STANDARD_EVENTS,
    0xC101,                 // RequestGetEvent
    0xC181, 0xC182,         // ObjectAddedEx, ObjectRemoved
    0xC189, 0xC18A,         // PropValueChanged, AvailListChanged
    0xC18D,                 // CameraStatusChanged
};
const uint16_t kCanonVendorProps[] = {
    0xD101, 0xD102, 0xD103, 0xD104, // Aperture, ShutterSpeed, ISO, ExposureCompensation
    0xD105, 0xD106, 0xD107, 0xD108, // AutoExposureMode, DriveMode, MeteringMode, FocusMode
    0xD109,                         // WhiteBalance
    0xD111,                         // BatteryPower
    0xD11B,                         // AvailableShots
    0xD120,                         // ImageFormat
    0xD138,                         // AEModeDial
    0xD1B0,                         // EVFOutputDevice
    0xD1D9,                         // AEB (exposure bracketing)
};
const uint16_t kCanonCaptureFormats[] = {kFormatJpeg};
const uint16_t kCanonImageFormats[] = {kFormatJpeg, 0xB103 /* CR2 */, 0x300C /* MOV */};

// Nikon -----------------------------------------------------------------------
const uint16_t kNikonOps[] = {
    SIM_STANDARD_OPS,
    0x101C,                 // InitiateOpenCapture
    0x90C0,                 // InitiateCaptureRecInSdram
    0x90C1,                 // AfDrive
    0x90C2,                 // ChangeCameraMode
    0x90C3,                 // DeleteImagesInSdram
    0x90C4,                 // GetLargeThumb
    0x90C7,                 // GetEvent
    0x90C8,                 // DeviceReady
    0x90CA,                 // GetVendorPropCodes
    0x90CB,                 // AfAndCaptureRecInSdram
    0x9201, 0x9202, 0x9203, // StartLiveView, EndLiveView, GetLiveViewImage
    0x9204,                 // MfDrive
    0x9205,                 // ChangeAfArea
    0x9206,                 // AfDriveCancel
    0x9207,                 // InitiateCaptureRecInMedia
    0x920A, 0x920B,         // StartMovieRecInCard, EndMovieRec
    0x920C,                 // TerminateCapture
    0x9400,                 // GetPartialObjectHighSpeed
};
const uint16_t kNikonEvents[] = {
    SIM_STANDARD_EVENTS,
    0xC101, 0xC102,         // ObjectAddedInSdram, CaptureCompleteRecInSdram
    0xC104,                 // PreviewImageAdded
};
const uint16_t kNikonVendorProps[] = {
    0xD0B4,                 // ISO sensitivity
    0xD0C1,                 // ExposureBracketing
    0xD0E2,                 // focus drive step mode
    0xD100,                 // ExposureTime
    0xD161,                 // AutoFocusMode
    0xD1A2,                 // LiveViewStatus
    0xD1F1,                 // AvailableShots
};
const uint16_t kNikonCaptureFormats[] = {kFormatJpeg, 0x3000 /* NEF */};
const uint16_t kNikonImageFormats[] = {kFormatJpeg, 0x3000 /* NEF */, 0x300D /* MOV */};

// Sony ------------------------------------------------------------------------
const uint16_t kSonyOps[] = {
    SIM_STANDARD_OPS,
    0x9201,                 // SDIOConnect
    0x9202,                 // SDIOGetExtDeviceInfo
    0x9203, 0x9204,         // GetDevicePropDesc, GetDevicePropValue (extended)
    0x9205,                 // SetControlDeviceA
    0x9206,                 // GetControlDeviceDesc
    0x9207,                 // SetControlDeviceB
    0x9209,                 // GetAllDevicePropData
};
const uint16_t kSonyEvents[] = {
    SIM_STANDARD_EVENTS,
    0xC201, 0xC202, 0xC203, // ObjectAdded, ObjectRemoved, PropertyChanged
};
const uint16_t kSonyVendorProps[] = {
    0xD200,                 // DPCCompensation
    0xD20D,                 // ShutterSpeed
    0xD20E,                 // ImageSize
    0xD218,                 // BatteryLevel
    0xD21E,                 // ISO
    0xD253,                 // still image format
    0xD2C1, 0xD2C2,         // shutter half press (S1), full press (S2)
    0xD2C7,                 // movie record
    0xD2D1,                 // focus step (near/far)
};
const uint16_t kSonyCaptureFormats[] = {kFormatJpeg};
const uint16_t kSonyImageFormats[] = {kFormatJpeg, 0xB101 /* ARW */};

// Fujifilm --------------------------------------------------------------------
const uint16_t kFujiOps[] = {
    SIM_STANDARD_OPS,
    0x101C,                 // InitiateOpenCapture
    0x1018,                 // TerminateOpenCapture
    0x900C, 0x900D,         // SendObjectInfo, SendObject (vendor forms)
    0x901D,                 // GetDeviceInfo (vendor property list)
    0x9801, 0x9802, 0x9803, // object property support, descriptions, values
};
const uint16_t kFujiEvents[] = {
    SIM_STANDARD_EVENTS,
    0xC001,                 // vendor property changed
};
const uint16_t kFujiVendorProps[] = {
    0xD001,                 // FilmSimulation
    0xD018,                 // ImageFormat
    0xD019,                 // RecMode
    0xD20D,                 // available shots
    0xD212,                 // pending event list
    0xD36A,                 // battery
};
const uint16_t kFujiCaptureFormats[] = {kFormatJpeg};
const uint16_t kFujiImageFormats[] = {kFormatJpeg, 0xF802 /* RAF */};

const SimCameraModel kModels[] = {
    {"canon", SimVendor_Canon,
     100, 11, 100, "", 0,   // standard version, vendor extension id/version/desc, functional mode
     SimCodes(kCanonOps), SimCodes(kCanonEvents), &kSimCanonProperties, SimCodes(kCanonVendorProps),
     SimCodes(kCanonCaptureFormats), SimCodes(kCanonImageFormats),
     "Canon Inc.", "Canon EOS 5D Mark IV", "3-1.2.0", "083021004512", // maker, model, version, serial
     "Canon EOS 5D Mark IV",                                          // hub's model text
     // picture names, card capacity, typical picture size, storage description, volume label
     "IMG_%04u.JPG", 64021856256ull, 8700000, "SD", "EOS_DIGITAL"},
    {"nikon", SimVendor_Nikon,
     100, 10, 100, "Nikon PTP Extensions", 0,
     SimCodes(kNikonOps), SimCodes(kNikonEvents), &kSimNikonProperties, SimCodes(kNikonVendorProps),
     SimCodes(kNikonCaptureFormats), SimCodes(kNikonImageFormats),
     "Nikon", "D850", "V1.20", "3012345",
     "D850",
     "DSC_%04u.JPG", 128043712512ull, 15000000, "XQD", "NIKON D850"},
    {"sony", SimVendor_Sony,
     100, 17, 100, "Sony PTP Extensions", 0,
     SimCodes(kSonyOps), SimCodes(kSonyEvents), &kSimSonyProperties, SimCodes(kSonyVendorProps),
     SimCodes(kSonyCaptureFormats), SimCodes(kSonyImageFormats),
     "Sony Corporation", "ILCE-7M3", "3.01", "00000000D5A1B2C3",
     "ILCE-7M3",
     "DSC%05u.JPG", 64021856256ull, 11000000, "Memory Card 1", ""},
    {"fuji", SimVendor_Fujifilm,
     100, 14, 100, "fujifilm.co.jp: 1.0;", 0,
     SimCodes(kFujiOps), SimCodes(kFujiEvents), &kSimFujifilmProperties, SimCodes(kFujiVendorProps),
     SimCodes(kFujiCaptureFormats), SimCodes(kFujiImageFormats),
     "FUJIFILM", "X-T4", "1.20", "0B9M3A12345",
     "X-T4",
     "DSCF%04u.JPG", 64021856256ull, 12000000, "SD1", ""},
};

// clang-format on

} // namespace

const SimCameraModel* SimModels_Find(const char* key) {
    if (!key) return nullptr;
    for (const SimCameraModel& m : kModels)
        if (std::strcmp(m.key, key) == 0) return &m;
    return nullptr;
}
