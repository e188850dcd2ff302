// The catalogue scan: one pass over the folder listing, testing each entry's
// name against the naming rules and its first line against its tag.
#include "firmware/catalogue.h"

#include <cstring>

#include "app/updater_state.h"
#include "firmware/bounded_path.h"
#include "firmware/name_rules.h"
#include "firmware/text_lines.h"

namespace {

struct ScanContext {
    UpdaterState& state;
    CatalogueList& list;
    char folder[kPathChars];  // "<working folder>/files/"
    uint32_t kind;
    uint32_t productId;
    char modelText[32];
};

// True when the file's first line holds `tag`. A file that cannot be opened
// or is empty has no first line and holds nothing.
bool FirstLineHolds(const char* path, const char* tag) {
    TextLines file;
    if (!file.Open(path)) return false;
    char line[kFirstLineChars];
    if (!file.ReadLine(line, sizeof line)) return false;
    return std::strstr(line, tag) != nullptr;
}

void CopyName(char (&row)[kPathChars], const char* name) {
    row[0] = '\0';
    AppendBounded(row, name);
}

void VisitEntry(const FolderEntry& entry, void* context) {
    ScanContext& scan = *static_cast<ScanContext*>(context);
    UpdaterState& state = scan.state;
    if (entry.isFolder || state.catalogueCount >= kCatalogueRows) return;
    // A name that fills its field without a terminator was cut: skip it.
    if (std::memchr(entry.name, '\0', sizeof entry.name) == nullptr) return;
    const char* name = entry.name;
    if (!FirmwareFileFits(scan.folder, name, scan.kind, scan.productId, scan.modelText)) return;
    char label[kPathChars];
    FormEntryLabel(name, label, sizeof label);

    CopyName(state.entryLabel, label);
    CopyName(state.catalogueNames[state.catalogueCount], name);
    ++state.catalogueCount;
    scan.list.AppendRow(state.entryLabel);
}

}  // namespace

bool FirmwareFileFits(const char* folder, const char* name, uint32_t kind, uint32_t productId, const char* modelText) {
    if (folder == nullptr || name == nullptr || !FileFitsDevice(name, kind, productId, modelText)) return false;
    char tag[kPathChars];
    char label[kPathChars];
    if (!FormFileTag(name, tag, sizeof tag) || !FormEntryLabel(name, label, sizeof label)) return false;
    char path[kPathChars] = {};
    if (!AppendBounded(path, folder) || !AppendBounded(path, name)) return false;
    return FirstLineHolds(path, tag);
}

void ScanFirmwareFolder(UpdaterState& state, CatalogueList& list) {
    state.catalogueCount = 0;
    const int32_t row = state.activeDeviceRow;
    if (state.system == nullptr || row < 0 || row >= kDeviceRows) return;

    ScanContext scan{state, list, {}, state.deviceTable[row].kind, state.deviceTable[row].productId, {}};
    state.firmwareLabel[row].modelText.Load(scan.modelText, sizeof scan.modelText);
    if (!FilesFolderPath(*state.system, scan.folder)) return;
    char pattern[kPathChars] = {};
    // A cut pattern would list some other folder.
    if (!AppendBounded(pattern, scan.folder) || !AppendBounded(pattern, "*")) return;
    state.system->ListFolder(pattern, &VisitEntry, &scan);
}
