// Why a run from the command line ended, in one line. The reasons are the
// window's, except where the window's next step names one of its buttons
// (Try Again, Cancel): there the command line says its own next step.
#pragma once

#include <cstddef>
#include <cstdint>

#include "update/run_outcome.h"

void CliRunReason(const RunOutcome& outcome, uint32_t kind, const char* fileName, char* out, size_t size);
