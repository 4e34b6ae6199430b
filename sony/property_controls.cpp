#include "sony/property_controls.h"

#include <atomic>

namespace {

std::atomic<bool> normalControls{false};

} // namespace

bool PtpSony_SupportsNormalPropertyControls() { return normalControls.load(); }

void PtpSony_SetNormalPropertyControls(bool supported) { normalControls.store(supported); }
