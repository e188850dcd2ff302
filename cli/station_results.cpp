// Writing the station's CSV and JSON Lines records.
#include "cli/station_results.h"

#include <ctime>
#include <string_view>

namespace {

constexpr char kCsvHeader[] =
    "time,kind,product_id,model,version_before,version_after,file,sha256,result,reason,duration_ms\n";

// A spreadsheet takes a cell that starts with one of these as a formula; a
// model, a version or a file name comes from the device or the bench, so
// such a field is opened with a quote mark, which the spreadsheet hides.
bool OpensAsFormula(const std::string& text) {
    return !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
}

std::string CsvField(const std::string& raw) {
    const std::string text = OpensAsFormula(raw) ? "'" + raw : raw;
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

bool WriteLine(std::FILE* file, const std::string& line) {
    return std::fwrite(line.data(), 1, line.size(), file) == line.size() && std::fflush(file) == 0;
}

}  // namespace

StationResults::~StationResults() {
    if (csv != nullptr) std::fclose(csv);
    if (jsonl != nullptr) std::fclose(jsonl);
}

bool StationResults::Open(const char* baseName) {
    const std::string base = baseName;
    csv = std::fopen((base + ".csv").c_str(), "ab");
    jsonl = std::fopen((base + ".jsonl").c_str(), "ab");
    if (csv == nullptr || jsonl == nullptr) return false;
    std::fseek(csv, 0, SEEK_END);
    return std::ftell(csv) > 0 || WriteLine(csv, kCsvHeader);
}

bool StationResults::Append(const StationRecord& record) {
    const bool wroteCsv = csv != nullptr && WriteLine(csv, StationCsvLine(record));
    const bool wroteJson = jsonl != nullptr && WriteLine(jsonl, StationJsonLine(record));
    return wroteCsv && wroteJson;
}

std::string StationCsvLine(const StationRecord& r) {
    const std::string fields[] = {r.time, r.kind,   r.productId, r.model,  r.versionBefore,
                                  r.versionAfter, r.file, r.sha256, r.result, r.reason};
    std::string line;
    for (const std::string& field : fields) line += CsvField(field) + ",";
    return line + std::to_string(r.durationMs) + "\n";
}

std::string StationJsonLine(const StationRecord& record) { return JsonLine(StationObject(record)); }

JsonObject StationObject(const StationRecord& r) {
    JsonObject object;
    object["time"] = r.time;
    object["kind"] = r.kind;
    object["product_id"] = r.productId;
    object["model"] = r.model;
    object["version_before"] = r.versionBefore;
    object["version_after"] = r.versionAfter;
    object["file"] = r.file;
    object["sha256"] = r.sha256;
    object["result"] = r.result;
    object["reason"] = r.reason;
    object["duration_ms"] = r.durationMs;
    return object;
}

std::string IsoTime(int64_t millisSince1970) {
    const std::time_t seconds = static_cast<std::time_t>(millisSince1970 / 1000);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}
