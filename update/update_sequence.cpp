// The update sequence: preparation, connection, ROM mode, programming,
// verification, reset and close, release. Failures are judged on the sum of
// the packet results at fixed check points, never on a single packet except
// the last read-back.
#include "update/update_sequence.h"

#include <cstdio>
#include <cstring>

#include "app/updater_state.h"
#include "firmware/bounded_path.h"
#include "firmware/firmware_image.h"
#include "ui/controls.h"
#include "update/command_packets.h"

namespace {

constexpr uint32_t kConnectPause = 100;
constexpr uint32_t kPacketPause = 1;
constexpr uint32_t kPagePause = 100;
constexpr uint32_t kWarningPause = 100;
constexpr uint32_t kResetPause = 3000;

struct UpdateRun {
    UpdaterState& state;
    FirmwareImage image{};
    const KindAddressMap* map = nullptr;
    DeviceHandle updateHandle = nullptr;
    CommandPacket packet = {};
    ResponseBuffer response = {};
    int32_t statusSum = 0;
    int32_t pageIndex = 0;
    uint16_t stagingCursor = 0;
};

// --- Reporting ---

void Log(UpdateRun& run, const char* line) { run.state.controls->AppendLogLine(line); }

void SetProgressText(UpdateRun& run, const char* text, bool repaint) {
    run.state.controls->SetText(ControlProgressText, text);
    if (repaint) run.state.controls->Repaint(ControlProgressText);
}

void SetPercentText(UpdateRun& run, const char* text) {
    Controls& controls = *run.state.controls;
    controls.Show(ControlPercentText, false);
    controls.SetText(ControlPercentText, text);
    controls.Repaint(ControlPercentText);
    controls.Show(ControlPercentText, true);
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
    SetProgressText(run, run.state.progressBuffer, true);

    const float percentExact = static_cast<float>(k) * percentStep;
    char percentBuffer[16];
    std::snprintf(percentBuffer, sizeof percentBuffer, "%d %%", static_cast<int>(percentExact));
    SetPercentText(run, percentBuffer);
}

// --- Packets ---

// Sends the packet and adds its result to the run's sum (wrapping as a
// 32-bit sum does, without undefined overflow).
int32_t Send(UpdateRun& run) {
    const int32_t result =
        run.state.library.commandSendAndGetResponse(run.updateHandle, run.packet, run.response);
    run.state.lastStatus = result;
    run.statusSum = static_cast<int32_t>(static_cast<uint32_t>(run.statusSum) + static_cast<uint32_t>(result));
    return result;
}

void SendAndPause(UpdateRun& run) {
    Send(run);
    Pause(run, kPacketPause);
}

// A check point: false (and the run failed) once the sum is negative.
bool SumHolds(UpdateRun& run, const char* failureLine) {
    if (run.statusSum >= 0) return true;
    Log(run, failureLine);
    run.state.screenMode = ScreenFailed;
    return false;
}

bool IsIdentityPage(const UpdateRun& run) {
    return (run.image.pageCount == 65 && run.pageIndex == 64) || (run.image.pageCount == 129 && run.pageIndex == 128);
}

const uint8_t* PageChunk(const UpdateRun& run, int chunkIndex) {
    return run.image.imageBytes + static_cast<size_t>(run.pageIndex) * kPageBytes +
           static_cast<size_t>(chunkIndex) * kChunkBytes;
}

// --- Preparation and connection ---

// Loads the chosen image. False when the run cannot start. A path cut short
// by its buffer could name another file, so it is refused too.
bool Prepare(UpdateRun& run) {
    UpdaterState& state = run.state;
    char path[kPathChars];
    if (!FilesFolderPath(*state.system, path) || !AppendBounded(path, state.chosenFileName)) return false;
    MemoryTypeFromName(state, state.chosenFileName);
    if (!LoadFirmwareImage(path, run.image)) return false;
    // An empty image would program nothing and still pass; page indices from
    // 192 on would overwrite earlier pages. Neither may reach the device.
    return run.image.byteCount > 0 && run.image.pageCount <= kMaxEncodablePages;
}

bool Connect(UpdateRun& run) {
    UpdaterState& state = run.state;
    Log(run, "Connecting to the Device...");
    state.system->BeginTimerPeriod();
    const int32_t deviceIndex = state.deviceTable[state.activeDeviceRow].deviceIndex;
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
        state.screenMode = ScreenFailed;
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
        run.state.screenMode = ScreenFailed;
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
    if (!SumHolds(run, "Device Failed Part 1 Programming...")) return false;
    const int chunks = IsIdentityPage(run) ? 2 : kChunksPerPage;
    for (int chunk = 0; chunk < chunks; ++chunk) {
        BuildStageChunk(run.packet, run.stagingCursor, PageChunk(run, chunk));
        run.stagingCursor = static_cast<uint16_t>(run.stagingCursor + kChunkBytes);
        Send(run);
        Pause(run, kPacketPause);
        if (!SumHolds(run, "Device Failed Part 2 Programming...")) return false;
    }
    BuildPageAddressWrite(run.packet, map, run.pageIndex);
    SendAndPause(run);
    BuildStagingAddressWrite(run.packet, map);
    SendAndPause(run);
    BuildTransferLengthWrite(run.packet, map, kProgramTransferLength);
    SendAndPause(run);
    if (!SumHolds(run, "Device Failed Part 3 Programming...")) return false;
    BuildCommitPage(run.packet);
    Send(run);
    Pause(run, kPagePause);
    return SumHolds(run, "Device Failed Part 4 Programming...");
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
        WaitWhileWarningOpen(run);
        ShowProgress(run, run.pageIndex + 1, barStep, percentStep);
        if (!ProgramPage(run)) return false;
    }
    Log(run, "Device Passed Programming...");
    WaitWhileWarningOpen(run);
    run.state.controls->ShowSkin(SkinByKind(run.state.deviceTable[run.state.activeDeviceRow].kind,
                                            SkinHeadsetVerifying, SkinAdapterVerifying));
    return true;
}

