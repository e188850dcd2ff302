// Arbitrary catalogue text through the parser and the verdicts: nothing may
// be read past the text or a buffer, and whatever is accepted must hold
// within the catalogue's bounds, with every name terminated and plain.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "firmware/signed_catalogue.h"

namespace {

void CheckAccepted(const SignedCatalogue& catalogue) {
    if (catalogue.files.size() > static_cast<size_t>(kMaxCatalogueFiles)) std::abort();
    for (const CatalogueEntry& entry : catalogue.files) {
        const size_t length = strnlen(entry.name, sizeof entry.name);
        if (length == 0 || length == sizeof entry.name || std::strchr(entry.name, '/') != nullptr) std::abort();
        if (entry.productIdCount < 1 || entry.productIdCount > kMaxEntryProducts) std::abort();
        for (const CatalogueNote& note : entry.notes) {
            if (note.text.size() > kMaxNoteBytes) std::abort();
        }
        // A listed file with its own bytes is signed or below its floor;
        // with other bytes it is never the maker's.
        const FileVerdict same = VerdictFor(catalogue, entry.name, entry.sha256, entry.size, entry.model, entry.version);
        if (same.signature != FileSigned && same.signature != FileBelowFloor) std::abort();
        const FileVerdict other = VerdictFor(catalogue, entry.name, entry.sha256, entry.size ^ 1, entry.model, entry.version);
        if (other.signature != FileNotMakers) std::abort();
        CatalogueNoteFor(entry, "en");
    }
    if (!CatalogueMayReplace(catalogue.catalogueVersion, catalogue.date, catalogue)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SignedCatalogue catalogue;
    if (ParseCatalogueText(data, size, catalogue)) {
        CheckAccepted(catalogue);
    } else if (catalogue.valid || !catalogue.files.empty() || catalogue.problem[0] == '\0') {
        std::abort();
    }
    return 0;
}
