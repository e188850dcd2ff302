// `update FILE` and `verify FILE`: one run of the engine on the single
// attached device, with the window's refusals (the engine's own checks),
// a progress bar, the result and the version after.
#pragma once

#include <cstddef>

#include "cli/exit_codes.h"
#include "platform/system.h"

struct CliSession;
struct Controls;
struct RunObserver;
struct UpdaterState;

struct RunRequest {
    const char* file = "";
    bool verifyOnly = false;
    bool yes = false;                // never ask before writing
    RunObserver* recorder = nullptr; // hears the run too (the run log and history)
};

CliExitCode RunUpdateCommand(CliSession& session, const RunRequest& request);

// The name of FILE within the files folder: FILE itself when it names no
// folder, else its last part when FILE is that file of the files folder.
// False when FILE lies elsewhere; `folder` then holds the files folder.
bool NameInFilesFolder(System& system, const char* file, char (&name)[kPathChars], char (&folder)[kPathChars]);

// The run as the window hands it to the worker: the file, the device it was
// chosen for (row 0 of the pass just made), the mode flags.
void SetUpRun(UpdaterState& state, const char* name, bool verifyOnly);
// Controls that draw nothing: the console has no window.
Controls& QuietControls();
