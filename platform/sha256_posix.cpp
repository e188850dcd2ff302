// SHA-256 through OpenSSL's EVP interface.
#include <openssl/evp.h>

#include <cstdio>

#include "platform/sha256.h"

bool Sha256OfFile(const char* path, uint8_t (&digest)[kSha256Bytes], int64_t* fileBytes) {
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) return false;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool ok = context != nullptr && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
    int64_t total = 0;
    unsigned char block[16384];
    while (ok) {
        const size_t got = std::fread(block, 1, sizeof block, file);
        if (got == 0) break;
        total += static_cast<int64_t>(got);
        ok = EVP_DigestUpdate(context, block, got) == 1;
    }
    ok = ok && !std::ferror(file);
    unsigned int length = 0;
    ok = ok && EVP_DigestFinal_ex(context, digest, &length) == 1 && length == kSha256Bytes;
    EVP_MD_CTX_free(context);
    std::fclose(file);
    if (ok && fileBytes != nullptr) *fileBytes = total;
    return ok;
}
