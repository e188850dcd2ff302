// The catalogue scan: one pass over the folder listing, testing each entry's
// name against the naming rules and its first line against its tag.
#include "firmware/catalogue.h"

#include <cstring>

#include "device/found_devices.h"
#include "firmware/bounded_path.h"
#include "firmware/name_rules.h"
#include "firmware/text_lines.h"

namespace {

struct ScanContext {
    CatalogueList& list;
    char folder[kPathChars];  // "<working folder>/files/"
    CatalogueDevice device;
    int32_t listed = 0;
};

enum FirstLine { LineHoldsTag, LineLacksTag, LineMissing };

// A file that cannot be opened or is empty has no first line and holds
// nothing; no line of another file is ever used.
FirstLine FirstLineHolds(const char* path, const char* tag) {
    TextLines file;
    if (!file.Open(path)) return LineMissing;
    char line[kFirstLineChars];
    if (!file.ReadLine(line, sizeof line)) return LineMissing;
    return std::strstr(line, tag) != nullptr ? LineHoldsTag : LineLacksTag;
}

void VisitEntry(const FolderEntry& entry, void* context) {
    ScanContext& scan = *static_cast<ScanContext*>(context);
    if (entry.isFolder || scan.listed >= kCatalogueRows) return;
    CatalogueCheck check;
    CheckCatalogueEntry(scan.folder, entry, scan.device, check);
    if (check.verdict != EntryFits) return;
    ++scan.listed;
    scan.list.AppendEntry(entry.name, check.label);
}

}  // namespace

CatalogueDevice CatalogueDeviceOf(const FoundDevices& devices, int row) {
    CatalogueDevice device;
    if (row < 0 || row >= kDeviceRows) return device;
    device.kind = devices.deviceTable[row].kind;
    device.productId = devices.deviceTable[row].productId;
    devices.firmwareLabel[row].modelText.Load(device.modelText, sizeof device.modelText);
    return device;
}

void CheckCatalogueEntry(const char* folder, const FolderEntry& entry, const CatalogueDevice& device,
                         CatalogueCheck& out) {
    out = CatalogueCheck{};
    if (entry.isFolder) return;
    // A name that fills its field without a terminator was cut: skip it.
    out.verdict = EntryNameCut;
    if (std::memchr(entry.name, '\0', sizeof entry.name) == nullptr) return;
    const char* name = entry.name;
    out.name = CheckFileName(name, device.kind, device.productId, device.modelText);
    out.verdict = EntryNameMisfit;
    if (out.name.verdict != NameFits) return;
    out.verdict = EntryNoTag;
    if (!FormFileTag(name, out.tag, sizeof out.tag)) return;
    out.verdict = EntryNoVersion;
    if (!FormEntryLabel(name, out.label, sizeof out.label)) return;
    char path[kPathChars] = {};
    out.verdict = EntryPathTooLong;
    if (!AppendBounded(path, folder) || !AppendBounded(path, name)) return;
    const FirstLine line = FirstLineHolds(path, out.tag);
    out.verdict = line == LineHoldsTag ? EntryFits : line == LineMissing ? EntryNoFirstLine : EntryTagNotInFirstLine;
}

bool FirmwareFileFits(const char* folder, const char* name, uint32_t kind, uint32_t productId, const char* modelText) {
    if (folder == nullptr || name == nullptr || std::strlen(name) >= kPathChars) return false;
    FolderEntry entry{};
    std::memcpy(entry.name, name, std::strlen(name) + 1);
    CatalogueDevice device;
    device.kind = kind;
    device.productId = productId;
    if (modelText != nullptr) AppendBounded(device.modelText, modelText);
    CatalogueCheck check;
    CheckCatalogueEntry(folder, entry, device, check);
    return check.verdict == EntryFits;
}

int32_t ScanFirmwareFolder(System& system, const CatalogueDevice& device, CatalogueList& list) {
    ScanContext scan{list, {}, device};
    if (!FilesFolderPath(system, scan.folder)) return 0;
    char pattern[kPathChars] = {};
    // A cut pattern would list some other folder.
    if (!AppendBounded(pattern, scan.folder) || !AppendBounded(pattern, "*")) return 0;
    system.ListFolder(pattern, &VisitEntry, &scan);
    return scan.listed;
}
