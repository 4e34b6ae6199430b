// Fujifilm state shared by the property writes, the capture and the live
// view: the restart-live-view flag, set when a Fujifilm operation had to
// switch live view off (a property write, a capture, a half press), whoever
// finishes that operation switches it back on and clears the flag; and the
// focus mode saved before the driver sets manual focus for a while.
#pragma once

#include <cstdint>

void PtpFuji_SetRestartLiveView();

// Clears the flag and tells whether it was set, in one step, so live view is
// restarted once for each stop.
bool PtpFuji_TakeRestartLiveView();

// The Focus Mode (0x500A) value to put back after a temporary change (zoom,
// one-touch focus); 0 until one is saved.
void PtpFuji_SaveFocusMode(uint32_t mode);
uint32_t PtpFuji_SavedFocusMode();
