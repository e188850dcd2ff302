// The catalogue checked against the keys and against the newest one seen.
#include "firmware/catalogue_trust.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "catalogue_keys.h"
#include "firmware/bounded_path.h"
#include "firmware/name_rules.h"
#include "platform/files.h"

namespace {

struct SeenCatalogue {
    int64_t version = 0;
    char date[11] = {};
};

bool SeenPath(System& system, char (&path)[kPathChars]) {
    char folder[kPathChars];
    if (!system.DataFolder(folder, sizeof folder)) return false;
    path[0] = '\0';
    const char separator[2] = {kPathSeparator, '\0'};
    return AppendBounded(path, folder) && AppendBounded(path, separator) && AppendBounded(path, kSeenCatalogueFileName);
}

// A missing or damaged record reads as nothing seen: the catalogue in hand
// is then the newest, which is what a first start must believe.
SeenCatalogue ReadSeen(const char* path) {
    SeenCatalogue seen;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return seen;
    char line[64] = {};
    const size_t got = std::fread(line, 1, sizeof line - 1, file);
    std::fclose(file);
    line[got] = '\0';
    char* end = nullptr;
    const long long version = std::strtoll(line, &end, 10);
    if (end == line || version < 0 || *end != ' ') return SeenCatalogue{};
    seen.version = version;
    std::snprintf(seen.date, sizeof seen.date, "%.10s", end + 1);
    return seen;
}

// Written aside and renamed over the record, so a reader never meets half of it.
void WriteSeen(const char* path, const SignedCatalogue& catalogue) {
    char aside[kPathChars] = {};
    if (!AppendBounded(aside, path) || !AppendBounded(aside, ".new")) return;
    char line[64];
    const int length = std::snprintf(line, sizeof line, "%lld %s\n", static_cast<long long>(catalogue.catalogueVersion),
                                     catalogue.date);
    std::remove(aside);
    if (length > 0 && AppendToFile(aside, line, static_cast<size_t>(length), true)) RenameReplacing(aside, path);
}

}  // namespace

void ReadFolderCatalogue(System& system, const char* folder, const CatalogueKey* keys, int keyCount,
                         FolderCatalogue& out) {
    out.status = ReadSignedCatalogue(folder, keys, keyCount, out.catalogue);
    out.seenVersion = 0;
    if (out.status != CatalogueValid) return;
    char path[kPathChars];
    if (!SeenPath(system, path)) return;
    const SeenCatalogue seen = ReadSeen(path);
    out.seenVersion = seen.version;
    if (!CatalogueMayReplace(seen.version, seen.date, out.catalogue)) {
        out.catalogue = SignedCatalogue{};
        out.status = CatalogueOlderThanSeen;
        return;
    }
    if (out.catalogue.catalogueVersion != seen.version || std::strcmp(out.catalogue.date, seen.date) != 0)
        WriteSeen(path, out.catalogue);
}

void ReadFolderCatalogue(System& system, const char* folder, FolderCatalogue& out) {
    ReadFolderCatalogue(system, folder, kBuiltInCatalogueKeys, kBuiltInCatalogueKeyCount, out);
}

bool CatalogueIgnored(CatalogueStatus status) { return status != CatalogueAbsent && status != CatalogueValid; }

FileVerdict FileVerdictIn(const FolderCatalogue& folder, const char* name, const uint8_t (&sha256)[kSha256Bytes],
                          int64_t size, const char* model) {
    char version[4];
    FormFileVersion(name, version, sizeof version);
    return VerdictFor(folder.catalogue, name, sha256, size, model, version);
}
