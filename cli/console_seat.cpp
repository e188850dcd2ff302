// Stage lines, the progress bar and the run's events.
#include "cli/console_seat.h"

#include <cstdio>
#include <cstring>

#include "app/user_texts.h"
#include "cli/console.h"
#include "cli/interrupt.h"
#include "cli/json_events.h"
#include "cli/json_line.h"
#include "cli/session_window.h"
#include "platform/sha256.h"
#include "update/run_names.h"
#include "update/run_request.h"

namespace {

constexpr int kBarCells = 30;

struct StageOpening {
    const char* line;
    RunStage stage;
};
// The engine's lines that open a stage; every other line reports within one.
constexpr StageOpening kStageOpenings[] = {
    {"Connecting to the Device...", StageConnect},
    {"Putting the Device into Rom Mode...", StageRomMode},
    {"Erasing Device Firmware Section...", StageProgram},
    {"Programming the Device...", StageProgram},
    {"Verifying the Device...", StageVerify},
    {"Resetting the Device...", StageReset},
};

}  // namespace

const char* StageOfLine(const char* line) {
    for (const StageOpening& opening : kStageOpenings) {
        if (std::strcmp(opening.line, line) == 0) return RunStageName(opening.stage);
    }
    return nullptr;
}

int32_t ProgressPercent(int32_t page, int32_t pages) {
    if (pages <= 0) return 0;
    if (page > pages) page = pages;
    return static_cast<int32_t>(static_cast<int64_t>(page) * 100 / pages);
}

size_t FormatProgressBar(bool verifying, int32_t page, int32_t pages, char* out, size_t size) {
    if (size == 0) return 0;
    const int32_t percent = ProgressPercent(page, pages);
    char cells[kBarCells + 1];
    const int filled = percent * kBarCells / 100;
    for (int i = 0; i < kBarCells; ++i) cells[i] = i < filled ? '#' : '.';
    cells[kBarCells] = '\0';
    const int written = std::snprintf(out, size, "\r  %-11s [%s] %3d %%  page %d of %d", verifying ? "Verifying" : "Programming",
                                      cells, static_cast<int>(percent), static_cast<int>(page), static_cast<int>(pages));
    return written < 0 ? 0 : static_cast<size_t>(written) < size ? static_cast<size_t>(written) : size - 1;
}

void ConsoleSeat::EndBarLine() {
    if (!barOpen_) return;
    console->Out("\n");
    barOpen_ = false;
}

void ConsoleSeat::NoticeInterrupt() {
    const int presses = InterruptPresses();
    if (presses <= pressesAnswered || noticeText < 0) return;
    pressesAnswered = presses;
    // The end of the program stops the run at the page, whatever a press would.
    const TextId text = ProgramEnding() ? TextCliStopping : static_cast<TextId>(noticeText);
    char sentence[256];
    TextArgs args;
    args.device = deviceNoun;
    FormatText(text, args, sentence, sizeof sentence);
    EndBarLine();
    console->Err(sentence);
    console->Err("\n");
}

void ConsoleSeat::RunStarting(const RunRequest& request, const FoundDevices& devices) {
    DescribeRunForShutdown(request.modeVerifyOnly != 0, deviceNoun);
    RunOpened();
    stage_ = "prepare";
    lastTenth_ = -1;
    if (next != nullptr) next->RunStarting(request, devices);
}

void ConsoleSeat::ImageLoaded(const ImageFacts& image) {
    sha256_[0] = '\0';
    if (image.haveDigest) Sha256Hex(image.sha256, sha256_);
    if (json && startDevice != nullptr) EmitDeviceEvent(*console, *startDevice);
    if (!json && startLine != nullptr) console->Out(startLine);
    if (json) {
        JsonObject file;
        PutName(file, "name", fileName);
        file["sha256"] = sha256_;
        file["bytes"] = image.fileBytes;
        file["pages"] = image.pageCount;
        EmitEvent(*console, "file", std::move(file));
    }
    if (next != nullptr) next->ImageLoaded(image);
}

void ConsoleSeat::LogLine(const char* text) {
    NoticeInterrupt();
    if (const char* stage = StageOfLine(text)) {
        if (std::strcmp(stage, stage_) != 0) lastTenth_ = -1;
        stage_ = stage;
    }
    if (json) {
        EmitStageEvent(*console, stage_, text);
    } else {
        EndBarLine();
        console->Out("  ");
        console->Out(text);
        console->Out("\n");
    }
    if (next != nullptr) next->LogLine(text);
}

void ConsoleSeat::DeviceAboutToChange() {
    if (next != nullptr) next->DeviceAboutToChange();
}

void ConsoleSeat::ClearProgress() {
    if (next != nullptr) next->ClearProgress();
}

bool ConsoleSeat::StopAtPageBoundary() { return InterruptStopsRun(); }

void ConsoleSeat::ShowProgress(bool verifying, int32_t page, int32_t pageCount) {
    NoticeInterrupt();
    const int32_t percent = ProgressPercent(page, pageCount);
    if (json) {
        EmitProgressEvent(*console, RunStageName(verifying ? StageVerify : StageProgram), page, pageCount, percent);
    } else if (terminal) {
        char bar[128];
        FormatProgressBar(verifying, page, pageCount, bar, sizeof bar);
        console->Out(bar);
        barOpen_ = true;
    } else if (percent / 10 != lastTenth_ || page == pageCount) {
        // A pipe or a file gets a line at every tenth, not one per page.
        lastTenth_ = percent / 10;
        char line[96];
        std::snprintf(line, sizeof line, "  %s page %d of %d (%d %%)\n", verifying ? "Verifying" : "Programming",
                      static_cast<int>(page), static_cast<int>(pageCount), static_cast<int>(percent));
        console->Out(line);
    }
    if (next != nullptr) next->ShowProgress(verifying, page, pageCount);
}

void ConsoleSeat::VerifyingBegan() {
    if (next != nullptr) next->VerifyingBegan();
}

void ConsoleSeat::Verdict(int32_t screenMode) {
    if (next != nullptr) next->Verdict(screenMode);
}

bool ConsoleSeat::EndInHaste() { return EndRunInHaste(); }

void ConsoleSeat::RunEnded(const RunOutcome& outcome) {
    NoticeInterrupt();
    EndBarLine();
    if (next != nullptr) next->RunEnded(outcome);
}
