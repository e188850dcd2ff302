// Ctrl+C for the command line. It never interrupts a page: a press is
// counted, and from a chosen press on the running operation stops at its
// next page boundary (the console seat asks InterruptStopsRun there), where
// the engine still resets and closes the device. The handler itself only
// touches atomics.
//
// The program being ended (a hang-up or SIGTERM on POSIX; the console
// closed, a log-off or a shutdown on Windows) is a press that stops the run
// at its next page boundary whatever the count: nobody will press again.
#pragma once

// Installs the handler for Ctrl+C (and, on POSIX, SIGTERM and SIGHUP; on Windows,
// Ctrl+Break and the console's close, log-off and shutdown). A run stops from
// press number `pressesToStopRun` on. Installing again replaces the count and
// clears the presses and the end.
void InstallInterruptHandler(int pressesToStopRun);
// Presses since the handler was installed, the end of the program included.
int InterruptPresses();
// True once enough presses came for the running operation to stop, or the
// program is being ended.
bool InterruptStopsRun();
// What the platform handlers call for each press; tests call it directly.
void OnInterrupt();

// What the platform handlers call when the program is being ended. With
// `inHaste` the process has only seconds left (Windows ends it once its
// handler returns): the device is reset and closed without the pauses.
void OnProgramEnding(bool inHaste);
// True once the program is being ended.
bool ProgramEnding();
// True once it is being ended in haste.
bool EndRunInHaste();

// A run's span, which the Windows close handler waits for: from the seat's
// RunStarting until the command has written the run's record. Only one run
// goes on at a time.
void RunOpened();
void RunRecorded();
