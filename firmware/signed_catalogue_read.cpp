// Reading the catalogue and its signature from the files folder. The text
// is parsed only once a trusted key has signed it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "firmware/bounded_path.h"
#include "firmware/signed_catalogue.h"
#include "platform/files.h"

namespace {

// Owns the open file for one read.
struct OpenFile {
    std::FILE* file;
    ~OpenFile() {
        if (file != nullptr) std::fclose(file);
    }
};

// A whole small file, owned.
struct SmallFile {
    uint8_t* bytes = nullptr;
    size_t count = 0;
    ~SmallFile() { std::free(bytes); }
};

enum SmallRead { SmallReadDone, SmallReadUnreadable, SmallReadTooLarge };

// Reads at most `limit` bytes of the file at `path`; one byte more is
// refused, however the file's size changes meanwhile.
SmallRead ReadSmallFile(const char* path, size_t limit, SmallFile& out) {
    OpenFile open{std::fopen(path, "rb")};
    if (open.file == nullptr) return SmallReadUnreadable;
    out.bytes = static_cast<uint8_t*>(std::malloc(limit + 1));
    if (out.bytes == nullptr) return SmallReadUnreadable;
    while (out.count <= limit) {
        const size_t got = std::fread(out.bytes + out.count, 1, limit + 1 - out.count, open.file);
        if (got == 0) break;
        out.count += got;
    }
    if (std::ferror(open.file)) return SmallReadUnreadable;
    return out.count > limit ? SmallReadTooLarge : SmallReadDone;
}

bool PathIn(const char* folder, const char* name, char (&path)[kPathChars]) {
    path[0] = '\0';
    return folder != nullptr && AppendBounded(path, folder) && AppendBounded(path, name);
}

CatalogueStatus Malformed(SignedCatalogue& out, const char* problem) {
    out = SignedCatalogue{};
    std::snprintf(out.problem, sizeof out.problem, "%s", problem);
    return CatalogueMalformed;
}

bool SignedByTrustedKey(const SmallFile& text, const uint8_t (&signature)[kP256SignatureBytes],
                        const CatalogueKey* keys, int keyCount) {
    for (int i = 0; keys != nullptr && i < keyCount; ++i) {
        if (VerifyP256Signature(keys[i].point, text.bytes, text.count, signature)) return true;
    }
    return false;
}

}  // namespace

CatalogueStatus ReadSignedCatalogue(const char* folder, const CatalogueKey* keys, int keyCount,
                                    SignedCatalogue& out) {
    out = SignedCatalogue{};
    char textPath[kPathChars];
    char signaturePath[kPathChars];
    // A cut path would name some other file.
    if (!PathIn(folder, kCatalogueFileName, textPath) || !PathIn(folder, kCatalogueSignatureName, signaturePath))
        return Malformed(out, "the folder's path is too long");
    if (FileBytes(textPath) < 0) return CatalogueAbsent;
    if (FileBytes(signaturePath) < 0) return CatalogueUnsigned;

    SmallFile text;
    const SmallRead read = ReadSmallFile(textPath, kMaxCatalogueBytes, text);
    if (read == SmallReadTooLarge) return Malformed(out, "larger than 1 MiB");
    if (read != SmallReadDone) return Malformed(out, "cannot be read");
    SmallFile signature;
    if (ReadSmallFile(signaturePath, kP256SignatureBytes, signature) != SmallReadDone ||
        signature.count != kP256SignatureBytes)
        return CatalogueBadSignature;
    uint8_t raw[kP256SignatureBytes];
    std::memcpy(raw, signature.bytes, sizeof raw);
    if (!SignedByTrustedKey(text, raw, keys, keyCount)) return CatalogueBadSignature;
    return ParseCatalogueText(text.bytes, text.count, out) ? CatalogueValid : CatalogueMalformed;
}
