#include "fuji/live_view_restart.h"

#include <atomic>

namespace {

std::atomic<bool> restartLiveView{false};

} // namespace

void PtpFuji_SetRestartLiveView() { restartLiveView.store(true); }

bool PtpFuji_TakeRestartLiveView() { return restartLiveView.exchange(false); }
