// The signed firmware catalogue: catalogue.json in the files folder, listing
// the maker's firmware files with their size and SHA-256, and
// catalogue.json.sig beside it, an ECDSA P-256 signature over its exact
// bytes by a key the program trusts. A NAME.sha256 file proves only that a
// file arrived whole; the catalogue proves who made it. (Not to be confused
// with firmware/catalogue.h, the scan of the folder for a device.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sha256.h"
#include "platform/signature.h"
#include "platform/system.h"

inline constexpr const char* kCatalogueFileName = "catalogue.json";
inline constexpr const char* kCatalogueSignatureName = "catalogue.json.sig";

// Bounds on what the reader takes: a catalogue is a short text.
inline constexpr size_t kMaxCatalogueBytes = 1024 * 1024;
inline constexpr int kMaxCatalogueFiles = 256;
inline constexpr size_t kMaxNoteBytes = 4096;  // per language
inline constexpr int kMaxNoteLanguages = 16;
inline constexpr int kMaxCatalogueFloors = 16;
inline constexpr int kMaxEntryProducts = 8;

// A trusted public key: an uncompressed P-256 point.
struct CatalogueKey {
    uint8_t point[kP256PointBytes];
};

struct CatalogueNote {
    char language[16] = {};  // "en", "de", "pt-BR"
    std::string text;        // at most kMaxNoteBytes bytes of UTF-8
};

// One file the maker published. Models and versions are in the forms the
// program reads from devices and names: "RX93", "1_6"; the model is empty
// for a file only generic devices take.
struct CatalogueEntry {
    char name[kPathChars] = {};
    uint8_t sha256[kSha256Bytes] = {};
    int64_t size = 0;
    uint32_t kind = 0;
    uint32_t productIds[kMaxEntryProducts] = {};
    int productIdCount = 0;
    char model[8] = {};
    char version[4] = {};
    char released[11] = {};  // YYYY-MM-DD
    std::vector<CatalogueNote> notes;
};

// The lowest version the maker allows on a model's devices.
struct CatalogueFloor {
    char model[8] = {};
    char version[4] = {};
};

// A catalogue as read. `valid` only when it verified and parsed; otherwise
// it lists nothing, and every file counts as unsigned.
struct SignedCatalogue {
    bool valid = false;
    int64_t catalogueVersion = 0;
    char date[11] = {};  // YYYY-MM-DD
    std::vector<CatalogueFloor> floors;
    std::vector<CatalogueEntry> files;
    char problem[96] = {};  // why it is malformed, in a few words
};

enum CatalogueStatus : int32_t {
    CatalogueAbsent = 0,    // no catalogue.json
    CatalogueUnsigned,      // catalogue.json without catalogue.json.sig
    CatalogueBadSignature,  // the signature is malformed, or no trusted key made it
    CatalogueMalformed,     // signed, but not a catalogue this program reads: see `problem`
    CatalogueValid,
    CatalogueOlderThanSeen,  // valid, but older than one this computer has seen: played back
};

// Reads catalogue.json and its signature from `folder` (a path ending in its
// separator), checks the signature against each of the `keyCount` trusted
// keys and parses it. `out` is valid only with CatalogueValid; a catalogue
// that does not verify counts as a whole as not there. The status says why,
// once, for the whole folder.
CatalogueStatus ReadSignedCatalogue(const char* folder, const CatalogueKey* keys, int keyCount,
                                    SignedCatalogue& out);

// Parses catalogue text whose signature has already been checked; true and
// `out` valid when it is a catalogue this program reads, else `out.problem`
// says why. Never reads past `size` bytes.
bool ParseCatalogueText(const uint8_t* text, size_t size, SignedCatalogue& out);

enum FileSignature : int32_t {
    FileUnsigned = 0,  // not listed, or no valid catalogue
    FileSigned,        // listed, with the same size and SHA-256
    FileNotMakers,     // listed, but its bytes differ: not the maker's file
    FileBelowFloor,    // older than the lowest version the catalogue allows its model
};

struct FileVerdict {
    FileSignature signature = FileUnsigned;
    // The file's entry when it is listed: its release date and notes. It
    // points into the catalogue and lives as long as it does.
    const CatalogueEntry* entry = nullptr;
    char floor[4] = {};  // the model's floor, for FileBelowFloor
};

// The verdict on one file of the folder: its name, its SHA-256 and size as
// read, and its model and version as the program reads them. A floor
// applies to every file of its model, listed or not, so an old file cannot
// come back by being left out of the catalogue; a listed file whose bytes
// differ is not the maker's file whatever its version.
FileVerdict VerdictFor(const SignedCatalogue& catalogue, const char* name, const uint8_t (&sha256)[kSha256Bytes],
                       int64_t size, const char* model, const char* version);

// The entry's notes in `language`, else in English, else the first; "" when
// it has none.
const char* CatalogueNoteFor(const CatalogueEntry& entry, const char* language);

// Anti-replay: true when `catalogue` may take the place of the newest one
// seen before (its version and date; 0 and "" when none was seen). A lower
// version, or the same version with an earlier date, is an old catalogue
// played back and is refused; so is a catalogue that is not valid.
bool CatalogueMayReplace(int64_t seenVersion, const char* seenDate, const SignedCatalogue& catalogue);
