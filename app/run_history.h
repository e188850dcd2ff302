// The history of runs: one JSON Lines record per run in history.jsonl in
// the data folder, written by the window and the command line alike and
// read back by the command line's history and the support report. The field
// names are a contract: add fields, never rename or drop one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/system.h"
#include "update/run_names.h"
#include "update/run_outcome.h"

inline constexpr char kHistoryFileName[] = "history.jsonl";
// The longest record line written or read, newline included.
inline constexpr size_t kHistoryLineChars = 4096;
// Which program wrote a record. Records from before the field was written
// all came from the window, and read back as such.
inline constexpr char kWrittenByWindow[] = "window";
inline constexpr char kWrittenByCli[] = "cli";

// One run. Texts are terminated; a field the run never reached is empty
// (numbers: 0, fileBytes -1).
struct HistoryRecord {
    char time[32] = {};           // start, ISO 8601 UTC: "2026-01-02T03:04:05.000Z"
    char program[16] = {};        // "1.7.0"
    char writtenBy[8] = {};       // kWrittenByWindow or kWrittenByCli
    char operation[8] = {};       // "update" or "verify"
    char deviceKind[8] = {};      // "headset" or "adapter"
    uint32_t productId = 0;       // written as 8 hex digits: "28F80106"
    char model[8] = {};           // "RX93", "RX71" or empty
    char versionBefore[16] = {};  // "1_0"
    char versionAfter[16] = {};   // empty when the device was not found after the run
    char file[kPathChars] = {};   // the chosen file's name
    int64_t fileBytes = -1;
    char sha256[65] = {};         // lower-case hex; empty when the file was not read
    bool signedByMaker = false;   // listed, as it was, in the maker's signed catalogue
    // "passed", "failed", "refused" (the device was not touched), or
    // "started": written before the device's first change, followed by the
    // settled record of the same runId. Read back, a started record that
    // nothing settled says "interrupted".
    char result[12] = {};
    char stage[16] = {};          // where it ended: RunStageName(), "not_started" ... "finished"
    char cause[24] = {};          // why: RunCauseName(), "none", "no_answer", "file_no_number", ...
    int32_t status = 0;           // the failing library status
    int32_t page = 0;             // 1-based page at the stop
    int32_t pages = 0;
    int32_t line = 0;             // 1-based line of a refused file
    char reason[512] = {};        // the sentence the screen showed
    int64_t durationMs = 0;
    char runId[32] = {};          // the same in a run's started and settled records
    char identity[9] = {};        // the unit's identity bytes as hex: "01000000"
};

inline constexpr char kResultStarted[] = "started";
inline constexpr char kResultInterrupted[] = "interrupted";

// Which records a reader wants; empty or 0 fields match everything.
struct HistoryFilter {
    uint32_t productId = 0;
    const char* deviceKind = nullptr;  // "headset" or "adapter"
};

// The record as one JSON object and a newline. Returns the length, or 0
// when it does not fit in `size`. Bytes that are not UTF-8 (an ANSI file
// name) are written as U+FFFD.
size_t FormatHistoryLine(const HistoryRecord& record, char* out, size_t size);

// Reads one line; false when it is not a record (a line cut short by a
// crash, or anything else). Unknown fields are ignored, missing ones left
// empty; stage and cause names of the older spelling ("no-answer") are
// read in today's ("no_answer").
bool ParseHistoryLine(const char* line, size_t length, HistoryRecord& record);

// Appends the record with one write, so a crash leaves the file with the
// whole record or none of it, and a concurrent writer never splits it. A
// file whose last line was cut short gets a newline first, so the new
// record starts a line of its own.
bool AppendHistoryRecord(const char* path, const HistoryRecord& record);

// Keeps the newest `keep` lines of the history once it holds half as many
// again (the file is written anew beside it and moved over it), so a
// history never grows without bound. False when it could not be trimmed.
bool TrimRunHistory(const char* path, int keep);

// Fills `newestFirst` with up to `capacity` matching records, newest first,
// skipping lines that are not records. A run's started record gives way to
// its settled one; one that nothing settled reads as "interrupted", in the
// place of its start. Returns how many; 0 when the file does not exist.
int ReadRunHistory(const char* path, const HistoryFilter& filter, HistoryRecord* newestFirst, int capacity);
