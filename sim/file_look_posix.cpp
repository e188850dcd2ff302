#include "sim/file_look.h"

#include <sys/stat.h>
#include <time.h>

namespace sim {

bool LookAtFile(const char* path, FileLook& look) {
    struct stat entry {};
    if (stat(path, &entry) != 0) return false;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    look.size = entry.st_size;
    look.writtenNs = static_cast<int64_t>(entry.st_mtim.tv_sec) * 1000000000 + entry.st_mtim.tv_nsec;
    look.nowNs = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    return true;
}

}  // namespace sim
