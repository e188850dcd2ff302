// File operations by POSIX means.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/files.h"

bool AppendToFile(const char* path, const char* data, size_t size, bool durable) {
    const int file = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0) return false;
    ssize_t written;
    do {
        written = write(file, data, size);
    } while (written < 0 && errno == EINTR);
    const bool synced = !durable || fdatasync(file) == 0;
    const bool closed = close(file) == 0;
    return written == static_cast<ssize_t>(size) && synced && closed;
}

int64_t FileBytes(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
}

bool RenameReplacing(const char* from, const char* to) { return std::rename(from, to) == 0; }

FileLockScope::FileLockScope(const char* path) {
    const int file = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0) return;
    handle_ = file;
    int locked;
    do {
        locked = flock(file, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    held_ = locked == 0;
}

FileLockScope::~FileLockScope() {
    if (handle_ < 0) return;
    if (held_) flock(static_cast<int>(handle_), LOCK_UN);
    close(static_cast<int>(handle_));
}
