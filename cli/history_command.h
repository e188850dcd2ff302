// `history`: the runs that the window and the command line recorded, newest
// first, as a table for a person or one event per run for a script.
#pragma once

#include "app/run_history.h"
#include "cli/exit_codes.h"
#include "cli/json_line.h"

struct CliSession;

inline constexpr int kHistoryDefaultLimit = 20;
// Each run read is held in memory until it is written, newest first.
inline constexpr int kHistoryMostLimit = 1000;

struct HistoryRequest {
    HistoryFilter filter;
    int limit = kHistoryDefaultLimit;
    const char* device = "";  // --device as given, for the notice of an empty listing
};

// Reads --device: a product id in hexadecimal, as `devices` prints it
// ("28F80106", any case, leading zeros optional), or a kind ("headset",
// "adapter"). False when it is neither.
bool ParseHistoryDevice(const char* text, HistoryFilter& filter);

CliExitCode RunHistoryCommand(CliSession& session, const HistoryRequest& request);

// The record as the history event carries it: the file's fields under
// their names in snake_case ("versionBefore" becomes "version_before").
JsonObject HistoryEventObject(const HistoryRecord& record);
