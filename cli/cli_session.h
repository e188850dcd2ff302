// What one command of the command line works with: the system, the console,
// and the engine's records: the device library, bound from the working folder
// the way the window binds it (or handed in by a test), the devices found and
// what a run is asked to do.
#pragma once

#include <cstdint>

#include "app/user_texts.h"
#include "cli/console.h"
#include "cli/exit_codes.h"
#include "device/device_library.h"
#include "device/found_devices.h"
#include "device/library_session.h"
#include "firmware/catalogue_trust.h"
#include "update/run_outcome.h"
#include "update/run_request.h"

struct System;

struct CliEnvironment {
    System* system = nullptr;
    Console* console = nullptr;
    // Tests: a library that is already bound and initialised; it is neither
    // loaded nor shut down.
    const DeviceLibrary* boundLibrary = nullptr;
    // How long a device command waits for the window's discovery pass to
    // let go of the device lock before it says the devices are busy.
    uint32_t lockWaitMs = 2000;
    // Tests: told how the command's last run ended.
    RunOutcome* lastRun = nullptr;
};

// Options every command takes.
struct CliOptions {
    bool json = false;
};

// The state of one command, from the binding of the library to its shutdown.
struct CliSession {
    CliEnvironment& env;
    CliOptions options;
    LibrarySession library;
    FoundDevices devices;
    // Kept for the whole command: a station's runs, one after the other,
    // keep the memory type a file name set, as the window's runs do.
    RunRequest request;
    // The files folder's signed catalogue, read once by a command that
    // looks at files (ReadFilesCatalogue).
    FolderCatalogue catalogue;
    bool libraryOpen = false;
    bool lockHeld = false;

    // Binds and initialises the library (unless a test handed one in).
    // False after telling why; `exitCode` then holds ExitLibraryProblem.
    bool OpenLibrary(CliExitCode& exitCode, const char* command);
    // Shuts the library down and unloads it, when this session opened it.
    void CloseLibrary();

    // Takes the device lock, waiting up to lockWaitMs for a discovery pass
    // of the window to end. False after telling that the devices are busy.
    bool LockDevices(const char* command);
    void UnlockDevices();

    // A refusal before the device was touched: the sentence on standard
    // error, or the result event with --json.
    CliExitCode Refuse(const char* command, CliExitCode code, const char* cause, TextId text, const TextArgs& args);

    // Writes a line for a person (not with --json).
    void Say(const char* text);
    void SayText(TextId text, const TextArgs& args);
    void Warn(TextId text, const TextArgs& args);
};
