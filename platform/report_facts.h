// What the support report tells of the machine that the core cannot see:
// the system's version, the user's Documents folder, and the version
// information a file carries.
#pragma once

#include <cstddef>

// "Windows 10.0 (build 19045)" (RtlGetVersion, which the compatibility
// shims do not bend), or the kernel's name and release elsewhere (uname).
void SystemVersionText(char* out, size_t size);

// The user's Documents folder (the known folder Documents; elsewhere
// $HOME/Documents, or $HOME). False when there is none.
bool DocumentsFolder(char* out, size_t size);

// The file version of a program file's version resource, as "1.2.3.4"
// (GetFileVersionInfoA, VerQueryValueA). False when it carries none.
bool FileVersionText(const char* path, char* out, size_t size);
