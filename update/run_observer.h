// What a run tells beyond the screen: its stage lines, the image it loaded,
// each page as it begins and how it ended. The run log and the command line
// listen here; the engine calls on the worker thread and never waits for an
// answer, so a listener must be quick (buffer, and write at PageStarting).
#pragma once

#include <cstdint>

#include "update/run_outcome.h"

struct UpdaterState;

// The chosen file as the run loaded it.
struct ImageFacts {
    const char* path = nullptr;  // the full path that was read
    int64_t fileBytes = 0;       // the file's size on disk
    uint8_t sha256[32] = {};     // the digest of the file's bytes
    bool haveDigest = false;     // false when the file could not be hashed
    int32_t byteCount = 0;       // image bytes (lines)
    int32_t pageCount = 0;
};

struct RunObserver {
    virtual ~RunObserver() = default;

    // The run begins: row 0 of deviceTable and firmwareLabel, the mode
    // flags and chosenFileName are as the run will use them.
    virtual void RunStarting(const UpdaterState&) {}
    // The image was loaded and checked; the device has not been touched yet.
    virtual void ImageLoaded(const ImageFacts&) {}
    // One stage line, exactly as it is appended to the list.
    virtual void LogLine(const char*) {}
    // A page is about to be programmed or verified (1-based). Nothing is in
    // flight and a pause follows: the moment to write what was buffered.
    virtual void PageStarting(bool /*verifying*/, int32_t /*page*/, int32_t /*pageCount*/) {}
    // The run is over; the device is reset and closed (or was never touched).
    virtual void RunEnded(const RunOutcome&) {}
    // The front end has looked for the device again after the run (the
    // worker's discovery pass): row 0 of firmwareLabel holds the version
    // after the run when deviceCount is not 0. Nothing is in flight.
    virtual void RunSettled(const UpdaterState&) {}
};
