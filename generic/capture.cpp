// Capture dispatch: shots, half press, movie mode and the double-shot checks
// through the session's driver, and the shot sequences that several
// vendor-neutral operations share.
#include "generic/capture.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "generic/driver.h"
#include "ptp/transaction.h"
#include "ptp_generic.h"

namespace {

// A shot that finds the camera busy is tried again this often.
constexpr auto kBusyShotPause = std::chrono::milliseconds(250);

struct CaptureState {
    std::mutex lock; // the capture lock; guards no field here
    std::atomic<bool> shutterPressed{false};
};

CaptureState g_capture;

const PtpDriverCapture& capture() { return PtpSession_Driver()->capture; }

} // namespace

// --- Shared capture state ----------------------------------------------------------------

std::mutex& PtpCapture_Lock() { return g_capture.lock; }
void PtpCapture_SetShutterPressed(bool pressed) { g_capture.shutterPressed = pressed; }
bool PtpCapture_IsShutterPressed() { return g_capture.shutterPressed; }

// --- Shared driver entries -------------------------------------------------------------------

PtpResult PtpCapture_InitiateStandard() { return PtpTransaction_Run(kPtpOpInitiateCapture); }
PtpResult PtpCapture_ReleasedWithCapture() { return PtpResult_Ok; }
PtpResult PtpCapture_NoHalfPress() { return PtpResult_OperationNotSupported; }

// --- Shot sequences ---------------------------------------------------------------------------

PtpResult PtpTakeShot() {
    const PtpDriverCapture& c = capture();
    if (c.takeShot) return c.takeShot();
    PtpResult rc = PtpGenericInterface_InitiateImageCapture();
    if (rc == PtpResult_Ok) return PtpGenericInterface_InitiateShutterRelease();
    if (rc == PtpResult_DeviceBusy && c.waitBusyCapture) return c.waitBusyCapture();
    return rc;
}

PtpResult PtpTakeAndWaitWhileBusy(uint32_t attempts) {
    PtpResult (*take)() = capture().takeAndWait;
    if (!take) return PtpResult_NotSupportedForCamera;
    // A camera still busy with the previous shot answers Device Busy until it
    // is ready; the sequence that called waits for it, but not for ever: a
    // camera that stays busy ends the wait with Device Busy. Only the shot
    // itself answers busy: a failure after it is PtpResult_CaptureFailed.
    PtpResult rc = take();
    for (uint32_t made = 1; rc == PtpResult_DeviceBusy && made < attempts; ++made) {
        std::this_thread::sleep_for(kBusyShotPause);
        rc = take();
    }
    return rc;
}

// --- Exported capture calls --------------------------------------------------------------------

PtpResult PtpGenericInterface_InitiateImageCapture() {
    return PtpCapture_Run(capture().initiateCapture);
}

PtpResult PtpGenericInterface_InitiateShutterRelease() {
    return PtpCapture_Run(capture().releaseShutter);
}

PtpResult PtpGenericInterface_TakeAndWaitForShotToComplete() {
    return PtpCapture_Run(capture().takeAndWait);
}

PtpResult PtpGenericInterface_TakeTestShot() {
    const PtpDriverCapture& c = capture();
    return c.takeTestShot ? c.takeTestShot() : PtpTakeShot();
}

PtpResult PtpGenericInterface_StartHalfPress() { return PtpCapture_Run(capture().startHalfPress); }

PtpResult PtpGenericInterface_ReleaseHalfPress() {
    return PtpCapture_Run(capture().releaseHalfPress);
}

PtpResult PtpGenericInterface_StartMovieMode() { return PtpCapture_Run(capture().startMovieMode); }

PtpResult PtpGenericInterface_StopMovieMode() { return PtpCapture_Run(capture().stopMovieMode); }

PtpResult PtpGenericInterface_StartRecordMovie() {
    return PtpCapture_Run(capture().startRecordMovie);
}

PtpResult PtpGenericInterface_StopRecordMovie() {
    return PtpCapture_Run(capture().stopRecordMovie);
}

bool PtpGenericInterface_IsDriveModeContinuous(uint32_t value) {
    const PtpDriverCapture& c = capture();
    return c.isDriveModeContinuous && c.isDriveModeContinuous(value);
}

bool PtpGenericInterface_CouldDoubleShoot() { return PtpCapture_Test(capture().couldDoubleShoot); }

PtpResult PtpGenericInterface_MitigateDoubleShoot() {
    return PtpCapture_Run(capture().mitigateDoubleShoot);
}

bool PtpGenericInterface_ShouldPresentBurstPicker(uint32_t code, uint32_t value) {
    const PtpDriverCapture& c = capture();
    return c.shouldPresentBurstPicker && c.shouldPresentBurstPicker(code, value);
}
