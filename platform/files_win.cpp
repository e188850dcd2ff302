// File operations by Win32 means.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/files.h"

bool AppendToFile(const char* path, const char* data, size_t size, bool durable) {
    // Others may read, append and rotate while it is open.
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = size <= MAXDWORD && WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) &&
                    written == size;
    const bool flushed = !durable || FlushFileBuffers(file);
    CloseHandle(file);
    return ok && flushed;
}

int64_t FileBytes(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info)) return -1;
    return (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

bool RenameReplacing(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

FileLockScope::FileLockScope(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    handle_ = reinterpret_cast<intptr_t>(file);
    OVERLAPPED at{};
    held_ = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
}

FileLockScope::~FileLockScope() {
    if (handle_ == -1) return;
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    OVERLAPPED at{};
    if (held_) UnlockFileEx(file, 0, 1, 0, &at);
    CloseHandle(file);
}
