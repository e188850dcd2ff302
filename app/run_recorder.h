// RunRecorder: the seat that writes the run log and the history. Each front
// end's seat passes the run's calls on to one (the window's from start-up,
// the command line's for its run), and the front end calls RunSettled after
// it has looked for the device again. It buffers in memory and touches files
// only when nothing is in flight: before the device first changes (the run's
// started record), at the start of a page, at the end of the
// run and once it has settled. All of its calls come from the one thread
// that runs the update.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/run_history.h"
#include "app/run_log.h"
#include "app/run_reason.h"
#include "app/user_texts.h"
#include "update/null_seat.h"

struct FoundDevices;
struct System;

struct RunRecorder final : NullSeat {
    // How the program tells why a run stopped (FormatRunReason's form): the
    // window's reasons name its buttons, the command line's its commands.
    using ReasonWriter = void (*)(const RunOutcome& outcome, uint32_t kind, const char* fileName, char* out,
                                  size_t size);

    // Readies the recorder; its files are found in the data folder when a
    // run starts (finding it loads the system's shell, which the window's
    // start should not wait for). Without a data folder the run goes
    // unrecorded and the next run looks again. `writtenBy` names the program
    // in each record (kWrittenByWindow, kWrittenByCli) and in the log; the
    // log and the record give the reason as `reason` words it, as the
    // program told it.
    void Open(System& system, const char* writtenBy = kWrittenByWindow, ReasonWriter reason = FormatRunReason);
    const RunFiles& Files() const { return files_; }

    void RunStarting(const RunRequest& request, const FoundDevices& devices) override;
    void ImageLoaded(const ImageFacts& image) override;
    void LogLine(const char* text) override;
    void DeviceAboutToChange() override;
    // A page begins: what was buffered is written.
    void ShowProgress(bool verifying, int32_t page, int32_t pageCount) override;
    void RunEnded(const RunOutcome& outcome) override;
    // The front end has looked for the device again after the run: row 0 of
    // `devices` holds the version after the run when deviceCount is not 0.
    // Writes the end of the log's account and the history record.
    void RunSettled(const FoundDevices& devices);

    // Bytes of log text held for the next write.
    size_t Buffered() const { return used_; }

   private:
    void Buffer(const char* text);
    void BufferText(TextId id, const char* detail, TextArgs args = {});
    void Flush();
    void DescribeRefusedFile();
    void Finish(const char* versionAfter);

    System* system_ = nullptr;
    const char* writtenBy_ = kWrittenByWindow;
    ReasonWriter reason_ = FormatRunReason;
    RunFiles files_;
    bool opened_ = false;
    bool active_ = false;  // from RunStarting until the record is written
    bool ended_ = false;
    bool imageRead_ = false;
    uint32_t kind_ = 0;
    const char* noun_ = "device";  // the run's device as the log lines name it
    uint32_t chosenKind_ = 0;  // the device the file was chosen for, which a refused run speaks of
    uint64_t startMicros_ = 0;
    uint64_t endMicros_ = 0;
    RunOutcome outcome_;
    HistoryRecord record_;
    char buffer_[16384] = {};
    size_t used_ = 0;
};

