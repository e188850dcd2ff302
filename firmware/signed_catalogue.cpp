// The catalogue's text and the rules over it: parsing without exceptions,
// within fixed bounds, and the verdict on one file. Pure: no files, no keys.
#include "firmware/signed_catalogue.h"

#include <cstring>
#include <nlohmann/json.hpp>

#include "firmware/bounded_path.h"
#include "firmware/digest_file.h"

namespace {

using Json = nlohmann::json;

// Records why the text was refused, then the file it was about (a long
// name is cut); always false, so a check can return it.
bool Refuse(SignedCatalogue& out, const char* what, const char* where = "") {
    out.problem[0] = '\0';
    AppendBounded(out.problem, what);
    if (where[0] != '\0' && AppendBounded(out.problem, ": ")) AppendBounded(out.problem, where);
    return false;
}

// Copies `text` when it fits `size` with its terminator and holds no NUL
// (which would cut it short).
bool CopyText(const std::string& text, char* out, size_t size) {
    if (text.size() + 1 > size || text.find('\0') != std::string::npos) return false;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

// The member `key` of `object` as a string, copied as CopyText does.
bool CopyString(const Json& object, const char* key, char* out, size_t size) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() &&
           CopyText(found->get_ref<const std::string&>(), out, size);
}

bool Digit(char c) { return c >= '0' && c <= '9'; }

// YYYY-MM-DD with a month and day that can be: dates compare as text.
bool IsDate(const char* text) {
    if (std::strlen(text) != 10 || text[4] != '-' || text[7] != '-') return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!Digit(text[i])) return false;
    }
    const int month = (text[5] - '0') * 10 + (text[6] - '0');
    const int day = (text[8] - '0') * 10 + (text[9] - '0');
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// A model as devices report it: up to four letters and digits; empty for a
// file only generic devices take.
bool IsModel(const char* text) {
    size_t length = 0;
    for (; text[length] != '\0'; ++length) {
        const char c = text[length];
        if (!Digit(c) && !(c >= 'A' && c <= 'Z') && !(c >= 'a' && c <= 'z')) return false;
    }
    return length <= 4;
}

// A version that can be ordered: "1_4", one digit, an underscore, one
// digit, as devices report it and names carry it (three characters).
bool IsOrderedVersion(const char* text) {
    return std::strlen(text) == 3 && Digit(text[0]) && text[1] == '_' && Digit(text[2]);
}

// The program compares versions as their three characters; for ordered
// versions that is the order of the major digit, then the minor.
bool Below(const char* version, const char* floor) {
    if (!IsOrderedVersion(version)) return true;  // what cannot be ordered cannot be shown to be new enough
    return std::strcmp(version, floor) < 0;
}

// A product id as the command line prints it: eight hexadecimal digits.
bool ParseProductId(const Json& value, uint32_t& out) {
    if (!value.is_string()) return false;
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() != 8) return false;
    out = 0;
    for (char c : text) {
        const int digit = Digit(c) ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        out = (out << 4) | static_cast<uint32_t>(digit);
    }
    return true;
}

// A file's own name in the folder: no separator (it would name a file
// elsewhere), short enough for the program's name buffers.
bool IsPlainName(const char* name) {
    return name[0] != '\0' && std::strchr(name, '/') == nullptr && std::strchr(name, '\\') == nullptr &&
           std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0;
}

bool ParseNotes(const Json& entry, CatalogueEntry& out, SignedCatalogue& catalogue) {
    const auto notes = entry.find("notes");
    if (notes == entry.end()) return true;
    if (!notes->is_object() || notes->size() > kMaxNoteLanguages) return Refuse(catalogue, "bad notes", out.name);
    for (const auto& [language, text] : notes->items()) {
        CatalogueNote note;
        if (language.empty() || !CopyText(language, note.language, sizeof note.language))
            return Refuse(catalogue, "bad notes language", out.name);
        if (!text.is_string()) return Refuse(catalogue, "notes are not text", out.name);
        if (text.get_ref<const std::string&>().size() > kMaxNoteBytes)
            return Refuse(catalogue, "notes longer than 4 KiB", out.name);
        note.text = text.get_ref<const std::string&>();
        out.notes.push_back(std::move(note));
    }
    return true;
}

