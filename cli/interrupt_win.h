// The end of the program on Windows, for whatever hears of it: the process
// goes once the one told returns.
#pragma once

// The session or the console ends: the run stops after its page, the device
// is reset and closed without the pauses, and the caller waits, bounded,
// until the command thread has written the run's record. Returns at once
// when no run goes on.
void EndInHasteAwaitingRecord();

// True from a run's RunOpened until its RunRecorded.
bool RunIsOpen();

// session_window_win.cpp: a run opened or was recorded.
void SessionWindowHearsRunChange();
