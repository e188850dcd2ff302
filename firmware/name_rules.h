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

// The file's tag: the text strictly between the first and the last
// underscore of `name`. False, with `tag` empty, when the name has fewer
// than two underscores or the tag does not fit `size`.
bool FormFileTag(const char* name, char* tag, size_t size);

// The list text: "v.", the (at most) three characters after the first "v"
// of `name`, and four spaces. False, with `label` empty, when the name has
// no "v" or the text does not fit `size`.
bool FormEntryLabel(const char* name, char* label, size_t size);
