// Ctrl-C (SIGINT) and SIGTERM for the whole tool. The handler only sets a flag
// and writes a byte to a pipe; a watcher thread reads it and does the rest.
//
// A command that runs for long calls Interrupt_Handle: from then on a signal
// only asks it to stop (it checks Interrupt_Requested or sleeps with
// Interrupt_Sleep), and a cancel function, when given, is called on the
// watcher thread so a blocking library call ends early. Whatever the command
// changes on the camera it registers as it goes; Interrupt_Unwind, called on
// the main thread, puts it back newest first. A second signal, or a signal
// while no command handles it, ends the process at once with 130 after
// removing the file being written and the in-process hub's temporary folder.
#pragma once

#include <cstdint>

#include "ptp_result.h"

// The exit status of a command stopped by a signal.
constexpr int kInterruptedStatus = 130;

// Installs the handlers and the watcher thread; later calls do nothing.
void Interrupt_Install();

// The command handles signals itself from now on; cancel (may be null) runs on
// the watcher thread at the first signal and must be safe from any thread.
void Interrupt_Handle(void (*cancel)());

// True once a signal came.
bool Interrupt_Requested();

// Waits up to millis; true when a signal came (at once if one already had).
bool Interrupt_Sleep(int millis);

// Registers "write property code back to value" for the unwinding.
void Interrupt_RestoreProperty(uint32_t code, uint32_t value, const char* label);
// Registers a call that puts something back ("live view off").
void Interrupt_RestoreBy(PtpResult (*undo)(), const char* what);
// Registers every writable property's current value: at the unwinding each is
// read again from the camera and written back when it changed, for calls that
// change settings of their own accord (live view on sets the viewfinder mode, a
// shot the capture mode, a focus stack the lens position).
void Interrupt_RestoreSettings();

// Puts back everything registered, newest first, through the library, and
// forgets it. Returns kInterruptedStatus after a signal, else status (1 when
// status was 0 and something could not be put back).
int Interrupt_Unwind(int status);

// The file being written (removed on a hard exit); null clears it.
void Interrupt_SetPartialFile(const char* path);
// The in-process hub's temporary folder (removed on a hard exit); null clears it.
void Interrupt_SetTemporaryFolder(const char* path);
