// Ctrl+C and SIGTERM on POSIX: a signal handler that only counts.
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
}
