// What a person or a script sees of a run while it goes: the engine's stage
// lines and a progress bar (a redrawn line on a terminal, plain lines in a
// pipe or a file), or with --json the stage and progress events. It listens
// to the engine as a RunObserver and passes every call on to `next` (the
// run log and history recorder), so both hear the same run.
//
// Progress comes from the observer rather than from the window's controls:
// it carries the page and the page count that the events name, where the
// controls carry only the bar's drawn text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "update/run_observer.h"

struct Console;

struct ConsoleRunObserver final : RunObserver {
    Console* console = nullptr;
    bool json = false;
    bool terminal = false;
    RunObserver* next = nullptr;
    // Ctrl+C presses already answered with a notice, and the notice to give.
    int pressesAnswered = 0;
    int noticeText = -1;  // a TextId; -1 for none
    const char* deviceNoun = "device";

    void RunStarting(const UpdaterState& state) override;
    void ImageLoaded(const ImageFacts& image) override;
    void LogLine(const char* text) override;
    void PageStarting(bool verifying, int32_t page, int32_t pageCount) override;
    void RunEnded(const RunOutcome& outcome) override;
    void RunSettled(const UpdaterState& state) override;

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
