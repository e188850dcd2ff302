// Checking, loading, binding and initialising the device library at start-up.
#include "app/library_startup.h"

#include <cstdio>

#include "app/exit_codes.h"
#include "app/user_texts.h"
#include "device/call_recording.h"
#include "device/device_library.h"
#include "device/library_session.h"
#include "device/pe_machine.h"

namespace {

// What the file's header says, before anything of it is run.
StartupProblem CheckLibraryFile(uint16_t programMachine, StartupReport& report) {
    uint16_t machine = 0;
    const PeCheck check = ReadPeMachine(kDeviceLibraryPath, machine);
    if (check == PeNoFile) return StartupNoLibrary;
    if (programMachine == 0) return StartupReady;  // not a PE program: the loader judges
    if (check == PeUnreadable) return StartupNotLoadable;
    if (check == PeNotPe) return StartupNotALibrary;
    report.libraryMachine = machine;
    if (machine == programMachine) return StartupReady;
    const bool ours = machine == kMachineAmd64 || machine == kMachineI386;
    return ours ? StartupOtherArchitecture : StartupNotALibrary;
}

StartupProblem LoadAndInitialise(System& system, LibrarySession& session, StartupReport& report) {
    switch (BindDeviceLibrary(system, kDeviceLibraryPath, session.library, session.libraryModule)) {
        case BindDone:
            break;
        case BindNoLibrary:
            report.status = system.LastLoadError();
            return StartupNotLoadable;
        case BindMissingEntry:
            report.missingEntry = FirstUnboundEntry(session.library);
            return StartupMissingEntry;
    }
    // A recording asked for begins with the library's first call.
    if (CallRecordingOpen()) session.library = RecordCalls(session.library);
    session.lastStatus = session.library.AvDllInitialize();
    report.status = session.lastStatus;
    return session.lastStatus == 0 ? StartupReady : StartupInitializeFailed;
}

}  // namespace

StartupProblem StartDeviceLibrary(System& system, LibrarySession& session, uint16_t programMachine,
                                  StartupReport& report) {
    if (!system.CurrentFolder(report.folder, sizeof report.folder)) {
        std::snprintf(report.folder, sizeof report.folder, "%s", "the working folder");
    }
    report.problem = CheckLibraryFile(programMachine, report);
    if (report.problem == StartupReady) report.problem = LoadAndInitialise(system, session, report);
    return report.problem;
}

int StartupExitCode(StartupProblem problem) {
    switch (problem) {
        case StartupReady: return ExitNormal;
        case StartupNoLibrary: return ExitNoLibrary;
        case StartupNotALibrary: return ExitNotALibrary;
        case StartupOtherArchitecture: return ExitOtherArchitecture;
        case StartupNotLoadable: return ExitLibraryNotLoadable;
        case StartupMissingEntry: return ExitMissingEntryPoint;
        case StartupInitializeFailed: return ExitInitializeFailed;
    }
    return ExitLibraryNotLoadable;
}

size_t FormatStartupProblem(const StartupReport& report, const char* otherProgram, char* out, size_t size) {
    TextArgs args;
    args.file = kDeviceLibraryFile;
    args.folder = report.folder;
    args.status = report.status;
    TextId text = TextStartupNotLoadable;
    switch (report.problem) {
        case StartupReady: text = TextReasonNone; break;
        case StartupNoLibrary: text = TextStartupNoLibrary; break;
        case StartupNotALibrary: text = TextStartupNotALibrary; break;
        case StartupOtherArchitecture:
            text = report.libraryMachine == kMachineI386 ? TextStartupLibrary32Bit : TextStartupLibrary64Bit;
            args.detail = otherProgram;
            break;
        case StartupNotLoadable: text = TextStartupNotLoadable; break;
        case StartupMissingEntry:
            text = TextStartupMissingEntry;
            args.detail = report.missingEntry;
            break;
        case StartupInitializeFailed: text = TextStartupInitializeFailed; break;
    }
    return FormatText(text, args, out, size);
}
