// How a run ended and why: the stage it reached, the cause of a stop, and
// where. screenMode says only passed or failed; this record is what the
// reason line, the run log, the history and the command line tell.
#pragma once

#include <cstdint>

#include "firmware/signed_catalogue.h"

// The verdicts a run leaves are the window's screen modes, which go on to
// say which screen is up: screenMode holds them.
enum ScreenMode : int32_t {
    ScreenIdle = 0,
    ScreenFailed = 1,
    ScreenPassed = 2,
    ScreenIdMismatch = 3,  // verification failed in the identity page
    ScreenIntro = 255,
};

// Where the run was when it ended.
enum RunStage : int32_t {
    StageNotStarted = 0,  // refused before the device was touched
    StageConnect,
    StageRomMode,
    StageProgram,
    StageVerify,
    StageReset,
    StageFinished,  // verified, reset and closed
};

// Why it stopped. CauseNone for a passed run.
enum RunCause : int32_t {
    CauseNone = 0,
    // Refused before the device was touched.
    CauseNoWorkingFolder,
    CauseNoDevice,          // no device listed
    CauseSeveralDevices,    // more than one device listed
    CauseDeviceChanged,     // not the device the firmware was chosen for
    CauseDeviceBusy,        // another program is running an operation on it
    CauseFileDoesNotFit,    // the file's name or first-line tag no longer fits the device
    CauseFileUnreadable,    // the file cannot be opened
    CauseFileEmpty,
    CauseFileTooLarge,      // more pages than can be addressed
    CauseFileLoneCr,        // a line ends in a carriage return alone
    CauseFileLineTooLong,   // a line longer than a byte line can be
    CauseFileNoNumber,      // a line after the first holds no hexadecimal number
    CauseDigestMismatch,    // NAME.sha256 beside the file names another digest
    CauseDigestUnreadable,  // NAME.sha256 exists but holds no digest, or the file cannot be hashed
    CauseNoMemory,
    // Stopped on the device.
    CauseNoAnswer,          // a library call failed; `status` holds its result
    CauseMismatch,          // a page read back differs from the file
    CauseIdentityMismatch,  // the identity page read back differs from the file
    CauseResetFailed,
    CauseInterrupted,       // stopped at a page boundary on the front end's request
    // Refused before the device was touched, by the maker's signed catalogue
    // (numbered after the others, which records and transcripts hold).
    CauseNotMakersFile,     // listed in the signed catalogue with other contents
    CauseBelowFloor,        // older than the signed catalogue allows the device's model
    CauseNotSigned,         // unsigned, where signed firmware is required
};

struct RunOutcome {
    int32_t screenMode = ScreenIdle;  // the verdict: ScreenPassed, ScreenFailed or ScreenIdMismatch
    RunStage stage = StageNotStarted;
    RunCause cause = CauseNone;
    int32_t status = 0;     // the failing library status; 0 when none
    int32_t page = 0;       // 1-based page being programmed or verified at the stop; 0 elsewhere
    int32_t pageCount = 0;  // pages of the image, once loaded
    int32_t byteCount = 0;  // bytes of the image, once loaded
    int32_t line = 0;       // 1-based line of a refused file; 0 elsewhere
    bool verifyOnly = false;
    bool digestChecked = false;  // a NAME.sha256 beside the file was checked and matched
    FileSignature signature = FileUnsigned;       // what the signed catalogue says of the file, once hashed
    CatalogueStatus catalogue = CatalogueAbsent;  // the files folder's catalogue, as the run read it
    char floor[4] = {};                           // the model's lowest version, for CauseBelowFloor
};

// True when the run stopped before anything was sent to the device.
inline bool RefusedBeforeDevice(const RunOutcome& outcome) {
    return outcome.stage == StageNotStarted && outcome.cause != CauseNone;
}
