// The commands that look without writing: `devices` (one discovery pass)
// and `files` (the firmware files that fit the attached device, as the
// selection dialog offers them; with --all the others too, each with the
// rule it fails).
#pragma once

#include "cli/exit_codes.h"

struct CliSession;

CliExitCode RunDevicesCommand(CliSession& session);
// `model`: --model, for a unit whose reply names none (empty when not given).
CliExitCode RunFilesCommand(CliSession& session, bool all, const char* model = "");

// A discovery pass under the device lock (the library must be open). False
// after telling why: the devices are busy.
bool DiscoverUnderLock(CliSession& session, const char* command, CliExitCode& exitCode);
// Refuses unless the last pass found exactly one device.
bool ExactlyOneDevice(CliSession& session, const char* command, CliExitCode& exitCode);
