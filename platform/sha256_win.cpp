// SHA-256 through the system's CNG (BCrypt) provider.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <bcrypt.h>

#include <cstdio>

#include "platform/sha256.h"

namespace {

// Owns the provider and the hash object for one digest.
struct HashRun {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~HashRun() {
        if (hash != nullptr) BCryptDestroyHash(hash);
        if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
    }
    bool Open() {
        return BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
               BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    }
};

}  // namespace

bool Sha256OfFile(const char* path, uint8_t (&digest)[kSha256Bytes], int64_t* fileBytes) {
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) return false;
    HashRun run;
    bool ok = run.Open();
    int64_t total = 0;
    unsigned char block[16384];
    while (ok) {
        const size_t got = std::fread(block, 1, sizeof block, file);
        if (got == 0) break;
        total += static_cast<int64_t>(got);
        ok = BCRYPT_SUCCESS(BCryptHashData(run.hash, block, static_cast<ULONG>(got), 0));
    }
    ok = ok && !std::ferror(file);
    ok = ok && BCRYPT_SUCCESS(BCryptFinishHash(run.hash, digest, kSha256Bytes, 0));
    std::fclose(file);
    if (ok && fileBytes != nullptr) *fileBytes = total;
    return ok;
}
