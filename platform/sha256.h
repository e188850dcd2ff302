// SHA-256 of a file by the platform's own means: BCrypt on Windows, OpenSSL's
// libcrypto elsewhere. Used to check a firmware file against the digest
// published beside it and to name files in the run log and the history.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int kSha256Bytes = 32;
inline constexpr int kSha256HexChars = 2 * kSha256Bytes;

// Hashes the file's bytes. False when the file cannot be read or hashed;
// `fileBytes`, when given, receives the file's size.
bool Sha256OfFile(const char* path, uint8_t (&digest)[kSha256Bytes], int64_t* fileBytes = nullptr);
// Hashes `count` bytes already in memory. False when they cannot be hashed.
bool Sha256OfBytes(const uint8_t* bytes, size_t count, uint8_t (&digest)[kSha256Bytes]);

// Lower-case hexadecimal, terminated.
inline void Sha256Hex(const uint8_t (&digest)[kSha256Bytes], char (&out)[kSha256HexChars + 1]) {
    constexpr char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < kSha256Bytes; ++i) {
        out[2 * i] = kDigits[digest[i] >> 4];
        out[2 * i + 1] = kDigits[digest[i] & 0x0F];
    }
    out[kSha256HexChars] = '\0';
}
