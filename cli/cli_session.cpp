// Binding the device library for a command, the device lock, and refusals.
#include "cli/cli_session.h"

#include <cstdio>

#include "app/library_startup.h"
#include "device/call_recording.h"
#include "device/pe_machine.h"
#include "cli/json_events.h"
#include "platform/system.h"

#ifndef UPDATER_OTHER_CLI
#define UPDATER_OTHER_CLI "the program of the other architecture"
#endif

namespace {

constexpr uint32_t kLockPollMs = 50;

// The binding names a missing entry point on standard output, where the
// window's users look; the command line keeps standard output for results
// and events, so the line goes to standard error.
struct BindingSystem final : System {
    System& real;
    Console& console;
    BindingSystem(System& system, Console& out) : real(system), console(out) {}

    void Sleep(uint32_t milliseconds) override { real.Sleep(milliseconds); }
    uint64_t MonotonicMicros() override { return real.MonotonicMicros(); }
    int64_t WallClockMillis() override { return real.WallClockMillis(); }
    void BeginTimerPeriod() override { real.BeginTimerPeriod(); }
    void EndTimerPeriod() override { real.EndTimerPeriod(); }
    bool CurrentFolder(char* out, size_t size) override { return real.CurrentFolder(out, size); }
    bool DataFolder(char* out, size_t size) override { return real.DataFolder(out, size); }
    bool ListFolder(const char* pattern, FolderVisitor visit, void* context) override {
        return real.ListFolder(pattern, visit, context);
    }
    void* LoadDynamicLibrary(const char* path) override { return real.LoadDynamicLibrary(path); }
    void* FindEntryPoint(void* module, const char* name) override { return real.FindEntryPoint(module, name); }
    void UnloadDynamicLibrary(void* module) override { real.UnloadDynamicLibrary(module); }
    uint32_t LastLoadError() override { return real.LastLoadError(); }
    void WriteStandardOutput(const char* text) override { console.Err(text); }
    void KeepAwake(bool on) override { real.KeepAwake(on); }
};

struct LibraryProblemText {
    const char* cause;
    TextId text;
};

// The window's start-up problems, in the command line's words.
const LibraryProblemText& TextOfProblem(const StartupReport& report) {
    static const LibraryProblemText kMissing{"library_missing", TextCliLibraryMissing};
    static const LibraryProblemText kNotALibrary{"not_a_library", TextCliLibraryNotALibrary};
    static const LibraryProblemText k32Bit{"library_other_architecture", TextCliLibrary32Bit};
    static const LibraryProblemText k64Bit{"library_other_architecture", TextCliLibrary64Bit};
    static const LibraryProblemText kNotLoadable{"library_not_loadable", TextCliLibraryNotLoadable};
    static const LibraryProblemText kIncomplete{"library_incomplete", TextCliLibraryIncomplete};
    static const LibraryProblemText kNotReady{"library_not_ready", TextCliLibraryNotReady};
    switch (report.problem) {
        case StartupNoLibrary: return kMissing;
        case StartupNotALibrary: return kNotALibrary;
        case StartupOtherArchitecture: return report.libraryMachine == kMachineI386 ? k32Bit : k64Bit;
        case StartupMissingEntry: return kIncomplete;
        case StartupInitializeFailed: return kNotReady;
        default: return kNotLoadable;
    }
}

}  // namespace

bool CliSession::OpenLibrary(CliExitCode& exitCode, const char* command) {
    if (env.boundLibrary != nullptr) {
        library.library = *env.boundLibrary;
        if (CallRecordingOpen()) library.library = RecordCalls(library.library);
        return true;
    }
    BindingSystem binding(*env.system, *env.console);
    StartupReport report;
    const StartupProblem problem = StartDeviceLibrary(binding, library, kProgramMachine, report);
    if (problem == StartupReady) {
        libraryOpen = true;
        return true;
    }
    if (library.libraryModule != nullptr) env.system->UnloadDynamicLibrary(library.libraryModule);
    library.libraryModule = nullptr;
    const LibraryProblemText& told = TextOfProblem(report);
    TextArgs args;
    args.file = kDeviceLibraryFile;
    args.folder = report.folder;
    args.status = report.status;
    args.detail = problem == StartupOtherArchitecture ? UPDATER_OTHER_CLI : report.missingEntry;
    exitCode = Refuse(command, ExitLibraryProblem, told.cause, told.text, args);
    return false;
}

void CliSession::CloseLibrary() {
    UnlockDevices();
    if (!libraryOpen) return;
    library.lastStatus = library.library.AvDllShutdown();
    env.system->UnloadDynamicLibrary(library.libraryModule);
    library.libraryModule = nullptr;
    libraryOpen = false;
}

bool CliSession::LockDevices(const char* command) {
    if (lockHeld) return true;
    for (uint32_t waited = 0;; waited += kLockPollMs) {
        if (env.system->TryLockDevices()) {
            lockHeld = true;
            return true;
        }
        if (waited >= env.lockWaitMs) break;
        env.system->Sleep(kLockPollMs);
    }
    Refuse(command, ExitDeviceBusy, "device_busy", TextCliDeviceBusy, TextArgs{});
    return false;
}

void CliSession::UnlockDevices() {
    if (!lockHeld) return;
    env.system->UnlockDevices();
    lockHeld = false;
}

CliExitCode CliSession::Refuse(const char* command, CliExitCode code, const char* cause, TextId text, const TextArgs& args) {
    char sentence[512];
    FormatText(text, args, sentence, sizeof sentence);
    if (options.json) {
        ResultFacts result;
        result.command = command;
        result.outcome = "refused";
        result.exitCode = code;
        result.cause = cause;
        result.reason = sentence;
        result.file = args.file;
        EmitResultEvent(*env.console, result);
    } else {
        env.console->Err(sentence);
        env.console->Err("\n");
    }
    return code;
}

void CliSession::Say(const char* text) {
    if (!options.json) env.console->Out(text);
}

void CliSession::SayText(TextId text, const TextArgs& args) {
    char sentence[512];
    FormatText(text, args, sentence, sizeof sentence);
    Say(sentence);
    Say("\n");
}

void CliSession::Warn(TextId text, const TextArgs& args) {
    if (options.json) return;
    char sentence[512];
    FormatText(text, args, sentence, sizeof sentence);
    env.console->Err(sentence);
    env.console->Err("\n");
}
