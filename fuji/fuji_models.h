// Fujifilm bodies by the library's camera model number (16-37): the model
// table that sets the number at session start, and the named groups of bodies
// that behave alike. No lock: the table is constant and the group tests read
// the session's model number only.
#pragma once

#include <cstdint>

// The model number for a Model text (case-insensitive substring tests, first
// match wins); false when no Fujifilm body matches. Borrows text for the call.
bool PtpFuji_ModelForText(const char* text, uint8_t* model);
// The driver's model check: the same for the session's DeviceInfo, setting the
// session's model number on a match.
bool PtpFuji_EvaluateModel();

// The medium-format bodies: 20, 21, 23, 33, 34, 37.
bool PtpFuji_IsGfxModel(uint8_t model);
// The 100-megapixel-class bodies among them: 23, 33, 34, 37.
bool PtpFuji_IsLargeGfxModel(uint8_t model);
// The 50-megapixel bodies of the first generation: 20, 21.
bool PtpFuji_Is50MpGfxModel(uint8_t model);
// Whether the session's body is a GFX (focus steps are finer on them).
bool PtpFuji_IsGfx();

// --- Capability answers (fuji/capabilities.cpp) ---------------------------------------------
bool PtpFuji_SupportsHalfPress(); // every body
bool PtpFuji_IsAutoIso();         // the top bit of 0x500F
// Battery percent of a 0xD36A level code, from its top or low byte.
uint32_t PtpFuji_BatteryPercent(uint32_t value);
