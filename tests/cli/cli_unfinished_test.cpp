// A unit an update left half-programmed, from the command line: files and
// update take its model from the history's unfinished update of that unit,
// or from --model when no history names it.
#include "tests/cli/cli_fixture.h"

namespace {

constexpr char kFile[] = "RX93_Headset_v1_2_ef.txt";
constexpr char kOtherModel[] = "RX71_Headset_v1_1_ef.txt";
constexpr char kHalfWritten[] = "device headset product=28F80106 kind=13 identity=01 replyhex=00\n";

class CliUnfinishedTest : public CliFixture {
   protected:
    void SetUp() override {
        CliFixture::SetUp();
        WriteFirmware(kOtherModel, "Headset_v1_1", "v1_1_RX71", 40000, 3);
        WriteFirmware(kFile, "Headset_v1_2", "v1_2_RX93", 40000);
    }
    std::string Stamp() const {
        char stamp[10] = {};
        sim::ReadSerialMemory("headset", sim::kStampOffset + 4, 9, reinterpret_cast<uint8_t*>(stamp));
        return stamp;
    }
};

TEST_F(CliUnfinishedTest, TheHistoryTiesTheUnitToItsModelAndTheUpdateFinishesIt) {
    Plug("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93 unplugafter=1500\n");
    EXPECT_EQ(Run({"update", kFile, "--yes"}), ExitRunFailed);

    Plug(kHalfWritten);
    EXPECT_EQ(Run({"files"}), ExitSuccess);
    EXPECT_EQ(console.out.find(kFile), 0u) << console.out;
    EXPECT_EQ(console.out.find(kOtherModel), std::string::npos) << console.out;
    EXPECT_NE(console.err.find("The last update of this headset stopped at page 21 of 40."), std::string::npos)
        << console.err;
    EXPECT_EQ(Run({"update", kOtherModel, "--yes"}), ExitFileRefused) << "never the other model's file";
    EXPECT_EQ(Run({"update", kFile, "--yes"}), ExitSuccess) << console.err;
    EXPECT_EQ(Stamp(), "v1_2_RX93");

    // Another unit of the same product is tied to nothing.
    Plug("device other product=28F80106 kind=13 identity=02 replyhex=00\n");
    EXPECT_EQ(Run({"update", kFile, "--yes"}), ExitFileRefused);
}

TEST_F(CliUnfinishedTest, AStationFinishesTheUnitWithTheFirstFileOfItsModel) {
    Plug("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93 unplugafter=1500\n");
    EXPECT_EQ(Run({"update", kFile, "--yes"}), ExitRunFailed);
    Plug(kHalfWritten);
    EXPECT_EQ(Run({"station", kOtherModel, kFile, "--count", "1"}), ExitSuccess) << console.out << console.err;
    EXPECT_EQ(Stamp(), "v1_2_RX93");
}

TEST_F(CliUnfinishedTest, ModelNamesTheModelOfAUnitWithoutHistoryAndNeverContradictsItsReply) {
    Plug(kHalfWritten);
    EXPECT_EQ(Run({"update", kFile, "--yes"}), ExitFileRefused);
    EXPECT_EQ(Run({"update", kFile, "--yes", "--model", "RX71"}), ExitFileRefused);
    EXPECT_EQ(Run({"update", kFile, "--yes", "--model", "RX93"}), ExitSuccess) << console.err;
    EXPECT_EQ(Stamp(), "v1_2_RX93");

    Plug(kCliHeadset);  // answers as an RX93
    EXPECT_EQ(Run({"update", kOtherModel, "--yes", "--model", "RX71"}), ExitUsage);
    EXPECT_NE(console.err.find("answers as an RX93"), std::string::npos) << console.err;
    EXPECT_EQ(Run({"files", "--model", "RX55"}), ExitUsage);
}

}  // namespace
