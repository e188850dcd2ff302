// The signed catalogue on the command line.
#include "cli/file_signatures.h"

#include <cstdio>

#include "app/run_reason.h"
#include "cli/cli_session.h"
#include "cli/json_line.h"
#include "firmware/bounded_path.h"
#include "platform/sha256.h"

namespace {

const char* StatusName(CatalogueStatus status) {
    switch (status) {
        case CatalogueAbsent: return "absent";
        case CatalogueUnsigned: return "no_signature";
        case CatalogueBadSignature: return "bad_signature";
        case CatalogueMalformed: return "malformed";
        case CatalogueValid: return "valid";
        case CatalogueOlderThanSeen: return "older_than_seen";
    }
    return "unknown";
}

}  // namespace

void ReadFilesCatalogue(CliSession& session) {
    System& system = *session.env.system;
    char folder[kPathChars];
    session.catalogue = FolderCatalogue{};
    if (!FilesFolderPath(system, folder)) return;
    ReadFolderCatalogue(system, folder, session.catalogue);
    char note[256];
    if (FormatCatalogueNote(session.catalogue.status, note, sizeof note) == 0) return;
    if (!session.options.json) {
        session.env.console->Err(note);
        session.env.console->Err("\n");
        return;
    }
    JsonObject body;
    body["status"] = StatusName(session.catalogue.status);
    body["problem"] = session.catalogue.catalogue.problem;
    body["message"] = note;
    EmitEvent(*session.env.console, "catalogue", std::move(body));
}

FileVerdict SignatureOfFile(CliSession& session, const char* name, const char* model) {
    char path[kPathChars];
    uint8_t digest[kSha256Bytes];
    int64_t bytes = 0;
    if (!FilesFolderPath(*session.env.system, path) || !AppendBounded(path, name) ||
        !Sha256OfFile(path, digest, &bytes))
        return FileVerdict{};
    return FileVerdictIn(session.catalogue, name, digest, bytes, model);
}

void DescribeSignature(const FileVerdict& verdict, char* out, size_t size) {
    switch (verdict.signature) {
        case FileSigned:
            std::snprintf(out, size, "signed, released %s", verdict.entry != nullptr ? verdict.entry->released : "");
            return;
        case FileNotMakers: std::snprintf(out, size, "not the maker's file"); return;
        case FileBelowFloor: std::snprintf(out, size, "below version %s (the signed floor)", verdict.floor); return;
        case FileUnsigned: break;
    }
    std::snprintf(out, size, "unsigned");
}

const char* SignatureName(FileSignature signature) {
    switch (signature) {
        case FileSigned: return "signed";
        case FileNotMakers: return "not_makers_file";
        case FileBelowFloor: return "below_floor";
        case FileUnsigned: break;
    }
    return "unsigned";
}
