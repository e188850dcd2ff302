// Where a program's later library loads may search, set first thing in each
// program's entry (the window's WinMain, the console program's main).
#pragma once

// Windows: every later LoadLibrary in this process searches System32 only
// (SetDefaultDllDirectories), so no library planted beside the program, in
// the current folder or on PATH is run. Elsewhere nothing: the dynamic
// loader's search there is the system's own.
void RestrictLibrarySearch();
