// File operations the run log and the history need beyond the standard
// library: an append that other writers cannot split, the size of a file,
// a rename that replaces its target, and a lock that keeps the writers of
// other processes out while a file is rotated or trimmed.
#pragma once

#include <cstddef>
#include <cstdint>

// Appends `size` bytes to the file at `path`, created when missing, with one
// write on a file opened for appending (O_APPEND, FILE_APPEND_DATA): another
// process appending at the same time never lands inside it. `durable`
// waits until the bytes are on the disk (fdatasync, FlushFileBuffers), so a
// power cut right after keeps them. False when the file cannot be opened or
// not all bytes were written.
bool AppendToFile(const char* path, const char* data, size_t size, bool durable = false);

// The file's size in bytes, or -1 when it cannot be found.
int64_t FileBytes(const char* path);

// Renames `from` to `to`, replacing `to` when it exists (rename,
// MoveFileExA with MOVEFILE_REPLACE_EXISTING).
bool RenameReplacing(const char* from, const char* to);

// Holds an exclusive lock on the file at `path` (created when missing) for
// its life, waiting while another process or thread holds it: flock, or
// LockFileEx. The kernel lets it go when its holder ends, however it ends.
// Held() is false when the file could not be opened or locked; the caller
// then goes on unlocked, as before there was a lock.
class FileLockScope {
   public:
    explicit FileLockScope(const char* path);
    ~FileLockScope();
    FileLockScope(const FileLockScope&) = delete;
    FileLockScope& operator=(const FileLockScope&) = delete;
    bool Held() const { return held_; }

   private:
    intptr_t handle_ = -1;
    bool held_ = false;
};
