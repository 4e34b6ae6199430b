// Whether the Sony body has the normal property controls (the newer models):
// every property written directly, with allowed values from the camera. Older
// bodies step ISO, shutter speed and aperture toward a value instead, so a
// write there is not verified. Set by the Sony session start from the model;
// false until then.
#pragma once

bool PtpSony_SupportsNormalPropertyControls();
void PtpSony_SetNormalPropertyControls(bool supported);
