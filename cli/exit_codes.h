// The command line's exit codes: one list, from which the enum, the names
// in the JSON result, the --help text and the README table all come. The
// numbers are a contract with the scripts that call the program.
#pragma once

#include "update/run_outcome.h"

// X(id, number, name, meaning)
// clang-format off
#define CLI_EXIT_CODES(X) \
  X(ExitSuccess,        0,   "success",         "the command did what it was asked") \
  X(ExitRunFailed,      1,   "run_failed",      "the run failed: the device did not answer, a page could not be written, the reset failed") \
  X(ExitUsage,          2,   "usage",           "the command line is wrong: unknown command or option, missing file name") \
  X(ExitVerifyMismatch, 3,   "verify_mismatch", "a page read back from the device differs from the file") \
  X(ExitNoDevice,       4,   "no_device",       "no device is connected, or no longer the one the command was about") \
  X(ExitSeveralDevices, 5,   "several_devices", "more than one device is connected") \
  X(ExitFileRefused,    6,   "file_refused",    "the file does not fit the device, is not a firmware image, is refused by the signed catalogue, or is not in the files folder") \
  X(ExitLibraryProblem, 7,   "library_problem", "the device library cannot be loaded or started") \
  X(ExitDeviceBusy,     8,   "device_busy",     "another program (the updater window) is working on the devices") \
  X(ExitInterrupted,    130, "interrupted",     "stopped by Ctrl+C at a safe point; the device was reset and closed")
// clang-format on

enum CliExitCode : int {
#define CLI_EXIT_CODE_ENUM(id, number, name, meaning) id = number,
    CLI_EXIT_CODES(CLI_EXIT_CODE_ENUM)
#undef CLI_EXIT_CODE_ENUM
};

// The stable name of a code ("no_device"), for the JSON result.
const char* ExitCodeName(CliExitCode code);
// The --help footer: one line per code.
const char* ExitCodeTable();

// The code for a run that was handed to the engine.
CliExitCode ExitCodeForOutcome(const RunOutcome& outcome);
