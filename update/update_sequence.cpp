// The update sequence: preparation, connection, ROM mode, programming,
// verification, reset and close, release. Failures are judged on the sum of
// the packet results at fixed check points, never on a single packet except
// the last read-back. How the run ended and why is kept in its outcome.
#include "update/update_sequence.h"

#include <cstring>

#include "device/found_devices.h"
#include "device/library_session.h"
#include "firmware/firmware_image.h"
#include "update/command_packets.h"
#include "update/run_checks.h"
#include "update/run_request.h"
#include "update/run_seat.h"

namespace {

constexpr uint32_t kConnectPause = 100;
constexpr uint32_t kPacketPause = 1;
constexpr uint32_t kPagePause = 100;
constexpr uint32_t kResetPause = 3000;

struct UpdateRun {
    RunRequest& request;
    const FoundDevices& devices;
    LibrarySession& session;
    System& system;
    RunSeat& seat;
    RunOutcome outcome;
    FirmwareImage image{};
    const KindAddressMap* map = nullptr;
    DeviceHandle updateHandle = nullptr;
    CommandPacket packet = {};
    ResponseBuffer response = {};
    int32_t statusSum = 0;
    int32_t lastFailure = 0;  // the latest negative packet result: what a failed check reports
    int32_t pageIndex = 0;
    uint16_t stagingCursor = 0;
};

// --- Reporting ---

void Log(UpdateRun& run, const char* line) { run.seat.LogLine(line); }

void Pause(UpdateRun& run, uint32_t milliseconds) { run.system.Sleep(milliseconds); }

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
        run.session.library.commandSendAndGetResponse(run.updateHandle, run.packet, run.response);
    run.session.lastStatus = result;
    if (result < 0) run.lastFailure = result;
    run.statusSum = static_cast<int32_t>(static_cast<uint32_t>(run.statusSum) + static_cast<uint32_t>(result));
    return result;
}

void SendAndPause(UpdateRun& run) {
    Send(run);
    Pause(run, kPacketPause);
}

void SetVerdict(UpdateRun& run, int32_t mode) {
    run.outcome.screenMode = mode;
    run.seat.Verdict(mode);
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
    SetVerdict(run, mode);
}

// A check point: false (and the run failed) once the sum is negative.
bool SumHolds(UpdateRun& run, RunStage stage, const char* failureLine) {
    if (run.statusSum >= 0) return true;
    Log(run, failureLine);
    Fail(run, stage, CauseNoAnswer, run.lastFailure != 0 ? run.lastFailure : run.session.lastStatus.load());
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
    return run.devices.deviceTable[run.request.activeDeviceRow];  // in range: checked before the run
}

// Between pages, where nothing is in flight: the seat may hold the run here
// or stop it here; otherwise the page begins.
bool BetweenPages(UpdateRun& run, bool verifying) {
    if (run.seat.StopAtPageBoundary()) {
        Fail(run, verifying ? StageVerify : StageProgram, CauseInterrupted, 0);
        return false;
    }
    run.seat.ShowProgress(verifying, run.pageIndex + 1, run.image.pageCount);
    return true;
}

// --- Connection ---

