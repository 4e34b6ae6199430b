// The Nikon session: control mode, the bulk property descriptions, property
// reads and writes, event data and the device-ready wait. Host threads call
// the writers and readers; the event-check thread runs PtpNikon_ParseEventData.
#pragma once

#include <cstdint>

#include "generic/driver.h"
#include "ptp_properties.h"
#include "ptp_result.h"

// --- Session (nikon/session.cpp) ------------------------------------------------------------
// The driver's session start: control mode, DeviceInfo again, the bulk descriptions.
PtpResult PtpNikon_StartSession(uint8_t hostMode);
// Operation 0x90C2 with mode (1 host, 0 camera); on success the mode is kept
// and, with announce, the properties the mode changes are announced.
PtpResult PtpNikon_SetControlMode(uint32_t mode, bool announce);
PtpResult PtpNikon_SetHostMode(uint8_t on, uint8_t announce);
// The last mode 0x90C2 accepted.
uint32_t PtpNikon_HostControlMode();
// Runs 0x90C8 until the camera is no longer busy, at most 20 times 250 ms
// apart; the last answer.
PtpResult PtpNikon_WaitDeviceReady();
// Whether change events of code are followed: the bulk list and 0x5003.
bool PtpNikon_IsTrackedProperty(uint32_t code);
// Re-reads a tracked, stored property's description and queues its change
// (notifying the host). False when it is not tracked, not stored or unread.
bool PtpNikon_AnnounceProperty(uint32_t code);
// The event thread's Nikon duty after each poll: the battery announcement.
void PtpNikon_EventLoopDuty(uint32_t pass);

// --- Bulk descriptions (nikon/bulk_descriptions.cpp) ---------------------------------------
// Asks the Tetherhub for the tracked properties' descriptions and fills the store.
PtpResult PtpNikon_LoadPropertyDescriptions();
// Fills the store from a block of {u32 L, L bytes of DevicePropDesc} records.
// PtpResult_InvalidArgument when no record could be stored. Borrows data.
PtpResult PtpNikon_ParsePropertyDescriptionBlock(const uint8_t* data, uint32_t length);

// --- Events (nikon/events.cpp) ---------------------------------------------------------------
// Queues the events of one block of Nikon event data (u16 count, then
// {u16 code, u32 parameter} entries), without notifying the host.
PtpResult PtpNikon_ParseEventData(const uint8_t* data, uint32_t length);

// --- Properties (nikon/properties.cpp) -------------------------------------------------------
PtpResult PtpNikon_SetPropertyValue(uint32_t code, uint32_t value);
PtpVerifyOutcome PtpNikon_WaitForValue(uint32_t code, uint32_t value);
bool PtpNikon_WaitForPropertyValue(uint32_t code, uint32_t expected);
PtpResult PtpNikon_RefreshAllProperties();
// Rebuilds the image-format record's value: quality | 0x5003 << 16 | 0xD0B6 << 24.
void PtpNikon_ComposeImageFormat();
// Whether code is one of the properties the composite image format is built from.
bool PtpNikon_IsImageFormatPart(uint32_t code);
// The colour temperature (0xD01E) of the bodies that report an index 0-30:
// kelvin for an index, the index for kelvin; other bodies keep the value.
uint32_t PtpNikon_KelvinFromIndex(uint32_t index);
uint32_t PtpNikon_IndexFromKelvin(uint32_t kelvin);
bool PtpNikon_IsUnlisted(uint32_t code);
// Reads code's description again and announces it.
PtpResult PtpNikon_RefreshDescription(uint32_t code);
