// Finding the update that left a unit half-programmed.
#include "app/unfinished_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/run_history.h"
#include "app/run_log.h"
#include "app/user_texts.h"
#include "device/discovery.h"
#include "device/found_devices.h"
#include "firmware/bounded_path.h"
#include "platform/sha256.h"
#include "update/run_request.h"

namespace {

bool Is(const char* text, const char* word) { return std::strcmp(text, word) == 0; }

// The run entered ROM mode and did not pass: the unit may hold part of an image.
bool LeftUnfinished(const HistoryRecord& record) {
    if (Is(record.result, kResultInterrupted)) return true;
    return Is(record.result, "failed") &&
           (Is(record.stage, "program") || Is(record.stage, "verify") || Is(record.stage, "reset"));
}

bool OfUnit(const HistoryRecord& record, uint32_t identity) {
    if (record.identity[0] == '\0') return false;  // written before units were told apart
    char* end = nullptr;
    const unsigned long value = std::strtoul(record.identity, &end, 16);
    return end != record.identity && *end == '\0' && value == identity;
}

// The reply named no model, on a product whose files are named by model.
bool NeedsAModel(const FoundDevices& devices) {
    if (devices.deviceCount < 1 || !IsSupportedProduct(devices.deviceTable[0].productId)) return false;
    char model[8];
    devices.firmwareLabel[0].modelText.Load(model, sizeof model);
    return model[0] == '\0';
}

}  // namespace

UnfinishedRun FindUnfinishedRun(const char* historyPath, const FoundDevices& devices) {
    UnfinishedRun found;
    if (historyPath == nullptr || !NeedsAModel(devices)) return found;
    const DeviceEntry& device = devices.deviceTable[0];
    const uint32_t identity = device.identity;
    HistoryFilter filter;
    filter.productId = device.productId;
    filter.deviceKind = DeviceNoun(device.kind);
    std::vector<HistoryRecord> records(static_cast<size_t>(kHistoryKeptRuns + kHistoryKeptRuns / 2));
    const int count = ReadRunHistory(historyPath, filter, records.data(), static_cast<int>(records.size()));
    // The newest run that touched this unit decides.
    for (int i = 0; i < count; ++i) {
        const HistoryRecord& record = records[static_cast<size_t>(i)];
        if (Is(record.result, "refused") || !OfUnit(record, identity)) continue;
        if (!LeftUnfinished(record) || record.model[0] == '\0') return found;
        found.tie = identity == 0 ? TieUnitsAlike : TieFound;
        std::snprintf(found.model, sizeof found.model, "%s", record.model);
        std::snprintf(found.file, sizeof found.file, "%s", record.file);
        std::snprintf(found.sha256, sizeof found.sha256, "%s", record.sha256);
        found.interrupted = Is(record.result, kResultInterrupted);
        found.page = found.interrupted ? 0 : record.page;
        found.pages = record.pages;
        return found;
    }
    return found;
}

void TieUnitModel(RunRequest& request, const FoundDevices& devices, const char* model) {
    request.unitModel = UnitModel{};
    if (model == nullptr || model[0] == '\0') return;
    request.unitModel.productId = devices.deviceTable[0].productId;
    request.unitModel.kind = devices.deviceTable[0].kind;
    request.unitModel.identity = devices.deviceTable[0].identity;
    std::snprintf(request.unitModel.model, sizeof request.unitModel.model, "%s", model);
}

void DescribeUnfinishedRun(const UnfinishedRun& run, uint32_t kind, char* out, size_t size) {
    if (size > 0) out[0] = '\0';
    if (run.tie == TieNone) return;
    TextArgs args;
    args.device = DeviceNoun(kind);
    args.page = run.page;
    args.pages = run.pages;
    const TextId id = run.tie == TieUnitsAlike ? TextUnfinishedUnitsAlike
                      : run.page > 0           ? TextUnfinishedAtPage
                                               : TextUnfinishedUnseen;
    FormatText(id, args, out, size);
}

UnfinishedRun LookForUnfinishedRun(System& system, const FoundDevices& devices) {
    if (!NeedsAModel(devices)) return UnfinishedRun{};
    RunFiles files;
    if (!FindRunFiles(system, files)) return UnfinishedRun{};
    return FindUnfinishedRun(files.history, devices);
}

bool OwnFileFirst::IsOwnFile(const char* name) const {
    if (run_.tie != TieFound || run_.sha256[0] == '\0' || std::strcmp(name, run_.file) != 0) return false;
    char path[kPathChars];
    uint8_t digest[kSha256Bytes];
    if (!FilesFolderPath(system_, path) || !AppendBounded(path, name) || !Sha256OfFile(path, digest)) return false;
    char hex[kSha256HexChars + 1];
    Sha256Hex(digest, hex);
    return std::strcmp(hex, run_.sha256) == 0;
}

void OwnFileFirst::AppendEntry(const char* name, const char* label) {
    if (count_ >= kCatalogueRows) return;
    Entry& entry = entries_[count_];
    std::snprintf(entry.name, sizeof entry.name, "%s", name);
    std::snprintf(entry.label, sizeof entry.label, "%s", label);
    if (own_ < 0 && IsOwnFile(name)) own_ = count_;
    ++count_;
}

void OwnFileFirst::Deliver() {
    if (own_ >= 0) to_.AppendEntry(entries_[own_].name, entries_[own_].label);
    for (int i = 0; i < count_; ++i) {
        if (i != own_) to_.AppendEntry(entries_[i].name, entries_[i].label);
    }
}
