// The run log: updater.log in the data folder, a readable account of every
// run (header, each stage line with its time, how it ended), bounded by
// moving a full log to updater.1.log, which replaces the older one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/system.h"

struct HistoryRecord;

inline constexpr char kRunLogFileName[] = "updater.log";
inline constexpr char kRunLogOldFileName[] = "updater.1.log";
// Held by every writer of the log and the history (the window and the
// command line, in any process) while it appends, rotates or trims.
inline constexpr char kRunFilesLockName[] = "updater.lock";
// The history keeps the newest runs; once it holds half as many again, the
// older ones are dropped.
inline constexpr int kHistoryKeptRuns = 1000;
// The log and its predecessor together stay under twice this.
inline constexpr int64_t kRunLogLimitBytes = 1 << 20;

// Where a run is recorded.
struct RunFiles {
    char log[kPathChars] = {};
    char oldLog[kPathChars] = {};
    char history[kPathChars] = {};
    char lock[kPathChars] = {};
    int64_t logLimitBytes = kRunLogLimitBytes;
    int historyKeptRuns = kHistoryKeptRuns;
};

// The files in System::DataFolder. False when a path does not fit.
bool FindRunFiles(System& system, RunFiles& files);

// Appends `length` bytes to the log. When they would take it past its limit
// the log is first moved to the old log's name and a new one begun; the
// lock keeps a second writer from moving the new one over it.
bool AppendToRunLog(const RunFiles& files, const char* text, size_t length);

// Appends the run's record to the history, then drops the oldest records
// once there are half as many again as it keeps.
bool AppendToHistory(const RunFiles& files, const HistoryRecord& record);

// Times of the wall clock (milliseconds since 1970, UTC):
// "2026-01-02T03:04:05.000Z", "03:04:05.000" for a line of the log, and
// "2026-01-02 030405" for a file's name, which every file system takes.
void FormatIsoTime(int64_t millis, char* out, size_t size);
void FormatTimeOfDay(int64_t millis, char* out, size_t size);
void FormatFileNameTime(int64_t millis, char* out, size_t size);
