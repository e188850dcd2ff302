// Reads text files line by line exactly as the Windows C runtime's fgets
// reads a file opened in text mode, on every platform: the file is opened in
// binary and translated here, so a CR LF file and an LF file give the same
// lines on Windows and Linux, and so do the image reader's two passes. The
// text may also be a file's bytes already in memory.
#pragma once

#include <cstddef>
#include <cstdio>

class TextLines {
   public:
    TextLines() = default;
    ~TextLines() { Close(); }
    TextLines(const TextLines&) = delete;
    TextLines& operator=(const TextLines&) = delete;

    // False when the file cannot be opened for reading.
    bool Open(const char* path);
    // Reads `count` bytes at `bytes`, which must outlive the reading.
    void OpenBytes(const unsigned char* bytes, size_t count);
    void Close();
    // Back to the first line. False when the file cannot be repositioned.
    bool Rewind();

    // Reads the next piece of a line into `buffer` (of `size` characters) as
    // fgets does: at most size - 1 characters, ending after a '\n' when it
    // fits, always terminated. CR LF reads as '\n' (a lone CR stays) and the
    // byte 0x1A ends the file. Returns the characters read (a NUL among them
    // counts), 0 at the end.
    size_t ReadLine(char* buffer, size_t size);

   private:
    int NextRawByte();  // -1 at the end or on an error
    int NextChar();     // after text-mode translation; -1 at the end
    bool Refill();

    std::FILE* file_ = nullptr;
    const unsigned char* memory_ = nullptr;  // the bytes read, when not a file
    size_t memoryCount_ = 0;
    size_t memoryAt_ = 0;
    bool ended_ = false;
    size_t have_ = 0;  // bytes in block_
    size_t at_ = 0;    // next byte of block_
    unsigned char block_[4096];
};
