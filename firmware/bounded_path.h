// Paths and names live in fixed 260-character buffers; every path is built
// by appends that cut at the buffer's last character, so that no path ever
// runs past its buffer. Callers that must not use a cut path check the result.
#pragma once

#include <cstddef>

#include "platform/system.h"

// Appends `text` to the terminated text in `buffer` (of `size` characters),
// keeping at most size - 1 characters. True when all of `text` fitted.
inline bool AppendBounded(char* buffer, size_t size, const char* text) {
    if (buffer == nullptr || size == 0) return false;
    size_t length = 0;
    while (length + 1 < size && buffer[length] != '\0') ++length;
    size_t taken = 0;
    if (text != nullptr) {
        for (; text[taken] != '\0' && length + 1 < size; ++taken) buffer[length++] = text[taken];
    }
    buffer[length] = '\0';
    return text == nullptr || text[taken] == '\0';
}

template <size_t N>
bool AppendBounded(char (&buffer)[N], const char* text) {
    return AppendBounded(buffer, N, text);
}

// Builds "<working folder><separator>files<separator>", the folder of the
// firmware files. False when the working folder is unknown or the path was
// cut. A working folder that already ends in a separator (a drive's root)
// gets no second one.
inline bool FilesFolderPath(System& system, char (&out)[kPathChars]) {
    out[0] = '\0';
    if (!system.CurrentFolder(out, sizeof out)) {
        out[0] = '\0';
        return false;
    }
    out[kPathChars - 1] = '\0';
    const char separator[2] = {kPathSeparator, '\0'};
    size_t length = 0;
    while (out[length] != '\0') ++length;
    const bool endsInSeparator = length > 0 && (out[length - 1] == kPathSeparator || out[length - 1] == '/');
    bool fitted = endsInSeparator || AppendBounded(out, separator);
    fitted = AppendBounded(out, "files") && fitted;
    return AppendBounded(out, separator) && fitted;
}
