// The virtual Tetherhub's Nikon cameras on the capture side: what tests steer
// and read of their shots, bulb exposures and lens. Same threading as
// sim_hub.h; on a hub whose camera is not a Nikon the setters do nothing and
// the snapshot is empty.
//
// Shots: 0x9207 (selector, 0) and 0x100E store the files 0x5004 asks for (the
// NEF before its JPEG), announce each, count 0xD1F1 down, and then the camera
// is busy for the body's stretch (400 ms on the D850): the ready check 0x90C8
// and further captures answer 0x2019 meanwhile. Selector 0xFFFFFFFE focuses
// first: when the lens finds no focus no picture is taken and 0x90C8 answers
// 0xA002 until 0x9206 cancels. At the bulb shutter speed (0xD100 = 0xFFFFFFFF)
// 0x9207 opens the shutter (0xA008 while it is open already), 0x90C8 answers
// 0xA200 while it stays open, and 0x920C (0, 0) closes it and stores the
// files; 0x920C with no open exposure answers 0x2002.
// Focus: 0x90C1 answers OK; when the lens finds no focus 0x90C8 then answers
// 0xA002 until the next 0x90C1, capture or 0x9206. 0x9204 (direction, amount)
// moves the lens by amount units towards the nearest distance (1) or infinity
// (2), stopping at either end; a drive from the end it points at answers
// 0xA00C and does not move. On AF-mode-switch bodies (D5000 class) both answer
// 0xA002 while the camera's focus mode is manual (0xD161 3 or 4, else 0x500A 1).
#pragma once

#include "sim_hub.h"

#include <cstdint>
#include <vector>

// The lens's focus travel in 0x9204 units; it starts in the middle.
constexpr int32_t kSimNikonLensTravel = 1 << 24;

// How long the camera stays busy after a shot (0: not at all).
void SimHub_SetNikonBusyAfterShot(SimHub* hub, uint32_t millis);

// Makes the lens find no focus (true) or focus again (false, at start).
void SimHub_SetNikonAutofocusFails(SimHub* hub, bool fails);

struct SimNikonCaptureStats {
    uint32_t control_mode = 0; // the last 0x90C2 parameter
    uint32_t pictures = 0;     // shots stored, bulb exposures included
    bool bulb_open = false;
    uint32_t last_bulb_ms = 0;         // the last finished bulb exposure, shutter open to closed
    int32_t lens_position = 0;         // 0 (nearest) .. kSimNikonLensTravel
    std::vector<uint32_t> lens_drives; // 0x9204 direction, amount pairs, oldest first
};
SimNikonCaptureStats SimHub_NikonCaptureStats(const SimHub* hub);
