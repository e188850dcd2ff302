// History records to and from JSON Lines, and the append that keeps the
// file readable whatever happens during a write.
#include "app/run_history.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

#include "app/history_json.h"
#include "app/user_texts.h"
#include "platform/files.h"

namespace {

// The whole file; false when it cannot be read.
bool ReadWholeText(const char* path, std::string& text) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    char block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, got);
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read;
}

// Where the last `count` lines of `text` begin.
size_t StartOfLastLines(const std::string& text, int count) {
    size_t at = text.size();
    if (at > 0 && text[at - 1] == '\n') --at;  // the last line's own end
    for (int seen = 0; at > 0; --at) {
        if (text[at - 1] == '\n' && ++seen == count) return at;
    }
    return 0;
}

// Fields keep the order they are written in, so a line reads time first.
using Json = nlohmann::ordered_json;

template <size_t N>
void CopyText(char (&out)[N], const char* text) {
    std::snprintf(out, N, "%s", text != nullptr ? text : "");
}

template <size_t N>
void TakeText(const Json& object, const char* key, char (&out)[N]) {
    const auto found = object.find(key);
    if (found != object.end() && found->is_string()) CopyText(out, found->get_ref<const std::string&>().c_str());
}

template <typename Number>
void TakeNumber(const Json& object, const char* key, Number& out) {
    const auto found = object.find(key);
    if (found != object.end() && found->is_number_integer()) out = static_cast<Number>(found->get<int64_t>());
}

bool Matches(const HistoryRecord& record, const HistoryFilter& filter) {
    if (filter.productId != 0 && record.productId != filter.productId) return false;
    return filter.deviceKind == nullptr || filter.deviceKind[0] == '\0' ||
           std::strcmp(filter.deviceKind, record.deviceKind) == 0;
}

// True when the file exists, is not empty and does not end in a newline.
bool EndsMidLine(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    const bool cut = std::fseek(file, -1, SEEK_END) == 0 && std::fgetc(file) != '\n';
    std::fclose(file);
    return cut;
}

// Reads the next line into `line`. A line longer than the buffer is read
// to its end and reported as too long. False at the end of the file.
bool NextLine(std::FILE* file, char (&line)[kHistoryLineChars], size_t& length, bool& tooLong) {
    if (std::fgets(line, sizeof line, file) == nullptr) return false;
    length = std::strlen(line);
    tooLong = length + 1 == sizeof line && line[length - 1] != '\n';
    if (tooLong) {
        for (int c = std::fgetc(file); c != EOF && c != '\n'; c = std::fgetc(file)) {
        }
    }
    return true;
}

}  // namespace

Json HistoryJson(const HistoryRecord& record) {
    char product[9];
    std::snprintf(product, sizeof product, "%08X", static_cast<unsigned>(record.productId));
    Json object{
        {"time", record.time},           {"program", record.program},
        {"writtenBy", record.writtenBy}, {"operation", record.operation},
        {"deviceKind", record.deviceKind},
        {"productId", product},          {"model", record.model},
        {"versionBefore", record.versionBefore},
        {"versionAfter", record.versionAfter},
        {"file", record.file},           {"fileBytes", record.fileBytes},
        {"sha256", record.sha256},       {"result", record.result},
        {"stage", record.stage},         {"cause", record.cause},
        {"status", record.status},       {"page", record.page},
        {"pages", record.pages},         {"line", record.line},
        {"reason", record.reason},       {"durationMs", record.durationMs},
        {"runId", record.runId},         {"identity", record.identity},
    };
    // Only a signed file says so: the records of unsigned files stay as
    // they always were.
    if (record.signedByMaker) object["signed"] = true;
    return object;
}

size_t FormatHistoryLine(const HistoryRecord& record, char* out, size_t size) {
    const Json object = HistoryJson(record);
    const std::string text = object.dump(-1, ' ', false, Json::error_handler_t::replace);
    if (text.size() + 2 > size || text.size() + 1 > kHistoryLineChars) return 0;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\n';
    out[text.size() + 1] = '\0';
    return text.size() + 1;
}

