// Arbitrary bytes as a firmware image file: the line reader must agree with a
// plain text-mode translation, every line's byte with sscanf's "%x" where the
// two are defined alike, and the loaded image with both.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "firmware/text_lines.h"

namespace {

// One scratch file per fuzzing process, removed when it exits.
struct ScratchFile {
    std::string path = "/tmp/image_line_fuzz." + std::to_string(getpid());
    ~ScratchFile() { std::remove(path.c_str()); }
};

const std::string& FilePath() {
    static const ScratchFile file;
    return file.path;
}

// What text mode makes of the bytes: CR LF becomes LF, 0x1A ends the file.
std::string Translate(const uint8_t* data, size_t size) {
    std::string text;
    for (size_t i = 0; i < size && data[i] != 0x1A; ++i) {
        if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') continue;
        text += static_cast<char>(data[i]);
    }
    return text;
}

// glibc's "%x" keeps the low 32 bits only while the digits fit 64 bits.
bool ComparableWithScanf(const std::string& line) {
    int run = 0;
    for (char c : line) {
        run = std::isxdigit(static_cast<unsigned char>(c)) ? run + 1 : 0;
        if (run > 15) return false;
    }
    return true;
}

void CheckAgainstScanf(const std::string& line, bool scanned, uint8_t byte) {
    if (!ComparableWithScanf(line)) return;
    unsigned int value = 0;
    const bool reference = std::sscanf(line.c_str(), "%x", &value) == 1;
    if (reference != scanned || (scanned && static_cast<uint8_t>(value) != byte)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* out = std::fopen(FilePath().c_str(), "wb");
    if (out == nullptr) return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);

    // Each piece: the next 1 to 149 characters of the text, ending after
    // the first '\n'; together the pieces are the whole text.
    const std::string text = Translate(data, size);
    TextLines lines;
    if (!lines.Open(FilePath().c_str())) return 0;
    std::vector<uint8_t> bytes;
    uint8_t kept = 0;
    size_t at = 0;
    char line[kImageLineChars];
    ImageLoad expected;  // the first rule a piece breaks
    while (const size_t got = lines.ReadLine(line, sizeof line)) {
        size_t length = 0;
        while (length < kImageLineChars - 1 && at + length < text.size()) {
            if (text[at + length++] == '\n') break;
        }
        if (got != length || std::memcmp(line, text.data() + at, length) != 0 || line[length] != '\0') std::abort();
        const bool ended = text[at + length - 1] == '\n';
        at += length;
        uint8_t byte = kept;
        const bool scanned = ScanImageLine(line, byte);
        CheckAgainstScanf(line, scanned, byte);
        kept = byte;
        bytes.push_back(kept);
        const int32_t number = static_cast<int32_t>(bytes.size());
        if (expected) {
            if (std::memchr(line, '\r', length) != nullptr) expected = {ImageLoneCr, number};
            else if (!ended && length == kImageLineChars - 1) expected = {ImageLineTooLong, number};
            else if (number > 1 && !scanned) expected = {ImageNoNumber, number};
        }
    }
    if (at != text.size()) std::abort();

    FirmwareImage image;
    const ImageLoad load = LoadFirmwareImage(FilePath().c_str(), image);
    if (load.problem != expected.problem || load.line != expected.line) std::abort();
    if (!load) {
        if (image.imageBytes != nullptr) std::abort();
        return 0;
    }
    if (image.byteCount != static_cast<int32_t>(bytes.size())) std::abort();
    if (image.pageCount != (image.byteCount + kImagePageBytes - 1) / kImagePageBytes) std::abort();
    for (int32_t i = 0; i < image.byteCount + kImageSpareBytes; ++i) {
        const uint8_t expected = i < image.byteCount ? bytes[static_cast<size_t>(i)] : 0;
        if (image.imageBytes[i] != expected) std::abort();
    }
    ReleaseFirmwareImage(image);
    return 0;
}
