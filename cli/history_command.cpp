// The history command: the newest records of the history file, told as a
// table or as events.
#include "cli/history_command.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/history_json.h"
#include "app/run_log.h"
#include "device/found_devices.h"
#include "app/user_texts.h"
#include "cli/cli_session.h"
#include "cli/json_events.h"

namespace {

constexpr size_t kColumns = 9;
using Row = std::array<std::string, kColumns>;
constexpr std::array<const char*, kColumns> kHeader = {"time",     "by",   "operation", "device",  "model",
                                                       "versions", "file", "result",    "duration"};

const char* OrDash(const char* text) { return text[0] != '\0' ? text : "-"; }

bool SameWord(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
    }
    return *a == *b;
}

// "2026-01-02T03:04:05Z": the record's time to the second, as the station
// prints its times.
std::string TimeCell(const char* time) {
    const std::string text = time;
    if (text.size() == 24 && text[19] == '.' && text[23] == 'Z') return text.substr(0, 19) + "Z";
    return OrDash(time);
}

Row RowOf(const HistoryRecord& run) {
    char device[32] = "-";  // a run refused with no device attached
    if (run.productId != 0) {
        std::snprintf(device, sizeof device, "%s %08X", OrDash(run.deviceKind), static_cast<unsigned>(run.productId));
    }
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1f s", static_cast<double>(run.durationMs) / 1000.0);
    return {TimeCell(run.time), OrDash(run.writtenBy), OrDash(run.operation), device, OrDash(run.model),
            std::string(OrDash(run.versionBefore)) + " -> " + OrDash(run.versionAfter), OrDash(run.file),
            OrDash(run.result), duration};
}

// A header and one row per run, each column as wide as its widest cell; a
// run that did not pass has its reason on the line below.
void SayTable(CliSession& session, const HistoryRecord* runs, int count) {
    std::vector<Row> rows;
    rows.reserve(static_cast<size_t>(count) + 1);
    rows.emplace_back();
    for (size_t c = 0; c < kColumns; ++c) rows[0][c] = kHeader[c];
    for (int i = 0; i < count; ++i) rows.push_back(RowOf(runs[i]));
    std::array<size_t, kColumns> widths{};
    for (const Row& row : rows) {
        for (size_t c = 0; c < kColumns; ++c) widths[c] = std::max(widths[c], row[c].size());
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        std::string line;
        for (size_t c = 0; c < kColumns; ++c) {
            line += rows[r][c];
            if (c + 1 < kColumns) line.append(widths[c] - rows[r][c].size() + 2, ' ');
        }
        line += "\n";
        if (r > 0 && runs[r - 1].reason[0] != '\0') line += std::string("    ") + runs[r - 1].reason + "\n";
        session.Say(line.c_str());
    }
}

void SayNoRuns(CliSession& session, const HistoryRequest& request, const char* path) {
    TextArgs args;
    args.file = path;
    TextId text = TextCliHistoryEmpty;
    if (request.filter.deviceKind != nullptr) {
        text = TextCliHistoryNoneOfKind;
        args.device = request.filter.deviceKind;
    } else if (request.filter.productId != 0) {
        text = TextCliHistoryNoneOfProduct;
        args.detail = request.device;
    }
    session.Warn(text, args);
}

// "versionBefore" -> "version_before".
std::string SnakeCase(const std::string& name) {
    std::string snake;
    for (char c : name) {
        if (std::isupper(static_cast<unsigned char>(c))) {
            snake += '_';
            snake += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else {
            snake += c;
        }
    }
    return snake;
}

}  // namespace

bool ParseHistoryDevice(const char* text, HistoryFilter& filter) {
    filter = HistoryFilter{};
    for (uint32_t kind : {KindHeadset, KindAdapter}) {
        if (SameWord(text, DeviceNoun(kind))) {
            filter.deviceKind = DeviceNoun(kind);
            return true;
        }
    }
    const size_t length = std::strlen(text);
    if (length == 0 || length > 8) return false;
    uint32_t id = 0;
    for (const char* at = text; *at != '\0'; ++at) {
        const unsigned char c = static_cast<unsigned char>(*at);
        if (!std::isxdigit(c)) return false;
        id = id * 16 + static_cast<uint32_t>(std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10);
    }
    filter.productId = id;
    return id != 0;  // 0 would match every device
}

JsonObject HistoryEventObject(const HistoryRecord& record) {
    const JsonObject fields = HistoryJson(record);
    JsonObject event;
    for (const auto& field : fields.items()) event[SnakeCase(field.key())] = field.value();
    return event;
}

CliExitCode RunHistoryCommand(CliSession& session, const HistoryRequest& request) {
    RunFiles files;
    FindRunFiles(*session.env.system, files);  // a path too long to hold reads as no history
    const int limit = request.limit > 0 && request.limit <= kHistoryMostLimit ? request.limit : kHistoryDefaultLimit;
    std::vector<HistoryRecord> runs(static_cast<size_t>(limit));
    const int count = ReadRunHistory(files.history, request.filter, runs.data(), limit);
    if (session.options.json) {
        for (int i = 0; i < count; ++i) EmitEvent(*session.env.console, "history", HistoryEventObject(runs[i]));
        ResultFacts result;
        result.command = "history";
        result.outcome = "listed";
        result.count = count;
        EmitResultEvent(*session.env.console, result);
    } else if (count > 0) {
        SayTable(session, runs.data(), count);
    }
    if (count == 0) SayNoRuns(session, request, files.history);
    return ExitSuccess;
}
