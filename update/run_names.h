// The stable names of a run's stages and causes ("rom_mode", "no_answer"),
// one spelling for everything that writes them: the history file, the run
// log's readers and the command line's JSON. Names are a contract with the
// files on disk and with scripts: add names, never change one.
#pragma once

#include <cstddef>

#include "update/run_outcome.h"

const char* RunStageName(RunStage stage);
const char* RunCauseName(RunCause cause);

// Rewrites a name in the spelling used before the names were shared
// ("no-answer") into today's ("no_answer"), in place.
void RespellRunName(char* name);
