// Choosing the pairing guide's address.
#include "ui/help_article.h"

#include <cstdio>
#include <cstring>

#include "ui/pointer_input.h"

namespace {

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

bool EndsWith(const char* text, const char* suffix) {
    const size_t length = std::strlen(text);
    const size_t count = std::strlen(suffix);
    if (length < count) return false;
    for (size_t i = 0; i < count; ++i) {
        const char c = text[length - count + i];
        if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != suffix[i]) return false;
    }
    return true;
}

// The first line of the file, without its line end. False when there is none.
bool FirstLine(const char* path, char (&out)[kPathChars]) {
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) return false;
    const bool read = std::fgets(out, sizeof out, file) != nullptr;
    std::fclose(file);
    if (!read) return false;
    const size_t length = std::strcspn(out, "\r\n");
    // A line that fills the buffer was cut: an address cut short is wrong.
    if (out[length] == '\0' && length + 1 == sizeof out) return false;
    out[length] = '\0';
    return true;
}

}  // namespace

bool IsHelpAddress(const char* address) {
    if (address == nullptr || address[0] == '\0' || std::strlen(address) >= kPathChars) return false;
    for (const char* at = address; *at != '\0'; ++at) {
        const unsigned char c = static_cast<unsigned char>(*at);
        if (c <= ' ' || c == '"' || c == '\'' || c == '<' || c == '>' || c == '|' || c == '^' || c == 127) return false;
    }
    if (StartsWith(address, "https://")) return address[8] != '\0';
    if (StartsWith(address, "http://")) return address[7] != '\0';
    const bool plainName = std::strpbrk(address, "\\/:%") == nullptr && address[0] != '.';
    return plainName && (EndsWith(address, ".html") || EndsWith(address, ".htm"));
}

void ChooseHelpArticle(const char* fromResource, const char* overrideFile, char (&out)[kPathChars]) {
    char line[kPathChars];
    const char* chosen = FirstLine(overrideFile, line) && IsHelpAddress(line) ? line
                         : IsHelpAddress(fromResource)                       ? fromResource
                                                                             : kHelpArticle;
    std::snprintf(out, sizeof out, "%s", chosen);
}
