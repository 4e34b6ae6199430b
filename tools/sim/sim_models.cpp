// The facts table: one row per emulated camera model. The code lists are what
// each model reports in its DeviceInfo; operations the sim actually answers are
// the standard rows of sim_camera.cpp and the rows of the vendor's hooks
// (sim_vendor.h), the rest answer Operation Not Supported until a row is
// added. The properties a model describes are its vendor's table in
// sim_model_properties.cpp and, for Canon models, its own table in
// sim_canon_properties.cpp; the vendor property codes below are listed in the
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
// The operations every Canon model answers.
#define SIM_CANON_OPS                                                                              \
    SIM_STANDARD_OPS,                                                                              \
    0x9101,                 /* GetStorageIDs (Canon form) */                                       \
    0x9109,                 /* GetObjectInfoEx: folder listing */                                  \
    0x910A,                 /* GetThumbEx */                                                       \
    0x910F,                 /* RemoteRelease (one shot) */                                         \
    0x9110,                 /* SetDevicePropValueEx */                                             \
    0x9114, 0x9115, 0x9116, /* SetRemoteMode, SetEventMode, GetEvent */                            \
    0x911D,                 /* KeepDeviceOn */                                                     \
    0x9125, 0x9126,         /* BulbStart, BulbEnd */                                               \
    0x9127,                 /* RequestDevicePropValue */                                           \
    0x9128, 0x9129,         /* RemoteReleaseOn, RemoteReleaseOff */                                \
    0x912C,                 /* GetPartialObjectEx */                                               \
    0x9133, 0x9134,         /* MovieSelectSWOn, MovieSelectSWOff */                                \
    0x9153,                 /* GetViewFinderData (live view) */                                    \
    0x9154,                 /* DoAf */                                                             \
    0x9155,                 /* DriveLens */                                                        \
    0x9158, 0x9159,         /* Zoom, ZoomPosition */                                               \
    0x9160                  /* AfCancel */

const uint16_t kCanonDslrOps[] = {SIM_CANON_OPS};
// Newer bodies also describe objects and read them past 4 GiB with their own
// operations.
const uint16_t kCanonMirrorlessOps[] = {
    SIM_CANON_OPS,
    0x9170,                 // GetObjectInfo64: object info, or a folder listing
    0x9172,                 // GetPartialObject64
};
const uint16_t kCanonEvents[] = {
    SIM_STANDARD_EVENTS,
    0xC101,                 // RequestGetEvent
    0xC181, 0xC182,         // ObjectAddedEx, ObjectRemoved
    0xC189, 0xC18A,         // PropValueChanged, AvailListChanged
    0xC18D,                 // CameraStatusChanged
};
const uint16_t kCanonCaptureFormats[] = {kFormatJpeg};
const uint16_t kCanonCr2ImageFormats[] = {kFormatJpeg, 0xB103 /* CR2 */, 0x300D /* MOV */};
const uint16_t kCanonCr3ImageFormats[] = {kFormatJpeg, 0xB108 /* CR3 */, 0x300D /* MOV */};

// Nikon -----------------------------------------------------------------------
#define SIM_NIKON_OPS                                                                              \
    SIM_STANDARD_OPS,                                                                              \
    0x101C,                 /* InitiateOpenCapture */                                              \
    0x90C0,                 /* InitiateCaptureRecInSdram */                                        \
    0x90C1,                 /* AfDrive */                                                          \
    0x90C2,                 /* ChangeCameraMode */                                                 \
    0x90C3,                 /* DeleteImagesInSdram */                                              \
    0x90C4,                 /* GetLargeThumb */                                                    \
    0x90C7,                 /* GetEvent */                                                         \
    0x90C8,                 /* DeviceReady */                                                      \
    0x90CA,                 /* GetVendorPropCodes */                                               \
    0x90CB,                 /* AfAndCaptureRecInSdram */                                           \
    0x9201, 0x9202, 0x9203, /* StartLiveView, EndLiveView, GetLiveViewImage */                     \
    0x9204,                 /* MfDrive */                                                          \
    0x9205,                 /* ChangeAfArea */                                                     \
    0x9206                  /* AfDriveCancel */
