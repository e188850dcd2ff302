// The one-line reason for a run's end, as the window's failed screen tells
// it; empty for a passed run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "update/run_outcome.h"

size_t RunReasonText(const RunOutcome& outcome, uint32_t kind, const char* file, char* out, size_t size);
