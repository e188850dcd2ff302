// `devices` and `files`.
#include "cli/device_commands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_session.h"
#include "cli/device_facts.h"
#include "cli/file_reasons.h"
#include "cli/file_signatures.h"
#include "cli/json_events.h"
#include "cli/unit_tie.h"
#include "device/discovery.h"
#include "firmware/bounded_path.h"
#include "firmware/catalogue.h"
#include "update/run_checks.h"

namespace {

const char* OrDash(const char* text) { return text[0] != '\0' ? text : "-"; }

void SayDevice(CliSession& session, const DeviceFacts& device) {
    if (session.options.json) return EmitDeviceEvent(*session.env.console, device);
    char line[128];
    std::snprintf(line, sizeof line, "%-8s %s  %-4s  %s\n", device.Noun(), device.productHex, OrDash(device.model),
                  OrDash(device.version));
    session.Say(line);
}

void SayListed(CliSession& session, const char* command, int32_t count, const DeviceFacts* device) {
    if (!session.options.json) return;
    ResultFacts result;
    result.command = command;
    result.outcome = "listed";
    result.count = count;
    result.device = device;
    EmitResultEvent(*session.env.console, result);
}

// Collects the files the scan lists, as the dialog's list would hold them.
struct FileRows final : CatalogueList {
    std::vector<std::string> names;
    std::vector<std::string> labels;
    void AppendEntry(const char* name, const char* label) override {
        names.emplace_back(name);
        labels.emplace_back(label);
    }
};

// A signed file's release notes, under its line, each line indented.
void AppendNotes(const FileVerdict& verdict, std::string& text) {
    if (verdict.signature != FileSigned || verdict.entry == nullptr) return;
    const char* notes = CatalogueNoteFor(*verdict.entry, "en");
    for (const char* at = notes; *at != '\0';) {
        const char* end = std::strchr(at, '\n');
        const size_t length = end != nullptr ? static_cast<size_t>(end - at) : std::strlen(at);
        text.append("    ").append(at, length).append("\n");
        at += length + (end != nullptr ? 1 : 0);
    }
}

// `model`: the device's, for the signed catalogue's floor.
void SayFile(CliSession& session, bool all, const char* name, const char* label, bool fits, const char* reason,
             const char* model) {
    char trimmed[kPathChars];
    std::snprintf(trimmed, sizeof trimmed, "%s", label);
    for (size_t n = std::strlen(trimmed); n > 0 && trimmed[n - 1] == ' '; --n) trimmed[n - 1] = '\0';
    const FileVerdict verdict = SignatureOfFile(session, name, model);
    if (session.options.json) return EmitFileEvent(*session.env.console, name, trimmed, fits, reason, verdict);
    std::string line;
    if (all) line += fits ? "fits     " : "refused  ";
    line += name;
    line += "  ";
    line += fits ? trimmed : reason;
    if (fits) {
        char signature[64];
        DescribeSignature(verdict, signature, sizeof signature);
        line.append("  ").append(signature);
    }
    line += "\n";
    if (fits) AppendNotes(verdict, line);
    session.Say(line.c_str());
}

struct AllFiles {
    CliSession& session;
    const char* folder;
    CatalogueDevice device;
    int fitting = 0;
};

void VisitForAll(const FolderEntry& entry, void* context) {
    AllFiles& all = *static_cast<AllFiles*>(context);
    // The catalogue and its signature are the folder's own, not firmware.
    if (entry.isFolder || std::strcmp(entry.name, kCatalogueFileName) == 0 ||
        std::strcmp(entry.name, kCatalogueSignatureName) == 0)
        return;
    CatalogueCheck check;
    CheckCatalogueEntry(all.folder, entry, all.device, check);
    char reason[256] = "";
    if (check.verdict != EntryFits) FileMisfitReason(check, all.device, reason, sizeof reason);
    if (check.verdict == EntryFits) ++all.fitting;
    SayFile(all.session, true, entry.name, check.label, check.verdict == EntryFits, reason, all.device.modelText);
}

}  // namespace

bool DiscoverUnderLock(CliSession& session, const char* command, CliExitCode& exitCode) {
    if (!session.LockDevices(command)) {
        exitCode = ExitDeviceBusy;
        return false;
    }
    DiscoverDevices(session.devices, session.library);
    return true;
}

bool ExactlyOneDevice(CliSession& session, const char* command, CliExitCode& exitCode) {
    const int32_t count = session.devices.deviceCount;
    if (count == 1) return true;
    exitCode = count == 0 ? session.Refuse(command, ExitNoDevice, "no_device", TextCliNoDevice, TextArgs{})
                          : session.Refuse(command, ExitSeveralDevices, "several_devices", TextCliSeveralDevices, TextArgs{});
    return false;
}

CliExitCode RunDevicesCommand(CliSession& session) {
    CliExitCode code = ExitSuccess;
    if (!session.OpenLibrary(code, "devices")) return code;
    if (!DiscoverUnderLock(session, "devices", code)) return code;
    session.UnlockDevices();
    const int32_t count = session.devices.deviceCount;
    if (count == 0) return session.Refuse("devices", ExitNoDevice, "no_device", TextCliNoDevice, TextArgs{});
    for (int row = 0; row < count; ++row) SayDevice(session, DeviceFactsOfRow(session.devices, row));
    SayListed(session, "devices", count, nullptr);
    return ExitSuccess;
}

CliExitCode RunFilesCommand(CliSession& session, bool all, const char* model) {
    CliExitCode code = ExitSuccess;
    if (!session.OpenLibrary(code, "files")) return code;
    if (!DiscoverUnderLock(session, "files", code)) return code;
    session.UnlockDevices();
    if (!ExactlyOneDevice(session, "files", code)) return code;
    UnfinishedRun unfinished;
    if (!TieUnitToModel(session, "files", model, unfinished, code)) return code;
    System& system = *session.env.system;
    const DeviceFacts device = DeviceFactsOfRow(session.devices, 0);
    const CatalogueDevice fitFor = CatalogueDeviceFor(session.request, session.devices, 0);

    int fitting = 0;
    if (all) {
        AllFiles scan{session, nullptr, fitFor};
        char folder[kPathChars];
        char pattern[kPathChars] = {};
        if (FilesFolderPath(system, folder) && AppendBounded(pattern, folder) && AppendBounded(pattern, "*")) {
            scan.folder = folder;
            system.ListFolder(pattern, &VisitForAll, &scan);
        }
        fitting = scan.fitting;
    } else {
        FileRows rows;
        OwnFileFirst ordered(system, unfinished, rows);
        fitting = ScanFirmwareFolder(system, fitFor, ordered);
        ordered.Deliver();
        for (size_t i = 0; i < rows.names.size(); ++i) {
            SayFile(session, false, rows.names[i].c_str(), rows.labels[i].c_str(), true, "", fitFor.modelText);
        }
    }
    if (fitting == 0) {
        TextArgs args;
        args.device = device.Noun();
        session.Warn(TextCliNoFileFits, args);
    }
    SayListed(session, "files", fitting, &device);
    return ExitSuccess;
}
