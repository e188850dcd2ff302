// One run from the command line: resolve the file, discover, let the
// engine check and run, discover again, tell the result.
#include "cli/run_command.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/run_recorder.h"
#include "cli/cli_reason.h"
#include "cli/cli_session.h"
#include "cli/device_facts.h"
#include "cli/interrupt.h"
#include "cli/json_events.h"
#include "cli/unit_tie.h"
#include "device/discovery.h"
#include "firmware/bounded_path.h"
#include "update/run_checks.h"
#include "update/update_sequence.h"

namespace {

const char* Command(const RunCommandRequest& request) { return request.verifyOnly ? "verify" : "update"; }

// An update asks before writing, unless told not to; with anything but
// one device the run's own checks refuse it, so there is nothing to ask.
bool WillAsk(const CliSession& session, const RunCommandRequest& request) {
    return !request.verifyOnly && !request.yes && session.devices.deviceCount == 1;
}

// False when the run must not go.
bool GoAhead(CliSession& session, const DeviceFacts& device, const char* name, CliExitCode& exitCode) {
    TextArgs args;
    args.device = device.Noun();
    args.file = name;
    args.detail = device.version[0] != '\0' ? device.version : "unknown";
    char question[512];
    FormatText(TextCliConfirmUpdate, args, question, sizeof question);
    const Console::Answer answer = session.env.console->Ask(question);
    if (answer == Console::AnswerYes && InterruptPresses() == 0) return true;
    exitCode = answer == Console::CannotAsk
                   ? session.Refuse("update", ExitUsage, "needs_yes", TextCliNeedYes, args)
                   : session.Refuse("update", ExitInterrupted, "declined", TextCliDeclined, args);
    return false;
}

// The question waits for a person, for as long as it takes: the device lock
// is let go meanwhile, so the window's screen goes on following the devices.
// After a yes the devices are looked at again, under the lock the run keeps:
// the run then checks that the device answered for is still the one
// attached, alone, and that the file still fits it.
bool AskWithoutTheLock(CliSession& session, const DeviceFacts& device, const char* name, CliExitCode& exitCode) {
    session.UnlockDevices();
    if (!GoAhead(session, device, name, exitCode)) return false;
    if (!session.LockDevices("update")) {
        exitCode = ExitDeviceBusy;
        return false;
    }
    DiscoverDevices(session.devices, session.library);
    return true;
}

// No such file in the files folder: said before the library is opened.
bool FileExists(const char* folder, const char* name) {
    char path[kPathChars] = {};
    if (!AppendBounded(path, folder) || !AppendBounded(path, name)) return true;  // the run says why
    std::error_code error;
    const bool exists = std::filesystem::exists(std::filesystem::path(path), error);
    return exists || error;  // one that cannot be looked at is the run's to refuse, with its reason
}

void TellResult(CliSession& session, const RunCommandRequest& request, const RunOutcome& outcome, const char* name,
                const DeviceFacts& before, const DeviceFacts& after, bool foundAfter, int64_t durationMs,
                const char* sha256) {
    const CliExitCode code = ExitCodeForOutcome(outcome);
    char reason[512] = "";
    CliRunReason(outcome, before.kind, name, reason, sizeof reason);
    if (session.options.json) {
        ResultFacts result;
        result.command = Command(request);
        result.outcome = OutcomeName(outcome);
        result.exitCode = code;
        result.cause = RunCauseName(outcome.cause);
        result.reason = reason;
        result.device = session.devices.deviceCount >= 1 || foundAfter ? &before : nullptr;
        result.file = name;
        result.sha256 = sha256;
        result.versionBefore = before.version;
        result.versionAfter = foundAfter ? after.version : "";
        result.durationMs = durationMs;
        return EmitResultEvent(*session.env.console, result);
    }
    TextArgs args;
    args.device = before.Noun();
    args.file = name;
    char line[640];
    if (code == ExitSuccess) {
        args.detail = foundAfter && after.version[0] != '\0' ? after.version : "unknown";
        FormatText(request.verifyOnly ? TextCliVerified : TextCliUpdated, args, line, sizeof line);
    } else if (RefusedBeforeDevice(outcome) || outcome.cause == CauseInterrupted) {
        std::snprintf(line, sizeof line, "%s", reason);
    } else {
        args.detail = reason;
        FormatText(TextCliFailed, args, line, sizeof line);
    }
    Console& console = *session.env.console;
    if (code == ExitSuccess || !RefusedBeforeDevice(outcome)) {
        console.Out(line);
        console.Out("\n");
    } else {
        console.Err(line);
        console.Err("\n");
    }
}

// The device about to be worked on, said once the run's checks have passed.
void FormatStartLine(const RunCommandRequest& request, const char* name, const DeviceFacts& device, char* line,
                     size_t size) {
    std::snprintf(line, size, "%s the %s %s (%s, firmware %s) %s %s\n", request.verifyOnly ? "Verifying" : "Updating",
                  device.Noun(), device.productHex, device.model[0] != '\0' ? device.model : "model unknown",
                  device.version[0] != '\0' ? device.version : "unknown", request.verifyOnly ? "against" : "with", name);
}

}  // namespace

