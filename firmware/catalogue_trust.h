// The files folder's signed catalogue as this computer trusts it: verified
// with the keys built into the program, and never older than the newest
// catalogue seen here before, so an old catalogue cannot be played back to
// lower a floor or bring back a withdrawn file.
#pragma once

#include <cstdint>

#include "firmware/signed_catalogue.h"
#include "platform/system.h"

// In the data folder: the version and date of the newest valid catalogue
// seen on this computer, as "<version> <YYYY-MM-DD>".
inline constexpr const char* kSeenCatalogueFileName = "catalogue-seen.txt";

struct FolderCatalogue {
    SignedCatalogue catalogue;  // valid only with CatalogueValid
    CatalogueStatus status = CatalogueAbsent;
    int64_t seenVersion = 0;  // the newest seen before this read; 0 when none
};

// Reads the catalogue of `folder` (a path ending in its separator) with
// `keys`, refuses it when it is older than the newest one seen (status
// CatalogueOlderThanSeen, and it lists nothing), and keeps it as the newest
// seen when it is newer.
void ReadFolderCatalogue(System& system, const char* folder, const CatalogueKey* keys, int keyCount,
                         FolderCatalogue& out);
// The same with the keys this program was built to trust.
void ReadFolderCatalogue(System& system, const char* folder, FolderCatalogue& out);

// True when the folder holds a catalogue that is ignored as a whole: without
// a signature, signed by no trusted key, unreadable, or played back. Its
// files then count as unsigned, and the program says so once.
bool CatalogueIgnored(CatalogueStatus status);

// The verdict on the file `name`, given its digest and size as read, for a
// device of `model`: its version comes from its name.
FileVerdict FileVerdictIn(const FolderCatalogue& folder, const char* name, const uint8_t (&sha256)[kSha256Bytes],
                          int64_t size, const char* model);
