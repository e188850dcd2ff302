// Ctrl+C, Ctrl+Break and the end of the program on Windows: the console runs
// the handler on a thread of its own. A press is only counted, and answered
// as handled so the process is not ended.
//
// The console closed, a log-off or a shutdown: Windows ends the process as
// soon as the handler returns (a close gives it about 5 s). The handler
// marks the end as hasty, so the run stops after its page and the device is
// reset and closed at once, then waits, bounded, until the command thread
// has written the run's record; with no run going on it returns at once.
// Either way the default handler then ends the process. The session window
// (session_window_win.cpp) does the same when Windows tells it the session
// ends, as a program that loads user32 is told no log-off here.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "cli/interrupt.h"
#include "cli/interrupt_win.h"

namespace {

// Under the 5 s Windows gives a close or a session's end, with room to spare.
constexpr DWORD kRecordWaitMs = 4500;

// Manual reset, signalled while no run waits for its record.
HANDLE noRunOpen = nullptr;

bool installed = false;

BOOL WINAPI Handle(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            OnInterrupt();
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            EndInHasteAwaitingRecord();
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void EndInHasteAwaitingRecord() {
    OnProgramEnding(true);
    if (noRunOpen != nullptr) WaitForSingleObject(noRunOpen, kRecordWaitMs);
}

bool RunIsOpen() { return noRunOpen != nullptr && WaitForSingleObject(noRunOpen, 0) == WAIT_TIMEOUT; }

void InstallInterruptHandlerPlatform() {
    if (installed) return;
    noRunOpen = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    SetConsoleCtrlHandler(&Handle, TRUE);
    installed = true;
}

void MarkRunOpenPlatform(bool open) {
    if (noRunOpen == nullptr) return;
    if (open) {
        ResetEvent(noRunOpen);
    } else {
        SetEvent(noRunOpen);
    }
    SessionWindowHearsRunChange();
}
