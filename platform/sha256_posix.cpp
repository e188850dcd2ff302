// SHA-256 through OpenSSL's EVP interface.
#include <openssl/evp.h>

#include <cstdio>

#include "platform/sha256.h"

namespace {

// One digest from begin to end; the context is freed however it ends.
struct Hashing {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool ok = context != nullptr && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
    ~Hashing() { EVP_MD_CTX_free(context); }
    void Add(const void* bytes, size_t count) { ok = ok && EVP_DigestUpdate(context, bytes, count) == 1; }
    bool Finish(uint8_t (&digest)[kSha256Bytes]) {
        unsigned int length = 0;
        return ok && EVP_DigestFinal_ex(context, digest, &length) == 1 && length == kSha256Bytes;
    }
};

}  // namespace

bool Sha256OfFile(const char* path, uint8_t (&digest)[kSha256Bytes], int64_t* fileBytes) {
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) return false;
    Hashing hashing;
    int64_t total = 0;
    unsigned char block[16384];
    while (hashing.ok) {
        const size_t got = std::fread(block, 1, sizeof block, file);
        if (got == 0) break;
        total += static_cast<int64_t>(got);
        hashing.Add(block, got);
    }
    const bool ok = !std::ferror(file) && hashing.Finish(digest);
    std::fclose(file);
    if (ok && fileBytes != nullptr) *fileBytes = total;
    return ok;
}

bool Sha256OfBytes(const uint8_t* bytes, size_t count, uint8_t (&digest)[kSha256Bytes]) {
    Hashing hashing;
    if (count > 0) hashing.Add(bytes, count);
    return hashing.Finish(digest);
}
