// Starting a recording of the device library's calls for either program:
// its first line says what made it, so a recording sent back by a person
// names the program and the very library file it met.
#pragma once

#include <cstddef>

#include "platform/system.h"

// Opens `path` and writes the first line: the format's version, `program`
// ("veltrane-cli", "window"), its version and architecture, the system, and
// the device library of the working folder (file version, size, SHA-256).
// Calls are recorded from the next binding of the library, or from the
// next device session of a library already bound (RecordCalls). False when
// the file cannot be written.
bool StartDeviceRecording(System& system, const char* path, const char* program);

struct UpdaterState;

// The About box's "Record the next device session": opens a recording in
// the data folder, which the worker takes up at its next safe point (the
// next discovery pass or run) and which ends when the program closes.
// `message` says where it goes, or why it could not start. False when no
// recording is open afterwards.
bool RecordNextDeviceSession(UpdaterState& state, char* message, size_t size);

// Worker, at a safe point: puts the recorder between the engine and the
// library once a recording was asked for.
void TakeUpAskedRecording(UpdaterState& state);

// The data folder's name for a recording begun now: "recording 2026-12-11
// 101500.jsonl". False when there is no data folder.
bool DataFolderRecordingPath(System& system, char* out, size_t size);
