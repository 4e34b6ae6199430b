// A one-line progress bar on stderr for transfers that take more than a moment.
#pragma once

#include <chrono>
#include <cstdint>

struct Progress {
    uint64_t total = 0;
    std::chrono::steady_clock::time_point start;
    bool shown = false;
};

Progress Progress_Start(uint64_t total);
// Redraws the bar once the transfer has run for more than half a second.
void Progress_Update(Progress& progress, uint64_t done);
// Ends the line when a bar was shown.
void Progress_Finish(Progress& progress);
