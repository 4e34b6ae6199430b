// The Sony session state: whether the body has the normal property controls
// (the newer models: every property written directly, with allowed values from
// the camera; older bodies step ISO, shutter speed and aperture toward a value
// through fixed lists, so a write there is not verified), the live-view
// position and the count of writers waiting for the Sony setting lock. Any thread.
#pragma once

#include <cstdint>

bool PtpSony_SupportsNormalPropertyControls();
void PtpSony_SetNormalPropertyControls(bool supported);

// The live-view position: the first four bytes of 0xD254's 8-byte value
// (x << 16 | y), kept when the all-properties data is parsed.
uint32_t PtpSony_LiveViewPosition();
void PtpSony_SetLiveViewPosition(uint32_t position);

// Writers running or waiting for the Sony setting lock. A stepped write that
// sees more than one gives way to the writer behind it.
int PtpSony_WaitingWriters();

// Counts this writer among the waiting writers for its lifetime.
struct PtpSonyWriterTicket {
    PtpSonyWriterTicket();
    ~PtpSonyWriterTicket();
    PtpSonyWriterTicket(const PtpSonyWriterTicket&) = delete;
    PtpSonyWriterTicket& operator=(const PtpSonyWriterTicket&) = delete;
};
