// The panorama sequencer's pauses, which tests shorten.
#pragma once

#include <cstdint>

struct PtpPanoramaPauses {
    uint32_t busyRetryMs = 250;  // a shot or bulb start the camera answered busy
    uint32_t writeRetryMs = 300; // a bracket value write the camera answered busy
    uint32_t settleMs = 500;     // after a move's own duration, before the next capture
};

// Replaces the pauses for later panoramas; not while one runs.
void PtpPanorama_SetPauses(const PtpPanoramaPauses& pauses);
