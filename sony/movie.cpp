// Sony movie recording: the movie button, pressed to start and released to stop.
#include "sony/sony_capture.h"
#include "sony/sony_codes.h"

PtpResult PtpSony_StartRecordMovie() { return PtpSony_Press(kSonyButtonMovie); }

PtpResult PtpSony_StopRecordMovie() { return PtpSony_Release(kSonyButtonMovie); }
