// Arbitrary names and devices through the naming rules and the tag and label
// forming: nothing may be read or written past a name or a buffer, and what
// is formed must be what the rules say.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "firmware/name_rules.h"

namespace {

constexpr uint32_t kKinds[] = {12, 13, 14};
constexpr uint32_t kProducts[] = {0x170D0100, 0x170D0101, 0x28F80108, 0x28F80109, 0x28F80106, 0x12345678};

void CheckTag(const char* name) {
    const char* first = std::strchr(name, '_');
    const bool formable = first != nullptr && first != std::strrchr(name, '_');
    // Exactly as large as the longest tag, so that a write past it is caught.
    const size_t size = std::strlen(name) + 1;
    char* tag = static_cast<char*>(std::malloc(size));
    if (FormFileTag(name, tag, size) != formable) std::abort();
    if (formable && std::strncmp(tag, first + 1, std::strlen(tag)) != 0) std::abort();
    if (formable && first + 1 + std::strlen(tag) != std::strrchr(name, '_')) std::abort();
    std::free(tag);
}

void CheckLabel(const char* name) {
    char* label = static_cast<char*>(std::malloc(10));
    const char* v = std::strchr(name, 'v');
    if (FormEntryLabel(name, label, 10) != (v != nullptr)) std::abort();
    if (v != nullptr) {
        const size_t length = std::strlen(label);
        if (length < 6 || length > 9 || std::strncmp(label, "v.", 2) != 0) std::abort();
        if (std::strcmp(label + length - 4, "    ") != 0) std::abort();
        if (std::strncmp(label + 2, v + 1, length - 6) != 0) std::abort();
    }
    std::free(label);
}

}  // namespace

// Byte 0 picks the kind and product, bytes up to the first NUL after it are
// the model text, the rest is the name.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint32_t kind = kKinds[data[0] % 3];
    const uint32_t productId = kProducts[(data[0] / 3) % 6];
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t split = rest.find('\0');
    const std::string model = rest.substr(0, split);
    const std::string name = split == std::string::npos ? "" : rest.substr(split + 1, 259);

    // Heap copies of exactly their length, so that any over-read is caught.
    char* nameCopy = static_cast<char*>(std::malloc(name.size() + 1));
    std::memcpy(nameCopy, name.c_str(), name.size() + 1);
    char* modelCopy = static_cast<char*>(std::malloc(model.size() + 1));
    std::memcpy(modelCopy, model.c_str(), model.size() + 1);

    const bool fits = FileFitsDevice(nameCopy, kind, productId, modelCopy);
    if (fits && std::strstr(nameCopy, "ef") == nullptr) std::abort();
    CheckTag(nameCopy);
    CheckLabel(nameCopy);
    std::free(modelCopy);
    std::free(nameCopy);
    return 0;
}
