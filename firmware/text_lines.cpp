// Text-mode line reading done by hand, so that line counts do not depend on
// the C runtime of the platform.
#include "firmware/text_lines.h"

#include <cstring>

namespace {

constexpr int kEndOfFileMark = 0x1A;  // text mode stops reading at this byte

}  // namespace

bool TextLines::Open(const char* path) {
    Close();
    if (path == nullptr) return false;
    file_ = std::fopen(path, "rb");
    return file_ != nullptr;
}

void TextLines::OpenBytes(const unsigned char* bytes, size_t count) {
    Close();
    memory_ = bytes;
    memoryCount_ = bytes != nullptr ? count : 0;
}

void TextLines::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    memory_ = nullptr;
    memoryCount_ = memoryAt_ = 0;
    ended_ = false;
    have_ = at_ = 0;
}

bool TextLines::Rewind() {
    if (memory_ != nullptr) {
        memoryAt_ = 0;
    } else if (file_ == nullptr || std::fseek(file_, 0, SEEK_SET) != 0) {
        return false;
    }
    ended_ = false;
    have_ = at_ = 0;
    return true;
}

bool TextLines::Refill() {
    at_ = 0;
    if (memory_ != nullptr) {
        have_ = memoryCount_ - memoryAt_ < sizeof block_ ? memoryCount_ - memoryAt_ : sizeof block_;
        std::memcpy(block_, memory_ + memoryAt_, have_);
        memoryAt_ += have_;
    } else {
        have_ = std::fread(block_, 1, sizeof block_, file_);
    }
    return have_ > 0;
}

int TextLines::NextRawByte() {
    if (at_ == have_ && !Refill()) return -1;
    return block_[at_++];
}

int TextLines::NextChar() {
    if (ended_ || (file_ == nullptr && memory_ == nullptr)) return -1;
    const int c = NextRawByte();
    if (c < 0 || c == kEndOfFileMark) {
        ended_ = true;
        return -1;
    }
    if (c != '\r') return c;
    // Only a CR directly followed by LF collapses; look one byte ahead,
    // across a block boundary if need be.
    if (at_ == have_ && !Refill()) return '\r';
    if (block_[at_] != '\n') return '\r';
    ++at_;
    return '\n';
}

size_t TextLines::ReadLine(char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return 0;
    size_t length = 0;
    while (length + 1 < size) {
        const int c = NextChar();
        if (c < 0) break;
        buffer[length++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    buffer[length] = '\0';
    return length;
}
