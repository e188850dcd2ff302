// The naming rules of firmware files: which names fit which device, and the
// tag and list text a name carries. They are the contract with whoever
// prepares the firmware files; all tests are exact and case-sensitive.
#pragma once

#include <cstddef>
#include <cstdint>

// True when `name` carries the words the device's kind, product id and
// model require: a generic adapter (headset) takes every name with "Base"
// ("Headset") and "ef"; a named model takes "RX93_Base" or "RX71_Base"
// ("RX93_Headset", "RX71_Headset") with "ef" when its modelText holds that
// model. Every other device takes nothing.
bool FileFitsDevice(const char* name, uint32_t kind, uint32_t productId, const char* modelText);

// Why a name does or does not fit a device, for the people who name files.
enum NameVerdict {
    NameFits,
    NameNoRule,        // no file fits this pairing of kind and product id
    NameModelUnknown,  // the device's model is none that its rules name
    NameLacksWord,     // the name lacks `word` (such as "RX93_Headset")
    NameLacksEf,       // the name lacks "ef"
};

struct NameCheck {
    NameVerdict verdict = NameNoRule;
    const char* word = "";   // the missing word, for NameLacksWord
    const char* model = "";  // the model of the rule that was applied ("" for a generic device)
};

// The same rules as FileFitsDevice (fits exactly when it does); a misfit
// is explained against the rule of the device's own model.
NameCheck CheckFileName(const char* name, uint32_t kind, uint32_t productId, const char* modelText);

// The file's tag: the text strictly between the first and the last
// underscore of `name`. False, with `tag` empty, when the name has fewer
// than two underscores or the tag does not fit `size`.
bool FormFileTag(const char* name, char* tag, size_t size);

// The list text: "v.", the (at most) three characters after the first "v"
// of `name`, and four spaces. False, with `label` empty, when the name has
// no "v" or the text does not fit `size`.
bool FormEntryLabel(const char* name, char* label, size_t size);

// The version a file's name carries: the (at most) three characters after
// its first "v", as the list text shows them ("1_2"). False, with `version`
// empty, when the name has no "v" or the text does not fit `size`.
bool FormFileVersion(const char* name, char* version, size_t size);

// A device as one naming rule names it: its kind, product id and model (""
// for a generic device, which asks nothing of the model).
struct RuleDevice {
    uint32_t kind = 0;
    uint32_t productId = 0;
    const char* model = "";
};
// The devices of the rules, one per rule, in the table's order: what a tool
// tries each file against to learn every device it fits.
int RuleDeviceCount();
RuleDevice RuleDeviceAt(int index);
