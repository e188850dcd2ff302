// Windows only: keeping the session awake belongs to the UI thread, which
// owns the main window that log-off and shutdown ask first.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shlobj.h>

#include <cstddef>

// Sent to the session window by KeepAwake from another thread.
inline constexpr UINT kKeepAwakeMessage = WM_APP + 2;

// The window whose thread keeps the session awake, and that names the reason
// when log-off or shutdown is refused. Set once the main window exists.
void SetSessionWindow(HWND window);
// On the session window's thread: the computer stays awake and log-off
// and shutdown are refused with a reason while `on`.
void ApplyKeepAwake(HWND window, bool on);

// A known folder (SHGetKnownFolderPath, created when missing) as an ANSI
// path, as every other path of the program is; a name the ANSI code page
// cannot spell is reached by its short form. False when neither works.
bool KnownFolderAnsi(REFKNOWNFOLDERID id, char* out, size_t size);

// The device lock's mutex, opened or created by `create`: by its
// machine-wide name, else, where that is refused (access denied), by this
// session's. Null when neither can be had. Seamed for tests.
HANDLE OpenDeviceMutex(HANDLE (*create)(const char* name));
// CreateMutexExA with the rights to wait and release only, under a DACL that
// gives those to every authenticated user, so that a mutex a service created
// does not shut out a user's window.
HANDLE CreateDeviceMutex(const char* name);
