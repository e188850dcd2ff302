// Ctrl+C, SIGTERM and SIGHUP on POSIX: signal handlers that only count.
// A hang-up (the terminal closed, the SSH session dropped) or SIGTERM means
// the program is going away: its run ends at the next page boundary in
// every mode, with the device reset and closed, and the run recorded. The
// pauses after the reset are kept: nothing here ends the process on a
// deadline. Output may have no reader left by then, so a write to a broken
// pipe fails instead of ending the program.
#include <signal.h>

#include "cli/interrupt.h"

namespace {

void HandlePress(int) { OnInterrupt(); }

void HandleEnd(int) { OnProgramEnding(false); }

void Catch(int signal, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

}  // namespace

void InstallInterruptHandlerPlatform() {
    Catch(SIGINT, &HandlePress);
    Catch(SIGTERM, &HandleEnd);
    Catch(SIGHUP, &HandleEnd);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

// Nothing waits for a run's record here: the main thread ends the program
// only after writing it.
void MarkRunOpenPlatform(bool) {}