bool ParseProducts(const Json& entry, CatalogueEntry& out, SignedCatalogue& catalogue) {
    const auto products = entry.find("productIds");
    if (products == entry.end() || !products->is_array() || products->empty() || products->size() > kMaxEntryProducts)
        return Refuse(catalogue, "bad productIds", out.name);
    for (const Json& product : *products) {
        if (!ParseProductId(product, out.productIds[out.productIdCount]))
            return Refuse(catalogue, "bad product id", out.name);
        ++out.productIdCount;
    }
    return true;
}

bool ParseEntry(const Json& entry, CatalogueEntry& out, SignedCatalogue& catalogue) {
    if (!entry.is_object()) return Refuse(catalogue, "a file entry is not an object");
    if (!CopyString(entry, "name", out.name, sizeof out.name) || !IsPlainName(out.name))
        return Refuse(catalogue, "a file has no name, or a name too long or with a folder");
    char digest[kSha256HexChars + 2] = {};
    if (!CopyString(entry, "sha256", digest, sizeof digest) || std::strlen(digest) != kSha256HexChars ||
        !ParseDigestText(digest, out.sha256))
        return Refuse(catalogue, "bad sha256", out.name);
    const auto size = entry.find("size");
    if (size == entry.end() || !size->is_number_unsigned() || size->get<uint64_t>() > INT64_MAX)
        return Refuse(catalogue, "bad size", out.name);
    out.size = static_cast<int64_t>(size->get<uint64_t>());
    const auto kind = entry.find("kind");
    if (kind == entry.end() || !kind->is_number_unsigned() || kind->get<uint64_t>() > UINT32_MAX)
        return Refuse(catalogue, "bad kind", out.name);
    out.kind = static_cast<uint32_t>(kind->get<uint64_t>());
    if (!ParseProducts(entry, out, catalogue)) return false;
    if (!CopyString(entry, "model", out.model, sizeof out.model) || !IsModel(out.model))
        return Refuse(catalogue, "bad model", out.name);
    if (!CopyString(entry, "version", out.version, sizeof out.version) || out.version[0] == '\0')
        return Refuse(catalogue, "bad version", out.name);
    if (!CopyString(entry, "released", out.released, sizeof out.released) || !IsDate(out.released))
        return Refuse(catalogue, "bad released date", out.name);
    return ParseNotes(entry, out, catalogue);
}

bool ParseFloors(const Json& root, SignedCatalogue& out) {
    const auto floors = root.find("floors");
    if (floors == root.end()) return true;
    if (!floors->is_object() || floors->size() > kMaxCatalogueFloors) return Refuse(out, "bad floors");
    for (const auto& [model, version] : floors->items()) {
        CatalogueFloor floor;
        if (!CopyText(model, floor.model, sizeof floor.model) || floor.model[0] == '\0' || !IsModel(floor.model) ||
            !version.is_string() ||
            !CopyText(version.get_ref<const std::string&>(), floor.version, sizeof floor.version) ||
            !IsOrderedVersion(floor.version))
            return Refuse(out, "a floor is not a model and a version such as 1_4");
        out.floors.push_back(floor);
    }
    return true;
}

bool ParseFiles(const Json& root, SignedCatalogue& out) {
    const auto files = root.find("files");
    if (files == root.end() || !files->is_array()) return Refuse(out, "no files list");
    if (files->size() > kMaxCatalogueFiles) return Refuse(out, "more than 256 files");
    out.files.reserve(files->size());
    for (const Json& item : *files) {
        CatalogueEntry entry;
        if (!ParseEntry(item, entry, out)) return false;
        for (const CatalogueEntry& earlier : out.files) {
            if (std::strcmp(earlier.name, entry.name) == 0) return Refuse(out, "listed twice", entry.name);
        }
        out.files.push_back(std::move(entry));
    }
    return true;
}

