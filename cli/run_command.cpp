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
#include "device/discovery.h"
#include "firmware/bounded_path.h"
#include "update/run_checks.h"
#include "update/update_sequence.h"

namespace {

const char* Command(const RunCommandRequest& request) { return request.verifyOnly ? "verify" : "update"; }

// Asks before writing, unless told not to. False when the run must not go.
bool GoAhead(CliSession& session, const RunCommandRequest& request, const DeviceFacts& device, const char* name,
             CliExitCode& exitCode) {
    if (request.verifyOnly || request.yes || session.devices.deviceCount != 1) return true;
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

// The device about to be worked on: its event, or a line for a person.
void TellStart(CliSession& session, const RunCommandRequest& request, const char* name, const DeviceFacts& device) {
    if (session.devices.deviceCount != 1) return;
    if (session.options.json) return EmitDeviceEvent(*session.env.console, device);
    char line[512];
    std::snprintf(line, sizeof line, "%s the %s %s (%s, firmware %s) %s %s\n", request.verifyOnly ? "Verifying" : "Updating",
                  device.Noun(), device.productHex, device.model[0] != '\0' ? device.model : "model unknown",
                  device.version[0] != '\0' ? device.version : "unknown", request.verifyOnly ? "against" : "with", name);
    session.Say(line);
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
    CliExitCode code = ExitSuccess;
    if (!session.OpenLibrary(code, command)) return code;
    if (!session.LockDevices(command)) return ExitDeviceBusy;
    DiscoverDevices(session.devices, session.library);
    const DeviceFacts before = DeviceFactsOfRow(session.devices, 0);
    SetUpRun(session, name, request.verifyOnly);
    if (!GoAhead(session, request, before, name, code)) return code;
    if (InterruptPresses() > 0) {
        TextArgs args;
        args.device = before.Noun();
        return session.Refuse(command, ExitInterrupted, "interrupted", TextCliInterruptedBeforeRun, args);
    }

    ConsoleSeat seat = SeatForRun(session, request.recorder, TextCliStopping, before.Noun(), name);
    TellStart(session, request, name, before);
    const uint64_t start = system.MonotonicMicros();
    const RunOutcome outcome = RunUpdate(session.request, session.devices, session.library, system, seat);
    if (session.env.lastRun != nullptr) *session.env.lastRun = outcome;
    const int64_t durationMs = static_cast<int64_t>((system.MonotonicMicros() - start) / 1000);

    DiscoverDevices(session.devices, session.library);
    session.UnlockDevices();
    if (request.recorder != nullptr) request.recorder->RunSettled(session.devices);  // with the version after
    const bool foundAfter = session.devices.deviceCount >= 1;
    const DeviceFacts after = DeviceFactsOfRow(session.devices, 0);
    TellResult(session, request, outcome, name, before, after, foundAfter, durationMs, seat.Sha256());
    return ExitCodeForOutcome(outcome);
}
