// `update FILE` and `verify FILE`: one run of the engine on the single
// attached device, with the window's refusals (the engine's own checks),
// a progress bar, the result and the version after.
#pragma once

#include <cstddef>

#include "cli/console_seat.h"
#include "cli/exit_codes.h"
#include "platform/system.h"

struct CliSession;
struct RunRecorder;

struct RunCommandRequest {
    const char* file = "";
    bool verifyOnly = false;
    bool yes = false;                 // never ask before writing
    const char* model = "";           // --model: the model of a unit whose reply names none
    RunRecorder* recorder = nullptr;  // hears the run too (the run log and history)
};

CliExitCode RunUpdateCommand(CliSession& session, const RunCommandRequest& request);

// The name of FILE within the files folder: FILE itself when it names no
// folder, else its last part when FILE is that file of the files folder.
// False when FILE lies elsewhere; `folder` then holds the files folder.
bool NameInFilesFolder(System& system, const char* file, char (&name)[kPathChars], char (&folder)[kPathChars]);

// Readies the session's request for a run: the file, the device it is
// chosen for (row 0 of the pass just made), verify only or not.
void SetUpRun(CliSession& session, const char* name, bool verifyOnly);

// The console's seat for a run of `fileName` on the device `deviceNoun`
// names, passing the run on to `recorder`; a Ctrl+C press is answered with
// `noticeText` (a TextId).
ConsoleSeat SeatForRun(CliSession& session, RunRecorder* recorder, int noticeText, const char* deviceNoun,
                       const char* fileName);
