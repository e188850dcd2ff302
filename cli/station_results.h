// The station's results: one record per device, appended to NAME.csv and
// NAME.jsonl as it is known, each line in one write, so that a bench that
// loses power keeps every finished device.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/json_line.h"

struct StationRecord {
    std::string time;  // ISO 8601 UTC: "2026-01-02T03:04:05Z"
    std::string kind;  // "headset" or "adapter"
    std::string productId;
    std::string model;
    std::string versionBefore;
    std::string versionAfter;
    std::string file;    // empty when no file fitted
    std::string sha256;  // of the file; empty when none
    std::string result;  // "passed", "failed", "mismatch", "refused", "interrupted", "skipped"
    std::string reason;  // empty for a passed device
    int64_t durationMs = 0;
};

struct StationResults {
    std::FILE* csv = nullptr;
    std::FILE* jsonl = nullptr;
    ~StationResults();

    // Opens both files for appending; a new CSV file gets its header.
    // False when either cannot be opened.
    bool Open(const char* baseName);
    bool Append(const StationRecord& record);
};

// The CSV line (header: time,kind,product_id,model,version_before,
// version_after,file,sha256,result,reason,duration_ms), quoted where needed;
// a text field a spreadsheet would take as a formula is opened with "'".
// The JSON Lines keep every value as it is.
std::string StationCsvLine(const StationRecord& record);
// The record as a JSON object with the same names, and as its JSON Lines line.
JsonObject StationObject(const StationRecord& record);
std::string StationJsonLine(const StationRecord& record);
// "2026-01-02T03:04:05Z" for milliseconds since 1970.
std::string IsoTime(int64_t millisSince1970);
