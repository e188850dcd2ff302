// Writing one JSON object as one line, for the modules that build events
// and records. Invalid UTF-8 (a file name in another code page) is replaced,
// never thrown about.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

using JsonObject = nlohmann::ordered_json;

// The object as one line, "\n" included.
std::string JsonLine(const JsonObject& object);

struct Console;
// {"event":<event>,<event>:<body>} on standard output.
void EmitEvent(Console& console, const char* event, JsonObject body);

// Sets `key` to `name`; a name that is not UTF-8 (bytes of another code
// page) also gets `key`_hex, its exact bytes in hexadecimal, which a script
// passes back with --name-hex: the text alone would come back replaced.
void PutName(JsonObject& object, const char* key, const char* name);

// True when `text` is well-formed UTF-8.
bool IsUtf8(const char* text);
