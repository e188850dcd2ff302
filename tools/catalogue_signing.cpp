// Writing, signing and checking a catalogue, on the core's own readers: the
// naming rules, the first-line test and the catalogue parser.
#include "tools/catalogue_signing.h"

#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "firmware/catalogue.h"
#include "firmware/name_rules.h"
#include "platform/sha256.h"

namespace {

using Json = nlohmann::ordered_json;

struct Key {
    EVP_PKEY* key = nullptr;
    ~Key() { EVP_PKEY_free(key); }
};

// Reads a PEM key, private or public, and makes sure it is on P-256.
bool ReadP256Key(const std::string& path, bool isPrivate, Key& out, std::string& problem) {
    BIO* file = BIO_new_file(path.c_str(), "r");
    if (file != nullptr) {
        out.key = isPrivate ? PEM_read_bio_PrivateKey(file, nullptr, nullptr, nullptr)
                            : PEM_read_bio_PUBKEY(file, nullptr, nullptr, nullptr);
        BIO_free(file);
    }
    char group[32] = {};
    if (out.key == nullptr || !EVP_PKEY_is_a(out.key, "EC") ||
        EVP_PKEY_get_utf8_string_param(out.key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, nullptr) != 1 ||
        std::strcmp(group, "prime256v1") != 0) {
        problem = path + (isPrivate ? " is not a P-256 private key in PEM form." : " is not a P-256 public key in PEM form.");
        return false;
    }
    return true;
}

bool PointOf(const Key& key, CatalogueKey& out) {
    size_t length = 0;
    EVP_PKEY_set_utf8_string_param(key.key, OSSL_PKEY_PARAM_EC_POINT_CONVERSION_FORMAT, "uncompressed");
    return EVP_PKEY_get_octet_string_param(key.key, OSSL_PKEY_PARAM_PUB_KEY, out.point, sizeof out.point,
                                           &length) == 1 &&
           length == sizeof out.point;
}

// DER from EVP back into raw r || s.
bool RawSignature(const unsigned char* der, size_t length, uint8_t (&out)[kP256SignatureBytes]) {
    ECDSA_SIG* parts = d2i_ECDSA_SIG(nullptr, &der, static_cast<long>(length));
    if (parts == nullptr) return false;
    const BIGNUM* r = nullptr;
    const BIGNUM* s = nullptr;
    ECDSA_SIG_get0(parts, &r, &s);
    const int half = kP256SignatureBytes / 2;
    const bool ok = BN_bn2binpad(r, out, half) == half && BN_bn2binpad(s, out + half, half) == half;
    ECDSA_SIG_free(parts);
    return ok;
}

std::string WithSeparator(const std::string& folder) {
    return !folder.empty() && folder.back() == '/' ? folder : folder + "/";
}

bool WriteWhole(const std::string& path, const void* bytes, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// The files of the folder by name, sorted, so that the same folder always
// gives the same catalogue.
std::vector<std::string> FolderFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    // Stepped with an error code: a range-for's step would throw.
    std::filesystem::directory_iterator item(folder, error);
    for (; !error && item != std::filesystem::directory_iterator(); item.increment(error)) {
        std::error_code ignored;
        if (item->is_regular_file(ignored)) names.push_back(item->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// What the program reads of one file: every rule device it fits. False,
// with a notice, when it fits none, or devices of two kinds or two models.
bool DescribeFile(const std::string& folder, const std::string& name, Json& entry, std::vector<std::string>& notices) {
    uint32_t kind = 0;
    std::string model;
    Json products = Json::array();
    for (int i = 0; i < RuleDeviceCount(); ++i) {
        const RuleDevice device = RuleDeviceAt(i);
        if (!FirmwareFileFits(folder.c_str(), name.c_str(), device.kind, device.productId, device.model)) continue;
        if ((kind != 0 && kind != device.kind) || (device.model[0] != '\0' && !model.empty() && model != device.model)) {
            notices.push_back("Left out " + name + ": it fits devices of two kinds or two models.");
            return false;
        }
        kind = device.kind;
        if (device.model[0] != '\0') model = device.model;
        char id[9];
        std::snprintf(id, sizeof id, "%08X", device.productId);
        if (std::find(products.begin(), products.end(), id) == products.end()) products.push_back(id);
    }
    if (kind == 0) return false;  // not a firmware file the program would offer
    char version[4];
    uint8_t digest[kSha256Bytes];
    char hex[kSha256HexChars + 1];
    int64_t size = 0;
    if (!FormFileVersion(name.c_str(), version, sizeof version) || version[0] == '\0') {
        notices.push_back("Left out " + name + ": its name carries no version after its \"v\".");
        return false;
    }
    if (!Sha256OfFile((folder + name).c_str(), digest, &size)) {
        notices.push_back("Left out " + name + ": it cannot be read.");
        return false;
    }
    Sha256Hex(digest, hex);
    entry = Json{{"name", name}, {"sha256", hex}, {"size", size}, {"kind", kind}, {"productIds", products},
                 {"model", model}, {"version", version}};
    return true;
}

// A name must come back from JSON byte for byte (a name in another code page
// would not), or the program would never find its entry.
bool RoundTrips(const std::string& name) {
    const std::string text = Json(name).dump(-1, ' ', false, Json::error_handler_t::replace);
    const Json back = Json::parse(text, nullptr, false);
    return back.is_string() && back.get<std::string>() == name;
}

}  // namespace

bool LoadCataloguePublicKey(const std::string& pemPath, CatalogueKey& out, std::string& problem) {
    Key key;
    if (!ReadP256Key(pemPath, false, key, problem)) return false;
    if (PointOf(key, out)) return true;
    problem = pemPath + ": its point cannot be read.";
    return false;
}

bool SignWithPrivateKey(const std::string& pemPath, const uint8_t* data, size_t size,
                        uint8_t (&signature)[kP256SignatureBytes], std::string& problem) {
    Key key;
    if (!ReadP256Key(pemPath, true, key, problem)) return false;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    size_t length = 0;
    unsigned char der[128];
    bool ok = context != nullptr && EVP_DigestSignInit(context, nullptr, EVP_sha256(), nullptr, key.key) == 1 &&
              EVP_DigestSign(context, nullptr, &length, data, size) == 1 && length <= sizeof der &&
              EVP_DigestSign(context, der, &length, data, size) == 1 && RawSignature(der, length, signature);
    EVP_MD_CTX_free(context);
    CatalogueKey point;
    ok = ok && PointOf(key, point) && VerifyP256Signature(point.point, data, size, signature);
    if (!ok) problem = "Signing with " + pemPath + " failed.";
    return ok;
}

bool BuildCatalogueText(const std::string& folder, const CatalogueOptions& options, std::string& text,
                        std::vector<std::string>& notices, std::string& problem) {
    const std::string base = WithSeparator(folder);
    Json files = Json::array();
    for (const std::string& name : FolderFiles(base)) {
        Json entry;
        if (!DescribeFile(base, name, entry, notices)) continue;
        if (!RoundTrips(name)) {
            notices.push_back("Left out a file whose name is not UTF-8: " + name);
            continue;
        }
        entry["released"] = options.date;
        for (const auto& [file, note] : options.notes) {
            if (file == name) entry["notes"] = Json{{"en", note}};
        }
        files.push_back(entry);
    }
    for (const auto& note : options.notes) {
        const std::string& file = note.first;  // a lambda cannot capture a structured binding in clang 14
        const bool listed = std::any_of(files.begin(), files.end(), [&](const Json& e) { return e["name"] == file; });
        if (!listed) notices.push_back("The notes for " + file + " name no file of the catalogue.");
    }
    Json floors = Json::object();
    for (const auto& [model, version] : options.floors) floors[model] = version;
    const Json root = {{"format", 1}, {"catalogueVersion", options.version}, {"date", options.date},
                       {"floors", floors}, {"files", files}};
    text = root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    // What is signed must be what the program reads: parse it as the program will.
    SignedCatalogue parsed;
    if (ParseCatalogueText(reinterpret_cast<const uint8_t*>(text.data()), text.size(), parsed)) {
        for (const CatalogueEntry& entry : parsed.files) {
            const FileVerdict verdict = VerdictFor(parsed, entry.name, entry.sha256, entry.size, entry.model, entry.version);
            if (verdict.signature == FileBelowFloor)
                notices.push_back(std::string("Listed ") + entry.name + ", which is below its model's floor " +
                                  verdict.floor + ": the program will refuse it.");
        }
        return true;
    }
    problem = std::string("The catalogue would not be read: ") + parsed.problem + ".";
    return false;
}

bool SignCatalogueFolder(const std::string& folder, const std::string& privateKeyPem, const CatalogueOptions& options,
                         std::vector<std::string>& notices, std::string& problem) {
    std::string text;
    if (!BuildCatalogueText(folder, options, text, notices, problem)) return false;
    uint8_t signature[kP256SignatureBytes];
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    if (!SignWithPrivateKey(privateKeyPem, bytes, text.size(), signature, problem)) return false;
    const std::string base = WithSeparator(folder);
    if (!WriteWhole(base + kCatalogueFileName, text.data(), text.size()) ||
        !WriteWhole(base + kCatalogueSignatureName, signature, sizeof signature)) {
        problem = "The catalogue cannot be written into " + base + ".";
        return false;
    }
    return true;
}

std::vector<std::string> VerifyCatalogueFolder(const std::string& folder, const std::vector<CatalogueKey>& keys) {
    const std::string base = WithSeparator(folder);
    SignedCatalogue catalogue;
    switch (ReadSignedCatalogue(base.c_str(), keys.data(), static_cast<int>(keys.size()), catalogue)) {
        case CatalogueAbsent: return {"There is no catalogue.json in " + base + "."};
        case CatalogueUnsigned: return {"The catalogue has no signature file catalogue.json.sig."};
        case CatalogueBadSignature: return {"The catalogue's signature was not made by any of the keys given."};
        case CatalogueMalformed: return {std::string("The catalogue cannot be read: ") + catalogue.problem + "."};
        case CatalogueOlderThanSeen:  // the maker's tool keeps no record of catalogues seen
        case CatalogueValid: break;
    }
    std::vector<std::string> problems;
    for (const CatalogueEntry& entry : catalogue.files) {
        uint8_t digest[kSha256Bytes];
        int64_t size = 0;
        if (!Sha256OfFile((base + entry.name).c_str(), digest, &size)) {
            problems.push_back(std::string("The file ") + entry.name + " is in the catalogue but not in the folder.");
            continue;
        }
        const FileVerdict verdict = VerdictFor(catalogue, entry.name, digest, size, entry.model, entry.version);
        if (verdict.signature == FileNotMakers) {
            problems.push_back(std::string("The file ") + entry.name +
                               " is not the maker's file: its contents differ from the signed catalogue.");
        } else if (verdict.signature == FileBelowFloor) {
            problems.push_back(std::string("The file ") + entry.name + " is version " + entry.version +
                               ", below the lowest version " + verdict.floor + " the catalogue allows for the " +
                               entry.model + ".");
        }
    }
    return problems;
}
