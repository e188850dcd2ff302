// update and verify from the command line: the run, its events field by
// field, the window's refusals through the engine, each exit code, the
// question before writing, and Ctrl+C at a page.
#include <csignal>

#include "cli/interrupt.h"
#include "cli/json_line.h"
#include "tests/cli/cli_fixture.h"

namespace {

using Json = nlohmann::json;

constexpr char kFile[] = "RX93_Headset_v1_2_ef.txt";

class CliRunTest : public CliFixture {
   protected:
    void SetUp() override {
        CliFixture::SetUp();
        WriteFirmware(kFile, "Headset_v1_2", "v1_2_RX93");  // 1500 bytes: 2 pages
        Plug(kCliHeadset);
    }
    std::vector<std::string> Stages() const {
        std::vector<std::string> names;
        for (const Json& stage : EventsOf("stage")) names.push_back(stage["name"]);
        return names;
    }
    bool DeviceTouched() const { return recording::CountCalls("SerialMemEnterFlashMode") > 0; }
    sim::DeviceStatus Headset() const {
        sim::DeviceStatus status{};
        sim::InspectDevice("headset", status);
        return status;
    }
};

TEST_F(CliRunTest, AnUpdateInJsonTellsTheDeviceTheFileEachStageEachPageAndTheResult) {
    ASSERT_EQ(Run({"update", kFile, "--yes", "--json"}), ExitSuccess);
    const std::vector<Json> events = Events();
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[0]["event"], "device");
    EXPECT_EQ(events[0]["device"],
              Json::parse(R"({"kind":"headset","product_id":"28F80106","model":"RX93","version":"1_0"})"));

    const std::vector<Json> files = EventsOf("file");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0]["name"], kFile);
    EXPECT_EQ(files[0]["pages"], 2);
    EXPECT_EQ(files[0]["sha256"].get<std::string>().size(), 64u);

    const std::vector<std::string> stages = Stages();
    const std::vector<std::string> opened = {"connect", "rom_mode", "program", "verify", "reset"};
    size_t at = 0;
    for (const std::string& stage : stages) {
        if (at < opened.size() && stage == opened[at]) ++at;
        if (at > 0) {
            EXPECT_TRUE(stage == opened[at - 1] || (at < opened.size() && stage == opened[at])) << stage;
        }
    }
    EXPECT_EQ(at, opened.size());

    std::vector<std::string> progress;
    for (const Json& p : EventsOf("progress")) {
        progress.push_back(p["stage"].get<std::string>() + " " + std::to_string(p["page"].get<int>()) + "/" +
                           std::to_string(p["pages"].get<int>()) + " " + std::to_string(p["percent"].get<int>()));
    }
    EXPECT_EQ(progress, (std::vector<std::string>{"program 1/2 50", "program 2/2 100", "verify 1/2 50", "verify 2/2 100"}));

    const Json result = Result();
    EXPECT_EQ(result["command"], "update");
    EXPECT_EQ(result["outcome"], "passed");
    EXPECT_EQ(result["exit_code"], 0);
    EXPECT_EQ(result["cause"], "none");
    EXPECT_EQ(result["reason"], "");
    EXPECT_EQ(result["file"], kFile);
    EXPECT_EQ(result["sha256"], files[0]["sha256"]);
    EXPECT_EQ(result["version_before"], "1_0");
    EXPECT_EQ(result["version_after"], "1_2");
    EXPECT_GE(result["duration_ms"].get<int64_t>(), 6000);  // the two pauses around the close alone
    EXPECT_EQ(result["device"]["product_id"], "28F80106");
    EXPECT_EQ(system.deviceLockDepth, 0);
    EXPECT_EQ(Headset().openHandles, 0);
}

