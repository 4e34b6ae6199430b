// The event-check loop and its pause lock.
//
// The pause lock is held by the event-check thread for one whole pass, by the
// host between Pause and Resume, by a property write with verification and by
// a Canon capture. The host may pause on one thread and resume on another, so
// it is a binary lock with an owner rather than a mutex. Resume and
// StartSession end only the host's own pause, never a pass or a write.
#pragma once

// Waits until no one holds the pause lock, then holds it for this thread.
void PtpEventLoop_AcquirePause();
// Releases a hold taken with PtpEventLoop_AcquirePause.
void PtpEventLoop_ReleasePause();

// Holds the pause lock unless this thread already holds it or the host holds
// its pause (the loop is paused either way). Returns whether it was taken here.
bool PtpEventLoop_AcquirePauseUnlessHeld();

// Scoped pause of the event loop: takes the pause lock unless the loop is
// already paused by this thread or the host, and releases only what it took,
// so nested holders and a host pause never deadlock.
struct PtpPauseHold {
    PtpPauseHold() : acquired(PtpEventLoop_AcquirePauseUnlessHeld()) {}
    ~PtpPauseHold() {
        if (acquired) PtpEventLoop_ReleasePause();
    }
    bool acquired;
    PtpPauseHold(const PtpPauseHold&) = delete;
    PtpPauseHold& operator=(const PtpPauseHold&) = delete;
};

// Ends the host's pause, if it holds one. Returns true when a pause ended.
bool PtpEventLoop_EndHostPause();

// The event-fetch lock, for a driver that asks the camera for a report and
// parses it with PtpFetchEventsOnce(lockHeld) without another fetch taking
// the report in between (the Canon refresh). Lock waits for a fetch in progress.
void PtpEventLoop_LockFetch();
void PtpEventLoop_UnlockFetch();