void SetUpRun(CliSession& session, const char* name, bool verifyOnly) {
    RunRequest& request = session.request;
    ChooseFirmware(request, session.devices, name);
    request.activeDeviceRow = 0;
    request.modeVerifyOnly = verifyOnly ? 1 : 0;
}

ConsoleSeat SeatForRun(CliSession& session, RunRecorder* recorder, int noticeText, const char* deviceNoun,
                       const char* fileName) {
    ConsoleSeat seat;
    seat.console = session.env.console;
    seat.json = session.options.json;
    seat.terminal = session.env.console->OutIsTerminal();
    seat.next = recorder;
    seat.noticeText = noticeText;
    seat.deviceNoun = deviceNoun;
    seat.fileName = fileName;
    return seat;
}

bool NameInFilesFolder(System& system, const char* file, char (&name)[kPathChars], char (&folder)[kPathChars]) {
    name[0] = '\0';
    if (!FilesFolderPath(system, folder)) folder[0] = '\0';
    const char* last = file;
    for (const char* at = file; *at != '\0'; ++at) {
        if (*at == '/' || *at == '\\') last = at + 1;
    }
    if (std::strlen(last) >= kPathChars || *last == '\0') return false;
    std::snprintf(name, sizeof name, "%s", last);
    if (last == file) return true;
    char inFolder[kPathChars] = {};
    if (!AppendBounded(inFolder, folder) || !AppendBounded(inFolder, name)) return false;
    std::error_code error;
    return std::filesystem::equivalent(std::filesystem::path(file), std::filesystem::path(inFolder), error) && !error;
}

CliExitCode RunUpdateCommand(CliSession& session, const RunCommandRequest& request) {
    const char* command = Command(request);
    System& system = *session.env.system;
    char name[kPathChars];
    char folder[kPathChars];
    if (!NameInFilesFolder(*session.env.system, request.file, name, folder)) {
        TextArgs args;
        args.file = request.file;
        args.folder = folder;
        return session.Refuse(command, ExitFileRefused, "not_in_files_folder", TextCliFileNotInFolder, args);
    }
    if (!FileExists(folder, name)) {
        TextArgs args;
        args.file = name;
        args.folder = folder;
        return session.Refuse(command, ExitFileRefused, "no_such_file", TextCliNoSuchFile, args);
    }
    CliExitCode code = ExitSuccess;
    if (!session.OpenLibrary(code, command)) return code;
    if (!session.LockDevices(command)) return ExitDeviceBusy;
    DiscoverDevices(session.devices, session.library);
    UnfinishedRun unfinished;
    if (!TieUnitToModel(session, command, request.model, unfinished, code)) return code;
    const DeviceFacts before = DeviceFactsOfRow(session.devices, 0);
    SetUpRun(session, name, request.verifyOnly);
    if (WillAsk(session, request) && !AskWithoutTheLock(session, before, name, code)) return code;
    if (InterruptPresses() > 0) {
        TextArgs args;
        args.device = before.Noun();
        return session.Refuse(command, ExitInterrupted, "interrupted", TextCliInterruptedBeforeRun, args);
    }

    ConsoleSeat seat = SeatForRun(session, request.recorder, TextCliStopping, before.Noun(), name);
    char startLine[512];
    FormatStartLine(request, name, before, startLine, sizeof startLine);
    seat.startLine = startLine;
    seat.startDevice = &before;
    const uint64_t start = system.MonotonicMicros();
    const DeviceLockScope lock(system);  // nested in the command's own hold: held
    const RunOutcome outcome = RunUpdate(session.request, session.devices, session.library, system, seat, lock);
    if (session.env.lastRun != nullptr) *session.env.lastRun = outcome;
    const int64_t durationMs = static_cast<int64_t>((system.MonotonicMicros() - start) / 1000);

    DiscoverDevices(session.devices, session.library);
    session.UnlockDevices();
    if (request.recorder != nullptr) request.recorder->RunSettled(session.devices);  // with the version after
    RunRecorded();  // a console being closed waits for this
    const bool foundAfter = session.devices.deviceCount >= 1;
    const DeviceFacts after = DeviceFactsOfRow(session.devices, 0);
    TellResult(session, request, outcome, name, before, after, foundAfter, durationMs, seat.Sha256());
    return ExitCodeForOutcome(outcome);
}
