// Station mode, for a production bench: wait for a device, pick the file
// that fits it from those given (or skip it with a reason), update and
// verify it, print one result line and append one record to the results
// files, then wait for it to be unplugged and the next to be plugged in.
// One device at a time, as the device library allows. It stops on Ctrl+C
// between devices or after `count` devices.
#pragma once

#include <cstdint>
#include <vector>

#include "cli/exit_codes.h"

struct CliSession;
struct RunRecorder;

struct StationRequest {
    std::vector<const char*> files;
    int count = 0;                          // 0: until Ctrl+C
    const char* results = "station_results";  // NAME.csv and NAME.jsonl
    uint32_t pollMs = 500;                  // between discovery passes while waiting
    RunRecorder* recorder = nullptr;        // hears each run too (the run log and history)
};

// ExitSuccess when every device passed or was skipped, ExitRunFailed when
// one did not, ExitInterrupted when stopped by Ctrl+C.
CliExitCode RunStation(CliSession& session, const StationRequest& request);
