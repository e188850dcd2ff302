// Parsing the simulator's device file.
#include "sim/device_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace sim {
namespace {

// Copies the next blank-delimited word of `line` into `word`; returns the
// rest of the line, or null at its end.
const char* NextWord(const char* line, char* word, size_t size) {
    while (*line == ' ' || *line == '\t' || *line == '\r') ++line;
    if (*line == '\0' || *line == '#') return nullptr;
    size_t n = 0;
    while (*line != '\0' && *line != ' ' && *line != '\t' && *line != '\r') {
        if (n + 1 < size) word[n++] = *line;
        ++line;
    }
    word[n] = '\0';
    return line;
}

int32_t ParseInt(const char* text) { return static_cast<int32_t>(std::strtol(text, nullptr, 0)); }

uint32_t ParseHex(const char* text) { return static_cast<uint32_t>(std::strtoul(text, nullptr, 16)); }

// Reads pairs of hex digits into `out`, at most `size` bytes.
void ParseHexBytes(const char* text, uint8_t* out, size_t size) {
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
    for (size_t i = 0; i < size && text[0] != '\0' && text[1] != '\0'; ++i, text += 2) {
        const char pair[3] = {text[0], text[1], '\0'};
        out[i] = static_cast<uint8_t>(std::strtoul(pair, nullptr, 16));
    }
}

struct WordBit {
    const char* word;
    uint32_t bit;
};

// The bits of a comma-separated list of words; unknown words count nothing.
uint32_t ParseWordList(const char* list, const WordBit* names, size_t count) {
    uint32_t bits = 0;
    char word[32];
    while (*list != '\0') {
        size_t n = 0;
        while (*list != '\0' && *list != ',') {
            if (n + 1 < sizeof word) word[n++] = *list;
            ++list;
        }
        word[n] = '\0';
        if (*list == ',') ++list;
        for (size_t i = 0; i < count; ++i) {
            if (std::strcmp(word, names[i].word) == 0) bits |= names[i].bit;
        }
    }
    return bits;
}

uint32_t ParseFaults(const char* list) {
    static const WordBit kNames[] = {
        {"find", FailFind},       {"open", FailOpen},       {"kind", FailKindPeek},
        {"peek", FailPeek},       {"version", FailVersion}, {"rom", FailRomMode},
        {"reset", FailReset},     {"close", FailClose},     {"packets", FailPackets},
    };
    return ParseWordList(list, kNames, std::size(kNames));
}

uint32_t ParseStartState(const char* list) {
    static const WordBit kNames[] = {{"interrupted", StartInterrupted}, {"rommode", StartRomMode}};
    return ParseWordList(list, kNames, std::size(kNames));
}

void ApplySetting(DeviceSpec& device, const char* key, const char* value) {
    if (std::strcmp(key, "product") == 0) {
        device.productId = ParseHex(value);
    } else if (std::strcmp(key, "kind") == 0) {
        device.kind = static_cast<uint32_t>(ParseInt(value));
    } else if (std::strcmp(key, "identity") == 0) {
        std::memset(device.identity, 0, sizeof device.identity);
        ParseHexBytes(value, device.identity, sizeof device.identity);
    } else if (std::strcmp(key, "reply") == 0) {
        std::memset(device.reply, 0, sizeof device.reply);
        std::strncpy(reinterpret_cast<char*>(device.reply), value, sizeof device.reply);
    } else if (std::strcmp(key, "replyhex") == 0) {
        std::memset(device.reply, 0, sizeof device.reply);
        ParseHexBytes(value, device.reply, sizeof device.reply);
    } else if (std::strcmp(key, "status") == 0) {
        device.okStatus = ParseInt(value);
    } else if (std::strcmp(key, "packetstatus") == 0) {
        device.packetStatus = ParseInt(value);
    } else if (std::strcmp(key, "fail") == 0) {
        device.faults = ParseFaults(value);
    } else if (std::strcmp(key, "failpacket") == 0) {
        device.failPacket = ParseInt(value);
    } else if (std::strcmp(key, "failpage") == 0) {
        device.failPage = ParseInt(value);
    } else if (std::strcmp(key, "flipbit") == 0) {
        // ADDRESS:BIT, the address in hex
        device.flipBitAddress = static_cast<int32_t>(ParseHex(value));
        const char* colon = std::strchr(value, ':');
        device.flipBit = colon != nullptr ? ParseInt(colon + 1) & 7 : 0;
    } else if (std::strcmp(key, "unplugafter") == 0) {
        device.unplugAfter = ParseInt(value);
    } else if (std::strcmp(key, "latency") == 0) {
        device.latencyMs = ParseInt(value);
    } else if (std::strcmp(key, "state") == 0) {
        device.startState = ParseStartState(value);
    }
}

void ParseDevice(const char* rest, DeviceFile& out) {
    char word[96];
    rest = NextWord(rest, word, sizeof word);
    if (rest == nullptr || out.deviceCount >= kMaxDevices) return;
    DeviceSpec& device = out.devices[out.deviceCount++];
    device = DeviceSpec{};
    device.failPage = -1;
    device.flipBitAddress = -1;
    const size_t length = strnlen(word, sizeof device.name - 1);
    std::memcpy(device.name, word, length);
    device.name[length] = '\0';
    while ((rest = NextWord(rest, word, sizeof word)) != nullptr) {
        char* equals = std::strchr(word, '=');
        if (equals == nullptr) continue;
        *equals = '\0';
        ApplySetting(device, word, equals + 1);
    }
}

// A path setting: the next word, or "off" for none.
void SetPath(const char* rest, char (&path)[kTracePathChars]) {
    char word[kTracePathChars];
    if (NextWord(rest, word, sizeof word) == nullptr) return;
    if (std::strcmp(word, "off") == 0) word[0] = '\0';
    std::snprintf(path, sizeof path, "%s", word);
}

// The rest of the line, without the spaces around it: a recording's name
// may hold spaces (the window's do).
void SetWholePath(const char* rest, char (&path)[kTracePathChars]) {
    while (*rest == ' ' || *rest == '\t') ++rest;
    size_t length = std::strlen(rest);
    while (length > 0 && (rest[length - 1] == ' ' || rest[length - 1] == '\t' || rest[length - 1] == '\r')) --length;
    if (length >= kTracePathChars) return;
    std::memcpy(path, rest, length);
    path[length] = '\0';
}

void ParseLine(const char* line, DeviceFile& out) {
    char word[kTracePathChars];
    const char* rest = NextWord(line, word, sizeof word);
    if (rest == nullptr) return;
    if (std::strcmp(word, "device") == 0) {
        ParseDevice(rest, out);
    } else if (std::strcmp(word, "list") == 0) {
        if (NextWord(rest, word, sizeof word) != nullptr && std::strcmp(word, "fail") == 0) out.listFails = true;
    } else if (std::strcmp(word, "init") == 0) {
        if (NextWord(rest, word, sizeof word) != nullptr && std::strcmp(word, "fail") == 0) out.initFails = true;
    } else if (std::strcmp(word, "trace") == 0) {
        out.traceSet = out.traceSet || NextWord(rest, word, sizeof word) != nullptr;
        SetPath(rest, out.tracePath);
    } else if (std::strcmp(word, "stamps") == 0) {
        SetPath(rest, out.stampsPath);
    } else if (std::strcmp(word, "memory") == 0) {
        SetPath(rest, out.memoryFolder);
    } else if (std::strcmp(word, "replay") == 0) {
        SetWholePath(rest, out.replayPath);
    }
}

}  // namespace

void ParseDeviceFile(const char* text, DeviceFile& out) {
    out = DeviceFile{};
    char line[512];
    while (*text != '\0') {
        size_t n = 0;
        while (*text != '\0' && *text != '\n') {
            if (n + 1 < sizeof line) line[n++] = *text;
            ++text;
        }
        line[n] = '\0';
        if (*text == '\n') ++text;
        ParseLine(line, out);
    }
}

}  // namespace sim
