// The table of user texts and the filling of their braces.
#include "app/user_texts.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kTexts[TextCount] = {
#define USER_TEXT_STRING(id, text) text,
    USER_TEXTS(USER_TEXT_STRING)
#undef USER_TEXT_STRING
};

// Appends `text` to out[0..size) at `length`, keeping room for the terminator.
void Put(char* out, size_t size, size_t& length, const char* text, size_t count) {
    for (size_t i = 0; i < count && length + 1 < size; ++i) out[length++] = text[i];
}

// The value of `{name}` as text, or false when the name is not known.
bool Value(const TextArgs& args, const char* name, size_t nameLength, char* out, size_t size) {
    auto is = [&](const char* known) { return std::strlen(known) == nameLength && std::strncmp(name, known, nameLength) == 0; };
    const char* text = nullptr;
    if (is("device")) text = args.device;
    else if (is("file")) text = args.file;
    else if (is("folder")) text = args.folder;
    else if (is("detail")) text = args.detail;
    if (text != nullptr || is("device") || is("file") || is("folder") || is("detail")) {
        std::snprintf(out, size, "%s", text != nullptr ? text : "");
        return true;
    }
    const int64_t* number = is("page") ? &args.page : is("pages") ? &args.pages : is("status") ? &args.status
                          : is("line") ? &args.line : nullptr;
    if (number == nullptr) return false;
    std::snprintf(out, size, "%lld", static_cast<long long>(*number));
    return true;
}

}  // namespace

const char* Text(TextId id) { return id >= 0 && id < TextCount ? kTexts[id] : ""; }

size_t FormatText(TextId id, const TextArgs& args, char* out, size_t size) {
    if (out == nullptr || size == 0) return 0;
    size_t length = 0;
    for (const char* at = Text(id); *at != '\0';) {
        const char* close = *at == '{' ? std::strchr(at, '}') : nullptr;
        char value[280];
        if (close != nullptr && Value(args, at + 1, static_cast<size_t>(close - at - 1), value, sizeof value)) {
            Put(out, size, length, value, std::strlen(value));
            at = close + 1;
        } else {
            Put(out, size, length, at, 1);
            ++at;
        }
    }
    out[length] = '\0';
    return length;
}

const char* DeviceNoun(uint32_t kind) { return kind == 13 ? "headset" : "adapter"; }
