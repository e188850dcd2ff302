// ConsoleSeat: how the command line hosts a run. A person or a script sees
// the engine's stage lines and a progress bar (a redrawn line on a terminal,
// plain lines in a pipe or a file), or with --json the stage and progress
// events. Ctrl+C stops the run at the next page boundary (cli/interrupt.h),
// and a notice says so at once; so does the end of the program, which on
// Windows also has the device reset and closed without the pauses. Each call is passed on to `next` (the run
// log and history recorder) after the seat's own part, so both hear the same
// run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "update/run_seat.h"

struct Console;
struct DeviceFacts;

struct ConsoleSeat final : RunSeat {
    Console* console = nullptr;
    bool json = false;
    bool terminal = false;
    RunSeat* next = nullptr;
    // Ctrl+C presses already answered with a notice, and the notice to give.
    int pressesAnswered = 0;
    int noticeText = -1;  // a TextId; -1 for none
    const char* deviceNoun = "device";
    // Said once the run's checks have passed, before the device is touched:
    // a line for a person, or with --json the device's event.
    const char* startLine = nullptr;
    const DeviceFacts* startDevice = nullptr;

    void RunStarting(const RunRequest& request, const FoundDevices& devices) override;
    void ImageLoaded(const ImageFacts& image) override;
    void LogLine(const char* text) override;
    void DeviceAboutToChange() override;
    void ClearProgress() override;
    bool StopAtPageBoundary() override;
    void ShowProgress(bool verifying, int32_t page, int32_t pageCount) override;
    void VerifyingBegan() override;
    void Verdict(int32_t screenMode) override;
    bool EndInHaste() override;
    void RunEnded(const RunOutcome& outcome) override;

    const char* Stage() const { return stage_; }
    // The digest of the file the run loaded; empty before it was loaded.
    const char* Sha256() const { return sha256_; }
    // The name of the file, for the file event.
    const char* fileName = "";

   private:
    void EndBarLine();
    void NoticeInterrupt();
    const char* stage_ = "prepare";
    bool barOpen_ = false;
    int lastTenth_ = -1;
    char sha256_[65] = {};
};

// The stage a stage line opens ("connect", "rom_mode", "program", "verify",
// "reset"), or null for a line that reports within the current stage.
const char* StageOfLine(const char* line);
// Percent of the pages begun, as the events give it.
int32_t ProgressPercent(int32_t page, int32_t pages);
// The terminal's progress line: "\r  Programming [#####.....]  52 %  page 33 of 64".
size_t FormatProgressBar(bool verifying, int32_t page, int32_t pages, char* out, size_t size);
