// The Sony session state. Each item is atomic: host threads and the event
// thread read and write them.
#include "sony/property_controls.h"

#include <atomic>

#include "ptp_sony.h"

namespace {

std::atomic<bool> g_normalControls{false};
std::atomic<uint32_t> g_liveViewPosition{0};
std::atomic<int> g_waitingWriters{0};

} // namespace

bool PtpSony_SupportsNormalPropertyControls() { return g_normalControls.load(); }
void PtpSony_SetNormalPropertyControls(bool supported) { g_normalControls.store(supported); }
bool PtpSonyInterface_SupportsNormalPropertyControls() { return g_normalControls.load(); }

uint32_t PtpSony_LiveViewPosition() { return g_liveViewPosition.load(); }
void PtpSony_SetLiveViewPosition(uint32_t position) { g_liveViewPosition.store(position); }

int PtpSony_WaitingWriters() { return g_waitingWriters.load(); }

// The count changes only here, atomically: host threads write at once.
PtpSonyWriterTicket::PtpSonyWriterTicket() { g_waitingWriters.fetch_add(1); }
PtpSonyWriterTicket::~PtpSonyWriterTicket() { g_waitingWriters.fetch_sub(1); }
