// The commands and options (CLI11). CLI11 reports a bad command line by
// throwing; that is caught here, at the edge, and becomes ExitUsage.
#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "app/device_recording.h"
#include "app/run_recorder.h"
#include "cli/cli_reason.h"
#include "cli/device_commands.h"
#include "cli/history_command.h"
#include "cli/interrupt.h"
#include "cli/file_signatures.h"
#include "cli/json_events.h"
#include "cli/run_command.h"
#include "cli/session_window.h"
#include "cli/station.h"
#include "device/call_recording.h"

#ifndef UPDATER_VERSION
#define UPDATER_VERSION "0"
#endif

namespace {

struct Arguments {
    bool json = false;
    bool requireSigned = false;
    bool all = false;
    bool yes = false;
    std::string file;
    std::string nameHex;  // FILE's exact bytes, for a name that is not UTF-8
    std::vector<std::string> stationFiles;
    int count = 0;
    std::string results = "station_results";
    std::string device;
    std::string model;  // of a unit whose reply names none
    int limit = kHistoryDefaultLimit;
    std::string record;  // the file the device library's calls are recorded into
};

constexpr char kDescription[] =
    "Veltrane Updater, command line: lists, updates and verifies the Veltrane headsets and their USB adapter "
    "through the device library of the working folder, like the window does.";

// --device names a product id or a kind; anything else is a usage error.
CLI::Validator HistoryDeviceCheck() {
    return CLI::Validator(
        [](std::string& text) {
            HistoryFilter filter;
            if (ParseHistoryDevice(text.c_str(), filter)) return std::string();
            TextArgs args;
            args.detail = text.c_str();
            char sentence[512];
            FormatText(TextCliHistoryBadDevice, args, sentence, sizeof sentence);
            return std::string(sentence);
        },
        "");
}

// A unit whose firmware was cut short answers with a reply that names no
// model; a support desk names it here when no history ties it to one.
void AddModelOption(CLI::App& command, std::string& model) {
    command
        .add_option("--model", model,
                    "The model of a device whose firmware reply is not recognised (an update of it was cut short)")
        ->check(CLI::IsMember({"RX93", "RX71"}));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes --name-hex names; false for text that is not pairs of
// hexadecimal digits, or that names a NUL byte.
bool DecodeHexName(const std::string& hex, std::string& name) {
    name.clear();
    if (hex.empty() || hex.size() % 2 != 0) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return false;
        name += static_cast<char>(high * 16 + low);
    }
    return true;
}

CLI::Validator HexNameCheck() {
    return CLI::Validator(
        [](std::string& text) {
            std::string name;
            return DecodeHexName(text, name) ? std::string() : text + " is not a file name in hexadecimal bytes";
        },
        "");
}

void Build(CLI::App& app, Arguments& a) {
    app.description(kDescription);
    app.require_subcommand(1);
    app.fallthrough();
    app.set_version_flag("--version", "veltrane-cli " UPDATER_VERSION);
    app.add_flag("--json", a.json, "Write JSON Lines events to standard output instead of text");
    app.add_flag("--require-signed", a.requireSigned,
                 "Write only firmware the maker signed: refuse files the signed catalogue does not list");
    app.add_option("--record", a.record,
                   "Record every call the command makes into the device library into FILE (JSON Lines)")
        ->type_name("FILE");
    app.footer(ExitCodeTable());

    app.add_subcommand("devices", "List the attached devices: kind, product id, model, firmware version");
    CLI::App* files = app.add_subcommand("files", "List the files of the files folder that fit the attached device");
    files->add_flag("--all", a.all, "Also list the files that do not fit, each with the rule it fails");
    AddModelOption(*files, a.model);
    for (const char* name : {"update", "verify"}) {
        const bool update = std::strcmp(name, "update") == 0;
        CLI::App* run = app.add_subcommand(name, update ? "Program the attached device with FILE, then verify it"
                                                        : "Verify the attached device against FILE");
        CLI::Option* file = run->add_option("FILE", a.file, "A firmware file of the files folder");
        run->add_option("--name-hex", a.nameHex,
                        "The file's name as its bytes in hexadecimal, as files --json gives a name that is not UTF-8 "
                        "(name_hex)")
            ->type_name("HEX")
            ->excludes(file)
            ->check(HexNameCheck());
        if (update) run->add_flag("--yes,-y", a.yes, "Do not ask before writing");
        AddModelOption(*run, a.model);
    }
    CLI::App* history = app.add_subcommand("history", "Show the runs of the window and the command line, newest first");
    history->add_option("--device", a.device, "Only this device: headset, adapter, or a product id such as 28F80106")
        ->type_name("ID")
        ->check(HistoryDeviceCheck());
    history->add_option("--limit", a.limit, "At most this many runs (20 unless given)")
        ->check(CLI::Range(1, kHistoryMostLimit));
    CLI::App* station = app.add_subcommand(
        "station", "Production bench: wait for each device, update it with the file that fits, verify, record");
    station->add_option("FILE", a.stationFiles, "The firmware files to choose from")->required();
    station->add_option("--count", a.count, "Stop after this many devices")->check(CLI::PositiveNumber);
    station->add_option("--results", a.results, "Results file, without extension: NAME.csv and NAME.jsonl");
}

bool AskedForJson(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) return true;
    }
    return false;
}

