// The command line's side of finishing a half-programmed unit: a device
// whose version reply was not recognised takes its model from the history's
// unfinished update of that very unit, or from --model, which a support desk
// gives when no history exists.
#pragma once

#include "app/unfinished_run.h"
#include "cli/exit_codes.h"

struct CliSession;

// Ties the device in row 0 of the session's pass to a model for the
// session's request, and tells a person on standard error which update it
// finishes (`unfinished`: that update, when the history named one). False when --model (`model`, empty when not given) names another
// model than the one the device's own reply names: `exitCode` then says so.
bool TieUnitToModel(CliSession& session, const char* command, const char* model, UnfinishedRun& unfinished,
                    CliExitCode& exitCode);
