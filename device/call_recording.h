// The call recorder: a table of the same 22 entry points that sits between
// the engine and the bound library. Each entry writes one JSON line per call
// (the entry point, its arguments, the buffers passed in, the buffers the
// library filled, the status, when it began since the first call and how
// long it took, in microseconds) and passes the call on unchanged.
//
// Handles are written as numbers that stay comparable across runs and
// systems: 1, 2, 3 ... in the order the library handed them out, 0 for a
// null handle, -1 for one it did not hand out while recording.
//
// There is one recording per process, as there is one library; the table's
// entries are plain functions and find it there. Every call is on the disk
// (flushed) when it returns, so a crash inside the library keeps the calls
// before it.
#pragma once

#include <cstddef>

#include "device/device_library.h"

struct System;

// What the first line of every recording names: the kind of file and the
// version of its format.
inline constexpr char kCallRecordingName[] = "veltrane-device-calls";
inline constexpr int kCallRecordingFormat = 1;

// Creates `path` and writes `header` (one JSON object, no newline) as its
// first line. False when the file cannot be written or one is already open.
bool BeginCallRecording(System& system, const char* path, const char* header);

// True between BeginCallRecording and EndCallRecording.
bool CallRecordingOpen();

// The path of the recording open now, or of the last one this process
// made; false when it made none.
bool CallRecordingPath(char* out, size_t size);

// The table that records each call and passes it on to `bound`; the
// library's own table is kept for the recorder to call.
DeviceLibrary RecordCalls(const DeviceLibrary& bound);

// Closes the recording; calls through the recording table are then passed
// on unrecorded.
void EndCallRecording();
