// One run from the command line: resolve the file, discover, let the
// engine check and run, discover again, tell the result.
#include "cli/run_command.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/updater_state.h"
#include "cli/cli_session.h"
#include "cli/device_facts.h"
#include "cli/interrupt.h"
#include "cli/json_events.h"
#include "cli/cli_reason.h"
#include "cli/run_report.h"
#include "device/discovery.h"
#include "firmware/bounded_path.h"
#include "ui/controls.h"
#include "update/run_checks.h"
#include "update/update_sequence.h"

namespace {

const char* Command(const RunRequest& request) { return request.verifyOnly ? "verify" : "update"; }

// Asks before writing, unless told not to. False when the run must not go.
bool GoAhead(CliSession& session, const RunRequest& request, const DeviceFacts& device, const char* name,
             CliExitCode& exitCode) {
    if (request.verifyOnly || request.yes || session.state.deviceCount != 1) return true;
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

void TellResult(CliSession& session, const RunRequest& request, const char* name, const DeviceFacts& before,
                const DeviceFacts& after, bool foundAfter, int64_t durationMs, const char* sha256) {
    const RunOutcome& outcome = session.state.runOutcome;
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
        result.device = session.state.deviceCount >= 1 || foundAfter ? &before : nullptr;
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
void TellStart(CliSession& session, const RunRequest& request, const char* name, const DeviceFacts& device) {
    if (session.state.deviceCount != 1) return;
    if (session.options.json) return EmitDeviceEvent(*session.env.console, device);
    char line[512];
    std::snprintf(line, sizeof line, "%s the %s %s (%s, firmware %s) %s %s\n", request.verifyOnly ? "Verifying" : "Updating",
                  device.Noun(), device.productHex, device.model[0] != '\0' ? device.model : "model unknown",
                  device.version[0] != '\0' ? device.version : "unknown", request.verifyOnly ? "against" : "with", name);
    session.Say(line);
}

}  // namespace

namespace {

// The engine also draws on the window's controls; the console has none.
struct NoControls final : Controls {
    void ShowMainWindow() override {}
    void Show(ControlId, bool) override {}
    void SetText(ControlId, const char*) override {}
    void Repaint(ControlId) override {}
    void SetFont(ControlId, FontId) override {}
    void ShowSkin(SkinId) override {}
    void CloseSelectionDialog() override {}
    void AppendLogLine(const char*) override {}
    // The console has one thread: it is the UI thread.
    void RunOnUiThread(void (*action)(void* context), void* context) override { action(context); }
};

}  // namespace

Controls& QuietControls() {
    static NoControls controls;
    return controls;
}

// The run as the window hands it to the worker: the file, the device it was
// chosen for (row 0 of the pass just made) and the mode flags.
void SetUpRun(UpdaterState& state, const char* name, bool verifyOnly) {
    ChooseFirmware(state, name);
    state.activeDeviceRow = 0;
    state.modeVerifyOnly = verifyOnly ? 1 : 0;
    state.modeVerifyFirmwareOnly = verifyOnly ? 1 : 0;
    state.modeProgramFirmwareOnly = verifyOnly ? 0 : 1;
    state.screenMode = ScreenIdle;
    state.runOutcome = RunOutcome{};
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

CliExitCode RunUpdateCommand(CliSession& session, const RunRequest& request) {
    const char* command = Command(request);
    UpdaterState& state = session.state;
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
    DiscoverDevices(state);
    const DeviceFacts before = DeviceFactsOfRow(state, 0);
    SetUpRun(state, name, request.verifyOnly);
    if (!GoAhead(session, request, before, name, code)) return code;
    if (InterruptPresses() > 0) {
        TextArgs args;
        args.device = before.Noun();
        return session.Refuse(command, ExitInterrupted, "interrupted", TextCliInterruptedBeforeRun, args);
    }

    ConsoleRunObserver observer;
    observer.console = session.env.console;
    observer.json = session.options.json;
    observer.terminal = session.env.console->OutIsTerminal();
    observer.next = request.recorder;
    observer.noticeText = TextCliStopping;
    observer.deviceNoun = before.Noun();
    observer.fileName = name;
    state.controls = &QuietControls();
    TellStart(session, request, name, before);
    state.runObserver = &observer;
    const uint64_t start = state.system->MonotonicMicros();
    RunUpdate(state);
    const int64_t durationMs = static_cast<int64_t>((state.system->MonotonicMicros() - start) / 1000);

    DiscoverDevices(state);
    session.UnlockDevices();
    observer.RunSettled(state);  // the history's record, with the version after
    const bool foundAfter = state.deviceCount >= 1;
    const DeviceFacts after = DeviceFactsOfRow(state, 0);
    state.runObserver = nullptr;
    state.controls = nullptr;
    TellResult(session, request, name, before, after, foundAfter, durationMs, observer.Sha256());
    return ExitCodeForOutcome(state.runOutcome);
}