TEST_F(CliRunTest, APersonSeesTheStageLinesABarOnATerminalAndTheVersionAfter) {
    ASSERT_EQ(Run({"update", kFile, "--yes"}), ExitSuccess);
    EXPECT_EQ(console.out.rfind("Updating the headset 28F80106 (RX93, firmware 1_0) with RX93_Headset_v1_2_ef.txt\n", 0), 0u);
    EXPECT_NE(console.out.find("  Programming page 2 of 2 (100 %)\n"), std::string::npos);
    EXPECT_NE(console.out.find("  Device Passed Verifification...\n"), std::string::npos);
    EXPECT_EQ(console.out.substr(console.out.rfind('\n', console.out.size() - 2) + 1),
              "Updated: the headset runs firmware 1_2 now.\n");
    EXPECT_EQ(console.out.find('\r'), std::string::npos);  // a pipe gets no redrawn line

    console.terminal = true;
    ASSERT_EQ(Run({"verify", kFile}), ExitSuccess);
    EXPECT_NE(console.out.find("\r  Verifying   [###############...............]  50 %  page 1 of 2"), std::string::npos);
    EXPECT_NE(console.out.find("\r  Verifying   [##############################] 100 %  page 2 of 2\n"), std::string::npos);
    EXPECT_NE(console.out.find("Verified: the headset holds the firmware of RX93_Headset_v1_2_ef.txt.\n"),
              std::string::npos);
}

TEST_F(CliRunTest, AVerifyAgainstAnotherImageIsAMismatch) {
    ASSERT_EQ(Run({"update", kFile, "--yes"}), ExitSuccess);
    WriteFirmware(kFile, "Headset_v1_2", "v1_2_RX93", 1500, 99);  // same name, other bytes
    EXPECT_EQ(Run({"--json", "verify", kFile}), ExitVerifyMismatch);
    const Json result = Result();
    EXPECT_EQ(result["outcome"], "mismatch");
    EXPECT_EQ(result["exit"], "verify_mismatch");
    EXPECT_EQ(result["cause"], "mismatch");
    EXPECT_NE(result["reason"].get<std::string>().find("differs from the file RX93_Headset_v1_2_ef.txt"), std::string::npos);
    EXPECT_EQ(Headset().openHandles, 0);
}

TEST_F(CliRunTest, ADeviceThatStopsAnsweringIsAFailedRun) {
    Plug("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93 failpacket=30\n");
    EXPECT_EQ(Run({"update", kFile, "--yes"}), ExitRunFailed);
    EXPECT_NE(console.out.find("Failed: "), std::string::npos);
    EXPECT_EQ(Headset().openHandles, 0);
}

// The window's refusals come from the engine's own checks; nothing of them
// reaches the device.
TEST_F(CliRunTest, TheWindowsRefusalsEachHaveTheirExitCode) {
    WriteFirmware("RX71_Headset_v1_1_ef.txt", "Headset_v1_1", "v1_1_RX71");
    WriteImageFile("RX93_Headset_v1_3_ef.txt", {0x00}, "Headset_v1_3");
    std::FILE* bad = std::fopen("files/RX93_Headset_v1_4_ef.txt", "wb");
    ASSERT_NE(bad, nullptr);
    std::fputs("00 Headset_v1_4\n01\nzz\n", bad);
    std::fclose(bad);

    struct Case {
        const char* devices;
        const char* file;
        CliExitCode code;
        const char* cause;
    };
    const std::string two = std::string(kCliHeadset) + kCliAdapter;
    const Case cases[] = {
        {"", kFile, ExitNoDevice, "no_device"},
        {two.c_str(), kFile, ExitSeveralDevices, "several_devices"},
        {kCliHeadset, "RX71_Headset_v1_1_ef.txt", ExitFileRefused, "file_does_not_fit"},
        {kCliHeadset, "RX93_Headset_v1_4_ef.txt", ExitFileRefused, "file_no_number"},
        {kCliHeadset, "RX93_Headset_v9_9_ef.txt", ExitFileRefused, "no_such_file"},
    };
    for (const Case& c : cases) {
        Plug(c.devices);
        recording::Clear();
        EXPECT_EQ(Run({"update", c.file, "--yes", "--json"}), c.code) << c.file << " / " << c.devices;
        const Json result = Result();
        EXPECT_EQ(result["outcome"], "refused") << c.file;
        EXPECT_EQ(result["cause"], c.cause) << c.file;
        EXPECT_EQ(result["exit_code"], static_cast<int>(c.code));
        const std::string reason = result["reason"];
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(reason.find("Try Again"), std::string::npos) << reason;  // the console has no such button
        EXPECT_EQ(reason.find("Cancel"), std::string::npos) << reason;
        EXPECT_FALSE(DeviceTouched()) << c.file;
    }
    // A person reads the same reason on standard error.
    Plug(two);
    EXPECT_EQ(Run({"update", kFile, "--yes"}), ExitSeveralDevices);
    EXPECT_NE(console.err.find("Several devices are connected."), std::string::npos);
}

