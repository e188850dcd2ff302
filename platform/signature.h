// ECDSA P-256 signatures checked by the platform's own means: BCrypt on
// Windows, OpenSSL's libcrypto elsewhere. The signed firmware catalogue
// stands on it.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int kP256PointBytes = 65;      // 0x04, then X and Y, 32 bytes each, big-endian
inline constexpr int kP256SignatureBytes = 64;  // r, then s, 32 bytes each, big-endian

// True when `signature` is a valid ECDSA signature with SHA-256 over the
// `size` bytes at `data` by the holder of `publicKey`, an uncompressed
// point. False for anything else: a point that is not on the curve, a
// malformed signature, a system that lacks the calls.
bool VerifyP256Signature(const uint8_t (&publicKey)[kP256PointBytes], const uint8_t* data, size_t size,
                         const uint8_t (&signature)[kP256SignatureBytes]);
