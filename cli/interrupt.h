// Ctrl+C for the command line. It never interrupts a page: a press is
// counted, and from a chosen press on it asks the running operation to stop
// at its next page boundary (stopRunRequested), where the engine still
// resets and closes the device. The handler itself only stores atomics.
#pragma once

#include <atomic>
#include <cstdint>

// Installs the handler for Ctrl+C (and, on POSIX, SIGTERM; on Windows,
// Ctrl+Break). `stopRun` is set from press number `pressesToStopRun` on.
// Installing again replaces the flag and the count, and clears the presses.
void InstallInterruptHandler(std::atomic<uint8_t>& stopRun, int pressesToStopRun);
// Presses since the handler was installed.
int InterruptPresses();
// What the platform handlers call for each press; tests call it directly.
void OnInterrupt();
