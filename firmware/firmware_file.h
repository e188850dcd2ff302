// A firmware file's bytes, read once. The run hashes them for the published
// digest and the record, and loads its image from them: what is checked is
// what is written, even if the file changes on disk meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>

#include "firmware/firmware_image.h"
#include "firmware/image_line.h"

// No firmware image's text is longer: one line past the most lines an image
// may have, each as long as a line may be, with its CR LF.
inline constexpr size_t kMaxFirmwareFileBytes = (static_cast<size_t>(kMaxImageLines) + 1) * kImageLineChars;

struct FirmwareFile {
    uint8_t* bytes = nullptr;  // count bytes, owned; null when not read
    size_t count = 0;
};

enum FileRead : int32_t {
    FileReadDone = 0,
    FileReadUnreadable,  // it cannot be opened or read whole
    FileReadTooLarge,    // longer than any firmware image's text
    FileReadNoMemory,
};

// Reads the whole file at `path`. On any problem `file` is left empty.
FileRead ReadFirmwareFile(const char* path, FirmwareFile& file);
// Frees the bytes; harmless when already empty.
void ReleaseFirmwareFile(FirmwareFile& file);
