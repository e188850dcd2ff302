// Start-up's part in the device library: check the file, load it, bind its
// entry points and initialise it; when a step fails, say which, so that a
// person is told what went wrong and the process ends with its own code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/system.h"

struct LibrarySession;

enum StartupProblem {
    StartupReady,
    StartupNoLibrary,          // no hostapi_vmi.dll in the working folder
    StartupNotALibrary,        // not a PE file, or one for another kind of processor
    StartupOtherArchitecture,  // a PE file of the other of our two architectures
    StartupNotLoadable,        // the system refused to load it
    StartupMissingEntry,
    StartupInitializeFailed,
};

struct StartupReport {
    StartupProblem problem = StartupReady;
    char folder[kPathChars] = {};        // the working folder, where the library was looked for
    uint16_t libraryMachine = 0;         // the library's machine, for StartupOtherArchitecture
    const char* missingEntry = nullptr;  // the first entry point not found
    int64_t status = 0;                  // the loader's error code, or AvDllInitialize's status
};

// Loads "./hostapi_vmi.dll" into session.libraryModule and session.library
// through `system` and calls AvDllInitialize (its status goes to
// session.lastStatus). When
// `programMachine` is not 0 the file's PE header is read first and a library
// of another machine is not loaded. Stops at the first failure, as start-up
// does; the three fixed lines of a missing entry point still go to standard
// output.
StartupProblem StartDeviceLibrary(System& system, LibrarySession& session, uint16_t programMachine,
                                  StartupReport& report);

// The window program's exit code for `problem` (0 for StartupReady).
int StartupExitCode(StartupProblem problem);

// The message for `report`: the problem, the file, the folder it was looked
// for in, and what to do. `otherProgram` is the program to start instead
// when the library is of the other architecture.
size_t FormatStartupProblem(const StartupReport& report, const char* otherProgram, char* out, size_t size);
