// Firmware the maker signed, through the command line and the engine's run
// checks: the catalogue refuses a changed file and one below its model's
// floor before the device is touched, the policy refuses unsigned files,
// and a catalogue that does not verify or is played back counts as none.
#include <fstream>
#include <sstream>

#include "tests/cli/cli_fixture.h"
#include "tools/catalogue_signing.h"

namespace {

using Json = nlohmann::json;

const std::string kTestKey = CATALOGUE_KEYS_FOLDER "/catalogue-TEST-ONLY-private.pem";

class CliSignedTest : public CliFixture {
   protected:
    void SetUp() override {
        CliFixture::SetUp();
        system.listInNameOrder = true;
        Plug(kCliHeadset);
        WriteFirmware("RX93_Headset_v1_1_ef.txt", "Headset_v1_1", "v1_1_RX93");
        WriteFirmware("RX93_Headset_v1_2_ef.txt", "Headset_v1_2", "v1_2_RX93");
        WriteFirmware("RX93_Headset_v1_3_ef.txt", "Headset_v1_3", "v1_3_RX93");
    }

    void Sign(int64_t version) {
        CatalogueOptions options;
        options.version = version;
        options.date = "2026-12-01";
        options.floors = {{"RX93", "1_2"}};
        options.notes = {{"RX93_Headset_v1_3_ef.txt", "Longer range.\nThe mute button answers at once."}};
        std::vector<std::string> notices;
        std::string problem;
        ASSERT_TRUE(SignCatalogueFolder("files", kTestKey, options, notices, problem)) << problem;
    }

    bool DeviceTouched() const { return recording::CountCalls("SerialMemEnterFlashMode") > 0; }

    int Update(const char* file, std::vector<const char*> more = {}) {
        recording::Clear();
        std::vector<const char*> args = {"update", file, "--yes"};
        args.insert(args.end(), more.begin(), more.end());
        return Run(args);
    }
};

TEST_F(CliSignedTest, TheCatalogueRefusesAChangedOrOldFileAndThePolicyAnUnsignedOne) {
    Sign(1);
    WriteFirmware("RX93_Headset_v1_4_ef.txt", "Headset_v1_4", "v1_4_RX93");  // after signing: unlisted

    ASSERT_EQ(Run({"files"}), ExitSuccess);
    EXPECT_EQ(console.out,
              "RX93_Headset_v1_1_ef.txt  v.1_1  below version 1_2 (the signed floor)\n"
              "RX93_Headset_v1_2_ef.txt  v.1_2  signed, released 2026-12-01\n"
              "RX93_Headset_v1_3_ef.txt  v.1_3  signed, released 2026-12-01\n"
              "    Longer range.\n"
              "    The mute button answers at once.\n"
              "RX93_Headset_v1_4_ef.txt  v.1_4  unsigned\n");
    EXPECT_EQ(console.err, "");
    ASSERT_EQ(Run({"files", "--all"}), ExitSuccess);
    EXPECT_EQ(console.out.find("catalogue.json"), std::string::npos) << "the catalogue is not firmware";
    ASSERT_EQ(Run({"files", "--json"}), ExitSuccess);
    const std::vector<Json> files = EventsOf("file");
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[2]["signed"], true);
    EXPECT_EQ(files[2]["released"], "2026-12-01");
    EXPECT_EQ(files[3]["signed"], false);

    EXPECT_EQ(Update("RX93_Headset_v1_3_ef.txt"), ExitSuccess);
    std::ifstream history("history.jsonl");
    std::stringstream records;
    records << history.rdbuf();
    EXPECT_NE(records.str().find("\"signed\":true"), std::string::npos);

    WriteFirmware("RX93_Headset_v1_2_ef.txt", "Headset_v1_2", "v1_2_RX93", 1500, 99);  // not the signed bytes
    EXPECT_EQ(Update("RX93_Headset_v1_2_ef.txt"), ExitFileRefused);
    EXPECT_NE(console.err.find("RX93_Headset_v1_2_ef.txt is not the maker's file: its contents differ from the signed "
                               "catalogue."),
              std::string::npos)
        << console.err;
    EXPECT_EQ(Update("RX93_Headset_v1_1_ef.txt"), ExitFileRefused);
    EXPECT_NE(console.err.find("it must be version 1_2 or newer."), std::string::npos) << console.err;
    EXPECT_FALSE(DeviceTouched());

    EXPECT_EQ(Update("RX93_Headset_v1_4_ef.txt", {"--json"}), ExitSuccess);
    EXPECT_EQ(Update("RX93_Headset_v1_4_ef.txt", {"--require-signed"}), ExitFileRefused);
    EXPECT_NE(console.err.find("is not signed by the maker, and only signed firmware may be written."),
              std::string::npos)
        << console.err;
    system.requireSigned = true;
    EXPECT_EQ(Update("RX93_Headset_v1_4_ef.txt"), ExitFileRefused);
    EXPECT_FALSE(DeviceTouched());
    EXPECT_EQ(Update("RX93_Headset_v1_3_ef.txt"), ExitSuccess);
}

TEST_F(CliSignedTest, ACatalogueThatDoesNotVerifyOrIsPlayedBackIsIgnoredAndSaidOnce) {
    Sign(2);
    ASSERT_EQ(Run({"files"}), ExitSuccess);  // version 2 is the newest seen now
    Sign(1);
    ASSERT_EQ(Run({"files"}), ExitSuccess);
    EXPECT_EQ(console.err,
              "The catalogue in the files folder is ignored: it is older than one already used on this computer.\n");
    EXPECT_EQ(console.out.find("signed,"), std::string::npos) << console.out;
    system.requireSigned = true;
    EXPECT_EQ(Update("RX93_Headset_v1_3_ef.txt"), ExitFileRefused);

    Sign(3);
    std::ofstream("files/catalogue.json", std::ios::app) << " ";
    ASSERT_EQ(Run({"files", "--json"}), ExitSuccess);
    const std::vector<Json> catalogue = EventsOf("catalogue");
    ASSERT_EQ(catalogue.size(), 1u);
    EXPECT_EQ(catalogue[0]["status"], "bad_signature");
    for (const Json& file : EventsOf("file")) EXPECT_EQ(file["signed"], false) << file;
}

}  // namespace
