// The command line's grammar: its commands and options, their help, and
// the dispatch to each command. One call is one run of the program.
#pragma once

#include "cli/cli_session.h"

// Parses `argv` and runs the command, with records of its own (fresh, as at
// process start). Returns the exit code.
int RunCommandLine(int argc, const char* const* argv, CliEnvironment& env);
