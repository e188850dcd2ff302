// The signed catalogue end to end: the maker's tool signs a folder, the
// reader verifies it with the built-in keys, and every change to the text,
// the signature, the key or a file is caught.
#include "firmware/signed_catalogue.h"

#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "catalogue_keys.h"
#include "tests/firmware/temp_folder.h"
#include "tools/catalogue_signing.h"

namespace {

const std::string kTestPrivateKey = CATALOGUE_KEYS_FOLDER "/catalogue-TEST-ONLY-private.pem";
const std::string kTestPublicKey = CATALOGUE_KEYS_FOLDER "/catalogue-TEST-ONLY-public.pem";

const uint8_t* Bytes(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

class SignedCatalogueTest : public TempFolderTest {
   protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        files = folder + "/";
        // First lines carry the names' tags, as the program requires.
        WriteBytes(Path("RX93_Headset_v1_6_ef.txt"), "Headset_v1_6\n00 11\n22 33\n");
        WriteBytes(Path("RX93_Headset_v1_3_ef.txt"), "Headset_v1_3\n00 11\n");
        WriteBytes(Path("RX71_Base_v1_1_ef.txt"), "Base_v1_1\n44 55\n");
        WriteBytes(Path("notes.txt"), "not firmware\n");
    }

    // A fresh P-256 key pair in the folder, as PEM files; returns the private one.
    std::string NewKeyPair(const std::string& stem) {
        EVP_PKEY* key = EVP_EC_gen("P-256");
        EXPECT_NE(key, nullptr);
        const std::string privatePath = Path(stem + "-private.pem");
        const std::string publicPath = Path(stem + "-public.pem");
        FILE* out = std::fopen(privatePath.c_str(), "w");
        PEM_write_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr);
        std::fclose(out);
        out = std::fopen(publicPath.c_str(), "w");
        PEM_write_PUBKEY(out, key);
        std::fclose(out);
        EVP_PKEY_free(key);
        return privatePath;
    }

    CatalogueKey PublicKey(const std::string& pemPath) {
        CatalogueKey key{};
        std::string problem;
        EXPECT_TRUE(LoadCataloguePublicKey(pemPath, key, problem)) << problem;
        return key;
    }

    void Sign(const std::string& privateKey, int64_t version = 3) {
        CatalogueOptions options;
        options.version = version;
        options.date = "2026-12-01";
        options.floors = {{"RX93", "1_4"}};
        options.notes = {{"RX93_Headset_v1_6_ef.txt", "Better range."}};
        std::vector<std::string> notices;
        std::string problem;
        ASSERT_TRUE(SignCatalogueFolder(folder, privateKey, options, notices, problem)) << problem;
    }

    CatalogueStatus Read(const std::vector<CatalogueKey>& keys) {
        return ReadSignedCatalogue(files.c_str(), keys.data(), static_cast<int>(keys.size()), catalogue);
    }
    CatalogueStatus ReadBuiltIn() {
        return ReadSignedCatalogue(files.c_str(), kBuiltInCatalogueKeys, kBuiltInCatalogueKeyCount, catalogue);
    }

    FileVerdict Verdict(const std::string& name, const std::string& model, const std::string& version) {
        uint8_t digest[kSha256Bytes];
        int64_t size = 0;
        EXPECT_TRUE(Sha256OfFile(Path(name).c_str(), digest, &size));
        return VerdictFor(catalogue, name.c_str(), digest, size, model.c_str(), version.c_str());
    }

    void FlipByte(const std::string& name, long at) {
        std::FILE* file = std::fopen(Path(name).c_str(), "r+b");
        ASSERT_NE(file, nullptr);
        std::fseek(file, at, SEEK_SET);
        const int byte = std::fgetc(file);
        std::fseek(file, at, SEEK_SET);
        std::fputc(byte ^ 0x01, file);
        std::fclose(file);
    }

    std::string files;
    SignedCatalogue catalogue;
};

TEST_F(SignedCatalogueTest, ToolsCatalogueVerifiesWithTheBuiltInTestKey) {
    ASSERT_GE(kBuiltInCatalogueKeyCount, 1);
    const CatalogueKey testKey = PublicKey(kTestPublicKey);
    EXPECT_EQ(std::memcmp(kBuiltInCatalogueKeys[0].point, testKey.point, kP256PointBytes), 0);

    std::filesystem::remove(Path("RX93_Headset_v1_3_ef.txt"));  // below the floor: the tool would say so
    Sign(kTestPrivateKey);
    ASSERT_EQ(ReadBuiltIn(), CatalogueValid) << catalogue.problem;
    EXPECT_EQ(catalogue.catalogueVersion, 3);
    ASSERT_EQ(catalogue.files.size(), 2u);  // notes.txt is no firmware file
    const FileVerdict verdict = Verdict("RX93_Headset_v1_6_ef.txt", "RX93", "1_6");
    ASSERT_EQ(verdict.signature, FileSigned);
    const CatalogueEntry& entry = *verdict.entry;
    EXPECT_EQ(entry.kind, 13u);
    EXPECT_STREQ(entry.model, "RX93");
    EXPECT_STREQ(entry.version, "1_6");
    EXPECT_STREQ(entry.released, "2026-12-01");
    EXPECT_STREQ(CatalogueNoteFor(entry, "de"), "Better range.");
    // The named headset and the generic one both take it.
    ASSERT_EQ(entry.productIdCount, 2);
    EXPECT_TRUE(entry.productIds[0] == 0x28F80106u || entry.productIds[1] == 0x28F80106u);
    EXPECT_TRUE(VerifyCatalogueFolder(folder, {testKey}).empty());
}

