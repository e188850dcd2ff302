// The JSON Lines events of every command and the stable names they carry.
#include "cli/json_events.h"

#include "cli/console.h"
#include "cli/file_signatures.h"
#include "cli/json_line.h"

std::string JsonLine(const JsonObject& object) {
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

void EmitEvent(Console& console, const char* event, JsonObject body) {
    JsonObject line;
    line["event"] = event;
    line[event] = std::move(body);
    console.Out(JsonLine(line).c_str());
}

namespace {

// How many continuation bytes follow `lead`, and its bits; -1 when no
// character begins with it.
int FollowingBytes(unsigned char lead, uint32_t& code) {
    struct Form {
        unsigned char first, last, mask;
        int follow;
    };
    static constexpr Form kForms[] = {{0x00, 0x7F, 0x7F, 0}, {0xC2, 0xDF, 0x1F, 1}, {0xE0, 0xEF, 0x0F, 2}, {0xF0, 0xF4, 0x07, 3}};
    for (const Form& form : kForms) {
        if (lead < form.first || lead > form.last) continue;
        code = lead & form.mask;
        return form.follow;
    }
    return -1;
}

}  // namespace

bool IsUtf8(const char* text) {
    const auto* at = reinterpret_cast<const unsigned char*>(text);
    while (*at != 0) {
        uint32_t code = 0;
        const int follow = FollowingBytes(*at++, code);
        if (follow < 0) return false;
        for (int i = 0; i < follow; ++i, ++at) {
            if ((*at & 0xC0) != 0x80) return false;
            code = (code << 6) | (*at & 0x3Fu);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        const uint32_t least = follow == 1 ? 0x80 : follow == 2 ? 0x800 : follow == 3 ? 0x10000 : 0;
        if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
    }
    return true;
}

void PutName(JsonObject& object, const char* key, const char* name) {
    object[key] = name;
    if (IsUtf8(name)) return;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const auto* at = reinterpret_cast<const unsigned char*>(name); *at != 0; ++at) {
        hex += kDigits[*at >> 4];
        hex += kDigits[*at & 0x0F];
    }
    object[std::string(key) + "_hex"] = hex;
}

namespace {

JsonObject DeviceObject(const DeviceFacts& device) {
    JsonObject object;
    object["kind"] = device.Noun();
    object["product_id"] = device.productHex;
    object["model"] = device.model;
    object["version"] = device.version;
    return object;
}

}  // namespace

void EmitDeviceEvent(Console& console, const DeviceFacts& device) { EmitEvent(console, "device", DeviceObject(device)); }

void EmitFileEvent(Console& console, const char* name, const char* label, bool fits, const char* reason,
                   const FileVerdict& verdict) {
    JsonObject file;
    PutName(file, "name", name);
    file["label"] = label;
    file["fits"] = fits;
    file["reason"] = reason;
    file["signed"] = verdict.signature == FileSigned;
    file["signature"] = SignatureName(verdict.signature);
    if (verdict.signature == FileSigned && verdict.entry != nullptr) {
        file["released"] = verdict.entry->released;
        file["notes"] = CatalogueNoteFor(*verdict.entry, "en");
    }
    if (verdict.signature == FileBelowFloor) file["floor"] = verdict.floor;
    EmitEvent(console, "file", std::move(file));
}

void EmitStageEvent(Console& console, const char* stage, const char* line) {
    JsonObject body;
    body["name"] = stage;
    body["line"] = line;
    EmitEvent(console, "stage", std::move(body));
}

void EmitProgressEvent(Console& console, const char* stage, int32_t page, int32_t pages, int32_t percent) {
    JsonObject progress;
    progress["stage"] = stage;
    progress["page"] = page;
    progress["pages"] = pages;
    progress["percent"] = percent;
    EmitEvent(console, "progress", std::move(progress));
}

void EmitResultEvent(Console& console, const ResultFacts& facts) {
    JsonObject result;
    result["command"] = facts.command;
    result["outcome"] = facts.outcome;
    result["exit_code"] = static_cast<int>(facts.exitCode);
    result["exit"] = ExitCodeName(facts.exitCode);
    result["cause"] = facts.cause;
    result["reason"] = facts.reason;
    if (facts.device != nullptr) result["device"] = DeviceObject(*facts.device);
    if (facts.file != nullptr) PutName(result, "file", facts.file);
    if (facts.sha256 != nullptr) result["sha256"] = facts.sha256;
    if (facts.versionBefore != nullptr) result["version_before"] = facts.versionBefore;
    if (facts.versionAfter != nullptr) result["version_after"] = facts.versionAfter;
    if (facts.durationMs >= 0) result["duration_ms"] = facts.durationMs;
    if (facts.count >= 0) result["count"] = facts.count;
    EmitEvent(console, "result", std::move(result));
}

const char* OutcomeName(const RunOutcome& outcome) {
    if (outcome.screenMode == ScreenPassed && outcome.cause == CauseNone) return "passed";
    if (outcome.cause == CauseInterrupted) return "interrupted";
    if (RefusedBeforeDevice(outcome)) return "refused";
    if (outcome.cause == CauseMismatch || outcome.cause == CauseIdentityMismatch) return "mismatch";
    return "failed";
}
