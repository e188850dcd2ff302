// ECDSA P-256 through the system's CNG (BCrypt) provider. CNG takes the
// signature as raw r || s and the key as X and Y behind a small header.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <bcrypt.h>

#include <cstring>

#include "platform/sha256.h"
#include "platform/signature.h"
#include "platform/system_library_win.h"

namespace {

// The CNG calls, from System32's bcrypt.dll (not linked: see system_library_win.h).
struct Cng {
    decltype(&BCryptOpenAlgorithmProvider) open = SYSTEM_FUNCTION(L"bcrypt.dll", BCryptOpenAlgorithmProvider);
    decltype(&BCryptImportKeyPair) importKey = SYSTEM_FUNCTION(L"bcrypt.dll", BCryptImportKeyPair);
    decltype(&BCryptVerifySignature) verify = SYSTEM_FUNCTION(L"bcrypt.dll", BCryptVerifySignature);
    decltype(&BCryptDestroyKey) destroy = SYSTEM_FUNCTION(L"bcrypt.dll", BCryptDestroyKey);
    decltype(&BCryptCloseAlgorithmProvider) close = SYSTEM_FUNCTION(L"bcrypt.dll", BCryptCloseAlgorithmProvider);
    bool Complete() const { return open && importKey && verify && destroy && close; }
};

const Cng& TheCng() {
    static const Cng cng;
    return cng;
}

constexpr ULONG kCoordinateBytes = 32;

// Owns the provider and the imported key for one check.
struct KeyRun {
    const Cng& cng = TheCng();
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_KEY_HANDLE key = nullptr;
    ~KeyRun() {
        if (key != nullptr) cng.destroy(key);
        if (algorithm != nullptr) cng.close(algorithm, 0);
    }
    // The blob is BCRYPT_ECCKEY_BLOB, then X, then Y; CNG refuses a point
    // off the curve.
    bool Import(const uint8_t (&point)[kP256PointBytes]) {
        if (!cng.Complete() || point[0] != 0x04) return false;
        unsigned char blob[sizeof(BCRYPT_ECCKEY_BLOB) + 2 * kCoordinateBytes];
        BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kCoordinateBytes};
        std::memcpy(blob, &header, sizeof header);
        std::memcpy(blob + sizeof header, point + 1, 2 * kCoordinateBytes);
        return BCRYPT_SUCCESS(cng.open(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)) &&
               BCRYPT_SUCCESS(cng.importKey(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &key, blob, sizeof blob, 0));
    }
};

}  // namespace

bool VerifyP256Signature(const uint8_t (&publicKey)[kP256PointBytes], const uint8_t* data, size_t size,
                         const uint8_t (&signature)[kP256SignatureBytes]) {
    if (data == nullptr && size > 0) return false;
    uint8_t digest[kSha256Bytes];
    if (!Sha256OfBytes(data, size, digest)) return false;
    KeyRun run;
    if (!run.Import(publicKey)) return false;
    unsigned char raw[kP256SignatureBytes];
    std::memcpy(raw, signature, sizeof raw);
    return BCRYPT_SUCCESS(run.cng.verify(run.key, nullptr, digest, kSha256Bytes, raw, sizeof raw, 0));
}
