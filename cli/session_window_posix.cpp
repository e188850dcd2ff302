// No session window on POSIX: a hang-up or SIGTERM tells the program it ends.
#include "cli/session_window.h"

void StartSessionWindow() {}

void StopSessionWindow() {}

void DescribeRunForShutdown(bool, const char*) {}
