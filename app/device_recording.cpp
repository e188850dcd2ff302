// The recording's first line, and where the window keeps its recordings.
#include "app/device_recording.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "app/program_info.h"
#include "app/run_log.h"
#include "app/support_report.h"
#include "app/updater_state.h"
#include "app/user_texts.h"
#include "device/call_recording.h"
#include "device/device_library.h"

bool StartDeviceRecording(System& system, const char* path, const char* program) {
    ReportFacts facts;
    GatherReportFacts(system, facts);
    nlohmann::ordered_json library;
    library["file"] = kDeviceLibraryFile;
    library["found"] = facts.libraryFound;
    library["version"] = facts.libraryVersion;
    library["bytes"] = facts.libraryBytes;
    library["sha256"] = facts.librarySha256;
    nlohmann::ordered_json header;
    header["recording"] = kCallRecordingName;
    header["format"] = kCallRecordingFormat;
    header["program"] = program;
    header["programVersion"] = kProgramVersion;
    header["architecture"] = kProgramArchitecture;
    header["system"] = facts.systemVersion;
    header["library"] = library;
    const std::string line = header.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    return BeginCallRecording(system, path, line.c_str());
}

bool RecordNextDeviceSession(UpdaterState& state, char* message, size_t size) {
    char path[kPathChars] = {};
    TextArgs args;
    args.file = path;
    if (CallRecordingOpen()) {
        CallRecordingPath(path, sizeof path);
        FormatText(TextRecordingRunning, args, message, size);
        return true;
    }
    if (!DataFolderRecordingPath(*state.system, path, sizeof path) ||
        !StartDeviceRecording(*state.system, path, "window")) {
        char folder[kPathChars] = {};
        if (!state.system->DataFolder(folder, sizeof folder)) folder[0] = '\0';
        args.folder = folder;
        FormatText(TextRecordingFailed, args, message, size);
        return false;
    }
    state.recordingAsked = 1;
    FormatText(TextRecordingStarted, args, message, size);
    return true;
}

void TakeUpAskedRecording(UpdaterState& state) {
    if (state.recordingAsked != 1) return;
    state.recordingAsked = 0;
    state.session.library = RecordCalls(state.session.library);
}

bool DataFolderRecordingPath(System& system, char* out, size_t size) {
    char folder[kPathChars];
    if (!system.DataFolder(folder, sizeof folder)) return false;
    char stamp[32];
    FormatFileNameTime(system.WallClockMillis(), stamp, sizeof stamp);
    const int length = std::snprintf(out, size, "%s%crecording %s.jsonl", folder, kPathSeparator, stamp);
    return length > 0 && static_cast<size_t>(length) < size;
}
