// Device properties of the emulated camera: the DevicePropDesc data set, the
// three property operations, and changes made "in the camera" by tests. Every
// change raises a DevicePropChanged event. Callers hold the hub lock.
#pragma once

#include "sim_camera.h"

#include <string>

// Per-vendor property tables (sim_model_properties.cpp).
extern const SimPropertyTable kSimCanonProperties;
// Per-model Canon vendor property tables (sim_canon_properties.cpp).
extern const SimPropertyTable kSimCanon5DMarkIVProperties;
extern const SimPropertyTable kSimCanon90DProperties;
extern const SimPropertyTable kSimCanonRProperties;
extern const SimPropertyTable kSimCanonR5Properties;
extern const SimPropertyTable kSimNikonProperties;
// Each Nikon body's own vendor properties (sim_nikon_properties.cpp).
extern const SimPropertyTable kSimNikonD850Properties;
extern const SimPropertyTable kSimNikonZ6Properties;
extern const SimPropertyTable kSimNikonD800Properties;
extern const SimPropertyTable kSimNikonD5000Properties;
extern const SimPropertyTable kSimSonyProperties;
// Sony vendor properties of newer bodies (normal controls) and older ones
// (stepped ISO, shutter speed, aperture) (sim_sony_properties.cpp).
extern const SimPropertyTable kSimSonyNewerProperties;
extern const SimPropertyTable kSimSonyOlderProperties;
extern const SimPropertyTable kSimFujifilmProperties;
// Each Fujifilm body's properties (sim_fuji_properties.cpp).
extern const SimPropertyTable kSimFujiXT4Properties;
extern const SimPropertyTable kSimFujiGfx100Properties;

// Every property back to its factory value and access.
void SimProperties_Reset(SimCameraState& cam);

// The row of a code, or -1.
int SimProperties_Find(const SimCameraState& cam, uint16_t code);

// The row of a property code an operation names; -1 after answering 0x200A
// Device Prop Not Supported (also for a code wider than 16 bits).
int SimProperties_FindOrRefuse(const SimCameraState& cam, uint32_t code, SimPtpAnswer* answer);

// Operations: GetDevicePropDesc 0x1014, GetDevicePropValue 0x1015,
// SetDevicePropValue 0x1016.
void SimProperties_GetDesc(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimProperties_GetValue(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimProperties_SetValue(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);

// A change in the camera (a dial turned). Numeric values are cut to the type;
// STR properties with a list take the index of a listed string. The form is not
// checked, so a test can make the camera report a value it does not list.
// False for an unknown code, or a STR property without a list.
bool SimProperties_SetFromCamera(SimCameraState& cam, uint16_t code, uint32_t value);
bool SimProperties_SetTextFromCamera(SimCameraState& cam, uint16_t code, const char* text);

// The current value as the 38-byte event record carries it: numeric bits, or
// for STR the index of the current string in the list (0 when not listed).
bool SimProperties_Value(const SimCameraState& cam, uint16_t code, uint32_t* value);
bool SimProperties_Text(const SimCameraState& cam, uint16_t code, std::string* text);
bool SimProperties_SetAccess(SimCameraState& cam, uint16_t code, bool writable);

// A write of a number by a vendor operation (Canon's 0x9110): the value is cut
// to the property's type and must be allowed by its form. Returns the response
// code: OK (the value stored, DevicePropChanged raised even when unchanged),
// 0x200A unknown code, 0x200F read-only, 0x201B a STR property, 0x201C a value
// outside the form.
uint16_t SimProperties_WriteNumber(SimCameraState& cam, uint16_t code, uint32_t value);

// A numeric property's wire bits, or `fallback` for an unknown or STR property.
uint32_t SimProperties_Bits(const SimCameraState& cam, uint16_t code, uint32_t fallback);

// A number as it goes on the wire for a type: cut to its width, zero-extended.
uint32_t SimProperties_Cut(uint16_t type, int64_t value);
