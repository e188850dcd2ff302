// The run log's files, its rotation, and the times it is written with.
#include "app/run_log.h"

#include <cstdio>

#include "app/run_history.h"
#include "platform/files.h"

namespace {

bool JoinPath(const char* folder, const char* name, char (&out)[kPathChars]) {
    const int length = std::snprintf(out, sizeof out, "%s%c%s", folder, kPathSeparator, name);
    return length > 0 && static_cast<size_t>(length) < sizeof out;
}

struct CivilTime {
    int64_t year;
    int month, day, hour, minute, second, millisecond;
};

// Days since 1970-01-01 to a proleptic Gregorian date (the inverse of the
// usual days-from-civil count), so no time zone or C library state enters.
CivilTime ToCivil(int64_t millis) {
    int64_t days = millis >= 0 ? millis / 86400000 : (millis - 86399999) / 86400000;
    const int64_t ofDay = millis - days * 86400000;
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    CivilTime time;
    time.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    time.month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    time.year = yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0);
    time.hour = static_cast<int>(ofDay / 3600000);
    time.minute = static_cast<int>(ofDay / 60000 % 60);
    time.second = static_cast<int>(ofDay / 1000 % 60);
    time.millisecond = static_cast<int>(ofDay % 1000);
    return time;
}

}  // namespace

bool FindRunFiles(System& system, RunFiles& files) {
    char folder[kPathChars];
    return system.DataFolder(folder, sizeof folder) && JoinPath(folder, kRunLogFileName, files.log) &&
           JoinPath(folder, kRunLogOldFileName, files.oldLog) && JoinPath(folder, kHistoryFileName, files.history) &&
           JoinPath(folder, kRunFilesLockName, files.lock);
}

bool AppendToRunLog(const RunFiles& files, const char* text, size_t length) {
    const FileLockScope lock(files.lock);
    const int64_t bytes = FileBytes(files.log);
    if (bytes > 0 && bytes + static_cast<int64_t>(length) > files.logLimitBytes) {
        // A log that cannot be moved (a reader holds it) keeps growing
        // until the next try; losing lines would be worse.
        RenameReplacing(files.log, files.oldLog);
    }
    // On the disk before the next page's packets: after a power cut the log
    // still ends where the run was.
    return AppendToFile(files.log, text, length, true);
}

bool AppendToHistory(const RunFiles& files, const HistoryRecord& record) {
    const FileLockScope lock(files.lock);
    if (!AppendHistoryRecord(files.history, record)) return false;
    TrimRunHistory(files.history, files.historyKeptRuns);
    return true;
}

void FormatIsoTime(int64_t millis, char* out, size_t size) {
    const CivilTime t = ToCivil(millis);
    std::snprintf(out, size, "%04lld-%02d-%02dT%02d:%02d:%02d.%03dZ", static_cast<long long>(t.year), t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond);
}

void FormatFileNameTime(int64_t millis, char* out, size_t size) {
    const CivilTime t = ToCivil(millis);
    std::snprintf(out, size, "%04lld-%02d-%02d %02d%02d%02d", static_cast<long long>(t.year), t.month, t.day, t.hour,
                  t.minute, t.second);
}

void FormatTimeOfDay(int64_t millis, char* out, size_t size) {
    const CivilTime t = ToCivil(millis);
    std::snprintf(out, size, "%02d:%02d:%02d.%03d", t.hour, t.minute, t.second, t.millisecond);
}
