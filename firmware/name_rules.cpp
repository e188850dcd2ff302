// One table of naming rules; a device with two models has one row per model.
#include "firmware/name_rules.h"

#include <cstring>

#include "device/found_devices.h"
#include "device/discovery.h"

namespace {

struct NamingRule {
    uint32_t kind;
    uint32_t productId;
    const char* nameWord;  // the name must hold it and "ef"
    const char* model;     // modelText must hold it; "" asks nothing
};

constexpr NamingRule kNamingRules[] = {
    {KindAdapter, kProductGenericAdapter, "Base", ""},
    {KindAdapter, kProductAdapterA, "RX93_Base", "RX93"},
    {KindAdapter, kProductAdapterA, "RX71_Base", "RX71"},
    {KindAdapter, kProductAdapterB, "RX93_Base", "RX93"},
    {KindAdapter, kProductAdapterB, "RX71_Base", "RX71"},
    {KindHeadset, kProductGenericHeadset, "Headset", ""},
    {KindHeadset, kProductHeadset, "RX93_Headset", "RX93"},
    {KindHeadset, kProductHeadset, "RX71_Headset", "RX71"},
};

bool Holds(const char* text, const char* word) { return std::strstr(text, word) != nullptr; }

void Empty(char* text, size_t size) {
    if (text != nullptr && size > 0) text[0] = '\0';
}

}  // namespace

bool FileFitsDevice(const char* name, uint32_t kind, uint32_t productId, const char* modelText) {
    return CheckFileName(name, kind, productId, modelText).verdict == NameFits;
}

NameCheck CheckFileName(const char* name, uint32_t kind, uint32_t productId, const char* modelText) {
    NameCheck check;
    if (name == nullptr) return check;
    if (modelText == nullptr) modelText = "";
    const NamingRule* applied = nullptr;
    for (const NamingRule& rule : kNamingRules) {
        if (rule.kind != kind || rule.productId != productId) continue;
        if (!Holds(modelText, rule.model)) {
            if (check.verdict == NameNoRule) check.verdict = NameModelUnknown;
            continue;
        }
        if (Holds(name, rule.nameWord) && Holds(name, "ef")) {
            check.verdict = NameFits;
            check.model = rule.model;
            return check;
        }
        if (applied == nullptr) applied = &rule;
    }
    if (applied == nullptr) return check;
    check.model = applied->model;
    check.word = applied->nameWord;
    check.verdict = Holds(name, applied->nameWord) ? NameLacksEf : NameLacksWord;
    return check;
}

bool FormFileTag(const char* name, char* tag, size_t size) {
    Empty(tag, size);
    if (name == nullptr || tag == nullptr) return false;
    const char* first = std::strchr(name, '_');
    const char* last = std::strrchr(name, '_');
    if (first == nullptr || first == last) return false;
    const size_t length = static_cast<size_t>(last - first - 1);
    if (length + 1 > size) return false;
    std::memcpy(tag, first + 1, length);
    tag[length] = '\0';
    return true;
}

bool FormFileVersion(const char* name, char* version, size_t size) {
    Empty(version, size);
    if (name == nullptr || version == nullptr) return false;
    const char* v = std::strchr(name, 'v');
    if (v == nullptr) return false;
    size_t length = 0;
    while (length < 3 && v[1 + length] != '\0') ++length;
    if (length + 1 > size) return false;
    std::memcpy(version, v + 1, length);
    version[length] = '\0';
    return true;
}

bool FormEntryLabel(const char* name, char* label, size_t size) {
    Empty(label, size);
    char version[4];
    if (label == nullptr || !FormFileVersion(name, version, sizeof version)) return false;
    const size_t versionChars = std::strlen(version);
    const size_t length = 2 + versionChars + 4;
    if (length + 1 > size) return false;
    label[0] = 'v';
    label[1] = '.';
    std::memcpy(label + 2, version, versionChars);
    std::memcpy(label + 2 + versionChars, "    ", 4);
    label[length] = '\0';
    return true;
}

int RuleDeviceCount() { return static_cast<int>(sizeof kNamingRules / sizeof kNamingRules[0]); }

RuleDevice RuleDeviceAt(int index) {
    if (index < 0 || index >= RuleDeviceCount()) return RuleDevice{};
    const NamingRule& rule = kNamingRules[index];
    return RuleDevice{rule.kind, rule.productId, rule.model};
}
