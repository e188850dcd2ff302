// Windows only: where code is loaded from. Every system library comes from
// System32 and the device library from the working folder by its full path,
// so a DLL planted beside the program, in the current folder or on PATH is
// never run.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>

// The search of every other load is limited by RestrictLibrarySearch
// (platform/library_search.h).

// The address of `name` in the system library `library`, loaded from System32
// only and kept loaded; null when either is absent.
void* SystemLibraryFunction(const wchar_t* library, const char* name);

// A system library's function, typed by its real prototype, without a static
// import: SYSTEM_FUNCTION(L"winmm.dll", timeBeginPeriod).
#define SYSTEM_FUNCTION(library, name) reinterpret_cast<decltype(&name)>(SystemLibraryFunction(library, #name))

// Loads the library at `path` (relative to the current folder) by its full
// path; its own dependencies come from its folder and System32. No error box
// is shown. On failure `error` holds the system's error code.
HMODULE LoadLibraryByFullPath(const char* path, DWORD& error);

// The timer period calls of winmm, which is not one of the libraries the
// system always takes from System32.
MMRESULT TimeBeginPeriod(UINT milliseconds);
MMRESULT TimeEndPeriod(UINT milliseconds);
