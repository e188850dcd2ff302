// The simulator's sample firmware as the build ships it, signed with the
// test key: a test build's programs read its catalogue as valid (BCrypt on
// Windows, OpenSSL here), every file some device is offered is the maker's
// and above its floor, and the catalogue's own files are offered to none.
// A build that trusts only the maker's keys finds it badly signed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "catalogue_keys.h"
#include "firmware/catalogue.h"
#include "firmware/signed_catalogue.h"

TEST(SampleCatalogueTest, EveryOfferedSampleIsListedAndSigned) {
    const std::string folder = SAMPLE_FILES_FOLDER;  // ends in its separator
    SignedCatalogue catalogue;
    const CatalogueStatus status =
        ReadSignedCatalogue(folder.c_str(), kBuiltInCatalogueKeys, kBuiltInCatalogueKeyCount, catalogue);
    if (!TRUSTS_TEST_KEY) {
        EXPECT_EQ(status, CatalogueBadSignature);
        return;
    }
    ASSERT_EQ(status, CatalogueValid) << catalogue.problem;
    EXPECT_EQ(catalogue.catalogueVersion, 1);

    size_t offered = 0;
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        const std::string name = item.path().filename().string();
        bool counted = false;
        for (int i = 0; i < RuleDeviceCount(); ++i) {
            const RuleDevice device = RuleDeviceAt(i);
            if (!FirmwareFileFits(folder.c_str(), name.c_str(), device.kind, device.productId, device.model)) continue;
            uint8_t digest[kSha256Bytes];
            int64_t size = 0;
            char version[4] = {};
            ASSERT_TRUE(Sha256OfFile((folder + name).c_str(), digest, &size)) << name;
            FormFileVersion(name.c_str(), version, sizeof version);
            EXPECT_EQ(VerdictFor(catalogue, name.c_str(), digest, size, device.model, version).signature, FileSigned)
                << name << " for the device of rule " << i;
            if (!counted) ++offered;
            counted = true;
        }
    }
    EXPECT_EQ(offered, catalogue.files.size());
}
