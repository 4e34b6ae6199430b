// Device properties of the emulated camera: the DevicePropDesc data set, the
// three property operations, and changes made "in the camera" by tests. Every
// change raises a DevicePropChanged event. Callers hold the hub lock.
#pragma once

#include "sim_camera.h"

#include <string>

// Per-vendor property tables (sim_model_properties.cpp).
extern const SimPropertyTable kSimCanonProperties;
extern const SimPropertyTable kSimNikonProperties;
extern const SimPropertyTable kSimSonyProperties;
extern const SimPropertyTable kSimFujifilmProperties;

// Every property back to its factory value and access.
void SimProperties_Reset(SimCameraState& cam);

// The row of a code, or -1.
int SimProperties_Find(const SimCameraState& cam, uint16_t code);

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
