// The window program's exit codes: a script or an installer that starts it
// can tell a normal end from each way start-up or shutdown can fail.
#pragma once

enum ExitCode : int {
    ExitNormal = 0,                 // closed by the user, or another instance was running
    ExitNoLibrary = 2,              // hostapi_vmi.dll is not in the working folder
    ExitNotALibrary = 3,            // the file is not a Windows library for this computer
    ExitOtherArchitecture = 4,      // a 32-bit library beside the 64-bit program, or the reverse
    ExitLibraryNotLoadable = 5,     // the system refused to load it
    ExitMissingEntryPoint = 6,      // one of the 22 entry points is missing
    ExitInitializeFailed = 7,       // AvDllInitialize returned non-zero
    ExitNoWindow = 8,               // the main window could not be created
    ExitShutdownStuck = 9,          // at close, a library call did not return; the process was ended
};
