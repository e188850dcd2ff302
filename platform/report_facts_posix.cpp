// The support report's facts of a POSIX machine (native builds and tests).
#include <sys/stat.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>

#include "platform/report_facts.h"

void SystemVersionText(char* out, size_t size) {
    utsname names;
    if (uname(&names) == 0) {
        std::snprintf(out, size, "%s %s (%s)", names.sysname, names.release, names.machine);
    } else {
        std::snprintf(out, size, "unknown system");
    }
}

bool DocumentsFolder(char* out, size_t size) {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return false;
    char documents[4096];
    std::snprintf(documents, sizeof documents, "%s/Documents", home);
    struct stat info;
    const char* folder = stat(documents, &info) == 0 && S_ISDIR(info.st_mode) ? documents : home;
    const int length = std::snprintf(out, size, "%s", folder);
    return length > 0 && static_cast<size_t>(length) < size;
}

bool FileVersionText(const char*, char*, size_t) { return false; }
