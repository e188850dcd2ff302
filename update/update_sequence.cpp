// The update sequence: preparation, connection, ROM mode, programming,
// verification, reset and close, release. Failures are judged on the sum of
// the packet results at fixed check points, never on a single packet except
// the last read-back. How the run ended and why is kept in runOutcome.
#include "update/update_sequence.h"

#include <cstdio>
#include <cstring>

#include "app/updater_state.h"
#include "firmware/firmware_image.h"
#include "ui/controls.h"
#include "update/command_packets.h"
#include "update/run_checks.h"
#include "update/run_observer.h"

namespace {

constexpr uint32_t kConnectPause = 100;
constexpr uint32_t kPacketPause = 1;
constexpr uint32_t kPagePause = 100;
constexpr uint32_t kWarningPause = 100;
constexpr uint32_t kResetPause = 3000;

struct UpdateRun {
    UpdaterState& state;
    RunOutcome& outcome;
    FirmwareImage image{};
    const KindAddressMap* map = nullptr;
    DeviceHandle updateHandle = nullptr;
    CommandPacket packet = {};
    ResponseBuffer response = {};
    int32_t statusSum = 0;
    int32_t lastFailure = 0;  // the latest negative packet result: what a failed check reports
    int32_t pageIndex = 0;
    uint16_t stagingCursor = 0;
    int32_t modeSet = 0;      // the screenMode this run last wrote, or found at its start
};

// --- Reporting ---

void Log(UpdateRun& run, const char* line) {
    run.state.controls->AppendLogLine(line);
    if (run.state.runObserver != nullptr) run.state.runObserver->LogLine(line);
}

void SetProgressText(UpdateRun& run, const char* text, bool repaint) {
    run.state.controls->SetText(ControlProgressText, text);
    if (repaint) run.state.controls->Repaint(ControlProgressText);
}

void Pause(UpdateRun& run, uint32_t milliseconds) { run.state.system->Sleep(milliseconds); }

void WaitWhileWarningOpen(UpdateRun& run) {
    while (run.state.warningOpen == 1) Pause(run, kWarningPause);
}

// The bar and the percentage for the page about to be worked on (k counts
// it already). Both products are rounded to single precision, then cut.
void ShowProgress(UpdateRun& run, int32_t k, float barStep, float percentStep) {
    const float barsExact = static_cast<float>(k) * barStep;
    int32_t bars = static_cast<int32_t>(barsExact);
    if (bars < 0) bars = 0;
    if (bars > kProgressChars) bars = kProgressChars;
    std::memset(run.state.progressBuffer, '|', static_cast<size_t>(bars));
    run.state.progressBuffer[bars] = '\0';

    const float percentExact = static_cast<float>(k) * percentStep;
    char percentBuffer[16];
    std::snprintf(percentBuffer, sizeof percentBuffer, "%d %%", static_cast<int>(percentExact));
    // One request for both, so a window can paint them together.
    run.state.controls->ShowProgress(run.state.progressBuffer, percentBuffer);
}

// --- Packets ---

// Sends the packet and adds its result to the run's sum (wrapping as a
// 32-bit sum does, without undefined overflow). The reply is cleared first,
// so a library that answers without filling it leaves nothing of an earlier
// reply behind; `expected`, when given, are the 16 bytes a read should bring
// back, and the reply is first filled with their complement, so a read that
// brings nothing can never compare equal.
int32_t Send(UpdateRun& run, const uint8_t* expected = nullptr) {
    std::memset(run.response, 0, sizeof run.response);
    if (expected != nullptr) {
        for (int i = 0; i < kChunkBytes; ++i) run.response[8 + i] = static_cast<uint8_t>(~expected[i]);
    }
    const int32_t result =
        run.state.library.commandSendAndGetResponse(run.updateHandle, run.packet, run.response);
    run.state.lastStatus = result;
    if (result < 0) run.lastFailure = result;
    run.statusSum = static_cast<int32_t>(static_cast<uint32_t>(run.statusSum) + static_cast<uint32_t>(result));
    return result;
}

void SendAndPause(UpdateRun& run) {
    Send(run);
    Pause(run, kPacketPause);
}

// screenMode belongs to the user once they have left the result screen
// (Done answers as soon as a run has passed, while the device is still
// being reset): the run writes it only while it still holds the value the
// run itself left there. The outcome keeps the run's own verdict.
void SetScreenMode(UpdateRun& run, int32_t mode) {
    run.outcome.screenMode = mode;
    int32_t expected = run.modeSet;
    if (run.state.screenMode.compare_exchange_strong(expected, mode)) run.modeSet = mode;
}

// A failed run: the first failure's stage, cause and status are the ones kept.
void Fail(UpdateRun& run, RunStage stage, RunCause cause, int32_t status, int32_t mode = ScreenFailed) {
    if (run.outcome.cause == CauseNone) {
        run.outcome.stage = stage;
        run.outcome.cause = cause;
        run.outcome.status = status;
        // After a completed loop pageIndex is pageCount: the last page is the one.
        const int32_t page = run.pageIndex < run.image.pageCount ? run.pageIndex + 1 : run.image.pageCount;
        run.outcome.page = stage == StageProgram || stage == StageVerify ? page : 0;
    }
    SetScreenMode(run, mode);
}

// A check point: false (and the run failed) once the sum is negative.
bool SumHolds(UpdateRun& run, RunStage stage, const char* failureLine) {
    if (run.statusSum >= 0) return true;
    Log(run, failureLine);
    Fail(run, stage, CauseNoAnswer, run.lastFailure != 0 ? run.lastFailure : run.state.lastStatus.load());
    return false;
}

bool IsIdentityPage(const UpdateRun& run) {
    return (run.image.pageCount == 65 && run.pageIndex == 64) || (run.image.pageCount == 129 && run.pageIndex == 128);
}

const uint8_t* PageChunk(const UpdateRun& run, int chunkIndex) {
    return run.image.imageBytes + static_cast<size_t>(run.pageIndex) * kPageBytes +
           static_cast<size_t>(chunkIndex) * kChunkBytes;
}

const DeviceEntry& ActiveDevice(const UpdateRun& run) {
    return run.state.deviceTable[run.state.activeDeviceRow];  // in range: checked before the run
}

// Between pages, where nothing is in flight: the warning holds the run
// here, a stop request ends it here, and the observer may write.
bool BetweenPages(UpdateRun& run, bool verifying) {
    WaitWhileWarningOpen(run);
    if (run.state.stopRunRequested == 1) {
        Fail(run, verifying ? StageVerify : StageProgram, CauseInterrupted, 0);
        return false;
    }
    if (run.state.runObserver != nullptr) {
        run.state.runObserver->PageStarting(verifying, run.pageIndex + 1, run.image.pageCount);
    }
    return true;
}

// --- Connection ---

bool Connect(UpdateRun& run) {
    UpdaterState& state = run.state;
    Log(run, "Connecting to the Device...");
    state.system->BeginTimerPeriod();
    const int32_t deviceIndex = ActiveDevice(run).deviceIndex;
    // An index outside the listing names no device: the find below then fails.
    const bool listed = deviceIndex >= 0 && deviceIndex < kMaxListedDevices;
    state.deviceQuery.productId = listed ? state.listedProductIds[deviceIndex] : 0;
    state.foundIndex = -1;
    int32_t found = state.library.AvDllFindDevice(1, &state.deviceQuery, &state.foundIndex);
    state.lastStatus = found;
    int32_t opened = 0;
    if (found == 0) {
        opened = state.library.AvDllOpenDevice(&state.deviceQuery, state.foundIndex, &run.updateHandle);
        state.lastStatus = opened;
    }
    Pause(run, kConnectPause);
    if (found != 0 || opened < 0) {
        Log(run, "Could not connect to Device ...");
        Fail(run, StageConnect, CauseNoAnswer, found != 0 ? found : opened);
        return false;
    }
    Log(run, "Connected to the Device...");
    std::memset(run.packet, 0, sizeof run.packet);
    std::memset(run.response, 0, sizeof run.response);
    return true;
}

bool EnterRomMode(UpdateRun& run) {
    Log(run, "Putting the Device into Rom Mode...");
    run.state.lastStatus = run.state.library.SerialMemEnterFlashMode(&run.updateHandle);
    Pause(run, kConnectPause);
    if (run.state.lastStatus < 0) {
        Log(run, "Could not put the Device into Rom Mode ...");
        Fail(run, StageRomMode, CauseNoAnswer, run.state.lastStatus);
        return false;
    }
    Log(run, "Device went into Rom Mode ...");
    return true;
}

// --- Programming ---

void SendPageSetUp(UpdateRun& run) {
    const KindAddressMap& map = *run.map;
    BuildPrepRegisterWrite(run.packet, map);
    SendAndPause(run);
    BuildCtlByteWrite(run.packet, map);
    SendAndPause(run);
    BuildClearWordWrite(run.packet, map);
    SendAndPause(run);
    BuildMemConfigWrite(run.packet, map, MemConfigFor(map, run.state.memoryType));
    SendAndPause(run);
    BuildAuxRegisterWrite(run.packet, map);
    SendAndPause(run);
    run.stagingCursor = map.stagingBase;
}

bool ProgramPage(UpdateRun& run) {
    const KindAddressMap& map = *run.map;
    SendPageSetUp(run);
    if (!SumHolds(run, StageProgram, "Device Failed Part 1 Programming...")) return false;
    const int chunks = IsIdentityPage(run) ? 2 : kChunksPerPage;
    for (int chunk = 0; chunk < chunks; ++chunk) {
        BuildStageChunk(run.packet, run.stagingCursor, PageChunk(run, chunk));
        run.stagingCursor = static_cast<uint16_t>(run.stagingCursor + kChunkBytes);
        Send(run);
        Pause(run, kPacketPause);
        if (!SumHolds(run, StageProgram, "Device Failed Part 2 Programming...")) return false;
    }
    BuildPageAddressWrite(run.packet, map, run.pageIndex);
    SendAndPause(run);
    BuildStagingAddressWrite(run.packet, map);
    SendAndPause(run);
    BuildTransferLengthWrite(run.packet, map, kProgramTransferLength);
    SendAndPause(run);
    if (!SumHolds(run, StageProgram, "Device Failed Part 3 Programming...")) return false;
    BuildCommitPage(run.packet);
    Send(run);
    Pause(run, kPagePause);
    return SumHolds(run, StageProgram, "Device Failed Part 4 Programming...");
}

bool ProgramImage(UpdateRun& run) {
    Log(run, "Erasing Device Firmware Section...");
    SetPacketHeader(run.packet);
    Log(run, "Programming the Device...");
    const float barStep = static_cast<float>(kProgressChars) / static_cast<float>(run.image.pageCount);
    const float percentStep = 100.0f / static_cast<float>(run.image.pageCount);
    SetProgressText(run, "", false);
    Pause(run, kPacketPause);
    for (run.pageIndex = 0; run.pageIndex < run.image.pageCount; ++run.pageIndex) {
        if (!BetweenPages(run, false)) return false;
        ShowProgress(run, run.pageIndex + 1, barStep, percentStep);
        if (!ProgramPage(run)) return false;
    }
    Log(run, "Device Passed Programming...");
    WaitWhileWarningOpen(run);
    run.state.controls->ShowSkin(SkinByKind(ActiveDevice(run).kind, SkinHeadsetVerifying, SkinAdapterVerifying));
    return true;
}

// --- Verification ---

// The bytes of a chunk that belong to the image: all 16, except on chunk 63
// of the last page, where only the byteCount modulo 16 bytes of the image
// count; when the last page is full, all 16 of its last chunk are image
// bytes and are compared too, so a corrupt end of a whole-page image cannot
// pass.
int ComparedBytes(const UpdateRun& run, int chunk) {
    const bool lastChunk = chunk == kChunksPerPage - 1 && run.pageIndex == run.image.pageCount - 1;
    if (lastChunk && run.image.byteCount % kPageBytes != 0) return run.image.byteCount % kChunkBytes;
    return kChunkBytes;
}

bool ChunkMatches(const UpdateRun& run, int chunk) {
    return std::memcmp(run.response + 8, PageChunk(run, chunk), static_cast<size_t>(ComparedBytes(run, chunk))) == 0;
}

enum PageCheck { PageVerified, PageSumFailed, PageDiffers };

PageCheck VerifyPage(UpdateRun& run) {
    const KindAddressMap& map = *run.map;
    BuildPageAddressWrite(run.packet, map, run.pageIndex);
    Send(run);
    BuildStagingAddressWrite(run.packet, map);
    run.stagingCursor = map.stagingBase;
    SendAndPause(run);
    BuildTransferLengthWrite(run.packet, map, kVerifyTransferLength);
    SendAndPause(run);
    if (!SumHolds(run, StageVerify, "Device Failed Part 1 Verification...")) return PageSumFailed;
    BuildFetchPage(run.packet);
    Send(run);
    Pause(run, kPagePause);
    if (!SumHolds(run, StageVerify, "Device Failed Part 2 Verification...")) return PageSumFailed;
    const int chunks = IsIdentityPage(run) ? 2 : kChunksPerPage;
    for (int chunk = 0; chunk < chunks; ++chunk) {
        BuildReadChunk(run.packet, run.image.workBuffer, run.stagingCursor);
        Send(run, PageChunk(run, chunk));
        Pause(run, kPacketPause);
        if (!SumHolds(run, StageVerify, "Device Failed Part 3 Verification...")) return PageSumFailed;
        if (!ChunkMatches(run, chunk)) {
            run.state.lastStatus = -1;
            return PageDiffers;
        }
        run.stagingCursor = static_cast<uint16_t>(run.stagingCursor + kChunkBytes);
    }
    return PageVerified;
}

// A difference, or a negative last read-back: in the identity page it is
// the identity mismatch, anywhere else a failure.
void FailVerification(UpdateRun& run, RunCause cause) {
    const bool identity = IsIdentityPage(run);
    if (cause == CauseMismatch && identity) cause = CauseIdentityMismatch;
    Fail(run, StageVerify, cause, cause == CauseNoAnswer ? run.state.lastStatus.load() : 0,
         identity ? ScreenIdMismatch : ScreenFailed);
    Log(run, "Device Failed Verifification...");
}

void VerifyImage(UpdateRun& run) {
    Log(run, "Verifying the Device...");
    WriteReadChunkTemplate(run.image.workBuffer);
    SetPacketHeader(run.packet);
    const float barStep = static_cast<float>(kProgressChars) / static_cast<float>(run.image.pageCount);
    const float percentStep = 100.0f / static_cast<float>(run.image.pageCount);
    SetProgressText(run, "", false);
    for (run.pageIndex = 0; run.pageIndex < run.image.pageCount; ++run.pageIndex) {
        if (!BetweenPages(run, true)) return;
        ShowProgress(run, run.pageIndex + 1, barStep, percentStep);
        const PageCheck check = VerifyPage(run);
        if (check == PageSumFailed) return;
        if (check == PageDiffers) return FailVerification(run, CauseMismatch);
    }
    // The last read-back decides on its own: a negative last result fails
    // even when the sum held.
    if (run.state.lastStatus >= 0) {
        SetScreenMode(run, ScreenPassed);
        Log(run, "Device Passed Verifification...");
        return;
    }
    FailVerification(run, CauseNoAnswer);
}

// --- Reset, close and release ---

void ResetAndClose(UpdateRun& run) {
    UpdaterState& state = run.state;
    Log(run, "Resetting the Device...");
    state.lastStatus = state.library.systemReset(run.updateHandle);
    if (state.lastStatus < 0) {
        Log(run, "Could not Reset the Device...");
        Fail(run, StageReset, CauseResetFailed, state.lastStatus);
    } else {
        Log(run, "Device accepted Reset...");
    }
    Pause(run, kResetPause);
    state.lastStatus = state.library.AvDllCloseHandle(run.updateHandle);
    Pause(run, kResetPause);
    if (run.outcome.cause == CauseNone) run.outcome.stage = StageFinished;
}

void RunOnDevice(UpdateRun& run) {
    if (!Connect(run)) return;
    run.map = &AddressMapForKind(ActiveDevice(run).kind);
    if (EnterRomMode(run)) {
        if (run.state.modeVerifyOnly == 1 || ProgramImage(run)) VerifyImage(run);
    }
    ResetAndClose(run);
}

void EndRun(UpdateRun& run) {
    ReleaseFirmwareImage(run.image);
    if (run.state.runObserver != nullptr) run.state.runObserver->RunEnded(run.outcome);
}

}  // namespace

void RunUpdate(UpdaterState& state) {
    state.runOutcome = RunOutcome{};
    UpdateRun run{state, state.runOutcome};
    run.modeSet = state.screenMode;
    run.outcome.screenMode = run.modeSet;
    run.outcome.verifyOnly = state.modeVerifyOnly == 1;
    if (state.runObserver != nullptr) state.runObserver->RunStarting(state);
    // Held until the device is closed; another program holding it (the
    // command line, or the window) is working on the device: refuse.
    DeviceLockScope deviceLock(*state.system);
    const RunCause refused = deviceLock.Held() ? PrepareRun(state, run.image) : CauseDeviceBusy;
    if (refused != CauseNone) {
        // Nothing reached the device: the failed screen says why and offers
        // Try Again and Cancel.
        Fail(run, StageNotStarted, refused, 0);
        return EndRun(run);
    }
    RunOnDevice(run);
    state.system->EndTimerPeriod();
    EndRun(run);
}
