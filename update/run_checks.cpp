// The checks a run makes before it touches the device.
#include "update/run_checks.h"

#include <cstdio>
#include <cstring>

#include "device/found_devices.h"
#include "firmware/bounded_path.h"
#include "firmware/catalogue.h"
#include "firmware/catalogue_trust.h"
#include "firmware/digest_file.h"
#include "firmware/firmware_file.h"
#include "firmware/firmware_image.h"
#include "update/run_request.h"
#include "update/run_seat.h"

namespace {

// Row 0 is the only row a run works on; a row out of range names no device.
const DeviceEntry* ActiveDevice(const RunRequest& request, const FoundDevices& devices, int32_t& row) {
    row = request.activeDeviceRow;
    return row >= 0 && row < kDeviceRows ? &devices.deviceTable[row] : nullptr;
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

RunCause CauseOf(FileRead read) {
    switch (read) {
        case FileReadDone: return CauseNone;
        case FileReadUnreadable: return CauseFileUnreadable;
        case FileReadTooLarge: return CauseFileTooLarge;
        case FileReadNoMemory: return CauseNoMemory;
    }
    return CauseFileUnreadable;
}

// Hashes the bytes read for the record and checks them against a published digest.
RunCause CheckDigest(const char* path, const FirmwareFile& file, ImageFacts& facts, RunOutcome& outcome) {
    facts.haveDigest = Sha256OfBytes(file.bytes, file.count, facts.sha256);
    facts.fileBytes = static_cast<int64_t>(file.count);
    const DigestCheck check = CheckPublishedDigest(path, facts.sha256, facts.haveDigest);
    outcome.digestChecked = check == DigestMatches;
    return CauseOf(check);
}

// What the signature check needs beyond the file's bytes.
struct RunCheck {
    const FolderCatalogue* catalogue;
    const char* name;   // the file's name in the files folder
    const char* model;  // the device's model
    bool requireSigned;
};

RunCause LoadImage(const FirmwareFile& file, FirmwareImage& image, RunOutcome& outcome) {
    const ImageLoad load = LoadFirmwareImage(file, image);
    outcome.line = load.line;
    if (!load) return CauseOf(load.problem);
    outcome.byteCount = image.byteCount;
    outcome.pageCount = image.pageCount;
    if (image.byteCount == 0) {
        ReleaseFirmwareImage(image);
        return CauseFileEmpty;
    }
    return CauseNone;
}

// What the maker's signed catalogue says of the bytes read. A listed file
// with other contents, or one below its model's floor, is refused always;
// an unsigned one only where signed firmware is required.
RunCause CheckSignature(const RunCheck& check, const ImageFacts& facts, RunOutcome& outcome) {
    if (!facts.haveDigest) return CauseNone;
    const FileVerdict verdict =
        FileVerdictIn(*check.catalogue, check.name, facts.sha256, facts.fileBytes, check.model);
    outcome.signature = verdict.signature;
    switch (verdict.signature) {
        case FileSigned: return CauseNone;
        case FileNotMakers: return CauseNotMakersFile;
        case FileBelowFloor:
            std::memcpy(outcome.floor, verdict.floor, sizeof outcome.floor);
            return CauseBelowFloor;
        case FileUnsigned: return check.requireSigned ? CauseNotSigned : CauseNone;
    }
    return CauseNotSigned;
}

// One read of the file serves the digest, the signature and the image.
RunCause CheckAndLoad(const char* path, const RunCheck& check, ImageFacts& facts, FirmwareImage& image,
                      RunOutcome& outcome) {
    FirmwareFile file;
    RunCause cause = CauseOf(ReadFirmwareFile(path, file));
    if (cause == CauseNone) cause = CheckDigest(path, file, facts, outcome);
    if (cause == CauseNone) cause = CheckSignature(check, facts, outcome);
    if (cause == CauseNone) cause = LoadImage(file, image, outcome);
    ReleaseFirmwareFile(file);
    return cause;
}

}  // namespace

void DeviceModel(const RunRequest& request, const FoundDevices& devices, int row, char (&model)[8]) {
    model[0] = '\0';
    if (row < 0 || row >= kDeviceRows) return;
    devices.firmwareLabel[row].modelText.Load(model, sizeof model);
    if (model[0] != '\0') return;
    const DeviceEntry& device = devices.deviceTable[row];
    const UnitModel& unit = request.unitModel;
    if (unit.model[0] != '\0' && unit.productId == device.productId && unit.kind == device.kind &&
        unit.identity == device.identity) {
        std::snprintf(model, sizeof model, "%s", unit.model);
    }
}

CatalogueDevice CatalogueDeviceFor(const RunRequest& request, const FoundDevices& devices, int row) {
    CatalogueDevice device = CatalogueDeviceOf(devices, row);
    char model[8];
    DeviceModel(request, devices, row, model);
    std::snprintf(device.modelText, sizeof device.modelText, "%s", model);
    return device;
}

void ChooseFirmware(RunRequest& request, const FoundDevices& devices, const char* fileName) {
    request.chosenFileName[0] = '\0';
    AppendBounded(request.chosenFileName, fileName);
    ChosenDevice& chosen = request.chosenFor;
    chosen.productId = devices.deviceTable[0].productId;
    chosen.kind = devices.deviceTable[0].kind;
    char model[8];
    DeviceModel(request, devices, 0, model);
    std::snprintf(chosen.model, sizeof chosen.model, "%s", model);
}

RunCause CheckRunDevice(const RunRequest& request, const FoundDevices& devices) {
    // Every supported device listed counts, opened or not: one that failed
    // to open is still attached, and still one too many.
    const int32_t count = devices.deviceCount;
    if (count >= 2 || devices.attachedCount >= 2) return CauseSeveralDevices;
    if (count <= 0) return CauseNoDevice;
    int32_t row = 0;
    const DeviceEntry* device = ActiveDevice(request, devices, row);
    if (device == nullptr) return CauseDeviceChanged;
    char model[8];
    DeviceModel(request, devices, row, model);
    const ChosenDevice& chosen = request.chosenFor;
    const bool same = device->productId == chosen.productId && device->kind == chosen.kind &&
                      std::strcmp(model, chosen.model) == 0;
    return same ? CauseNone : CauseDeviceChanged;
}

RunCause CheckRunFile(const RunRequest& request, const FoundDevices& devices, const char* folder) {
    int32_t row = 0;
    const DeviceEntry* device = ActiveDevice(request, devices, row);
    if (device == nullptr) return CauseFileDoesNotFit;
    char model[8];
    DeviceModel(request, devices, row, model);
    return FirmwareFileFits(folder, request.chosenFileName, device->kind, device->productId, model)
               ? CauseNone
               : CauseFileDoesNotFit;
}

RunCause PrepareRun(RunRequest& request, const FoundDevices& devices, System& system, RunSeat& seat,
                    FirmwareImage& image, RunOutcome& outcome) {
    char path[kPathChars];
    if (!FilesFolderPath(system, path)) return CauseNoWorkingFolder;
    if (const RunCause device = CheckRunDevice(request, devices); device != CauseNone) return device;
    if (const RunCause file = CheckRunFile(request, devices, path); file != CauseNone) return file;
    // A path cut short by its buffer could name another file.
    if (!AppendBounded(path, request.chosenFileName)) return CauseFileUnreadable;
    // A name without a memory word keeps the type of the run before, but
    // only on the same device: another device starts from the beginning.
    if (request.memoryTurn != devices.deviceTurn) {
        request.memoryType = kStartingMemoryType;
        request.memoryTurn = devices.deviceTurn;
    }
    request.memoryType = MemoryTypeFromName(request.chosenFileName, request.memoryType);
    // The catalogue is read after the device and the file's name passed:
    // a run refused sooner never hashes anything.
    FolderCatalogue catalogue;
    char folder[kPathChars] = {};
    if (FilesFolderPath(system, folder)) ReadFolderCatalogue(system, folder, catalogue);
    outcome.catalogue = catalogue.status;
    char model[8];
    DeviceModel(request, devices, request.activeDeviceRow, model);
    const RunCheck check{&catalogue, request.chosenFileName, model,
                         request.requireSigned || system.RequireSignedFirmware()};
    ImageFacts facts;
    facts.path = path;
    if (const RunCause cause = CheckAndLoad(path, check, facts, image, outcome); cause != CauseNone) return cause;
    facts.signedByMaker = outcome.signature == FileSigned;
    facts.byteCount = image.byteCount;
    facts.pageCount = image.pageCount;
    seat.ImageLoaded(facts);
    return CauseNone;
}
