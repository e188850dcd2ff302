// The run log: updater.log in the data folder, a readable account of every
// run (header, each stage line with its time, how it ended), bounded by
// moving a full log to updater.1.log, which replaces the older one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/system.h"

inline constexpr char kRunLogFileName[] = "updater.log";
inline constexpr char kRunLogOldFileName[] = "updater.1.log";
// The log and its predecessor together stay under twice this.
inline constexpr int64_t kRunLogLimitBytes = 1 << 20;

// Where a run is recorded.
struct RunFiles {
    char log[kPathChars] = {};
    char oldLog[kPathChars] = {};
    char history[kPathChars] = {};
    int64_t logLimitBytes = kRunLogLimitBytes;
};

// The files in System::DataFolder. False when a path does not fit.
bool FindRunFiles(System& system, RunFiles& files);

// Appends `length` bytes to the log. When they would take it past its limit
// the log is first moved to the old log's name and a new one begun.
bool AppendToRunLog(const RunFiles& files, const char* text, size_t length);

// Times of the wall clock (milliseconds since 1970, UTC):
// "2026-01-02T03:04:05.000Z", and "03:04:05.000" for a line of the log.
void FormatIsoTime(int64_t millis, char* out, size_t size);
void FormatTimeOfDay(int64_t millis, char* out, size_t size);
