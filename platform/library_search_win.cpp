// In a file of its own, so that a program links SetDefaultDllDirectories only
// by calling it: the pe_files test reads that import to know it does.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/library_search.h"

void RestrictLibrarySearch() { SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32); }
