// Ctrl+C, SIGTERM and SIGHUP on POSIX: a signal handler that only counts.
// A hang-up (the terminal closed, the SSH session dropped) is a press like
// the others: the run still ends at a page boundary with the device reset
// and closed. Its output may have no reader left by then, so a write to a
// broken pipe fails instead of ending the program.
#include <signal.h>

#include "cli/interrupt.h"

namespace {

void Handle(int) { OnInterrupt(); }

}  // namespace

void InstallInterruptHandlerPlatform() {
    struct sigaction action = {};
    action.sa_handler = &Handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}
