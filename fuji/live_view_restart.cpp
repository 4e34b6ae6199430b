#include "fuji/live_view_restart.h"

#include <atomic>

namespace {

std::atomic<bool> restartLiveView{false};
std::atomic<uint32_t> savedFocusMode{0};

} // namespace

void PtpFuji_SetRestartLiveView() { restartLiveView.store(true); }

bool PtpFuji_TakeRestartLiveView() { return restartLiveView.exchange(false); }

void PtpFuji_SaveFocusMode(uint32_t mode) { savedFocusMode.store(mode); }

uint32_t PtpFuji_SavedFocusMode() { return savedFocusMode.load(); }
