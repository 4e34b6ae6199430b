// The Canon operation, property and event codes: one name per code, in one place.
#pragma once

#include <cstdint>

// --- Operations ---------------------------------------------------------------------------
constexpr uint16_t kEosOpGetStorageIds = 0x9101; // the IDs start at byte 16 of the reply
constexpr uint16_t kEosOpListFolder = 0x9109;
constexpr uint16_t kEosOpGetThumbEx = 0x910A;
constexpr uint16_t kEosOpRelease = 0x910F; // single release, bodies without remote release
constexpr uint16_t kEosOpSetPropertyValue = 0x9110;
constexpr uint16_t kEosOpSetRemoteMode = 0x9114;
constexpr uint16_t kEosOpSetEventMode = 0x9115;
constexpr uint16_t kEosOpKeepDeviceOn = 0x911D;
constexpr uint16_t kEosOpBulbStart = 0x9125;
constexpr uint16_t kEosOpBulbEnd = 0x9126;
constexpr uint16_t kEosOpRequestPropertyValue = 0x9127;
constexpr uint16_t kEosOpRemoteReleaseOn = 0x9128;
constexpr uint16_t kEosOpRemoteReleaseOff = 0x9129;
constexpr uint16_t kEosOpGetPartialObjectOld = 0x912C;
constexpr uint16_t kEosOpMovieSelectOn = 0x9133;
constexpr uint16_t kEosOpMovieSelectOff = 0x9134;
constexpr uint16_t kEosOpGetExtraAttributes = 0x9135;
constexpr uint16_t kEosOpSetRequestedProperties = 0x913D;
constexpr uint16_t kEosOpLiveViewAfterSwitch = 0x913E;
constexpr uint16_t kEosOpGetViewFinderData = 0x9153;
constexpr uint16_t kEosOpAutofocus = 0x9154;
// u32 parameter: the low 15 bits count lens steps, bit 15 drives towards near.
constexpr uint16_t kEosOpDriveLens = 0x9155;
constexpr uint16_t kEosOpZoom = 0x9158;
constexpr uint16_t kEosOpZoomPosition = 0x9159;
constexpr uint16_t kEosOpAutofocusStop = 0x9160;
// With a handle, one object's information; with a storage and a parent, the
// folder's listing.
constexpr uint16_t kEosOpGetObjectInfoEx = 0x9170;
constexpr uint16_t kEosOpGetPartialObject = 0x9172;
constexpr uint16_t kEosOpListFolderNamed = 0x917A;

// --- Properties ---------------------------------------------------------------------------
constexpr uint32_t kEosPropLensZoom = 0xD055;
constexpr uint32_t kEosPropAperture = 0xD101;
constexpr uint32_t kEosPropShutterSpeed = 0xD102;
constexpr uint32_t kEosPropIso = 0xD103;
constexpr uint32_t kEosPropExposureCompensation = 0xD104;
constexpr uint32_t kEosPropExposureMode = 0xD105;
constexpr uint32_t kEosPropDriveMode = 0xD106;
constexpr uint32_t kEosPropMeteringMode = 0xD107;
constexpr uint32_t kEosPropFocusMode = 0xD108;
constexpr uint32_t kEosPropWhiteBalance = 0xD109;
constexpr uint32_t kEosPropColorSpace = 0xD10F;
constexpr uint32_t kEosPropBatteryPower = 0xD111;
constexpr uint32_t kEosPropAvailableShots = 0xD11B;
constexpr uint32_t kEosPropCaptureDestination = 0xD11C;
constexpr uint32_t kEosPropImageFormat = 0xD120;
constexpr uint32_t kEosPropImageFormatLast = 0xD123; // "Image Format Ext HD"
constexpr uint32_t kEosPropExposureModeDial = 0xD138;
constexpr uint32_t kEosPropMirrorUp = 0xD13A;
constexpr uint32_t kEosPropMovieServoAf = 0xD179;
constexpr uint32_t kEosPropEvfOutputDevice = 0xD1B0;
constexpr uint32_t kEosPropEvfMode = 0xD1B1;
constexpr uint32_t kEosPropEvfRecordStatus = 0xD1B8;
constexpr uint32_t kEosPropLvAfSystem = 0xD1BA;
constexpr uint32_t kEosPropMirrorLockupState = 0xD1BF;
constexpr uint32_t kEosPropEvfLock = 0xD1C9;               // 1 keeps the viewfinder on the camera
constexpr uint32_t kEosPropMovieCompensationGate = 0xD1C5; // movie mode: compensation only while 0
constexpr uint32_t kEosPropLensName = 0xD1D8;
constexpr uint32_t kEosPropExposureBracketing = 0xD1D9;

// --- Events -------------------------------------------------------------------------------

// Event-data record types.
constexpr uint32_t kEosRecordObjectAdded = 0xC181;
constexpr uint32_t kEosRecordObjectRemoved = 0xC182;
constexpr uint32_t kEosRecordRequestTransfer = 0xC186;
constexpr uint32_t kEosRecordRequestTransferAlt = 0xC188;
constexpr uint32_t kEosRecordPropertyValue = 0xC189;
constexpr uint32_t kEosRecordAllowedValues = 0xC18A;
constexpr uint32_t kEosRecordBusy = 0xC18B;
constexpr uint32_t kEosRecordCameraStatus = 0xC1A5;
constexpr uint32_t kEosRecordObjectAddedNamed = 0xC1A7;
constexpr uint32_t kEosRecordObjectAddedNamedUcs2 = 0xC1B6;
