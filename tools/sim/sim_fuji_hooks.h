// The virtual Tetherhub's Fujifilm cameras: what tests steer and read. Same
// threading as sim_hub.h; on a hub whose camera is not a Fujifilm the setters
// do nothing and the snapshot is empty.
//
// Priority: the camera starts in camera priority (0xD207 = 1), where it refuses
// every property write but those of 0xD207 and 0xD20C with 0x200F; 2 is host
// priority. Shots are steps: a step code written to 0xD208, then
// InitiateCapture (0x100E, 0, 0) runs it. 0x0200 presses the shutter and, with
// the focus mode on AF (0x500A not 1), starts autofocus: 0xD209 reads 1 for the
// body's focus time, then 2 (in focus) or 3 (failed). 0x0004 cancels a failed
// press. 0x0304 releases and stores the files 0xD018 asks for (the RAF, then
// its JPEG, announced in the hub's records); 0x0500 after a press opens the
// shutter for bulb and 0x000C closes it and stores the files. 0x9100 / 0x9300
// half press (autofocus as above), 0x0001 / 0x0005 end it. 0x0804 / 0x0080 start
// and stop a movie. After a shot the camera answers 0x2019 Device Busy to
// writes, captures and InitiateOpenCapture for the body's busy stretch.
// GetObjectHandles lists only the objects taken since the hub started that have
// not been downloaded whole (GetObject) yet, as a tethered camera hands them
// over. InitiateOpenCapture (0x101C) starts live view.
#pragma once

#include "sim_hub.h"

#include <cstdint>
#include <vector>

// Makes autofocus fail (0xD209 ends at 3) or succeed again (false, at start).
void SimHub_SetFujiAutofocusFails(SimHub* hub, bool fails);
// A camera that never finishes storing: every write and capture answers 0x2019
// until switched off again.
void SimHub_SetFujiStuckBusy(SimHub* hub, bool stuck);
// How long the camera stays busy after a shot (0: not at all).
void SimHub_SetFujiBusyAfterShot(SimHub* hub, uint32_t millis);

struct SimFujiStats {
    std::vector<uint32_t> steps; // step codes InitiateCapture ran, oldest first
    uint32_t pictures = 0;       // shots stored, bulb exposures included
    bool bulb_open = false;
    uint32_t last_bulb_ms = 0; // the last bulb exposure, shutter open to closed
    uint32_t live_view_starts = 0; // 0x101C; the stop is the hub's (code 134, SimServiceStats)
    bool recording = false;
};
SimFujiStats SimHub_FujiStats(const SimHub* hub);
