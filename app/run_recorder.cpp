// The run log and history writer: what a run tells, buffered and written
// between pages and at the end, and one history record once it has settled.
#include "app/run_recorder.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "app/program_info.h"
#include "app/run_reason.h"
#include "app/user_texts.h"
#include "device/found_devices.h"
#include "firmware/bounded_path.h"
#include "platform/sha256.h"
#include "update/run_checks.h"
#include "update/run_request.h"

namespace {

const char* ResultName(const RunOutcome& outcome, bool ended) {
    if (!ended) return "failed";
    if (RefusedBeforeDevice(outcome)) return "refused";
    return outcome.screenMode == ScreenPassed ? "passed" : "failed";
}

}  // namespace

void RunRecorder::Open(System& system, const char* writtenBy, ReasonWriter reason) {
    system_ = &system;
    writtenBy_ = writtenBy;
    reason_ = reason;
}

void RunRecorder::Buffer(const char* text) {
    const size_t length = std::strlen(text);
    if (used_ + length + 1 > sizeof buffer_) Flush();
    const size_t room = sizeof buffer_ - used_ - 1;
    const size_t taken = length < room ? length : room;
    std::memcpy(buffer_ + used_, text, taken);
    used_ += taken;
    buffer_[used_++] = '\n';
}

// A line of the table, naming the run's device and file.
void RunRecorder::BufferText(TextId id, const char* detail, TextArgs args) {
    args.device = noun_;
    args.file = record_.file;
    args.detail = detail;
    char line[1024];
    FormatText(id, args, line, sizeof line);
    Buffer(line);
}

void RunRecorder::Flush() {
    if (used_ == 0) return;
    if (opened_) AppendToRunLog(files_, buffer_, used_);
    used_ = 0;
}

void RunRecorder::RunStarting(const RunRequest& request, const FoundDevices& devices) {
    if (!opened_ && system_ != nullptr) opened_ = FindRunFiles(*system_, files_);
    if (!opened_) return;
    if (active_) Finish("");  // the last run never settled: keep what it told
    active_ = true;
    ended_ = false;
    imageRead_ = false;
    outcome_ = RunOutcome{};
    record_ = HistoryRecord{};
    startMicros_ = endMicros_ = system_->MonotonicMicros();
    kind_ = devices.deviceTable[0].kind;
    chosenKind_ = request.chosenFor.productId != 0 ? request.chosenFor.kind : kind_;
    const int64_t now = system_->WallClockMillis();
    FormatIsoTime(now, record_.time, sizeof record_.time);
    // One run on the one device at a time: the clock's millisecond and
    // microsecond tell runs apart.
    std::snprintf(record_.runId, sizeof record_.runId, "%011llx-%05llx", static_cast<unsigned long long>(now),
                  static_cast<unsigned long long>(startMicros_ % 0x100000));
    std::snprintf(record_.program, sizeof record_.program, "%s", kProgramVersion);
    std::snprintf(record_.writtenBy, sizeof record_.writtenBy, "%s", writtenBy_);
    const bool verifyOnly = request.modeVerifyOnly == 1;
    std::snprintf(record_.operation, sizeof record_.operation, "%s", verifyOnly ? "verify" : "update");
    std::snprintf(record_.file, sizeof record_.file, "%s", request.chosenFileName);
    // Row 0 holds no device before any was found (a command line run with
    // nothing attached): the record names none rather than an empty row.
    const bool listed = devices.deviceTable[0].productId != 0;
    noun_ = listed ? DeviceNoun(kind_) : "device";
    if (listed) {
        std::snprintf(record_.deviceKind, sizeof record_.deviceKind, "%s", DeviceNoun(kind_));
        record_.productId = devices.deviceTable[0].productId;
        std::snprintf(record_.identity, sizeof record_.identity, "%08" PRIX32,
                      static_cast<uint32_t>(devices.deviceTable[0].identity));
        // A unit being finished is recorded under the model it was tied to.
        DeviceModel(request, devices, 0, record_.model);
        devices.firmwareLabel[0].versionText.Load(record_.versionBefore, sizeof record_.versionBefore);
    }

    char detail[160];
    BufferText(TextLogRunStart, record_.time);
    std::snprintf(detail, sizeof detail, "%s (%s)", kProgramVersion, kProgramArchitecture);
    BufferText(std::strcmp(writtenBy_, kWrittenByCli) == 0 ? TextLogProgramCli : TextLogProgram, detail);
    BufferText(TextLogOperation, verifyOnly ? "verify only" : "update (program and verify)");
    if (!listed) return BufferText(TextLogNoDevice, nullptr);
    std::snprintf(detail, sizeof detail, "product %08" PRIX32 ", kind %" PRIu32 ", model %s, version %s",
                  record_.productId, kind_, record_.model[0] != '\0' ? record_.model : "unknown",
                  record_.versionBefore[0] != '\0' ? record_.versionBefore : "unknown");
    BufferText(TextLogDevice, detail);
}

