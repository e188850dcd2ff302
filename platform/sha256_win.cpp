// SHA-256 through the system's CNG (BCrypt) provider.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <bcrypt.h>

#include <cstdio>

#include "platform/sha256.h"
#include "platform/system_library_win.h"

namespace {

// The CNG calls, from System32's bcrypt.dll (not linked: see system_library_win.h).
struct Cng {
    decltype(&BCryptOpenAlgorithmProvider) open = SYSTEM_FUNCTION(L"bcrypt.dll", BCryptOpenAlgorithmProvider);
    decltype(&BCryptCreateHash) create = SYSTEM_FUNCTION(L"bcrypt.dll", BCryptCreateHash);
    decltype(&BCryptHashData) hashData = SYSTEM_FUNCTION(L"bcrypt.dll", BCryptHashData);
    decltype(&BCryptFinishHash) finish = SYSTEM_FUNCTION(L"bcrypt.dll", BCryptFinishHash);
    decltype(&BCryptDestroyHash) destroy = SYSTEM_FUNCTION(L"bcrypt.dll", BCryptDestroyHash);
    decltype(&BCryptCloseAlgorithmProvider) close = SYSTEM_FUNCTION(L"bcrypt.dll", BCryptCloseAlgorithmProvider);
    bool Complete() const { return open && create && hashData && finish && destroy && close; }
};

const Cng& TheCng() {
    static const Cng cng;
    return cng;
}

// Owns the provider and the hash object for one digest.
struct HashRun {
    const Cng& cng = TheCng();
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~HashRun() {
        if (hash != nullptr) cng.destroy(hash);
        if (algorithm != nullptr) cng.close(algorithm, 0);
    }
    bool Open() {
        return cng.Complete() && BCRYPT_SUCCESS(cng.open(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
               BCRYPT_SUCCESS(cng.create(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    }
    bool Add(const void* bytes, size_t count) {
        return BCRYPT_SUCCESS(
            cng.hashData(hash, static_cast<PUCHAR>(const_cast<void*>(bytes)), static_cast<ULONG>(count), 0));
    }
    bool Finish(uint8_t (&digest)[kSha256Bytes]) { return BCRYPT_SUCCESS(cng.finish(hash, digest, kSha256Bytes, 0)); }
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
        ok = run.Add(block, got);
    }
    ok = ok && !std::ferror(file) && run.Finish(digest);
    std::fclose(file);
    if (ok && fileBytes != nullptr) *fileBytes = total;
    return ok;
}

bool Sha256OfBytes(const uint8_t* bytes, size_t count, uint8_t (&digest)[kSha256Bytes]) {
    HashRun run;
    bool ok = run.Open();
    // BCryptHashData takes a 32-bit count: feed larger buffers in steps.
    for (size_t done = 0; ok && done < count;) {
        const size_t step = count - done < 0x40000000u ? count - done : 0x40000000u;
        ok = run.Add(bytes + done, step);
        done += step;
    }
    return ok && run.Finish(digest);
}
