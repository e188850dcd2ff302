// devices, files and the command line itself: output, JSON fields, exit
// codes and refusals.
#include <filesystem>
#include <fstream>

#include "tests/cli/cli_fixture.h"

namespace {

using Json = nlohmann::json;

class CliListingTest : public CliFixture {};

TEST_F(CliListingTest, DevicesListsEachAttachedDeviceOnItsOwnLine) {
    Plug(std::string(kCliHeadset) + kCliAdapter +
         "device old product=170D0100 kind=12 identity=01 reply=14,host,2016-08-31\n"
         "device odd product=28F80109 kind=12 identity=01 replyhex=000102030405060708090A0B0C0D0E0F1011\n");
    EXPECT_EQ(Run({"devices"}), ExitSuccess);
    EXPECT_EQ(console.out,
              "headset  28F80106  RX93  1_0\n"
              "adapter  28F80108  RX93  1_0\n"
              "adapter  170D0100  RX71  1_0\n"
              "adapter  28F80109  -     -\n");
    EXPECT_EQ(recording::CountCalls("AvDllListDevices"), 1);  // one discovery pass
    EXPECT_EQ(system.deviceLockDepth, 0);
}

TEST_F(CliListingTest, DevicesInJsonGivesEveryFieldAndEndsWithTheResult) {
    Plug(std::string(kCliAdapter) + kCliHeadset);
    EXPECT_EQ(Run({"devices", "--json"}), ExitSuccess);
    const std::vector<Json> devices = EventsOf("device");
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0], Json::parse(R"({"kind":"adapter","product_id":"28F80108","model":"RX93","version":"1_0"})"));
    EXPECT_EQ(devices[1]["kind"], "headset");
    EXPECT_EQ(devices[1]["product_id"], "28F80106");
    const Json result = Result();
    EXPECT_EQ(result["command"], "devices");
    EXPECT_EQ(result["outcome"], "listed");
    EXPECT_EQ(result["exit_code"], 0);
    EXPECT_EQ(result["exit"], "success");
    EXPECT_EQ(result["count"], 2);
    EXPECT_TRUE(console.err.empty());
}

TEST_F(CliListingTest, NoDeviceIsItsOwnExitCodeWithASentenceOrAResult) {
    EXPECT_EQ(Run({"devices"}), ExitNoDevice);
    EXPECT_EQ(console.out, "");
    EXPECT_EQ(console.err, "No device is connected. Connect the headset or the adapter, then run the command again.\n");
    EXPECT_EQ(Run({"--json", "devices"}), ExitNoDevice);
    const Json result = Result();
    EXPECT_EQ(result["outcome"], "refused");
    EXPECT_EQ(result["cause"], "no_device");
    EXPECT_EQ(result["exit"], "no_device");
    EXPECT_EQ(result["exit_code"], 4);
}

TEST_F(CliListingTest, WhileTheWindowHoldsTheDevicesNothingIsTouched) {
    Plug(kCliHeadset);
    system.deviceLockHeldElsewhere = true;
    EXPECT_EQ(Run({"devices"}), ExitDeviceBusy);
    EXPECT_EQ(recording::CountCalls("AvDllListDevices"), 0);
    EXPECT_NE(console.err.find("Another program is working on the devices"), std::string::npos);
    EXPECT_GE(system.NowMillis(), 2000u);  // it waited for a discovery pass to end
    EXPECT_EQ(Run({"files", "--json"}), ExitDeviceBusy);
    EXPECT_EQ(Result()["cause"], "device_busy");
}

// The library is loaded as the window loads it: hostapi_vmi.dll of the
// working folder.
void UseLibrary(const char* path) {
    std::filesystem::copy_file(path, "hostapi_vmi.dll", std::filesystem::copy_options::overwrite_existing);
}

TEST_F(CliListingTest, ALibraryThatCannotBeBoundIsALibraryProblem) {
    env.boundLibrary = nullptr;
    EXPECT_EQ(Run({"devices"}), ExitLibraryProblem);
    EXPECT_NE(console.err.find("The device library hostapi_vmi.dll is missing from "), std::string::npos) << console.err;

    UseLibrary(ScopedTestFolder::LibraryWithoutPairedIdSet());
    EXPECT_EQ(Run({"--json", "devices"}), ExitLibraryProblem);
    // The window's missing-entry line goes to standard error, so standard
    // output stays pure JSON.
    EXPECT_EQ(console.err, "Failed to find systemPairedArbDeviceIdSet\n");
    EXPECT_EQ(Result()["cause"], "library_incomplete");
    EXPECT_NE(Result()["reason"].get<std::string>().find("lacks the entry point systemPairedArbDeviceIdSet"),
              std::string::npos);
}

TEST_F(CliListingTest, TheRealLibraryIsBoundInitialisedAndShutDown) {
    env.boundLibrary = nullptr;
    UseLibrary(ScopedTestFolder::SimulatorLibrary());
    std::FILE* devices = std::fopen("sim_devices.txt", "w");
    ASSERT_NE(devices, nullptr);
    std::fputs(kCliHeadset, devices);
    std::fclose(devices);
    EXPECT_EQ(Run({"devices"}), ExitSuccess);
    EXPECT_EQ(console.out, "headset  28F80106  RX93  1_0\n");
    EXPECT_EQ(system.librariesHeld, 0);  // unloaded again
}

