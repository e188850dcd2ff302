// The support report: gathered, laid out as text, and saved.
#include "app/support_report.h"

#include <cstring>

#include "app/program_info.h"
#include "app/run_history.h"
#include "app/user_texts.h"
#include "device/call_recording.h"
#include "device/device_library.h"
#include "firmware/bounded_path.h"
#include "platform/report_facts.h"
#include "platform/sha256.h"

namespace {

bool PutText(std::FILE* out, TextId id, const TextArgs& args) {
    char line[1024];
    FormatText(id, args, line, sizeof line);
    return std::fprintf(out, "%s\n", line) >= 0;
}

bool PutDetail(std::FILE* out, TextId id, const char* detail) {
    TextArgs args;
    args.detail = detail;
    return PutText(out, id, args);
}

bool PutRun(std::FILE* out, const HistoryRecord& run) {
    char file[96];
    if (run.fileBytes >= 0) {
        std::snprintf(file, sizeof file, "%lld bytes, SHA-256 %.16s", static_cast<long long>(run.fileBytes), run.sha256);
    } else {
        std::snprintf(file, sizeof file, "not read");
    }
    char detail[1024];
    std::snprintf(detail, sizeof detail, "%.31s %.7s %.7s %08X %.7s, %.15s -> %.15s, %.259s (%s), %.11s in %lld.%03lld s",
                  run.time, run.operation, run.deviceKind, static_cast<unsigned>(run.productId), run.model,
                  run.versionBefore[0] != '\0' ? run.versionBefore : "?",
                  run.versionAfter[0] != '\0' ? run.versionAfter : "?", run.file, file, run.result,
                  static_cast<long long>(run.durationMs / 1000), static_cast<long long>(run.durationMs % 1000));
    bool ok = PutDetail(out, TextReportRun, detail);
    if (run.reason[0] != '\0') ok = PutDetail(out, TextReportRunReason, run.reason) && ok;
    return ok;
}

// The last `kReportLogTailBytes` of the log, from the first whole line.
bool PutLogTail(std::FILE* out, const char* path) {
    std::FILE* log = std::fopen(path, "rb");
    bool any = false;
    if (log != nullptr) {
        const bool cut = std::fseek(log, -kReportLogTailBytes, SEEK_END) == 0;
        if (!cut) std::rewind(log);
        if (cut) {
            for (int c = std::fgetc(log); c != EOF && c != '\n'; c = std::fgetc(log)) {
            }
        }
        char block[4096];
        for (size_t got; (got = std::fread(block, 1, sizeof block, log)) > 0;) {
            any = true;
            std::fwrite(block, 1, got, out);
        }
        std::fclose(log);
    }
    return any || PutDetail(out, TextReportNoLog, nullptr);
}

}  // namespace

void GatherReportFacts(System& system, ReportFacts& facts) {
    SystemVersionText(facts.systemVersion, sizeof facts.systemVersion);
    char folder[kPathChars];
    const char* name = kDeviceLibraryPath + 2;  // without "./"
    const char separator[2] = {kPathSeparator, '\0'};
    facts.libraryPath[0] = '\0';
    if (system.CurrentFolder(folder, sizeof folder)) {
        AppendBounded(facts.libraryPath, folder);
        AppendBounded(facts.libraryPath, separator);
    }
    AppendBounded(facts.libraryPath, name);
    uint8_t digest[kSha256Bytes];
    facts.libraryFound = Sha256OfFile(facts.libraryPath, digest, &facts.libraryBytes);
    if (facts.libraryFound) Sha256Hex(digest, facts.librarySha256);
    if (!FileVersionText(facts.libraryPath, facts.libraryVersion, sizeof facts.libraryVersion)) {
        facts.libraryVersion[0] = '\0';
    }
    if (!CallRecordingPath(facts.recordingPath, sizeof facts.recordingPath)) facts.recordingPath[0] = '\0';
}

bool WriteSupportReport(std::FILE* out, const ReportFacts& facts, const RunFiles& files, int64_t nowMillis) {
    char detail[512];
    FormatIsoTime(nowMillis, detail, sizeof detail);
    bool ok = PutDetail(out, TextReportTitle, detail);
    std::snprintf(detail, sizeof detail, "%s (%s)", kProgramVersion, kProgramArchitecture);
    ok = PutDetail(out, TextReportProgram, detail) && ok;
    ok = PutDetail(out, TextReportSystem, facts.systemVersion) && ok;
    TextArgs library;
    library.file = facts.libraryPath;
    if (facts.libraryFound) {
        std::snprintf(detail, sizeof detail, "version %s, %lld bytes, SHA-256 %s",
                      facts.libraryVersion[0] != '\0' ? facts.libraryVersion : "not given",
                      static_cast<long long>(facts.libraryBytes), facts.librarySha256);
        library.detail = detail;
        ok = PutText(out, TextReportLibrary, library) && ok;
    } else {
        ok = PutText(out, TextReportLibraryMissing, library) && ok;
    }
    TextArgs folder;
    char logFolder[kPathChars];
    std::snprintf(logFolder, sizeof logFolder, "%s", files.log);
    if (char* last = std::strrchr(logFolder, kPathSeparator)) *last = '\0';
    folder.folder = logFolder;
    ok = PutText(out, TextReportDataFolder, folder) && ok;
    TextArgs recording;
    recording.file = facts.recordingPath;
    ok = PutText(out, facts.recordingPath[0] != '\0' ? TextReportRecording : TextReportNoRecording, recording) && ok;

    static HistoryRecord runs[kReportRuns];  // UI thread only; keeps the stack small
    const int count = ReadRunHistory(files.history, {}, runs, kReportRuns);
    ok = std::fputc('\n', out) != EOF && PutDetail(out, count > 0 ? TextReportRuns : TextReportNoRuns, nullptr) && ok;
    for (int i = 0; i < count; ++i) ok = PutRun(out, runs[i]) && ok;
    ok = std::fputc('\n', out) != EOF && PutDetail(out, TextReportLogTail, nullptr) && ok;
    return PutLogTail(out, files.log) && ok;
}

bool SaveSupportReport(System& system, const char* folder, char* message, size_t size) {
    const int64_t now = system.WallClockMillis();
    char stamp[32];
    FormatFileNameTime(now, stamp, sizeof stamp);
    char name[64];
    std::snprintf(name, sizeof name, "Veltrane Updater report %s.txt", stamp);
    char path[kPathChars];
    const int length = std::snprintf(path, sizeof path, "%s%c%s", folder, kPathSeparator, name);
    RunFiles files;
    ReportFacts facts;
    bool ok = length > 0 && static_cast<size_t>(length) < sizeof path && FindRunFiles(system, files);
    std::FILE* out = ok ? std::fopen(path, "w") : nullptr;  // text mode: CRLF lines on Windows
    if (out != nullptr) {
        GatherReportFacts(system, facts);
        ok = WriteSupportReport(out, facts, files, now);
        ok = std::fclose(out) == 0 && ok;
    } else {
        ok = false;
    }
    TextArgs args;
    args.file = path;
    args.folder = folder;
    FormatText(ok ? TextReportSaved : TextReportFailed, args, message, size);
    return ok;
}