// Edits (insertions, deletions, substitutions) between two short words.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The first word that is not an option is the command; of the options
// before it only --record takes a value. Empty when it is a command, or
// there is none.
std::string UnknownCommand(const CLI::App& app, int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--record") == 0) ++i;  // its value
        if (i >= argc || argv[i][0] == '-' || std::strcmp(argv[i - 1], "--record") == 0) continue;
        for (const CLI::App* command : app.get_subcommands({})) {
            if (command->get_name() == argv[i]) return "";
        }
        return argv[i];
    }
    return "";
}

std::string NearestCommand(const CLI::App& app, const std::string& word) {
    std::string nearest;
    size_t best = SIZE_MAX;
    for (const CLI::App* command : app.get_subcommands({})) {
        const size_t distance = EditDistance(word, command->get_name());
        if (distance < best) {
            best = distance;
            nearest = command->get_name();
        }
    }
    return nearest;
}

// With --json a bad command line ends in a result event too.
int RefuseUsage(CliEnvironment& env, bool json, const char* reason) {
    if (json) {
        ResultFacts result;
        result.command = "";
        result.outcome = "refused";
        result.exitCode = ExitUsage;
        result.cause = "usage";
        result.reason = reason;
        EmitResultEvent(*env.console, result);
    }
    return ExitUsage;
}

int UsageError(CLI::App& app, const CLI::ParseError& error, CliEnvironment& env, bool json) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = app.exit(error, out, err);
    env.console->Out(out.str().c_str());
    env.console->Err(err.str().c_str());
    if (code == 0) return ExitSuccess;  // --help, --version
    return RefuseUsage(env, json, error.what());
}

// A misspelt command is named with the nearest one, not taken for a
// missing one.
int UnknownCommandError(const CLI::App& app, const std::string& word, CliEnvironment& env, bool json) {
    const std::string nearest = NearestCommand(app, word);
    TextArgs args;
    args.detail = word.c_str();
    args.file = nearest.c_str();
    char sentence[512];
    FormatText(TextCliUnknownCommand, args, sentence, sizeof sentence);
    env.console->Err(sentence);
    env.console->Err("\n");
    return RefuseUsage(env, json, sentence);
}

CliExitCode Dispatch(CLI::App& app, const Arguments& a, CliSession& session) {
    const std::string command = app.get_subcommands().front()->get_name();
    if (command == "devices") return RunDevicesCommand(session);
    if (command == "history") {
        HistoryRequest request;
        request.device = a.device.c_str();
        if (!a.device.empty()) ParseHistoryDevice(request.device, request.filter);
        request.limit = a.limit;
        return RunHistoryCommand(session, request);
    }
    ReadFilesCatalogue(session);
    session.request.requireSigned = a.requireSigned;
    if (command == "files") return RunFilesCommand(session, a.all, a.model.c_str());
    // Runs are written to the run log and the history as the window writes
    // them; without a data folder they go unrecorded, as in the window.
    RunRecorder recorder;
    recorder.Open(*session.env.system, kWrittenByCli, CliRunReason);
    if (command == "update" || command == "verify") {
        std::string fromHex;
        DecodeHexName(a.nameHex, fromHex);
        RunCommandRequest request;
        request.file = a.nameHex.empty() ? a.file.c_str() : fromHex.c_str();
        request.verifyOnly = command == "verify";
        request.yes = a.yes;
        request.model = a.model.c_str();
        request.recorder = &recorder;
        return RunUpdateCommand(session, request);
    }
    if (command == "station") {
        StationRequest request;
        for (const std::string& file : a.stationFiles) request.files.push_back(file.c_str());
        request.count = a.count;
        request.results = a.results.c_str();
        request.recorder = &recorder;
        return RunStation(session, request);
    }
    return ExitUsage;
}

// update and verify take FILE, or its bytes with --name-hex.
bool RunWithoutFile(const CLI::App& app, const Arguments& a) {
    return (app.got_subcommand("update") || app.got_subcommand("verify")) && a.file.empty() && a.nameHex.empty();
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv, CliEnvironment& env) {
    CLI::App app;
    Arguments arguments;
    Build(app, arguments);
    if (const std::string unknown = UnknownCommand(app, argc, argv); !unknown.empty()) {
        return UnknownCommandError(app, unknown, env, AskedForJson(argc, argv));
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return UsageError(app, error, env, AskedForJson(argc, argv));
    }
    if (RunWithoutFile(app, arguments)) {
        return UsageError(app, CLI::RequiredError("FILE or --name-hex"), env, AskedForJson(argc, argv));
    }
    CliSession session{env, CliOptions{arguments.json}};
    if (!arguments.record.empty() && !StartDeviceRecording(*env.system, arguments.record.c_str(), "veltrane-cli")) {
        TextArgs args;
        args.file = arguments.record.c_str();
        return session.Refuse("", ExitUsage, "usage", TextCliRecordingUnwritable, args);
    }
    // A station finishes the device on the bench at the first Ctrl+C and
    // stops its run at a page only at the second; a single run stops at once.
    const bool station = app.got_subcommand("station");
    InstallInterruptHandler(station ? 2 : 1);
    const bool runsDevice = station || app.got_subcommand("update") || app.got_subcommand("verify");
    if (runsDevice) StartSessionWindow();
    const CliExitCode code = Dispatch(app, arguments, session);
    session.CloseLibrary();
    EndCallRecording();
    if (runsDevice) StopSessionWindow();
    return code;
}