TEST_F(CliRunTest, AFileOutsideTheFilesFolderIsRefusedBeforeTheLibraryIsLoaded) {
    WriteImageFile("../elsewhere.txt", MakeImage(10));
    EXPECT_EQ(Run({"update", "elsewhere.txt", "--yes"}), ExitFileRefused);  // not in files/
    recording::Clear();
    EXPECT_EQ(Run({"update", "./elsewhere.txt", "--yes"}), ExitFileRefused);
    EXPECT_NE(console.err.find("is not in the files folder"), std::string::npos);
    EXPECT_EQ(recording::CountCalls("AvDllListDevices"), 0);
    EXPECT_EQ(Run({"update", "files/RX93_Headset_v1_2_ef.txt", "--yes"}), ExitSuccess);  // the folder may be named
}

TEST_F(CliRunTest, WhileTheWindowRunsTheCommandLineWaitsThenSaysSo) {
    system.deviceLockHeldElsewhere = true;
    EXPECT_EQ(Run({"update", kFile, "--yes", "--json"}), ExitDeviceBusy);
    EXPECT_EQ(Result()["cause"], "device_busy");
    EXPECT_EQ(recording::CountCalls("AvDllListDevices"), 0);
}

TEST_F(CliRunTest, AnUpdateAsksFirstUnlessToldNotTo) {
    console.answer = Console::CannotAsk;
    EXPECT_EQ(Run({"update", kFile}), ExitUsage);
    EXPECT_NE(console.err.find("Add --yes"), std::string::npos);
    console.answer = Console::AnswerNo;
    EXPECT_EQ(Run({"update", kFile}), ExitInterrupted);
    ASSERT_EQ(console.questions.size(), 2u);
    EXPECT_EQ(console.questions[1],
              "Write RX93_Headset_v1_2_ef.txt to the headset (firmware 1_0 now)? Do not unplug it while it runs. [y/N] ");
    EXPECT_FALSE(DeviceTouched());
    console.answer = Console::AnswerYes;
    EXPECT_EQ(Run({"update", kFile}), ExitSuccess);
    EXPECT_EQ(Run({"verify", kFile}), ExitSuccess);  // a verify writes nothing and never asks
    EXPECT_EQ(console.questions.size(), 3u);
}

// The question waits for a person, without the device lock; meanwhile the
// headset is swapped for one of the other model with the same product id.
// The run looks again after the yes and writes nothing.
TEST_F(CliRunTest, AHeadsetSwappedWhileTheQuestionWaitsIsNotWritten) {
    console.answer = Console::AnswerYes;
    console.whileAsking = [&] {
        EXPECT_EQ(system.deviceLockDepth, 0);
        Plug("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX71\n");
    };
    EXPECT_EQ(Run({"update", kFile}), ExitNoDevice);
    EXPECT_FALSE(DeviceTouched());
    EXPECT_EQ(console.err, "The device attached now is not the headset the question was about; nothing was written. "
                           "Run the command again.\n");
    EXPECT_EQ(console.out.find("Updating"), std::string::npos);
    EXPECT_EQ(system.deviceLockDepth, 0);
}

