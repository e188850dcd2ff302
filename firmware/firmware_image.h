// A firmware image read from its text file (one byte per line) into the
// buffer the update engine programs and verifies page by page, and the
// serial-memory type named by the file's name.
//
// A file is a firmware image when, read in text mode (CR LF reads as a line
// end, the byte 0x1A ends the file):
// - no line holds a carriage return that is not followed by a line feed;
// - no line is longer than 148 characters before its line end (longer lines
//   would be read in pieces, each piece taking a byte of its own);
// - every line after the first begins, after blanks, with a hexadecimal
//   number as "%x" reads it (the first line may hold text alone: it carries
//   the file's tag, and its byte is then 0);
// - it has at most 192 pages of lines (more cannot be addressed).
// Anything else is refused with the first line that breaks a rule, and the
// file is read no further than that line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "firmware/image_line.h"

class TextLines;
struct FirmwareFile;

inline constexpr int32_t kImagePageBytes = 1024;
inline constexpr int32_t kImageSpareBytes = 1024;  // zeros after the image, so the last page reads whole
inline constexpr int32_t kWorkBufferBytes = 1024;
inline constexpr int32_t kMaxImagePages = 192;  // page 192 would be written over page 128
inline constexpr int32_t kMaxImageLines = kMaxImagePages * kImagePageBytes;

// Why a file cannot be loaded as an image.
enum ImageProblem : int32_t {
    ImageOk = 0,
    ImageUnreadable,   // it cannot be opened or read
    ImageNoMemory,
    ImageTooLarge,     // more than kMaxImageLines lines
    ImageLoneCr,       // a carriage return without a line feed after it
    ImageLineTooLong,  // more than 148 characters before the line end
    ImageNoNumber,     // a line after the first without a hexadecimal number
};

// The outcome of loading: the problem and its 1-based line (0 when the
// problem has no line). True when the image was loaded.
struct ImageLoad {
    ImageProblem problem = ImageOk;
    int32_t line = 0;
    explicit operator bool() const { return problem == ImageOk; }
};

// Serial-memory codes, kept in RunRequest::memoryType.
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

// Reads the image file at `path`. On any problem `image` is left empty. An
// image already held in `image` is released first. An empty file loads as
// an empty image (the engine decides what to do with it).
ImageLoad LoadFirmwareImage(const char* path, FirmwareImage& image);
// The same from a file's bytes already read.
ImageLoad LoadFirmwareImage(const FirmwareFile& file, FirmwareImage& image);
// Frees both buffers and empties `image`; harmless when already empty.
void ReleaseFirmwareImage(FirmwareImage& image);
// How many images are loaded and not yet released, across the process.
int32_t FirmwareImagesHeld();

// The two passes of LoadFirmwareImage, exposed for tests.
// Counts and checks the lines left in `lines`, stopping at the first line
// that breaks a rule or lies past `maxLines`.
ImageLoad CheckImageLines(TextLines& lines, int32_t maxLines, int32_t& count);
// Stores one byte per line into `imageBytes`, at most `limit` of them (the
// count of the first pass, should the file have grown), checking each line
// again should the file have changed; `count` receives how many.
ImageLoad ReadImageBytes(TextLines& lines, uint8_t* imageBytes, int32_t limit, int32_t& count);
// The rules for one piece of `length` characters read as line `lineNumber`.
ImageProblem CheckImageLine(const char* piece, size_t length, int32_t lineNumber);

// The memory type the words in a firmware file's name (not its folder)
// name; `previous` when the name names no memory.
int32_t MemoryTypeFromName(const char* fileName, int32_t previous);