bool Connect(UpdateRun& run) {
    LibrarySession& session = run.session;
    Log(run, "Connecting to the Device...");
    run.system.BeginTimerPeriod();
    const int32_t deviceIndex = ActiveDevice(run).deviceIndex;
    // An index outside the listing names no device: the find below then fails.
    const bool listed = deviceIndex >= 0 && deviceIndex < kMaxListedDevices;
    session.deviceQuery.productId = listed ? session.listedProductIds[deviceIndex] : 0;
    session.foundIndex = -1;
    int32_t found = session.library.AvDllFindDevice(1, &session.deviceQuery, &session.foundIndex);
    session.lastStatus = found;
    int32_t opened = 0;
    if (found == 0) {
        opened = session.library.AvDllOpenDevice(&session.deviceQuery, session.foundIndex, &run.updateHandle);
        session.lastStatus = opened;
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
    run.seat.DeviceAboutToChange();
    Log(run, "Putting the Device into Rom Mode...");
    run.session.lastStatus = run.session.library.SerialMemEnterFlashMode(&run.updateHandle);
    Pause(run, kConnectPause);
    if (run.session.lastStatus < 0) {
        Log(run, "Could not put the Device into Rom Mode ...");
        Fail(run, StageRomMode, CauseNoAnswer, run.session.lastStatus);
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
    BuildMemConfigWrite(run.packet, map, MemConfigFor(map, run.request.memoryType));
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
    run.seat.ClearProgress();
    Pause(run, kPacketPause);
    for (run.pageIndex = 0; run.pageIndex < run.image.pageCount; ++run.pageIndex) {
        if (!BetweenPages(run, false)) return false;
        if (!ProgramPage(run)) return false;
    }
    Log(run, "Device Passed Programming...");
    run.seat.VerifyingBegan();
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
            run.session.lastStatus = -1;
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
    Fail(run, StageVerify, cause, cause == CauseNoAnswer ? run.session.lastStatus.load() : 0,
         identity ? ScreenIdMismatch : ScreenFailed);
    Log(run, "Device Failed Verifification...");
}

void VerifyImage(UpdateRun& run) {
    Log(run, "Verifying the Device...");
    WriteReadChunkTemplate(run.image.workBuffer);
    SetPacketHeader(run.packet);
    run.seat.ClearProgress();
    for (run.pageIndex = 0; run.pageIndex < run.image.pageCount; ++run.pageIndex) {
        if (!BetweenPages(run, true)) return;
        const PageCheck check = VerifyPage(run);
        if (check == PageSumFailed) return;
        if (check == PageDiffers) return FailVerification(run, CauseMismatch);
    }
    // The last read-back decides on its own: a negative last result fails
    // even when the sum held.
    if (run.session.lastStatus >= 0) {
        SetVerdict(run, ScreenPassed);
        Log(run, "Device Passed Verifification...");
        return;
    }
    FailVerification(run, CauseNoAnswer);
}

// --- Reset, close and release ---

void ResetAndClose(UpdateRun& run) {
    LibrarySession& session = run.session;
    Log(run, "Resetting the Device...");
    session.lastStatus = session.library.systemReset(run.updateHandle);
    if (session.lastStatus < 0) {
        Log(run, "Could not Reset the Device...");
        Fail(run, StageReset, CauseResetFailed, session.lastStatus);
    } else {
        Log(run, "Device accepted Reset...");
    }
    // A program being ended has seconds left: the device is closed at once.
    const uint32_t pause = run.seat.EndInHaste() ? 0 : kResetPause;
    if (pause != 0) Pause(run, pause);
    session.lastStatus = session.library.AvDllCloseHandle(run.updateHandle);
    if (pause != 0) Pause(run, pause);
    if (run.outcome.cause == CauseNone) run.outcome.stage = StageFinished;
}

void RunOnDevice(UpdateRun& run) {
    if (!Connect(run)) return;
    run.map = &AddressMapForKind(ActiveDevice(run).kind);
    if (EnterRomMode(run)) {
        if (run.request.modeVerifyOnly == 1 || ProgramImage(run)) VerifyImage(run);
    }
    ResetAndClose(run);
}

RunOutcome EndRun(UpdateRun& run) {
    ReleaseFirmwareImage(run.image);
    run.seat.RunEnded(run.outcome);
    return run.outcome;
}

}  // namespace

RunOutcome RunUpdate(RunRequest& request, const FoundDevices& devices, LibrarySession& session, System& system,
                     RunSeat& seat, const DeviceLockScope& deviceLock) {
    UpdateRun run{request, devices, session, system, seat};
    run.outcome.verifyOnly = request.modeVerifyOnly == 1;
    seat.RunStarting(request, devices);
    // Another program holding the lock (the command line, or the window) is
    // working on the device: refuse.
    const RunCause refused =
        deviceLock.Held() ? PrepareRun(request, devices, system, seat, run.image, run.outcome) : CauseDeviceBusy;
    if (refused != CauseNone) {
        // Nothing reached the device: the front end says why.
        Fail(run, StageNotStarted, refused, 0);
        return EndRun(run);
    }
    RunOnDevice(run);
    system.EndTimerPeriod();
    return EndRun(run);
}
