// Values that one thread writes while another may read them, without locks:
// each is read and written whole. The worker fills the device records and
// the UI thread reads them; the UI writes what a run is asked to do before
// it sets the flag that hands the run over.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

using Flag = std::atomic<uint8_t>;  // 0 or 1; set by storing 1, tested against 1
using SharedInt = std::atomic<int32_t>;

// A short text that the worker rewrites while the UI thread may read it.
// Every character is its own atomic, so neither side ever blocks or races; a
// reader at worst sees a mix of the old and the new text, which the screens
// tolerate (the next discovery pass redraws), and its copy is always
// terminated.
template <size_t N>
struct SharedText {
    static_assert(N >= 1);
    std::atomic<char> chars[N]{};

    // Copies at most `maxChars` characters of `text` (fewer at a NUL) and
    // terminates; maxChars is cut to N - 1.
    void Store(const char* text, size_t maxChars = N - 1) {
        if (maxChars > N - 1) maxChars = N - 1;
        size_t i = 0;
        for (; i < maxChars && text[i] != '\0'; ++i) chars[i].store(text[i], std::memory_order_relaxed);
        chars[i].store('\0', std::memory_order_release);
    }

    char At(size_t i) const { return i < N ? chars[i].load(std::memory_order_relaxed) : '\0'; }

    // Copies the text into `out` (of `size` characters), always terminated.
    void Load(char* out, size_t size) const {
        if (size == 0) return;
        size_t i = 0;
        for (; i + 1 < size && i < N; ++i) {
            out[i] = chars[i].load(std::memory_order_acquire);
            if (out[i] == '\0') return;
        }
        out[i] = '\0';
    }

    // Compares the first `count` characters with `text`, stopping at a NUL
    // in either (as strncmp does); true when they differ.
    bool DiffersFrom(const char* text, size_t count) const {
        for (size_t i = 0; i < count; ++i) {
            const char mine = At(i);
            if (mine != text[i]) return true;
            if (mine == '\0') return false;
        }
        return false;
    }
};
