// A firmware image read from its text file (one byte per line) into the
// buffer the update engine programs and verifies page by page, and the
// serial-memory type named by the file's name.
#pragma once

#include <cstdint>

#include "firmware/image_line.h"

class TextLines;
struct UpdaterState;

inline constexpr int32_t kImagePageBytes = 1024;
inline constexpr int32_t kImageSpareBytes = 1024;  // zeros after the image, so the last page reads whole
inline constexpr int32_t kWorkBufferBytes = 1024;
// byteCount + kImageSpareBytes must still fit a signed 32-bit count.
inline constexpr int32_t kMaxImageLines = INT32_MAX - kImageSpareBytes;

// Serial-memory codes, kept in UpdaterState::memoryType.
enum MemoryTypeCode : int32_t {
    Memory24C512 = 16,
    Memory24AA512 = 17,
    Memory24C1024 = 21,
    Memory45PE10 = 36,
    Memory25L2006 = 40,
};

// Owned by one update run; empty (all null and 0) when not loaded.
struct FirmwareImage {
    uint8_t* imageBytes = nullptr;  // byteCount + kImageSpareBytes bytes, zero past the image
    int32_t byteCount = 0;          // lines read, one byte each
    int32_t pageCount = 0;          // byteCount / 1024, rounded up
    uint8_t* workBuffer = nullptr;  // kWorkBufferBytes, taken and released with imageBytes
};

// Reads the image file at `path`. False, with `image` left empty, when the
// file cannot be opened or memory cannot be had; any text file loads. An
// image already held in `image` is released first.
bool LoadFirmwareImage(const char* path, FirmwareImage& image);
// Frees both buffers and empties `image`; harmless when already empty.
void ReleaseFirmwareImage(FirmwareImage& image);
// How many images are loaded and not yet released, across the process.
int32_t FirmwareImagesHeld();

// The two passes of LoadFirmwareImage, exposed for tests.
// Counts the lines left in `lines`; false when there are more than `maxLines`.
bool CountImageLines(TextLines& lines, int32_t maxLines, int32_t& count);
// Stores one byte per line into `imageBytes`, at most `limit` of them (the
// count of the first pass, should the file have grown); returns how many.
int32_t ReadImageBytes(TextLines& lines, uint8_t* imageBytes, int32_t limit);

// Sets state.memoryType from the words in the chosen file's name (not its
// folder); keeps the previous value when the name names no memory.
void MemoryTypeFromName(UpdaterState& state, const char* fileName);
