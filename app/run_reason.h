// The one-line reason a run stopped, as the failed and mismatch screens, the
// run log, the history and the command line tell it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "update/run_outcome.h"

// Writes the reason into `out` (of `size` characters), cut and terminated;
// empty for a passed run. `kind` names the device ("headset" for 13,
// "adapter" otherwise) and `fileName` the chosen file.
void FormatRunReason(const RunOutcome& outcome, uint32_t kind, const char* fileName, char* out, size_t size);

// The sentence that says why the files folder's catalogue is ignored, said
// once where it matters; empty (0) when the catalogue is absent or valid.
size_t FormatCatalogueNote(CatalogueStatus status, char* out, size_t size);
// Appends that sentence, after a space, to the reason in `reason`.
void AppendCatalogueNote(CatalogueStatus status, char* reason, size_t size);