// What is about to happen is said only once the checks have passed, and a
// file or a command that does not exist is named as such.
TEST_F(CliRunTest, NothingIsAnnouncedBeforeTheChecksAndMisspeltNamesAreNamed) {
    EXPECT_EQ(Run({"update", "nonexistent.txt", "--yes"}), ExitFileRefused);
    EXPECT_EQ(console.out, "");
    EXPECT_EQ(console.err.rfind("There is no file nonexistent.txt in the files folder ", 0), 0u) << console.err;
    EXPECT_EQ(recording::CountCalls("AvDllListDevices"), 0);

    std::FILE* bad = std::fopen("files/RX93_Headset_v1_5_ef.txt", "wb");
    ASSERT_NE(bad, nullptr);
    std::fputs("00 Headset_v1_5\n01\nzz\n", bad);  // a line without a number
    std::fclose(bad);
    EXPECT_EQ(Run({"update", "RX93_Headset_v1_5_ef.txt", "--yes"}), ExitFileRefused);
    EXPECT_EQ(console.out, "");

    EXPECT_EQ(Run({"updat", kFile}), ExitUsage);
    EXPECT_EQ(console.err,
              "updat is not a command of veltrane-cli. Did you mean update? Run veltrane-cli --help to see the commands.\n");
}

// A name in another code page comes back replaced in "name"; "name_hex"
// carries its bytes, and --name-hex takes them back.
TEST_F(CliRunTest, ANameThatIsNotUtf8RoundTripsThroughItsHexBytes) {
    const std::string name = "RX93_Headset_v1_3_ef_caf\xE9.txt";  // Latin-1
    WriteFirmware(name, "Headset_v1_3_ef", "v1_3_RX93");
    ASSERT_EQ(Run({"files", "--json"}), ExitSuccess);
    std::string hex;
    for (const Json& file : EventsOf("file")) {
        if (file.contains("name_hex")) hex = file["name_hex"];
        else EXPECT_TRUE(IsUtf8(file["name"].get<std::string>().c_str()));
    }
    ASSERT_EQ(hex, "525839335f486561647365745f76315f335f65665f636166e92e747874");
    ASSERT_EQ(Run({"update", "--name-hex", hex.c_str(), "--yes", "--json"}), ExitSuccess);
    EXPECT_EQ(Result()["file_hex"], hex);
    EXPECT_EQ(Run({"verify", "--name-hex", "e9zz"}), ExitUsage);
    EXPECT_EQ(Run({"verify"}), ExitUsage);
}

// Ctrl+C during a page: the page is finished, the run stops at the next
// page boundary, the device is still reset and closed.
TEST_F(CliRunTest, CtrlCStopsAtThePageBoundaryAndTheDeviceIsResetAndClosed) {
    WriteFirmware(kFile, "Headset_v1_2", "v1_2_RX93", 3 * 1024);
    const int pageOnePacket = 1 + 10;  // the discovery pass's version query, then ten into page 1
    recording::BeforePacket(pageOnePacket, [] {
#ifdef _WIN32
        OnInterrupt();
#else
        std::raise(SIGINT);
#endif
    });
    EXPECT_EQ(Run({"update", kFile, "--yes", "--json"}), ExitInterrupted);
    const Json result = Result();
    EXPECT_EQ(result["outcome"], "interrupted");
    EXPECT_EQ(result["cause"], "interrupted");
    EXPECT_EQ(result["exit_code"], 130);
    const std::vector<Json> progress = EventsOf("progress");
    ASSERT_EQ(progress.size(), 1u);  // page 1 ran whole; page 2 never began
    EXPECT_EQ(progress[0]["page"], 1);
    EXPECT_EQ(recording::CountCalls("commandSendAndGetResponse"), 1 + 73 + 1);  // + the pass after the run
    EXPECT_EQ(Stages().back(), "reset");
    EXPECT_EQ(Headset().openHandles, 0);
    EXPECT_GE(Headset().resets, 1);
    EXPECT_NE(console.err.find("Stopping at the next page"), std::string::npos);
}

}  // namespace