bool ParseHistoryLine(const char* line, size_t length, HistoryRecord& record) {
    const Json object = Json::parse(line, line + length, nullptr, false);
    if (!object.is_object()) return false;
    const auto time = object.find("time");
    const auto result = object.find("result");
    if (time == object.end() || !time->is_string() || result == object.end() || !result->is_string()) return false;
    record = HistoryRecord{};
    TakeText(object, "time", record.time);
    TakeText(object, "program", record.program);
    CopyText(record.writtenBy, kWrittenByWindow);
    TakeText(object, "writtenBy", record.writtenBy);
    TakeText(object, "operation", record.operation);
    TakeText(object, "deviceKind", record.deviceKind);
    char product[16] = {};
    TakeText(object, "productId", product);
    record.productId = static_cast<uint32_t>(std::strtoul(product, nullptr, 16));
    TakeText(object, "model", record.model);
    TakeText(object, "versionBefore", record.versionBefore);
    TakeText(object, "versionAfter", record.versionAfter);
    TakeText(object, "file", record.file);
    TakeNumber(object, "fileBytes", record.fileBytes);
    TakeText(object, "sha256", record.sha256);
    if (const auto signedFile = object.find("signed"); signedFile != object.end() && signedFile->is_boolean())
        record.signedByMaker = signedFile->get<bool>();
    TakeText(object, "result", record.result);
    TakeText(object, "stage", record.stage);
    TakeText(object, "cause", record.cause);
    RespellRunName(record.stage);
    RespellRunName(record.cause);
    TakeNumber(object, "status", record.status);
    TakeNumber(object, "page", record.page);
    TakeNumber(object, "pages", record.pages);
    TakeNumber(object, "line", record.line);
    TakeText(object, "reason", record.reason);
    TakeNumber(object, "durationMs", record.durationMs);
    TakeText(object, "runId", record.runId);
    TakeText(object, "identity", record.identity);
    return true;
}

bool AppendHistoryRecord(const char* path, const HistoryRecord& record) {
    char line[kHistoryLineChars + 1];
    const bool cut = EndsMidLine(path);
    if (cut) line[0] = '\n';
    const size_t length = FormatHistoryLine(record, line + (cut ? 1 : 0), sizeof line - 1);
    // On the disk before the device changes: a started record must outlive a power cut.
    return length > 0 && AppendToFile(path, line, length + (cut ? 1 : 0), true);
}

bool TrimRunHistory(const char* path, int keep) {
    // No record is shorter than this: a smaller file cannot be over its bound.
    constexpr int64_t kShortestRecord = 200;
    if (keep <= 0 || FileBytes(path) < kShortestRecord * (keep + keep / 2)) return true;
    std::string text;
    if (!ReadWholeText(path, text)) return false;
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    if (lines <= static_cast<size_t>(keep + keep / 2)) return true;
    const size_t start = StartOfLastLines(text, keep);
    char fresh[kPathChars + 8];
    if (std::snprintf(fresh, sizeof fresh, "%s.new", path) >= static_cast<int>(sizeof fresh)) return false;
    std::remove(fresh);
    return AppendToFile(fresh, text.data() + start, text.size() - start) && RenameReplacing(fresh, path);
}

namespace {

// Calls `take` with each record of the file, in order; false when the file
// cannot be opened.
template <typename Take>
bool EachRecord(const char* path, Take take) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    char line[kHistoryLineChars];
    size_t length = 0;
    bool tooLong = false;
    HistoryRecord record;
    while (NextLine(file, line, length, tooLong)) {
        if (!tooLong && ParseHistoryLine(line, length, record)) take(record);
    }
    std::fclose(file);
    return true;
}

bool IsStarted(const HistoryRecord& record) { return std::strcmp(record.result, kResultStarted) == 0; }

// A run nothing settled: the program ended during it.
void MarkInterrupted(HistoryRecord& record) {
    CopyText(record.result, kResultInterrupted);
    TextArgs args;
    args.device = record.deviceKind[0] != '\0' ? record.deviceKind : "device";
    FormatText(TextHistoryInterrupted, args, record.reason, sizeof record.reason);
}

}  // namespace

int ReadRunHistory(const char* path, const HistoryFilter& filter, HistoryRecord* newestFirst, int capacity) {
    if (newestFirst == nullptr || capacity <= 0) return 0;
    // The runs that settled, so their started records give way.
    std::unordered_set<std::string> settled;
    const bool opened = EachRecord(path, [&](const HistoryRecord& record) {
        if (record.runId[0] != '\0' && !IsStarted(record)) settled.insert(record.runId);
    });
    if (!opened) return 0;
    // A ring over the caller's array keeps the last `capacity` matches.
    int kept = 0;
    int next = 0;
    EachRecord(path, [&](const HistoryRecord& record) {
        if (!Matches(record, filter)) return;
        if (IsStarted(record) && settled.count(record.runId) != 0) return;
        newestFirst[next] = record;
        if (IsStarted(record)) MarkInterrupted(newestFirst[next]);
        next = (next + 1) % capacity;
        if (kept < capacity) ++kept;
    });
    // Oldest first from `next` on when the ring wrapped; then newest first.
    if (kept == capacity) std::rotate(newestFirst, newestFirst + next, newestFirst + capacity);
    std::reverse(newestFirst, newestFirst + kept);
    return kept;
}
