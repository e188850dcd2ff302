// RunSeat: the one door from the update engine to the front end that hosts
// a run. The engine tells the seat what happens (its stage lines, the image
// it loaded, the progress, the verdict) and asks it one thing: whether to
// stop at a page boundary. The window's seat draws on its controls and keeps
// the window's screen mode (app/window_seat.h), the command line's writes the
// console (cli/console_seat.h); NullSeat does nothing, for tests and for
// callers that need no seat.
//
// Every call comes from the one thread that runs the update (the window's
// worker, the command line's only thread), in the order the run makes them:
// RunStarting first, RunEnded last, exactly once each. A seat must never
// throw and should return quickly: the device is paced by fixed pauses that
// a slow seat would lengthen. Only StopAtPageBoundary and VerifyingBegan may
// hold the run, and only where nothing is in flight.
#pragma once

#include <cstdint>

#include "update/run_outcome.h"

struct FoundDevices;
struct RunRequest;

// The chosen file as the run loaded it.
struct ImageFacts {
    const char* path = nullptr;  // the full path that was read
    int64_t fileBytes = 0;       // the file's size on disk
    uint8_t sha256[32] = {};     // the digest of the file's bytes
    bool haveDigest = false;     // false when the file could not be hashed
    bool signedByMaker = false;  // listed, as it is, in the maker's signed catalogue
    int32_t byteCount = 0;       // image bytes (lines)
    int32_t pageCount = 0;
};

struct RunSeat {
    virtual ~RunSeat() = default;

    // The run begins, before anything is checked: `request` and `devices`
    // (the discovery pass the front end made right before) are as the run
    // will use them. Both stay valid and unchanged by the engine until
    // RunEnded returns.
    virtual void RunStarting(const RunRequest& request, const FoundDevices& devices) = 0;
    // The file was checked and loaded; the device has not been touched yet.
    // Not called for a run refused before that.
    virtual void ImageLoaded(const ImageFacts& image) = 0;
    // One stage line, in fixed English ("Connecting to the Device..."), as
    // the window appends it to the selection dialog's list. The text lives
    // only for the call.
    virtual void LogLine(const char* line) = 0;
    // Connected, and the next call puts the device into ROM mode, the first
    // that changes it. Nothing is in flight: the moment to record that the
    // run began, so an end no handler sees still leaves its trace.
    virtual void DeviceAboutToChange() = 0;
    // Programming or verifying begins: the progress drawn so far goes.
    virtual void ClearProgress() = 0;
    // At each page boundary, before the page is programmed or verified:
    // nothing is in flight, and the seat may hold the run here for as long
    // as it needs (the window waits while its warning is open). True stops
    // the run here: it ends failed (CauseInterrupted) and the device is
    // still reset and closed.
    virtual bool StopAtPageBoundary() = 0;
    // Page `page` (1-based) of `pageCount` is about to be programmed, or
    // read back and compared when `verifying`. Nothing is in flight and a
    // pause follows: the moment to write what was buffered.
    virtual void ShowProgress(bool verifying, int32_t page, int32_t pageCount) = 0;
    // Every page was programmed and the read-back begins. Not called in a
    // verify-only run, whose screen says so from its start. May hold the run,
    // as StopAtPageBoundary may.
    virtual void VerifyingBegan() = 0;
    // The run's verdict so far: ScreenPassed, ScreenFailed or
    // ScreenIdMismatch. Called at least once in every run, and again when a
    // later stage changes it (a reset that fails after a pass); the last
    // call stands.
    virtual void Verdict(int32_t screenMode) = 0;
    // Asked once the device was told to reset: true when the program is being
    // ended (its console closed, the session ending) and has seconds left,
    // so the device is reset and closed without the pauses after each.
    virtual bool EndInHaste() = 0;
    // The run is over: the device is reset and closed, or was never touched.
    // `outcome` is what RunUpdate returns.
    virtual void RunEnded(const RunOutcome& outcome) = 0;
};
