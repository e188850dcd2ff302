// A unit an update left half-programmed, from the command line: files and
// update take its model from the history's unfinished update of that unit,
// or from --model when no history names it.
#include "tests/cli/cli_fixture.h"

namespace {

constexpr char kFile[] = "RX93_Headset_v1_2_ef.txt";
constexpr char kOtherModel[] = "RX71_Headset_v1_1_ef.txt";
constexpr char kHalfWritten[] = "device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93 state=interrupted\n";

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
    Plug("device other product=28F80106 kind=13 identity=02 reply=v1_0_RX93 state=interrupted\n");
    EXPECT_EQ(Run({"update", kFile, "--yes"}), ExitFileRefused);
}

// Cut short at each kind of point (the first packet after ROM mode, a page
// of programming, a page of verify, a refused ROM mode or reset) by an
// unplug or by a library that stops answering; the next update finishes it.
TEST_F(CliUnfinishedTest, AnUpdateCutShortAnywhereIsFinishedByTheNextOne) {
    struct Cut {
        const char* words;  // the headset's faults
        int silentFrom;     // packets from this one on never reach the device; 0 none
    };
    // 40 pages: 73 packets a page to program, then 68 a page to verify.
    const Cut cuts[] = {{" unplugafter=1", 0},  {" unplugafter=1500", 0}, {" unplugafter=3018", 0},
                        {"", 1},                {"", 1500},               {"", 3018},
                        {" fail=rom", 0},       {" fail=reset", 0}};
    int n = 0;
    for (const Cut& cut : cuts) {
        const std::string name = "headset" + std::to_string(++n);
        const std::string line = "device " + name + " product=28F80106 kind=13 identity=0" + std::to_string(n) +
                                 " reply=v1_0_RX93";
        recording::Clear();
        if (cut.silentFrom != 0) recording::SwallowPackets(cut.silentFrom, 1 << 30, -5);
        Plug(line + cut.words + "\n");
        EXPECT_NE(Run({"update", kFile, "--yes"}), ExitSuccess) << line << cut.words;
        recording::Clear();
        Plug(line + "\n");
        EXPECT_EQ(Run({"update", kFile, "--yes"}), ExitSuccess) << line << cut.words << "\n" << console.err;
        char stamp[10] = {};
        sim::ReadSerialMemory(name.c_str(), sim::kStampOffset + 4, 9, reinterpret_cast<uint8_t*>(stamp));
        EXPECT_STREQ(stamp, "v1_2_RX93") << line << cut.words;
    }
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
