// The support report that the About box saves: one text file with what a
// support desk asks first (program, system, device library) and what the
// program saw (the last runs of the history, the end of the run log).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "app/run_log.h"
#include "platform/system.h"

inline constexpr int kReportRuns = 10;
inline constexpr int64_t kReportLogTailBytes = 16 * 1024;

// What the report says of this machine.
struct ReportFacts {
    char systemVersion[128] = {};
    char libraryPath[kPathChars] = {};
    bool libraryFound = false;
    char libraryVersion[64] = {};  // empty when the file carries none
    int64_t libraryBytes = 0;
    char librarySha256[65] = {};
    char recordingPath[kPathChars] = {};  // the device session recorded; empty when none
};

// Asks the platform for the facts; the device library is the one the
// program loads from the working folder.
void GatherReportFacts(System& system, ReportFacts& facts);

// Writes the report's text. False when a write failed.
bool WriteSupportReport(std::FILE* out, const ReportFacts& facts, const RunFiles& files, int64_t nowMillis);

// Saves a report in `folder` under a name with the time in it, and puts the
// sentence that tells the user where (or that it failed) into `message`.
bool SaveSupportReport(System& system, const char* folder, char* message, size_t size);
