// The checks a run makes before it touches the device.
#include "update/run_checks.h"

#include <cstring>

#include "app/updater_state.h"
#include "firmware/bounded_path.h"
#include "firmware/catalogue.h"
#include "firmware/digest_file.h"
#include "firmware/firmware_image.h"
#include "update/run_observer.h"

namespace {

// Row 0 is the only row a run works on; a row out of range names no device.
const DeviceEntry* ActiveDevice(const UpdaterState& state, int32_t& row) {
    row = state.activeDeviceRow;
    return row >= 0 && row < kDeviceRows ? &state.deviceTable[row] : nullptr;
}

RunCause CauseOf(ImageProblem problem) {
    switch (problem) {
        case ImageOk: return CauseNone;
        case ImageUnreadable: return CauseFileUnreadable;
        case ImageNoMemory: return CauseNoMemory;
        case ImageTooLarge: return CauseFileTooLarge;
        case ImageLoneCr: return CauseFileLoneCr;
        case ImageLineTooLong: return CauseFileLineTooLong;
        case ImageNoNumber: return CauseFileNoNumber;
    }
    return CauseFileUnreadable;
}

RunCause CauseOf(DigestCheck check) {
    switch (check) {
        case DigestAbsent:
        case DigestMatches: return CauseNone;
        case DigestDiffers: return CauseDigestMismatch;
        case DigestUnreadable: return CauseDigestUnreadable;
    }
    return CauseDigestUnreadable;
}

// Hashes the file for the record and checks it against a published digest.
RunCause CheckDigest(UpdaterState& state, const char* path, ImageFacts& facts) {
    facts.haveDigest = Sha256OfFile(path, facts.sha256, &facts.fileBytes);
    const DigestCheck check = CheckPublishedDigest(path, facts.sha256, facts.haveDigest);
    state.runOutcome.digestChecked = check == DigestMatches;
    return CauseOf(check);
}

RunCause LoadImage(UpdaterState& state, const char* path, FirmwareImage& image) {
    const ImageLoad load = LoadFirmwareImage(path, image);
    state.runOutcome.line = load.line;
    if (!load) return CauseOf(load.problem);
    state.runOutcome.byteCount = image.byteCount;
    state.runOutcome.pageCount = image.pageCount;
    if (image.byteCount == 0) {
        ReleaseFirmwareImage(image);
        return CauseFileEmpty;
    }
    return CauseNone;
}

}  // namespace

void ChooseFirmware(UpdaterState& state, const char* fileName) {
    state.chosenFileName[0] = '\0';
    AppendBounded(state.chosenFileName, fileName);
    ChosenDevice& chosen = state.chosenFor;
    chosen.productId = state.deviceTable[0].productId;
    chosen.kind = state.deviceTable[0].kind;
    state.firmwareLabel[0].modelText.Load(chosen.model, sizeof chosen.model);
}

RunCause CheckRunDevice(const UpdaterState& state) {
    const int32_t count = state.deviceCount;
    if (count <= 0) return CauseNoDevice;
    if (count >= 2) return CauseSeveralDevices;
    int32_t row = 0;
    const DeviceEntry* device = ActiveDevice(state, row);
    if (device == nullptr) return CauseDeviceChanged;
    char model[sizeof state.chosenFor.model];
    state.firmwareLabel[row].modelText.Load(model, sizeof model);
    const ChosenDevice& chosen = state.chosenFor;
    const bool same = device->productId == chosen.productId && device->kind == chosen.kind &&
                      std::strcmp(model, chosen.model) == 0;
    return same ? CauseNone : CauseDeviceChanged;
}

RunCause CheckRunFile(const UpdaterState& state, const char* folder) {
    int32_t row = 0;
    const DeviceEntry* device = ActiveDevice(state, row);
    if (device == nullptr) return CauseFileDoesNotFit;
    char model[32];
    state.firmwareLabel[row].modelText.Load(model, sizeof model);
    return FirmwareFileFits(folder, state.chosenFileName, device->kind, device->productId, model) ? CauseNone
                                                                                                   : CauseFileDoesNotFit;
}

RunCause PrepareRun(UpdaterState& state, FirmwareImage& image) {
    char path[kPathChars];
    if (!FilesFolderPath(*state.system, path)) return CauseNoWorkingFolder;
    if (const RunCause device = CheckRunDevice(state); device != CauseNone) return device;
    if (const RunCause file = CheckRunFile(state, path); file != CauseNone) return file;
    // A path cut short by its buffer could name another file.
    if (!AppendBounded(path, state.chosenFileName)) return CauseFileUnreadable;
    MemoryTypeFromName(state, state.chosenFileName);
    ImageFacts facts;
    facts.path = path;
    if (const RunCause digest = CheckDigest(state, path, facts); digest != CauseNone) return digest;
    if (const RunCause load = LoadImage(state, path, image); load != CauseNone) return load;
    facts.byteCount = image.byteCount;
    facts.pageCount = image.pageCount;
    if (state.runObserver != nullptr) state.runObserver->ImageLoaded(facts);
    return CauseNone;
}
