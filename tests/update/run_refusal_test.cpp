// Runs that must not reach the device: the device is not the one the file
// was chosen for, or the file is not a firmware image. Each is refused
// before the first library call, ends failed, and says why.
#include <filesystem>
#include <fstream>

#include "firmware/firmware_image.h"
#include "platform/sha256.h"
#include "tests/support/update_fixture.h"

namespace {

class RunRefusalTest : public UpdateFixture {
   protected:
    // Writes files/<name> with exactly `text`.
    void WriteText(const std::string& name, const std::string& text) {
        std::filesystem::create_directories("files");
        std::ofstream(std::string("files/") + name, std::ios::binary) << text;
    }

    // A file chosen for the headset: name and first-line tag fit it.
    void ChooseText(const std::string& text) {
        WriteText("RX93_Headset_v1_1_ef.txt", text);
        ChooseFirmware(state.request, state.devices, "RX93_Headset_v1_1_ef.txt");
    }

    // A run's own calls: ROM mode, and packets with the run's header (a
    // refused run may still have looked for the devices once more).
    static bool RunTouchedTheDevice() {
        for (const recording::Call& call : recording::Calls()) {
            if (call.entry == "SerialMemEnterFlashMode") return true;
            if (!call.request.empty() && call.request[1] == 0x04 && call.request[2] == 0x00) return true;
        }
        return false;
    }

    void ExpectRefused(const std::string& what) {
        EXPECT_EQ(state.screenMode, ScreenFailed) << what;
        EXPECT_FALSE(RunTouchedTheDevice()) << what;
        EXPECT_TRUE(controls.LogLines().empty()) << what;
        EXPECT_EQ(system.timerPeriodDepth, 0) << what;
        EXPECT_EQ(FirmwareImagesHeld(), 0) << what;
    }

    void RunFresh(bool verifyOnly = false) {
        state.screenMode = ScreenIdle;
        recording::Clear();
        controls.ClearHistory();
        Run(verifyOnly);
    }

    static std::string Lines(int count, const std::string& line = "5A") {
        std::string text;
        for (int i = 0; i < count; ++i) text += line + "\n";
        return text;
    }
};

TEST_F(RunRefusalTest, TextThatIsNoFirmwareImageNeverReachesTheDevice) {
    Attach(kTestHeadset);
    const std::string first = "00 Headset_v1_1\n";
    const struct {
        const char* what;
        std::string text;
        RunCause cause;
        int32_t line;
    } cases[] = {
        {"lone CR line ends", "00 Headset_v1_1\r3a\r4b\r5c\r", CauseFileLoneCr, 1},
        {"a lone CR inside", first + "3a\n4b\r5c\n", CauseFileLoneCr, 3},
        {"a 149-character line", first + "3a\n" + std::string(149, '7') + "\n", CauseFileLineTooLong, 3},
        {"a 200-character line", first + "3a " + std::string(197, 'z') + "\n", CauseFileLineTooLong, 2},
        {"a blank line", first + "3a\n\n4b\n", CauseFileNoNumber, 3},
        {"a trailing blank line", first + "3a\n4b\n\n", CauseFileNoNumber, 4},
        {"a word", first + "3a\nnote\n4b\n", CauseFileNoNumber, 3},
        {"binary", first + std::string("\xff\xfe\n", 3), CauseFileNoNumber, 2},
        {"a NUL", first + std::string("\0" "3a\n", 4), CauseFileNoNumber, 2},
        {"an empty file: no first line to hold the tag", "", CauseFileDoesNotFit, 0},
    };
    for (const auto& c : cases) {
        ChooseText(c.text);
        RunFresh();
        ExpectRefused(c.what);
        EXPECT_EQ(state.runOutcome.cause, c.cause) << c.what;
        EXPECT_EQ(state.runOutcome.line, c.line) << c.what;
        EXPECT_EQ(state.runOutcome.stage, StageNotStarted) << c.what;
    }
}

TEST_F(RunRefusalTest, WellFormedSpellingsStillLoadExactlyAsBefore) {
    Attach(kTestHeadset);
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"LF", "3a Headset_v1_1\n0x3A\n13A\n3a token\nbad\n  -1\n3a"},
        {"CR LF", "3a Headset_v1_1\r\n0x3A\r\n13A\r\n3a token\r\nbad\r\n  -1\r\n3a"},
        {"a 148-character line", "3a Headset_v1_1\n3a" + std::string(146, ' ') + "\n"},
    };
    for (const auto& c : cases) {
        ChooseText(c.text);
        RunFresh();
        EXPECT_EQ(state.screenMode, ScreenPassed) << c.what;
    }
    // The first line may carry text alone: its byte is 0.
    ChooseText("RX93 Headset_v1_1 firmware\n3a\n");
    RunFresh();
    EXPECT_EQ(state.screenMode, ScreenPassed);
    EXPECT_EQ(SerialMemory("headset", 0, 2), (std::vector<uint8_t>{0x00, 0x3A}));
}

