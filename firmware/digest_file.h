// The published digest of a firmware file: NAME.sha256 beside NAME, holding
// the SHA-256 of the file's bytes as 64 hexadecimal digits, as sha256sum
// writes it (the digest, then blanks and a name, which is not read). When
// the file is there, the firmware must match it or the run is refused.
#pragma once

#include <cstdint>

#include "platform/sha256.h"

enum DigestCheck : int32_t {
    DigestAbsent = 0,  // no NAME.sha256 beside the file
    DigestMatches,
    DigestDiffers,
    DigestUnreadable,  // NAME.sha256 is there but cannot be read or holds no digest, or the file could not be hashed
};

// Compares the digest of the file at `imagePath` (`haveDigest` false when it
// could not be computed) with NAME.sha256 beside it.
DigestCheck CheckPublishedDigest(const char* imagePath, const uint8_t (&digest)[kSha256Bytes], bool haveDigest);

// Reads the digest from the text of a NAME.sha256 file: blanks (and a UTF-8
// byte-order mark) before it, 64 hexadecimal digits of either case, then the
// end of the text or a blank. False for anything else.
bool ParseDigestText(const char* text, uint8_t (&digest)[kSha256Bytes]);
