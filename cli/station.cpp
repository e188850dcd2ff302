// The station loop: wait, pick, run, record, wait for the unplug.
#include "cli/station.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/run_recorder.h"
#include "cli/cli_reason.h"
#include "cli/cli_session.h"
#include "cli/device_facts.h"
#include "cli/interrupt.h"
#include "cli/json_events.h"
#include "cli/json_line.h"
#include "cli/run_command.h"
#include "cli/station_results.h"
#include "cli/unit_tie.h"
#include "device/discovery.h"
#include "firmware/bounded_path.h"
#include "firmware/catalogue.h"
#include "platform/sha256.h"
#include "update/run_checks.h"
#include "update/update_sequence.h"

namespace {

struct Station {
    CliSession& session;
    const StationRequest& request;
    std::vector<std::string> names;  // the files, as names in the files folder
    char folder[kPathChars] = {};
    StationResults results;
    int handled = 0;
    bool anyFailed = false;
};

bool Interrupted() { return InterruptPresses() > 0; }

// One discovery pass under the lock; a pass the window holds the lock
// for is skipped and counts as nothing found yet. Returns the device count.
int32_t Look(Station& station) {
    CliSession& session = station.session;
    if (!session.env.system->TryLockDevices()) return -1;
    DiscoverDevices(session.devices, session.library);
    session.env.system->UnlockDevices();
    return session.devices.deviceCount;
}

// Waits until exactly one device is attached. False when stopped first.
bool WaitForOneDevice(Station& station) {
    bool saidSeveral = false;
    for (;;) {
        if (Interrupted()) return false;
        const int32_t count = Look(station);
        if (count == 1) return true;
        if (count >= 2 && !saidSeveral) {
            station.session.Warn(TextCliStationSeveral, TextArgs{});
            saidSeveral = true;
        }
        if (count == 0) saidSeveral = false;
        station.session.env.system->Sleep(station.request.pollMs);
    }
}

// Waits until the bench is empty. False when stopped first.
bool WaitForUnplug(Station& station) {
    for (;;) {
        if (Interrupted()) return false;
        if (Look(station) == 0) return true;
        station.session.env.system->Sleep(station.request.pollMs);
    }
}

// The first of the given files that fits the device; -1 when none does.
int PickFile(Station& station, const CatalogueDevice& device) {
    for (size_t i = 0; i < station.names.size(); ++i) {
        FolderEntry entry{};
        std::snprintf(entry.name, sizeof entry.name, "%s", station.names[i].c_str());
        CatalogueCheck check;
        CheckCatalogueEntry(station.folder, entry, device, check);
        if (check.verdict == EntryFits) return static_cast<int>(i);
    }
    return -1;
}

// The version a file's name carries: the three characters after its first "v".
std::string VersionOfName(const std::string& name) {
    const size_t v = name.find('v');
    return v == std::string::npos ? std::string() : name.substr(v + 1, 3);
}

std::string DigestOf(const Station& station, const std::string& name) {
    char path[kPathChars] = {};
    uint8_t digest[kSha256Bytes];
    char hex[kSha256HexChars + 1];
    if (!AppendBounded(path, station.folder) || !AppendBounded(path, name.c_str())) return "";
    if (!Sha256OfFile(path, digest)) return "";
    Sha256Hex(digest, hex);
    return hex;
}

void Skip(StationRecord& record, TextId text, const char* noun, const char* detail) {
    char reason[256];
    TextArgs args;
    args.device = noun;
    args.detail = detail;
    FormatText(text, args, reason, sizeof reason);
    record.result = "skipped";
    record.reason = reason;
    record.versionAfter = record.versionBefore;
}

// Held from the run to the look after it. Without it the engine refuses
// the run by itself (another program is working on the devices), and the
// refusal is recorded as the window records it.
RunOutcome RunAndLook(Station& station, ConsoleSeat& seat) {
    CliSession& session = station.session;
    const DeviceLockScope lock(*session.env.system);
    const RunOutcome outcome =
        RunUpdate(session.request, session.devices, session.library, *session.env.system, seat, lock);
    if (session.env.lastRun != nullptr) *session.env.lastRun = outcome;
    if (lock.Held()) {
        DiscoverDevices(session.devices, session.library);
    } else {
        Look(station);
    }
    return outcome;
}

void RunOnBench(Station& station, const std::string& name, const DeviceFacts& before, StationRecord& record) {
    CliSession& session = station.session;
    RunRecorder* recorder = station.request.recorder;
    ConsoleSeat seat = SeatForRun(session, recorder, TextCliStationStopAfterDevice, before.Noun(), name.c_str());
    SetUpRun(session, name.c_str(), false);
    const RunOutcome outcome = RunAndLook(station, seat);
    if (recorder != nullptr) recorder->RunSettled(session.devices);
    char reason[512] = "";
    CliRunReason(outcome, before.kind, name.c_str(), reason, sizeof reason);
    record.result = OutcomeName(outcome);
    record.reason = reason;
    record.versionAfter = session.devices.deviceCount >= 1 ? DeviceFactsOfRow(session.devices, 0).version : "";
    if (ExitCodeForOutcome(outcome) != ExitSuccess) station.anyFailed = true;
}

void SayRecord(Station& station, const StationRecord& record) {
    CliSession& session = station.session;
    if (session.options.json) {
        return EmitEvent(*session.env.console, "station", StationObject(record));
    }
    char line[1024];
    std::snprintf(line, sizeof line, "%s  %-7s %s  %-4s  %s -> %s  %s  %s  %.1f s%s%s\n", record.time.c_str(),
                  record.kind.c_str(), record.productId.c_str(), record.model.empty() ? "-" : record.model.c_str(),
                  record.versionBefore.empty() ? "-" : record.versionBefore.c_str(),
                  record.versionAfter.empty() ? "-" : record.versionAfter.c_str(),
                  record.file.empty() ? "-" : record.file.c_str(), record.result.c_str(),
                  static_cast<double>(record.durationMs) / 1000.0, record.reason.empty() ? "" : ": ",
                  record.reason.c_str());
    session.env.console->Out(line);
}

// One device on the bench, from the pass that found it to its record.
void HandleDevice(Station& station) {
    CliSession& session = station.session;
    System& system = *session.env.system;
    const uint64_t start = system.MonotonicMicros();
    const DeviceFacts before = DeviceFactsOfRow(session.devices, 0);
    StationRecord record;
    record.time = IsoTime(system.WallClockMillis());
    record.kind = before.Noun();
    record.productId = before.productHex;
    record.model = before.model;
    record.versionBefore = before.version;

    // A unit an interrupted update left half-programmed is finished with
    // the first file of its recorded model.
    UnfinishedRun unfinished;
    CliExitCode unused = ExitSuccess;
    TieUnitToModel(session, "station", "", unfinished, unused);
    const int picked = PickFile(station, CatalogueDeviceFor(session.request, session.devices, 0));
    if (picked < 0) {
        Skip(record, TextCliStationNoFileFits, before.Noun(), "");
    } else {
        const std::string& name = station.names[static_cast<size_t>(picked)];
        record.file = name;
        record.sha256 = DigestOf(station, name);
        const std::string version = VersionOfName(name);
        if (!version.empty() && version == before.version) {
            Skip(record, TextCliStationSameVersion, before.Noun(), version.c_str());
        } else {
            RunOnBench(station, name, before, record);
        }
    }
    record.durationMs = static_cast<int64_t>((system.MonotonicMicros() - start) / 1000);
    SayRecord(station, record);
    if (!station.results.Append(record)) {
        TextArgs args;
        args.file = station.request.results;
        session.Warn(TextCliStationResultsUnwritable, args);
    }
    RunRecorded();  // in the history and the results: a console being closed waits for this
    ++station.handled;
}

CliExitCode Finish(Station& station, bool stopped) {
    CliSession& session = station.session;
    const std::string count = std::to_string(station.handled);
    TextArgs args;
    args.detail = count.c_str();
    session.Warn(TextCliStationStopped, args);
    const CliExitCode code = stopped ? ExitInterrupted : station.anyFailed ? ExitRunFailed : ExitSuccess;
    if (session.options.json) {
        ResultFacts result;
        result.command = "station";
        result.outcome = stopped ? "interrupted" : station.anyFailed ? "failed" : "passed";
        result.exitCode = code;
        result.cause = stopped ? "interrupted" : "none";
        result.count = station.handled;
        EmitResultEvent(*session.env.console, result);
    }
    return code;
}

}  // namespace