// Mirrorless bodies also send live-view frames with the extended header.
const uint16_t kNikonMirrorlessOps[] = {
    SIM_NIKON_OPS,
    0x9207,                 // InitiateCaptureRecInMedia
    0x920A, 0x920B,         // StartMovieRecInCard, EndMovieRec
    0x920C,                 // TerminateCapture
    0x9400,                 // GetPartialObjectHighSpeed
    0x9428,                 // GetLiveViewImageEx
};
// The D5000 class: no capture to card, no remote movie or bulb.
const uint16_t kNikonEntryOps[] = {SIM_NIKON_OPS};
const uint16_t kNikonOps[] = {
    SIM_NIKON_OPS,
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
const uint16_t kFujiImageFormats[] = {kFormatJpeg, 0xB111 /* RAF */};

// Canon object-added records: with a NUL-terminated name, with a PTP string,
// or the handle alone.
constexpr uint16_t kCanonObjectWithName = 0xC1A7;
constexpr uint16_t kCanonObjectWithString = 0xC1B6;
constexpr uint16_t kCanonObjectHandle = 0xC181;

// The fields every row of a vendor shares: vendor, standard version, vendor
// extension id/version/desc, functional mode, operations, events, property
// table, vendor properties, capture and image formats, maker.
#define SIM_CANON_ROW(ops, images)                                                                 \
    SimVendor_Canon, 100, 11, 100, "", 0, SimCodes(ops), SimCodes(kCanonEvents),                   \
    &kSimCanonProperties, SimCodeList{}, SimCodes(kCanonCaptureFormats), SimCodes(images),         \
    "Canon Inc."
#define SIM_NIKON_ROW(ops)                                                                         \
    SimVendor_Nikon, 100, 10, 100, "Nikon PTP Extensions", 0, SimCodes(ops),                       \
    SimCodes(kNikonEvents), &kSimNikonProperties, SimCodes(kNikonVendorProps),                     \
    SimCodes(kNikonCaptureFormats), SimCodes(kNikonImageFormats), "Nikon"
#define SIM_SONY_ROW()                                                                             \
    SimVendor_Sony, 100, 17, 100, "Sony PTP Extensions", 0, SimCodes(kSonyOps),                    \
    SimCodes(kSonyEvents), &kSimSonyProperties, SimCodes(kSonyVendorProps),                        \
    SimCodes(kSonyCaptureFormats), SimCodes(kSonyImageFormats), "Sony Corporation"
#define SIM_FUJI_ROW(properties)                                                                   \
    SimVendor_Fujifilm, 100, 14, 100, "fujifilm.co.jp: 1.0;", 0, SimCodes(kFujiOps),               \
    SimCodes(kFujiEvents), &properties, SimCodes(kFujiVendorProps),                                \
    SimCodes(kFujiCaptureFormats), SimCodes(kFujiImageFormats), "FUJIFILM"

const SimCameraModel kModels[] = {
    // A DSLR writing CR2 files; mirror lock-up.
    {"canon", SIM_CANON_ROW(kCanonDslrOps, kCanonCr2ImageFormats),
     // model, version, serial, hub's model text
     "Canon EOS 5D Mark IV", "3-1.2.0", "083021004512", "Canon EOS 5D Mark IV",
     // picture names, card capacity, typical picture size, storage description, volume label
     "IMG_%04u.JPG", 64021856256ull, 8700000, "SD", "EOS_DIGITAL",
     // the model's own properties, RAW names, object-added record, picture size
     &kSimCanon5DMarkIVProperties, "IMG_%04u.CR2", kCanonObjectWithName, 6720, 4480},
    // A DSLR writing CR3 files, whose focus mode is reported but not listed;
    // mirror lock-up with a single full press.
    {"canon-90d", SIM_CANON_ROW(kCanonDslrOps, kCanonCr3ImageFormats),
     "Canon EOS 90D", "3-1.1.1", "213053001877", "Canon EOS 90D",
     "IMG_%04u.JPG", 64021856256ull, 22000000, "SD", "EOS_DIGITAL",
     &kSimCanon90DProperties, "IMG_%04u.CR3", kCanonObjectHandle, 6960, 4640},
    // Mirrorless bodies writing CR3 files.
    {"canon-r", SIM_CANON_ROW(kCanonMirrorlessOps, kCanonCr3ImageFormats),
     "Canon EOS R", "3-1.8.0", "032021002241", "Canon EOS R",
     "IMG_%04u.JPG", 64021856256ull, 26000000, "SD", "EOS_DIGITAL",
     &kSimCanonRProperties, "IMG_%04u.CR3", kCanonObjectWithString, 6720, 4480},
    {"canon-r5", SIM_CANON_ROW(kCanonMirrorlessOps, kCanonCr3ImageFormats),
     "Canon EOS R5", "3-1.8.1", "082022009921", "Canon EOS R5",
     "IMG_%04u.JPG", 128043712512ull, 46000000, "SD", "EOS_DIGITAL",
     &kSimCanonR5Properties, "IMG_%04u.CR3", kCanonObjectWithString, 8192, 5464},
    {"nikon", SIM_NIKON_ROW(kNikonOps),
     "D850", "V1.20", "3012345", "D850",
     "DSC_%04u.JPG", 128043712512ull, 15000000, "XQD", "NIKON D850",
     &kSimNikonD850Properties, "DSC_%04u.NEF", 0, 8256, 5504},
    {"nikon-z6", SIM_NIKON_ROW(kNikonMirrorlessOps),
     "Z 6", "V3.40", "6012345", "Z 6",
     "DSC_%04u.JPG", 128043712512ull, 12000000, "XQD", "NIKON Z 6",
     &kSimNikonZ6Properties, "DSC_%04u.NEF", 0, 6048, 4024},
    {"nikon-d800", SIM_NIKON_ROW(kNikonOps),
     "D800", "V1.10", "3004512", "D800",
     "DSC_%04u.JPG", 32017047552ull, 13000000, "CF", "NIKON D800",
     &kSimNikonD800Properties, "DSC_%04u.NEF", 0, 7360, 4912},
    {"nikon-d5000", SIM_NIKON_ROW(kNikonEntryOps),
     "D5000", "V1.00", "6201234", "D5000",
     "DSC_%04u.JPG", 16008609792ull, 4800000, "SD", "NIKON D5000",
     &kSimNikonD5000Properties, "DSC_%04u.NEF", 0, 4288, 2848},
    // Normal property controls: every setting written as it is.
    {"sony", SIM_SONY_ROW(),
     "ILCE-7M4", "2.01", "00000000D5A1B2C3", "ILCE-7M4",
     "DSC%05u.JPG", 64021856256ull, 11000000, "Memory Card 1", "",
     &kSimSonyNewerProperties, nullptr, 0, 7008, 4672},
    // Older: ISO, shutter speed and aperture only step up and down.
    {"sony-a6400", SIM_SONY_ROW(),
     "ILCE-6400", "2.00", "00000000D5A16400", "ILCE-6400",
     "DSC%05u.JPG", 64021856256ull, 9000000, "Memory Card 1", "",
     &kSimSonyOlderProperties, nullptr, 0, 6000, 4000},
    // Live-view frames carry the focus rectangle.
    {"sony-a7r5", SIM_SONY_ROW(),
     "ILCE-7RM5", "1.10", "00000000D5A17R05", "ILCE-7RM5",
     "DSC%05u.JPG", 128043712512ull, 26000000, "Memory Card 1", "",
     &kSimSonyNewerProperties, nullptr, 0, 9504, 6336},
    // Fujifilm bodies describe every property in their own table
    // (sim_fuji_properties.cpp); their steps and shots are sim_fuji_*.cpp.
    {"fuji", SIM_FUJI_ROW(kSimFujiXT4Properties),
     "X-T4", "1.20", "0B9M3A12345", "X-T4",
     "DSCF%04u.JPG", 64021856256ull, 12000000, "SD1", "",
     nullptr, "DSCF%04u.RAF", 0, 6240, 4160},
    {"fuji-gfx", SIM_FUJI_ROW(kSimFujiGfx100Properties),
     "GFX 100", "3.00", "9AM00456", "GFX 100",
     "DSCF%04u.JPG", 128043712512ull, 62000000, "SD1", "",
     nullptr, "DSCF%04u.RAF", 0, 11648, 8736},
};

// clang-format on

} // namespace

const SimCameraModel* SimModels_Find(const char* key) {
    if (!key) return nullptr;
    for (const SimCameraModel& m : kModels)
        if (std::strcmp(m.key, key) == 0) return &m;
    return nullptr;
}