TEST_F(SignedCatalogueTest, AnyChangeOrUntrustedSignerLeavesEveryFileUnsigned) {
    const std::string other = NewKeyPair("other");
    struct Tamper {
        const char* what;
        std::function<void()> apply;
    };
    const std::vector<Tamper> tampers = {
        {"a byte of the text", [&] { FlipByte(kCatalogueFileName, 40); }},
        {"a byte of the signature", [&] { FlipByte(kCatalogueSignatureName, 10); }},
        {"a signature cut short", [&] { WriteBytes(Path(kCatalogueSignatureName), std::string(63, 'x')); }},
        {"an untrusted signer", [&] { Sign(other); }},
    };
    for (const Tamper& tamper : tampers) {
        Sign(kTestPrivateKey);
        tamper.apply();
        EXPECT_EQ(ReadBuiltIn(), CatalogueBadSignature) << tamper.what;
        EXPECT_FALSE(catalogue.valid);
        EXPECT_EQ(Verdict("RX93_Headset_v1_6_ef.txt", "RX93", "1_6").signature, FileUnsigned) << tamper.what;
    }
    EXPECT_FALSE(VerifyCatalogueFolder(folder, {PublicKey(kTestPublicKey)}).empty());

    std::filesystem::remove(Path(kCatalogueSignatureName));
    EXPECT_EQ(ReadBuiltIn(), CatalogueUnsigned);
    std::filesystem::remove(Path(kCatalogueFileName));
    EXPECT_EQ(ReadBuiltIn(), CatalogueAbsent);
}

TEST_F(SignedCatalogueTest, RolledKeyVerifiesBesideTheOldOne) {
    const std::string rolled = NewKeyPair("rolled");
    const CatalogueKey oldKey = PublicKey(kTestPublicKey);
    const CatalogueKey newKey = PublicKey(Path("rolled-public.pem"));
    Sign(rolled);
    EXPECT_EQ(Read({oldKey, newKey}), CatalogueValid);
    EXPECT_EQ(Read({oldKey}), CatalogueBadSignature);
    Sign(kTestPrivateKey);  // catalogues signed before the roll still verify
    EXPECT_EQ(Read({oldKey, newKey}), CatalogueValid);
}

TEST_F(SignedCatalogueTest, TamperedFilesAndFilesBelowTheFloor) {
    Sign(kTestPrivateKey);
    WriteBytes(Path("RX93_Headset_v1_2_ef.txt"), "Headset_v1_2\n00\n");  // unlisted
    WriteBytes(Path("RX71_Headset_v1_0_ef.txt"), "Headset_v1_0\n00\n");
    ASSERT_EQ(ReadBuiltIn(), CatalogueValid);

    // Older than RX93's floor 1_4: refused, listed or not.
    const FileVerdict below = Verdict("RX93_Headset_v1_3_ef.txt", "RX93", "1_3");
    EXPECT_EQ(below.signature, FileBelowFloor);
    EXPECT_STREQ(below.floor, "1_4");
    EXPECT_EQ(Verdict("RX93_Headset_v1_2_ef.txt", "RX93", "1_2").signature, FileBelowFloor);
    // RX71 has no floor: listed is signed, unlisted stays unsigned.
    EXPECT_EQ(Verdict("RX71_Base_v1_1_ef.txt", "RX71", "1_1").signature, FileSigned);
    EXPECT_EQ(Verdict("RX71_Headset_v1_0_ef.txt", "RX71", "1_0").signature, FileUnsigned);

    FlipByte("RX93_Headset_v1_6_ef.txt", 15);  // same size, another byte
    EXPECT_EQ(Verdict("RX93_Headset_v1_6_ef.txt", "RX93", "1_6").signature, FileNotMakers);
    WriteBytes(Path("RX71_Base_v1_1_ef.txt"), "44\n", true);  // grown
    EXPECT_EQ(Verdict("RX71_Base_v1_1_ef.txt", "RX71", "1_1").signature, FileNotMakers);
    const std::vector<std::string> problems = VerifyCatalogueFolder(folder, {PublicKey(kTestPublicKey)});
    ASSERT_EQ(problems.size(), 3u);  // in the catalogue's order: changed, below its floor, changed
    EXPECT_EQ(problems[0],
              "The file RX71_Base_v1_1_ef.txt is not the maker's file: its contents differ from the signed catalogue.");
    EXPECT_NE(problems[1].find("below the lowest version 1_4"), std::string::npos) << problems[1];
}

