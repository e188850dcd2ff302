// Loading system libraries from System32 only, and the device library by its
// full path.
#include "platform/system_library_win.h"

namespace {

// Long enough for any path the working folder can have.
constexpr DWORD kFullPathChars = 1024;

}  // namespace

// Through void*, the one place an address from the loader loses its FARPROC type.
void* SystemLibraryFunction(const wchar_t* library, const char* name) {
    HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module != nullptr ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

HMODULE LoadLibraryByFullPath(const char* path, DWORD& error) {
    wchar_t relative[kFullPathChars];
    wchar_t full[kFullPathChars];
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, relative, kFullPathChars) == 0) {
        error = GetLastError();
        return nullptr;
    }
    const DWORD length = GetFullPathNameW(relative, kFullPathChars, full, nullptr);
    if (length == 0 || length >= kFullPathChars) {
        error = length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
        return nullptr;
    }
    // No "cannot find the library" box; per thread, as the worker may be running.
    DWORD previous = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
    HMODULE module = LoadLibraryExW(full, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    error = module != nullptr ? 0 : GetLastError();
    SetThreadErrorMode(previous, nullptr);
    return module;
}

MMRESULT TimeBeginPeriod(UINT milliseconds) {
    static const auto begin = SYSTEM_FUNCTION(L"winmm.dll", timeBeginPeriod);
    return begin != nullptr ? begin(milliseconds) : TIMERR_NOCANDO;
}

MMRESULT TimeEndPeriod(UINT milliseconds) {
    static const auto end = SYSTEM_FUNCTION(L"winmm.dll", timeEndPeriod);
    return end != nullptr ? end(milliseconds) : TIMERR_NOCANDO;
}
