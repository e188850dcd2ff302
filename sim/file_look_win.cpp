#include "sim/file_look.h"

#include <windows.h>

namespace sim {

namespace {

int64_t Nanoseconds(const FILETIME& time) {
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    return static_cast<int64_t>(ticks.QuadPart) * 100;
}

}  // namespace

// The attribute query reads the directory entry; opening the file would
// cost several trips to the system (and to Wine's server) on every listing.
bool LookAtFile(const char* path, FileLook& look) {
    WIN32_FILE_ATTRIBUTE_DATA entry{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &entry)) return false;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    look.size = static_cast<int64_t>((static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
    look.writtenNs = Nanoseconds(entry.ftLastWriteTime);
    look.nowNs = Nanoseconds(now);
    return true;
}

}  // namespace sim
