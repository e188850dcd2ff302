// Ctrl+C for the command line. It never interrupts a page: a press is
// counted, and from a chosen press on the running operation stops at its
// next page boundary (the console seat asks InterruptStopsRun there), where
// the engine still resets and closes the device. The handler itself only
// touches atomics.
#pragma once

// Installs the handler for Ctrl+C (and, on POSIX, SIGTERM and SIGHUP; on Windows,
// Ctrl+Break). A run stops from press number `pressesToStopRun` on.
// Installing again replaces the count and clears the presses.
void InstallInterruptHandler(int pressesToStopRun);
// Presses since the handler was installed.
int InterruptPresses();
// True once enough presses came for the running operation to stop.
bool InterruptStopsRun();
// What the platform handlers call for each press; tests call it directly.
void OnInterrupt();
