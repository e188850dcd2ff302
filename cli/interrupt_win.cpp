// Ctrl+C and Ctrl+Break on Windows: the console runs the handler on a thread
// of its own; it only counts, and answers that the press was handled so the
// process is not ended.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "cli/interrupt.h"

namespace {

BOOL WINAPI Handle(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    OnInterrupt();
    return TRUE;
}

bool installed = false;

}  // namespace

void InstallInterruptHandlerPlatform() {
    if (installed) return;
    SetConsoleCtrlHandler(&Handle, TRUE);
    installed = true;
}