TEST_F(RunRefusalTest, AFileOfMoreThan192PagesIsRefusedWithoutReadingItAll) {
    Attach(kTestHeadset);
    // A lone CR far behind the 192nd page: only a reader that went on would meet it.
    ChooseText("3a Headset_v1_1\n" + Lines(192 * 1024) + "3a\r" + Lines(1000));
    RunFresh();
    ExpectRefused("193 pages");
    EXPECT_EQ(state.runOutcome.cause, CauseFileTooLarge);
    EXPECT_EQ(state.runOutcome.line, 192 * 1024 + 1);
}

TEST_F(RunRefusalTest, OnlyTheDeviceTheFileWasChosenForIsProgrammed) {
    Attach(kTestHeadset);
    ChooseText("3a Headset_v1_1\n4b\n");
    Attach(kTestAdapter);  // another device took its place
    RunFresh();
    ExpectRefused("another device");
    EXPECT_EQ(state.runOutcome.cause, CauseDeviceChanged);
    Attach(std::string(kTestHeadset) + kTestAdapter);
    RunFresh();
    ExpectRefused("several devices");
    EXPECT_EQ(state.runOutcome.cause, CauseSeveralDevices);
    Attach("");
    RunFresh();
    ExpectRefused("no device");
    EXPECT_EQ(state.runOutcome.cause, CauseNoDevice);
    Attach("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX71\n");
    RunFresh();
    ExpectRefused("another model");
    EXPECT_EQ(state.runOutcome.cause, CauseDeviceChanged);
    // A device that cannot be opened is still attached, listed before or
    // after the one the file was chosen for.
    const std::string unopenable = "device adapter product=28F80108 kind=12 identity=01 reply=v1_0_RX93 fail=open\n";
    for (const std::string& devices : {kTestHeadset + unopenable, unopenable + kTestHeadset}) {
        Attach(devices);
        RunFresh();
        ExpectRefused(devices);
        EXPECT_EQ(state.runOutcome.cause, CauseSeveralDevices) << devices;
    }
    Attach(kTestHeadset);  // the same device again, at another version
    RunFresh();
    EXPECT_EQ(state.screenMode, ScreenPassed);
}

