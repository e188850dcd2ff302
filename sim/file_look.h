// A look at a file's entry without opening it: what the simulator needs to
// tell whether its device file changed since it last read it.
#pragma once

#include <cstdint>

namespace sim {

struct FileLook {
    int64_t size = -1;
    int64_t writtenNs = 0;  // last write, nanoseconds since an epoch
    int64_t nowNs = 0;      // the time of the look, on the same clock
};

// False when the file is not there or cannot be looked at.
bool LookAtFile(const char* path, FileLook& look);

}  // namespace sim
