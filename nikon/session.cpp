// The Nikon session entries.
#include <cstdlib>

#include "generic/session.h"
#include "nikon/nikon_driver.h"

// The keep-alive reads the DeviceInfo, which refreshes the session's copy too.
PtpResult PtpNikon_KeepAlive() {
    PtpDeviceInfo* scratch = static_cast<PtpDeviceInfo*>(std::malloc(sizeof(PtpDeviceInfo)));
    if (!scratch) return PtpResult_OutOfMemory;
    PtpResult rc = PtpGetDeviceInfo(scratch);
    std::free(scratch);
    return rc;
}