TEST(CatalogueReplayTest, AnOlderCatalogueIsRefused) {
    SignedCatalogue catalogue;
    catalogue.valid = true;
    catalogue.catalogueVersion = 5;
    std::snprintf(catalogue.date, sizeof catalogue.date, "2026-12-01");
    EXPECT_TRUE(CatalogueMayReplace(0, "", catalogue));  // none seen yet
    EXPECT_TRUE(CatalogueMayReplace(5, "2026-12-01", catalogue));
    EXPECT_TRUE(CatalogueMayReplace(4, "2027-01-01", catalogue));  // the version decides
    EXPECT_FALSE(CatalogueMayReplace(6, "2026-01-01", catalogue));
    EXPECT_FALSE(CatalogueMayReplace(5, "2026-12-02", catalogue));
    catalogue.valid = false;
    EXPECT_FALSE(CatalogueMayReplace(0, "", catalogue));
}

std::string Catalogue(const std::string& floors, const std::string& entry) {
    return R"({"format": 1, "catalogueVersion": 3, "date": "2026-12-01", "floors": )" + floors +
           R"(, "files": [)" + entry + "]}";
}

std::string Entry(const std::string& name, const std::string& extra = "") {
    return R"({"name": ")" + name + R"(", "sha256": ")" + std::string(64, 'a') +
           R"(", "size": 10, "kind": 13, "productIds": ["28F80106"], "model": "RX93", "version": "1_6",
              "released": "2026-11-20")" + extra + "}";
}

TEST(CatalogueTextTest, RefusesMalformedAndOversizedTextWithAReason) {
    SignedCatalogue catalogue;
    const std::string good = Catalogue(R"({"RX93": "1_4"})", Entry("RX93_Headset_v1_6_ef.txt"));
    ASSERT_TRUE(ParseCatalogueText(Bytes(good), good.size(), catalogue)) << catalogue.problem;

    std::string manyFiles;
    for (int i = 0; i <= kMaxCatalogueFiles; ++i) manyFiles += (i ? "," : "") + Entry("f" + std::to_string(i));
    const std::vector<std::string> bad = {
        "",
        "{\"format\": 1",
        "[]",
        R"({"format": 2, "catalogueVersion": 3, "date": "2026-12-01", "files": []})",
        R"({"format": 1, "catalogueVersion": -3, "date": "2026-12-01", "files": []})",
        R"({"format": 1, "catalogueVersion": 3, "date": "2026-13-01", "files": []})",
        Catalogue(R"({"RX93": "1.4"})", Entry("a")),  // versions are written as the devices write them
        Catalogue("{}", manyFiles),
        Catalogue("{}", Entry(std::string(kPathChars, 'a'))),
        Catalogue("{}", Entry("../RX93_Headset_v1_6_ef.txt")),
        Catalogue("{}", Entry("RX93_Headset\\u0000_v1_6_ef.txt")),
        Catalogue("{}", Entry("a") + "," + Entry("a")),
        Catalogue("{}", Entry("a", R"(, "notes": {"en": ")" + std::string(kMaxNoteBytes + 1, 'n') + "\"}")),
        Catalogue("{}", Entry("a", R"(, "size": 1.5)")),
        Catalogue("{}", R"({"name": "a", "sha256": "zz"})"),
        std::string(200000, '[') + std::string(200000, ']'),
    };
    for (const std::string& text : bad) {
        EXPECT_FALSE(ParseCatalogueText(Bytes(text), text.size(), catalogue)) << text.substr(0, 120);
        EXPECT_FALSE(catalogue.valid);
        EXPECT_TRUE(catalogue.files.empty());
        EXPECT_NE(catalogue.problem[0], '\0') << text.substr(0, 120);
    }
    const std::string huge(kMaxCatalogueBytes + 1, ' ');
    EXPECT_FALSE(ParseCatalogueText(Bytes(huge), huge.size(), catalogue));
}

TEST_F(SignedCatalogueTest, OversizedCatalogueIsRefusedBeforeItIsRead) {
    Sign(kTestPrivateKey);
    WriteBytes(Path(kCatalogueFileName), std::string(kMaxCatalogueBytes + 1, ' '));
    EXPECT_EQ(ReadBuiltIn(), CatalogueMalformed);
    EXPECT_STREQ(catalogue.problem, "larger than 1 MiB");
}

}  // namespace
