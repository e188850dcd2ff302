// Reading a recording of the device library's calls (device/call_recording.h
// writes them) back into memory, for the simulator's replay and the
// comparison tool. A recording comes from outside, from any program on any
// system: every line, name, number and buffer is checked and bounded, and a
// file that breaks a rule is refused whole with the line that broke it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/call_layout.h"

inline constexpr int64_t kMaxRecordingBytes = 256ll * 1024 * 1024;
inline constexpr size_t kMaxRecordingLineChars = 4 * kMaxRecordedBytes + 2048;
inline constexpr size_t kMaxRecordedCalls = 2000000;

// One argument as recorded: a number (handles by their number), a buffer
// (in the recording's byte store), or null.
struct RecordedValue {
    bool present = false;
    bool null = false;
    int64_t number = 0;
    uint32_t offset = 0;  // of a buffer's bytes in Recording::bytes
    int32_t length = -1;  // a buffer's length; -1 for a number
};

struct RecordedCall {
    int entry = 0;  // EntryIndex
    int64_t n = 0;  // its number in the recording
    int32_t status = 0;
    int64_t micros = 0;  // since the first call
    int64_t took = 0;    // microseconds inside the library
    RecordedValue in[kMaxEntryArgs];
    RecordedValue out[kMaxEntryArgs];
};

struct Recording {
    char program[32] = {};
    char architecture[16] = {};
    std::vector<RecordedCall> calls;
    std::vector<uint8_t> bytes;
};

// Reads the recording at `path`. False with a sentence in `problem` when it
// cannot be read or is not a recording.
bool ReadRecording(const char* path, Recording& out, char* problem, size_t size);

// Reads the recording's text (header line first). Exposed for tests.
bool ParseRecording(const char* text, size_t length, Recording& out, char* problem, size_t size);

// The bytes of a recorded buffer.
inline const uint8_t* RecordedBytes(const Recording& recording, const RecordedValue& value) {
    return recording.bytes.data() + value.offset;
}