class CliFilesTest : public CliFixture {
   protected:
    void SetUp() override {
        CliFixture::SetUp();
        WriteImageFile("RX93_Headset_v1_2_ef.txt", MakeImage(100), "Headset_v1_2");
        WriteImageFile("RX71_Headset_v1_1_ef.txt", MakeImage(100), "Headset_v1_1");
        WriteImageFile("RX93_Headset_v1_3_ef.txt", MakeImage(100));
        WriteImageFile("RX93_Headsetv1ef.txt", MakeImage(100));
    }
};

TEST_F(CliFilesTest, FilesListsWhatTheDialogOffersAndAllSaysWhyTheRestIsNot) {
    Plug(kCliHeadset);
    EXPECT_EQ(Run({"files"}), ExitSuccess);
    EXPECT_EQ(console.out, "RX93_Headset_v1_2_ef.txt  v.1_2  unsigned\n");

    EXPECT_EQ(Run({"files", "--all", "--json"}), ExitSuccess);
    std::map<std::string, Json> byName;
    for (const Json& file : EventsOf("file")) byName[file["name"]] = file;
    ASSERT_EQ(byName.size(), 4u);
    EXPECT_EQ(byName["RX93_Headset_v1_2_ef.txt"],
              Json::parse(R"({"name":"RX93_Headset_v1_2_ef.txt","label":"v.1_2","fits":true,"reason":"","signed":false,"signature":"unsigned"})"));
    EXPECT_EQ(byName["RX71_Headset_v1_1_ef.txt"]["reason"], "the name lacks \"RX93_Headset\"");
    EXPECT_EQ(byName["RX93_Headset_v1_3_ef.txt"]["reason"], "the first line lacks the tag \"Headset_v1_3\"");
    EXPECT_EQ(byName["RX93_Headsetv1ef.txt"]["reason"], "the name has fewer than two underscores");
    EXPECT_FALSE(byName["RX71_Headset_v1_1_ef.txt"]["fits"]);
    EXPECT_EQ(Result()["count"], 1);
    EXPECT_EQ(Result()["device"]["product_id"], "28F80106");
}

TEST_F(CliFilesTest, FilesNeedsExactlyOneDevice) {
    EXPECT_EQ(Run({"files"}), ExitNoDevice);
    Plug(std::string(kCliHeadset) + kCliAdapter);
    EXPECT_EQ(Run({"files"}), ExitSeveralDevices);
    EXPECT_EQ(console.err, "Several devices are connected. Unplug all but one, then run the command again.\n");
    Plug("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX71\n");
    EXPECT_EQ(Run({"files"}), ExitSuccess);
    EXPECT_EQ(console.out, "RX71_Headset_v1_1_ef.txt  v.1_1  unsigned\n");
    Plug(kCliAdapter);
    EXPECT_EQ(Run({"files"}), ExitSuccess);  // an empty list is an answer too
    EXPECT_EQ(console.out, "");
    EXPECT_EQ(console.err, "No file in the files folder fits this adapter.\n");
}

TEST_F(CliListingTest, AWrongCommandLineIsAUsageError) {
    EXPECT_EQ(Run({}), ExitUsage);
    EXPECT_EQ(Run({"frobnicate"}), ExitUsage);
    EXPECT_EQ(Run({"update"}), ExitUsage);  // FILE is required
    EXPECT_NE(console.err.find("FILE or --name-hex is required"), std::string::npos);
    EXPECT_EQ(Run({"devices", "--colour"}), ExitUsage);
    EXPECT_EQ(Run({"--json", "station", "--count", "0", "a"}), ExitUsage);
    EXPECT_EQ(Result()["exit"], "usage");
    EXPECT_EQ(recording::CountCalls("AvDllListDevices"), 0);

    EXPECT_EQ(Run({"--help"}), ExitSuccess);
    EXPECT_NE(console.out.find("Exit codes:"), std::string::npos);
    EXPECT_NE(console.out.find("130  interrupted"), std::string::npos);
    EXPECT_EQ(Run({"--version"}), ExitSuccess);
    EXPECT_EQ(console.out.rfind("veltrane-cli ", 0), 0u);
}

// --record writes the first line and every call the command made, whatever
// option or word comes first; a file that cannot be written is refused.
TEST_F(CliListingTest, RecordWritesEveryCallOfTheCommandAfterItsFirstLine) {
    Plug(kCliHeadset);
    ASSERT_EQ(Run({"--record", "calls.jsonl", "devices"}), 0);
    EXPECT_EQ(console.out, "headset  28F80106  RX93  1_0\n");
    std::ifstream in("calls.jsonl");
    std::string line;
    std::vector<std::string> calls;
    std::getline(in, line);
    const nlohmann::json header = nlohmann::json::parse(line);
    EXPECT_EQ(header["recording"], "veltrane-device-calls");
    EXPECT_EQ(header["program"], "veltrane-cli");
    while (std::getline(in, line)) calls.push_back(nlohmann::json::parse(line)["call"]);
    EXPECT_EQ(calls.size(), recording::Calls().size());
    EXPECT_EQ(calls.front(), "AvDllListDevices");
    EXPECT_EQ(calls.back(), "AvDllCloseHandle");

    EXPECT_EQ(Run({"--record", "no such folder/calls.jsonl", "devices"}), 2);
    EXPECT_NE(console.err.find("The recording no such folder/calls.jsonl cannot be written."), std::string::npos);
}

}  // namespace
