// Reading a recording: nlohmann-json parses each line without throwing; the
// checks here bound what it found.
#include "device/recorded_calls.h"

#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "device/call_recording.h"

namespace {

using Json = nlohmann::json;

struct Reader {
    Recording& out;
    char* problem;
    size_t size;
    int64_t line = 0;

    bool Fail(const char* what) {
        std::snprintf(problem, size, "line %lld of the recording %s", static_cast<long long>(line), what);
        return false;
    }
};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsInput(ArgKind kind) {
    return kind == ArgNumber || kind == ArgHandle || kind == ArgBytesIn || kind == ArgHandleInOut;
}

bool IsOutput(ArgKind kind) {
    return !IsInput(kind) || kind == ArgHandleInOut;
}

bool IsBuffer(ArgKind kind) {
    return kind == ArgBytesIn || kind == ArgBytesOut;
}

bool ReadValue(Reader& reader, const Json& json, const ArgLayout& arg, RecordedValue& value) {
    value.present = true;
    if (json.is_null()) {
        value.null = true;
        return true;
    }
    if (!IsBuffer(arg.kind)) {
        if (!json.is_number_integer()) return reader.Fail("has an argument that is not a whole number");
        value.number = json.get<int64_t>();
        return true;
    }
    if (!json.is_string()) return reader.Fail("has a buffer that is not hexadecimal text");
    const std::string& hex = json.get_ref<const std::string&>();
    if (hex.size() % 2 != 0 || hex.size() / 2 > static_cast<size_t>(arg.maxBytes)) {
        return reader.Fail("has a buffer of a length no call passes");
    }
    value.offset = static_cast<uint32_t>(reader.out.bytes.size());
    value.length = static_cast<int32_t>(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexValue(hex[i]);
        const int low = HexValue(hex[i + 1]);
        if (high < 0 || low < 0) return reader.Fail("has a buffer that is not hexadecimal text");
        reader.out.bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return true;
}

// The arguments of one side ("in" or "out") that the entry point's layout names.
bool ReadSide(Reader& reader, const Json& call, const char* side, RecordedCall& recorded, bool input) {
    const auto found = call.find(side);
    if (found == call.end()) return true;
    if (!found->is_object()) return reader.Fail("has arguments that are not an object");
    const EntryLayout& layout = kEntryLayouts[recorded.entry];
    for (int i = 0; i < layout.argCount; ++i) {
        const ArgLayout& arg = layout.args[i];
        if (input ? !IsInput(arg.kind) : !IsOutput(arg.kind)) continue;
        const auto value = found->find(arg.name);
        if (value == found->end()) continue;
        if (!ReadValue(reader, *value, arg, input ? recorded.in[i] : recorded.out[i])) return false;
    }
    return true;
}

bool ReadInteger(const Json& call, const char* key, int64_t low, int64_t high, int64_t& out) {
    const auto found = call.find(key);
    if (found == call.end() || !found->is_number_integer()) return false;
    out = found->get<int64_t>();
    return out >= low && out <= high;
}

bool ReadCall(Reader& reader, const char* text, size_t length) {
    const Json call = Json::parse(text, text + length, nullptr, false);
    if (call.is_discarded() || !call.is_object()) return reader.Fail("is not a JSON object");
    const auto name = call.find("call");
    if (name == call.end() || !name->is_string()) return reader.Fail("names no entry point");
    RecordedCall recorded;
    recorded.entry = -1;
    for (int i = 0; i < kDeviceLibraryEntryCount; ++i) {
        if (name->get_ref<const std::string&>() == kEntryLayouts[i].name) recorded.entry = i;
    }
    if (recorded.entry < 0) return reader.Fail("names an entry point the library does not have");
    int64_t status = 0;
    if (!ReadInteger(call, "n", 0, INT64_MAX, recorded.n) ||
        !ReadInteger(call, "status", INT32_MIN, INT32_MAX, status) ||
        !ReadInteger(call, "us", 0, INT64_MAX, recorded.micros)) {
        return reader.Fail("lacks its number, status or time");
    }
    recorded.status = static_cast<int32_t>(status);
    if (!ReadInteger(call, "took", 0, INT64_MAX, recorded.took)) recorded.took = 0;
    if (!ReadSide(reader, call, "in", recorded, true) || !ReadSide(reader, call, "out", recorded, false)) return false;
    reader.out.calls.push_back(recorded);
    return true;
}

void CopyText(const Json& header, const char* key, char* out, size_t size) {
    const auto found = header.find(key);
    if (found != header.end() && found->is_string()) {
        std::snprintf(out, size, "%s", found->get_ref<const std::string&>().c_str());
    }
}

bool ReadHeader(Reader& reader, const char* text, size_t length) {
    const Json header = Json::parse(text, text + length, nullptr, false);
    int64_t format = 0;
    char name[32] = {};
    if (!header.is_discarded() && header.is_object()) CopyText(header, "recording", name, sizeof name);
    if (std::strcmp(name, kCallRecordingName) != 0 || !ReadInteger(header, "format", 1, kCallRecordingFormat, format)) {
        return reader.Fail("is not the first line of a recording of this program, or of a later format");
    }
    CopyText(header, "program", reader.out.program, sizeof reader.out.program);
    CopyText(header, "architecture", reader.out.architecture, sizeof reader.out.architecture);
    return true;
}

}  // namespace

bool ParseRecording(const char* text, size_t length, Recording& out, char* problem, size_t size) {
    out = Recording{};
    Reader reader{out, problem, size};
    for (size_t at = 0; at < length;) {
        const void* newline = std::memchr(text + at, '\n', length - at);
        const size_t end = newline != nullptr ? static_cast<size_t>(static_cast<const char*>(newline) - text) : length;
        size_t lineLength = end - at;
        if (lineLength > 0 && text[at + lineLength - 1] == '\r') --lineLength;
        ++reader.line;
        if (lineLength > kMaxRecordingLineChars) return reader.Fail("is too long");
        if (out.calls.size() >= kMaxRecordedCalls) return reader.Fail("is past the most calls a recording holds");
        if (lineLength > 0) {
            const bool ok =
                reader.line == 1 ? ReadHeader(reader, text + at, lineLength) : ReadCall(reader, text + at, lineLength);
            if (!ok) return false;
        } else if (reader.line == 1) {
            return reader.Fail("is empty");
        }
        at = end + 1;
    }
    if (reader.line == 0) return reader.Fail("is missing: the file is empty");
    return true;
}

bool ReadRecording(const char* path, Recording& out, char* problem, size_t size) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::snprintf(problem, size, "the recording %s cannot be opened", path);
        return false;
    }
    std::vector<char> text;
    char block[65536];
    bool tooLarge = false;
    for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
        if (static_cast<int64_t>(text.size() + got) > kMaxRecordingBytes) {
            tooLarge = true;
            break;
        }
        text.insert(text.end(), block, block + got);
    }
    std::fclose(file);
    if (tooLarge) {
        std::snprintf(problem, size, "the recording %s is larger than a recording may be", path);
        return false;
    }
    return ParseRecording(text.data(), text.size(), out, problem, size);
}