void RunRecorder::ImageLoaded(const ImageFacts& image) {
    if (!active_) return;
    imageRead_ = true;
    record_.fileBytes = image.fileBytes;
    if (image.haveDigest) Sha256Hex(image.sha256, record_.sha256);
    record_.signedByMaker = image.signedByMaker;
    record_.pages = image.pageCount;
    char detail[160];
    std::snprintf(detail, sizeof detail, "%lld bytes, SHA-256 %s", static_cast<long long>(image.fileBytes),
                  image.haveDigest ? record_.sha256 : "unknown");
    BufferText(TextLogFile, detail);
}

// A file refused before it was loaded is still named by its size and
// digest, so a support desk can tell which file it was. The run is over:
// hashing cannot delay the device.
void RunRecorder::DescribeRefusedFile() {
    char path[kPathChars];
    uint8_t digest[kSha256Bytes];
    int64_t bytes = 0;
    if (!FilesFolderPath(*system_, path) || !AppendBounded(path, record_.file) || !Sha256OfFile(path, digest, &bytes)) {
        BufferText(TextLogFileUnread, nullptr);
        return;
    }
    ImageFacts facts;
    facts.fileBytes = bytes;
    facts.haveDigest = true;
    std::memcpy(facts.sha256, digest, sizeof digest);
    ImageLoaded(facts);
}

void RunRecorder::LogLine(const char* text) {
    if (!active_) return;
    char stamp[16];
    FormatTimeOfDay(system_->WallClockMillis(), stamp, sizeof stamp);
    char line[512];
    std::snprintf(line, sizeof line, "%s %s", stamp, text != nullptr ? text : "");
    Buffer(line);
}

// The log so far reaches the file, and the history learns that the run
// began, before the device changes: a run that no handler ends (the
// program killed, the power gone) still leaves both.
void RunRecorder::DeviceAboutToChange() {
    if (!active_) return;
    Flush();
    HistoryRecord started = record_;
    std::snprintf(started.result, sizeof started.result, "%s", kResultStarted);
    std::snprintf(started.stage, sizeof started.stage, "%s", RunStageName(StageRomMode));
    std::snprintf(started.cause, sizeof started.cause, "%s", RunCauseName(CauseNone));
    AppendToHistory(files_, started);
}

void RunRecorder::ShowProgress(bool, int32_t, int32_t) { Flush(); }

void RunRecorder::RunEnded(const RunOutcome& outcome) {
    if (!active_) return;
    ended_ = true;
    outcome_ = outcome;
    endMicros_ = system_->MonotonicMicros();
    if (!imageRead_) DescribeRefusedFile();
    if (outcome.status != 0) BufferText(TextLogFailingStatus, nullptr, {.status = outcome.status});
    if (outcome.page != 0) BufferText(TextLogFailingPage, nullptr, {.page = outcome.page, .pages = outcome.pageCount});
    Flush();
}

void RunRecorder::RunSettled(const FoundDevices& devices) {
    if (!active_) return;
    char version[16] = {};
    if (devices.deviceCount > 0) devices.firmwareLabel[0].versionText.Load(version, sizeof version);
    Finish(version);
}

// The end of the log's account and the history record.
void RunRecorder::Finish(const char* versionAfter) {
    std::snprintf(record_.versionAfter, sizeof record_.versionAfter, "%s", versionAfter);
    if (versionAfter[0] != '\0') {
        BufferText(TextLogVersionAfter, versionAfter);
    } else {
        BufferText(TextLogDeviceGone, nullptr);
    }
    std::snprintf(record_.result, sizeof record_.result, "%s", ResultName(outcome_, ended_));
    std::snprintf(record_.stage, sizeof record_.stage, "%s", RunStageName(outcome_.stage));
    std::snprintf(record_.cause, sizeof record_.cause, "%s", RunCauseName(outcome_.cause));
    record_.status = outcome_.status;
    record_.page = outcome_.page;
    record_.pages = outcome_.pageCount;
    record_.line = outcome_.line;
    reason_(outcome_, RefusedBeforeDevice(outcome_) ? chosenKind_ : kind_, record_.file, record_.reason,
            sizeof record_.reason);
    const bool passed = std::strcmp(record_.result, "passed") == 0;
    const bool refused = std::strcmp(record_.result, "refused") == 0;
    BufferText(passed ? TextLogPassed : refused ? TextLogRefused : TextLogFailed, record_.reason);
    record_.durationMs = static_cast<int64_t>((endMicros_ - startMicros_) / 1000);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%lld.%03lld", static_cast<long long>(record_.durationMs / 1000),
                  static_cast<long long>(record_.durationMs % 1000));
    BufferText(TextLogDuration, seconds);
    Flush();
    AppendToHistory(files_, record_);
    active_ = false;
}
