// Reading a firmware file whole, within the longest text an image may have.
#include "firmware/firmware_file.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Owns the open file for one read.
struct OpenFile {
    std::FILE* file;
    ~OpenFile() {
        if (file != nullptr) std::fclose(file);
    }
};

}  // namespace

FileRead ReadFirmwareFile(const char* path, FirmwareFile& file) {
    ReleaseFirmwareFile(file);
    OpenFile open{path != nullptr ? std::fopen(path, "rb") : nullptr};
    if (open.file == nullptr) return FileReadUnreadable;
    // Read in growing steps rather than trusting a size taken beforehand:
    // the file may grow or shrink while it is read.
    size_t capacity = 0;
    size_t count = 0;
    uint8_t* bytes = nullptr;
    for (;;) {
        if (count == capacity) {
            if (capacity > kMaxFirmwareFileBytes) {
                std::free(bytes);
                return FileReadTooLarge;
            }
            const size_t grown = capacity == 0 ? 65536 : capacity * 2;
            auto* larger = static_cast<uint8_t*>(std::realloc(bytes, grown));
            if (larger == nullptr) {
                std::free(bytes);
                return FileReadNoMemory;
            }
            bytes = larger;
            capacity = grown;
        }
        const size_t got = std::fread(bytes + count, 1, capacity - count, open.file);
        count += got;
        if (got == 0) break;
    }
    if (std::ferror(open.file) || count > kMaxFirmwareFileBytes) {
        std::free(bytes);
        return std::ferror(open.file) ? FileReadUnreadable : FileReadTooLarge;
    }
    file.bytes = bytes;
    file.count = count;
    return FileReadDone;
}

void ReleaseFirmwareFile(FirmwareFile& file) {
    std::free(file.bytes);
    file = FirmwareFile{};
}