bool ParseRoot(const Json& root, SignedCatalogue& out) {
    if (!root.is_object()) return Refuse(out, "not a JSON object");
    const auto format = root.find("format");
    if (format == root.end() || !format->is_number_unsigned() || format->get<uint64_t>() != 1)
        return Refuse(out, "not format 1");
    const auto version = root.find("catalogueVersion");
    if (version == root.end() || !version->is_number_unsigned() || version->get<uint64_t>() == 0 ||
        version->get<uint64_t>() > INT64_MAX)
        return Refuse(out, "bad catalogueVersion");
    out.catalogueVersion = static_cast<int64_t>(version->get<uint64_t>());
    if (!CopyString(root, "date", out.date, sizeof out.date) || !IsDate(out.date)) return Refuse(out, "bad date");
    return ParseFloors(root, out) && ParseFiles(root, out);
}

const CatalogueFloor* FloorOf(const SignedCatalogue& catalogue, const char* model) {
    if (model == nullptr || model[0] == '\0') return nullptr;
    for (const CatalogueFloor& floor : catalogue.floors) {
        if (std::strcmp(floor.model, model) == 0) return &floor;
    }
    return nullptr;
}

}  // namespace

bool ParseCatalogueText(const uint8_t* text, size_t size, SignedCatalogue& out) {
    out = SignedCatalogue{};
    if (text == nullptr || size > kMaxCatalogueBytes) return Refuse(out, "larger than 1 MiB");
    const Json root = Json::parse(text, text + size, nullptr, false);
    if (root.is_discarded()) return Refuse(out, "not JSON");
    if (!ParseRoot(root, out)) {
        // Nothing half-read survives a refusal.
        char problem[sizeof out.problem];
        std::memcpy(problem, out.problem, sizeof problem);
        out = SignedCatalogue{};
        std::memcpy(out.problem, problem, sizeof problem);
        return false;
    }
    out.valid = true;
    return true;
}

FileVerdict VerdictFor(const SignedCatalogue& catalogue, const char* name, const uint8_t (&sha256)[kSha256Bytes],
                       int64_t size, const char* model, const char* version) {
    FileVerdict verdict;
    if (!catalogue.valid || name == nullptr) return verdict;
    for (const CatalogueEntry& entry : catalogue.files) {
        if (std::strcmp(entry.name, name) == 0) verdict.entry = &entry;
    }
    if (verdict.entry != nullptr &&
        (verdict.entry->size != size || std::memcmp(verdict.entry->sha256, sha256, kSha256Bytes) != 0)) {
        verdict.signature = FileNotMakers;
        return verdict;
    }
    const CatalogueFloor* floor = FloorOf(catalogue, model);
    if (floor != nullptr && Below(version != nullptr ? version : "", floor->version)) {
        verdict.signature = FileBelowFloor;
        std::memcpy(verdict.floor, floor->version, sizeof verdict.floor);
        return verdict;
    }
    verdict.signature = verdict.entry != nullptr ? FileSigned : FileUnsigned;
    return verdict;
}

const char* CatalogueNoteFor(const CatalogueEntry& entry, const char* language) {
    for (const char* wanted : {language, "en"}) {
        for (const CatalogueNote& note : entry.notes) {
            if (wanted != nullptr && std::strcmp(note.language, wanted) == 0) return note.text.c_str();
        }
    }
    return entry.notes.empty() ? "" : entry.notes.front().text.c_str();
}

bool CatalogueMayReplace(int64_t seenVersion, const char* seenDate, const SignedCatalogue& catalogue) {
    if (!catalogue.valid) return false;
    if (catalogue.catalogueVersion != seenVersion) return catalogue.catalogueVersion > seenVersion;
    return seenDate == nullptr || std::strcmp(catalogue.date, seenDate) >= 0;
}