CliExitCode RunStation(CliSession& session, const StationRequest& request) {
    Station station{session, request, {}};
    for (const char* file : request.files) {
        char name[kPathChars];
        if (!NameInFilesFolder(*session.env.system, file, name, station.folder)) {
            TextArgs args;
            args.file = file;
            args.folder = station.folder;
            return session.Refuse("station", ExitFileRefused, "not_in_files_folder", TextCliFileNotInFolder, args);
        }
        station.names.emplace_back(name);
    }
    if (!station.results.Open(request.results)) {
        TextArgs args;
        args.file = request.results;
        return session.Refuse("station", ExitUsage, "results_unwritable", TextCliStationResultsUnwritable, args);
    }
    CliExitCode code = ExitSuccess;
    if (!session.OpenLibrary(code, "station")) return code;
    session.Warn(TextCliStationWaiting, TextArgs{});
    for (;;) {
        if (request.count > 0 && station.handled >= request.count) return Finish(station, false);
        if (!WaitForOneDevice(station)) return Finish(station, true);
        HandleDevice(station);
        if (Interrupted()) return Finish(station, true);
        if (request.count > 0 && station.handled >= request.count) return Finish(station, false);
        TextArgs args;
        args.device = DeviceFactsOfRow(session.devices, 0).Noun();
        session.Warn(TextCliStationUnplug, args);
        if (!WaitForUnplug(station)) return Finish(station, true);
    }
}