// --- Verification ---

// Compares a chunk read back with the image. On chunk 63 of the last page
// only the byteCount modulo 16 bytes that belong to the image count; when
// the last page is full, all 16 of its last chunk are image bytes and are
// compared too, so a corrupt end of a whole-page image cannot pass.
bool ChunkMatches(const UpdateRun& run, int chunk) {
    int n = kChunkBytes;
    const bool lastChunk = chunk == kChunksPerPage - 1 && run.pageIndex == run.image.pageCount - 1;
    if (lastChunk && run.image.byteCount % kPageBytes != 0) n = run.image.byteCount % kChunkBytes;
    return std::memcmp(run.response + 8, PageChunk(run, chunk), static_cast<size_t>(n)) == 0;
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
    if (!SumHolds(run, "Device Failed Part 1 Verification...")) return PageSumFailed;
    BuildFetchPage(run.packet);
    Send(run);
    Pause(run, kPagePause);
    if (!SumHolds(run, "Device Failed Part 2 Verification...")) return PageSumFailed;
    const int chunks = IsIdentityPage(run) ? 2 : kChunksPerPage;
    for (int chunk = 0; chunk < chunks; ++chunk) {
        BuildReadChunk(run.packet, run.image.workBuffer, run.stagingCursor);
        Send(run);
        Pause(run, kPacketPause);
        if (!SumHolds(run, "Device Failed Part 3 Verification...")) return PageSumFailed;
        if (!ChunkMatches(run, chunk)) {
            run.state.lastStatus = -1;
            return PageDiffers;
        }
        run.stagingCursor = static_cast<uint16_t>(run.stagingCursor + kChunkBytes);
    }
    return PageVerified;
}

void FailVerification(UpdateRun& run) {
    run.state.screenMode = IsIdentityPage(run) ? ScreenIdMismatch : ScreenFailed;
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
        WaitWhileWarningOpen(run);
        ShowProgress(run, run.pageIndex + 1, barStep, percentStep);
        const PageCheck check = VerifyPage(run);
        if (check == PageSumFailed) return;
        if (check == PageDiffers) return FailVerification(run);
    }
    // The last read-back decides on its own: a negative last result fails
    // even when the sum held.
    if (run.state.lastStatus >= 0) {
        run.state.screenMode = ScreenPassed;
        Log(run, "Device Passed Verifification...");
        return;
    }
    FailVerification(run);
}

// --- Reset, close and release ---

void ResetAndClose(UpdateRun& run) {
    UpdaterState& state = run.state;
    Log(run, "Resetting the Device...");
    state.lastStatus = state.library.systemReset(run.updateHandle);
    if (state.lastStatus < 0) {
        Log(run, "Could not Reset the Device...");
        state.screenMode = ScreenFailed;
    } else {
        Log(run, "Device accepted Reset...");
    }
    Pause(run, kResetPause);
    state.lastStatus = state.library.AvDllCloseHandle(run.updateHandle);
    Pause(run, kResetPause);
}

void RunOnDevice(UpdateRun& run) {
    if (!Connect(run)) return;
    run.map = &AddressMapForKind(run.state.deviceTable[run.state.activeDeviceRow].kind);
    if (EnterRomMode(run)) {
        if (run.state.modeVerifyOnly == 1 || ProgramImage(run)) VerifyImage(run);
    }
    ResetAndClose(run);
}

}  // namespace

void RunUpdate(UpdaterState& state) {
    UpdateRun run{state};
    if (!Prepare(run)) {
        // A run that cannot start ends failed without touching the device,
        // so the failed screen offers Try Again and Cancel.
        ReleaseFirmwareImage(run.image);
        state.screenMode = ScreenFailed;
        return;
    }
    RunOnDevice(run);
    state.system->EndTimerPeriod();
    ReleaseFirmwareImage(run.image);
}