TEST_F(RunRefusalTest, AChecksumBesideTheFileMustMatchIt) {
    Attach(kTestHeadset);
    ChooseText("3a Headset_v1_1\n4b\n");
    // sha256 of the file's bytes, as sha256sum writes it.
    WriteText("RX93_Headset_v1_1_ef.txt.sha256",
              "0000000000000000000000000000000000000000000000000000000000000000  RX93_Headset_v1_1_ef.txt\n");
    RunFresh();
    ExpectRefused("another digest");
    EXPECT_EQ(state.runOutcome.cause, CauseDigestMismatch);
    WriteText("RX93_Headset_v1_1_ef.txt.sha256", "not a digest\n");
    RunFresh();
    ExpectRefused("no digest");
    EXPECT_EQ(state.runOutcome.cause, CauseDigestUnreadable);
    // The file's own digest, upper case, without a name after it.
    WriteText("RX93_Headset_v1_1_ef.txt.sha256",
              "\xEF\xBB\xBF 1C5BE11A4BA3CA3F9ED9AC8E3E25AFC4E1F8E4B4BA13A5CC06C5A2BC39C4E1F3\r\n");
    RunFresh();
    EXPECT_EQ(state.runOutcome.cause, CauseDigestMismatch);  // a digest, but not this file's
    // There, but not readable as a file: it may publish a digest the file fails.
    std::filesystem::remove("files/RX93_Headset_v1_1_ef.txt.sha256");
    std::filesystem::create_directory("files/RX93_Headset_v1_1_ef.txt.sha256");
    RunFresh();
    ExpectRefused("a folder of the checksum's name");
    EXPECT_EQ(state.runOutcome.cause, CauseDigestUnreadable);
    std::filesystem::remove("files/RX93_Headset_v1_1_ef.txt.sha256");
}

TEST_F(RunRefusalTest, TheFilesOwnDigestLetsTheRunGoOn) {
    Attach(kTestHeadset);
    ChooseText("3a Headset_v1_1\n4b\n");
    uint8_t digest[kSha256Bytes];
    ASSERT_TRUE(Sha256OfFile("files/RX93_Headset_v1_1_ef.txt", digest));
    char hex[kSha256HexChars + 1];
    Sha256Hex(digest, hex);
    WriteText("RX93_Headset_v1_1_ef.txt.sha256", std::string(hex) + "  RX93_Headset_v1_1_ef.txt\n");
    RunFresh();
    EXPECT_EQ(state.screenMode, ScreenPassed);
    EXPECT_TRUE(state.runOutcome.digestChecked);
}

// Values a misbehaving front end or library could leave: a row out of the
// table, a listing index out of the listing.
TEST_F(RunRefusalTest, IndicesOutOfRangeNameNoDevice) {
    Attach(kTestHeadset);
    ChooseText("3a Headset_v1_1\n4b\n");
    state.request.activeDeviceRow = 9;
    RunFresh();
    ExpectRefused("row 9");
    state.request.activeDeviceRow = 0;
    for (int32_t index : {-5, 10, 1 << 30}) {
        Attach(kTestHeadset);
        state.devices.deviceTable[0].deviceIndex = index;
        RunFresh();
        EXPECT_EQ(state.runOutcome.stage, StageConnect) << index;
        EXPECT_EQ(state.screenMode, ScreenFailed) << index;
        EXPECT_EQ(recording::CountCalls("AvDllOpenDevice"), 0) << index;
    }
}

// A read-back whose exchange answered without filling the reply must not
// compare against what the reply held before.
TEST_F(RunRefusalTest, AReadBackTheLibraryDidNotFillNeverMatches) {
    Attach(kTestHeadset);
    const std::vector<uint8_t> held = MakeImage(1024, 1);
    Choose("RX93_Headset_v1_1_ef.txt", held);
    Run();
    ASSERT_EQ(state.screenMode, ScreenPassed);
    // Another image whose every chunk equals the first chunk the device holds.
    std::vector<uint8_t> other;
    for (int chunk = 0; chunk < 64; ++chunk) other.insert(other.end(), held.begin(), held.begin() + 16);
    Choose("RX93_Headset_v1_1_ef.txt", other);
    state.screenMode = ScreenIdle;
    recording::Clear();
    recording::SwallowPackets(6, 1000, 1);  // every read after the first: "done", nothing filled
    Run(/*verifyOnly=*/true);
    EXPECT_NE(state.screenMode, ScreenPassed);
}

}  // namespace
