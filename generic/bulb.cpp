// Bulb exposures: opening and closing the shutter for as long as the host
// wants, and whether the camera can take one now, through the session's driver.
#include "generic/capture.h"
#include "generic/driver.h"
#include "ptp_exposure.h"

namespace {

const PtpDriverCapture& capture() { return PtpSession_Driver()->capture; }

} // namespace

PtpResult PtpGenericInterface_StartBulb() { return PtpCapture_Run(capture().startBulb); }

PtpResult PtpGenericInterface_StopBulb() { return PtpCapture_Run(capture().stopBulb); }

bool PtpGenericInterface_CanStartBulb() { return PtpCapture_Test(capture().canStartBulb); }

bool PtpGenericInterface_IsBulbAvailable() { return PtpCapture_Test(capture().isBulbAvailable); }

bool PtpGenericInterface_IsBulbMode() { return PtpCapture_Test(capture().isBulbMode); }
