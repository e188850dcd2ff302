// Comparing a recording with the simulator: every recorded call is made
// again, with the recorded arguments and buffers, against the in-process
// simulator, and whatever the simulator answers otherwise (a status, a
// reply's bytes, a value it fills, how long it takes) is a difference, told
// in a sentence. A recording from the real library then says where the
// simulator guessed wrong.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/recorded_calls.h"

struct CompareOptions {
    // The simulator's device file text; empty: made from the recording's
    // first discovery pass (product ids, kinds, identities, version replies).
    std::string devices;
    // A call type is named when the library took this many times the
    // simulator's time on average, and at least minimumMicros more.
    double slowerFactor = 10.0;
    int64_t minimumMicros = 1000;
};

struct CompareResult {
    std::vector<std::string> differences;
    std::string devices;  // the device file text the simulator ran with
};

// Runs the comparison; the simulator is reset before and after.
CompareResult CompareWithSimulator(const Recording& recording, const CompareOptions& options);

// The device file text that stands in for the devices the recording met.
std::string DevicesOfRecording(const Recording& recording);
