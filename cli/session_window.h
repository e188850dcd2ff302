// The command line's session window: on Windows a hidden top-level window,
// on its own thread, that hears a log-off or shutdown the console handler
// is not told of (see session_window_win.cpp). Nothing on POSIX, where a
// hang-up or SIGTERM says it.
#pragma once

// For the commands that run the device: from before their first run until
// after their last. Never fails the command: without a desktop (no display
// under Wine) there is simply no window.
void StartSessionWindow();
void StopSessionWindow();

// What the run about to open does to which device ("headset" or "adapter"),
// for the reason Windows shows while the run holds off a shutdown.
void DescribeRunForShutdown(bool verifying, const char* deviceNoun);
