// Checking a firmware file against the digest published beside it.
#include "firmware/digest_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "firmware/bounded_path.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

bool ParseDigestText(const char* text, uint8_t (&digest)[kSha256Bytes]) {
    if (text == nullptr) return false;
    if (std::strncmp(text, "\xEF\xBB\xBF", 3) == 0) text += 3;
    while (IsBlank(*text)) ++text;
    for (int i = 0; i < kSha256Bytes; ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = high < 0 ? -1 : HexValue(text[2 * i + 1]);
        if (low < 0) return false;
        digest[i] = static_cast<uint8_t>(high * 16 + low);
    }
    const char after = text[kSha256HexChars];
    return after == '\0' || IsBlank(after);
}

DigestCheck CheckPublishedDigest(const char* imagePath, const uint8_t (&digest)[kSha256Bytes], bool haveDigest) {
    char path[kPathChars + 8] = {};
    // A name too long for its .sha256 beside it cannot have one the system would open.
    if (!AppendBounded(path, imagePath) || !AppendBounded(path, ".sha256")) return DigestAbsent;
    std::FILE* file = std::fopen(path, "rb");
    // Only a file that is not there is absent. One that is there but cannot
    // be read (a folder of that name, access denied, held by a sync tool)
    // may still publish a digest the file would fail: refuse.
    if (file == nullptr) return errno == ENOENT || errno == ENOTDIR ? DigestAbsent : DigestUnreadable;
    char text[256] = {};
    const size_t got = std::fread(text, 1, sizeof text - 1, file);
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    text[got] = '\0';
    uint8_t published[kSha256Bytes];
    if (!haveDigest || readError || !ParseDigestText(text, published)) return DigestUnreadable;
    return std::memcmp(published, digest, kSha256Bytes) == 0 ? DigestMatches : DigestDiffers;
}
