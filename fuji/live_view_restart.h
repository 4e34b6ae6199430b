// The Fujifilm restart-live-view flag: set when a Fujifilm operation had to
// switch live view off (a property write, a capture, a half press); whoever
// finishes that operation switches it back on and clears the flag.
#pragma once

void PtpFuji_SetRestartLiveView();

// Clears the flag and tells whether it was set, in one step, so live view is
// restarted once for each stop.
bool PtpFuji_TakeRestartLiveView();
