#include "update/update_sequence.h"

#include <fstream>
#include <functional>
#include <numeric>

#include "device/device_library.h"
#include "firmware/firmware_image.h"
#include "sim/version_stamp.h"
#include "update/null_seat.h"
#include "tests/support/update_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Hex(const char* text) {
    Bytes out;
    for (const char* p = text; p[0] != '\0' && p[1] != '\0';) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        const char pair[3] = {p[0], p[1], '\0'};
        out.push_back(static_cast<uint8_t>(std::strtoul(pair, nullptr, 16)));
        p += 2;
    }
    return out;
}

// Bytes 4 onward of a packet, as many as `expected` holds.
Bytes Command(const Bytes& packet, size_t count) { return Bytes(packet.begin() + 4, packet.begin() + 4 + static_cast<long>(count)); }

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class UpdateSequenceTest : public UpdateFixture {};

// The packets of a one-page update, written from the packet tables.
struct KindPackets {
    const char* devices;
    const char* prep;
    const char* ctl;
    const char* clear;
    const char* memConfig;
    uint16_t stagingBase;
    const char* pageAddress;
    const char* stagingAddress;
    const char* programLength;
    const char* verifyLength;
};

void ExpectOnePageRun(const UpdaterState& state, const KindPackets& kind, const Bytes& image) {
    const auto packets = recording::Packets();
    ASSERT_EQ(packets.size(), 73u + 68u);
    for (const Bytes& packet : packets) EXPECT_EQ(Bytes(packet.begin(), packet.begin() + 4), Hex("FD040000"));
    EXPECT_EQ(Command(packets[0], 5), Hex(kind.prep));
    EXPECT_EQ(Command(packets[1], 5), Hex(kind.ctl));
    EXPECT_EQ(Command(packets[2], 8), Hex(kind.clear));
    EXPECT_EQ(Command(packets[3], 11), Hex(kind.memConfig));
    EXPECT_EQ(Command(packets[4], 5), Hex("0500A7C000"));
    for (int chunk = 0; chunk < 64; ++chunk) {
        const uint16_t address = static_cast<uint16_t>(kind.stagingBase + 16 * chunk);
        const Bytes expected = Concat({0x14, 0x00, static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8)},
                                      Bytes(image.begin() + 16 * chunk, image.begin() + 16 * chunk + 16));
        EXPECT_EQ(Command(packets[5 + chunk], 20), expected) << "chunk " << chunk;
    }
    EXPECT_EQ(Command(packets[69], 8), Hex(kind.pageAddress));
    EXPECT_EQ(Command(packets[70], 6), Hex(kind.stagingAddress));
    EXPECT_EQ(Command(packets[71], 6), Hex(kind.programLength));
    // CommitPage: the two command bytes, behind them what TransferLengthWrite left.
    const Bytes programLength = Hex(kind.programLength);
    EXPECT_EQ(Command(packets[72], 6), Concat(Hex("0203"), Bytes(programLength.begin() + 2, programLength.end())));
    EXPECT_EQ(Command(packets[73], 8), Hex(kind.pageAddress));
    EXPECT_EQ(Command(packets[74], 6), Hex(kind.stagingAddress));
    EXPECT_EQ(Command(packets[75], 6), Hex(kind.verifyLength));
    EXPECT_EQ(Command(packets[76], 2), Hex("0284"));
    for (int chunk = 0; chunk < 64; ++chunk) {
        const uint16_t address = static_cast<uint16_t>(kind.stagingBase + 16 * chunk);
        EXPECT_EQ(Command(packets[77 + chunk], 5),
                  (Bytes{0x05, 0x81, static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8), 0x10}));
    }
    EXPECT_EQ(state.screenMode, ScreenPassed);
}

TEST_F(UpdateSequenceTest, OnePageOnAHeadsetSendsThePacketsOfTheTables) {
    Attach(kTestHeadset);
    Bytes image = MakeImage(1024);
    Choose("RX93_Headset_v1_1_ef.txt", image);
    Run();
    ExpectOnePageRun(state,
                     {kTestHeadset, "0500E1F0A0", "05003AB502", "08004EB500000000", "0B0047B5 00000200000001", 0xBB5C,
                      "08003BB500000000", "06003FB55CBB", "060041B50004", "060041B50010"},
                     image);
}

TEST_F(UpdateSequenceTest, OnePageOnAnAdapterSendsThePacketsOfTheTables) {
    Attach(kTestAdapter);
    Bytes image = MakeImage(1024);
    Choose("RX93_Base_24AA512_v1_1_ef.txt", image);  // the memory type does not matter to an adapter
    Run();
    ExpectOnePageRun(state,
                     {kTestAdapter, "0500E2F00A", "05002DC402", "080041C400000000", "0B003AC4 00000100008000", 0xD312,
                      "08002EC400000000", "060032C412D3", "060034C40004", "060034C40010"},
                     image);
}

TEST_F(UpdateSequenceTest, AHeadsetWithMemoryType17GetsMemConfigA) {
    Attach(kTestHeadset);
    Choose("RX93_Headset_24AA512_24C512_v1_1_ef.txt", MakeImage(100));
    Run();
    EXPECT_EQ(state.request.memoryType, 17);
    EXPECT_EQ(Command(recording::Packets()[3], 11), Hex("0B0047B5 00000100008000"));
}

// A name without a memory word keeps the type of the run before on the same
// headset; once it is unplugged, the next headset starts from the beginning.
TEST_F(UpdateSequenceTest, TheMemoryTypeCarriesOverOnlyOnTheSameDevice) {
    const auto memConfig = [] { return Command(recording::Packets()[3], 11); };
    Attach(kTestHeadset);
    Choose("RX93_Headset_24AA512_v1_1_ef.txt", MakeImage(100));
    Run();
    Choose("RX93_Headset_v1_1_ef.txt", MakeImage(100));
    recording::Clear();
    Run();
    EXPECT_EQ(memConfig(), Hex("0B0047B5 00000100008000"));  // still configuration A
    Attach("");
    Attach(kTestHeadset);
    Run();
    EXPECT_EQ(memConfig(), Hex("0B0047B5 00000200000001"));  // a fresh program's B
}

TEST_F(UpdateSequenceTest, ASuccessfulUpdateLogsEveryStageAndProgramsTheDevice) {
    Attach(kTestHeadset);
    const Bytes image = MakeImage(3000);
    Choose("RX93_Headset_v1_1_ef.txt", image);
    Run();
    EXPECT_EQ(state.screenMode, ScreenPassed);
    EXPECT_EQ(controls.LogLines(), (std::vector<std::string>{
                                       "Connecting to the Device...", "Connected to the Device...",
                                       "Putting the Device into Rom Mode...", "Device went into Rom Mode ...",
                                       "Erasing Device Firmware Section...", "Programming the Device...",
                                       "Device Passed Programming...", "Verifying the Device...",
                                       "Device Passed Verifification...", "Resetting the Device...",
                                       "Device accepted Reset..."}));
    EXPECT_EQ(SerialMemory("headset", 0, 3000), image);
    EXPECT_EQ(SerialMemory("headset", 3000, 3 * 1024 - 3000), Bytes(3 * 1024 - 3000, 0));  // the zero fill
    EXPECT_EQ(controls.Skins(), std::vector<SkinId>{SkinHeadsetVerifying});
    EXPECT_EQ(controls.Text(ControlProgressText), std::string(365, '|'));
    EXPECT_EQ(controls.Text(ControlPercentText), "100 %");
    EXPECT_EQ(system.timerPeriodRaises, 1);
    EXPECT_EQ(system.timerPeriodDepth, 0);
    EXPECT_EQ(FirmwareImagesHeld(), 0);
    EXPECT_EQ(sim::OpenHandleCount(), 0);
}

TEST_F(UpdateSequenceTest, EveryPauseOfAOnePageRun) {
    Attach(kTestHeadset);
    Choose("RX93_Headset_v1_1_ef.txt", MakeImage(10));
    Run();
    std::vector<uint32_t> expected = {100, 100, 1};                    // connect, ROM mode, before programming
    expected.insert(expected.end(), 5 + 64 + 3, 1);                     // set-up, chunks, parameters
    expected.push_back(100);                                            // CommitPage
    expected.insert(expected.end(), 2, 1);                              // staging address, transfer length
    expected.push_back(100);                                            // FetchPage
    expected.insert(expected.end(), 64, 1);                             // read-backs
    expected.insert(expected.end(), {3000, 3000});                      // around the close
    EXPECT_EQ(system.pauses, expected);
    EXPECT_EQ(system.NowMillis(), 100 + 100 + 1 + 172 + 166 + 6000u);
}

TEST_F(UpdateSequenceTest, VerifyOnlySendsNoProgrammingAndChangesNoSkin) {
    Attach(kTestHeadset);
    const Bytes image = MakeImage(2048);
    Choose("RX93_Headset_v1_1_ef.txt", image);
    Run();
    controls.ClearHistory();
    recording::Clear();
    Run(/*verifyOnly=*/true);
    EXPECT_EQ(state.screenMode, ScreenPassed);
    EXPECT_EQ(recording::Packets().size(), 2 * 68u);
    EXPECT_TRUE(controls.Skins().empty());
    const auto lines = controls.LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Programming the Device..."), 0);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Erasing Device Firmware Section..."), 0);
}

TEST_F(UpdateSequenceTest, VerifyAgainstADifferentFileFails) {
    Attach(kTestHeadset);
    Choose("RX93_Headset_v1_1_ef.txt", MakeImage(2048, 1));
    Run();
    Choose("RX93_Headset_v1_2_ef.txt", MakeImage(2048, 2));
    Run(/*verifyOnly=*/true);
    EXPECT_EQ(state.screenMode, ScreenFailed);
    const auto lines = controls.LogLines();
    EXPECT_EQ(lines[lines.size() - 3], "Device Failed Verifification...");
    EXPECT_EQ(state.session.lastStatus, 0);  // the reset, after the mismatch set -1
}

// The identity page of a 65- or 129-page image: only its first 32 bytes.
TEST_F(UpdateSequenceTest, IdentityPageOfSixtyFiveAndOneHundredTwentyNinePages) {
    for (int pages : {65, 129, 66}) {
        recording::Clear();
        controls.ClearHistory();
        Attach(kTestHeadset);
        const int32_t byteCount = (pages - 1) * 1024 + 100;
        Choose("RX93_Headset_v1_1_ef.txt", MakeImage(byteCount, static_cast<uint32_t>(pages)));
        Run();
        EXPECT_EQ(state.screenMode, ScreenPassed) << pages;
        const auto packets = recording::Packets();
        const bool identity = pages != 66;
        // Programming: full pages take 73 packets, the identity page 5 + 2 + 3 + 1.
        // Verification: 68 per full page, 4 + 2 for the identity page.
        const size_t full = static_cast<size_t>(pages - (identity ? 1 : 0));
        EXPECT_EQ(packets.size(), full * (73 + 68) + (identity ? 11 + 6 : 0)) << pages;
    }
}

TEST_F(UpdateSequenceTest, AMismatchInTheIdentityPageGivesIdMismatch) {
    Attach("device headset product=28F80106 kind=13 reply=v1_0_RX93 flipbit=10005:3\n");  // page 64, byte 5
    Choose("RX93_Headset_v1_1_ef.txt", MakeImage(64 * 1024 + 500));
    Run();
    EXPECT_EQ(state.screenMode, ScreenIdMismatch);
    Attach("device headset product=28F80106 kind=13 reply=v1_0_RX93 flipbit=FC05:3\n");  // page 63
    Run();
    EXPECT_EQ(state.screenMode, ScreenFailed);
}

// Which bytes of the last chunk are compared.
TEST_F(UpdateSequenceTest, TheLastChunkComparesOnlyTheImagesBytes) {
    const struct { int32_t byteCount; int flipAddress; ScreenMode result; } cases[] = {
        {1000, 0x3F0 + 2, ScreenFailed},   // chunk 63 compares 8 bytes at 1008
        {1000, 0x3F0 + 12, ScreenPassed},  // past them
        {1000, 500, ScreenFailed},
        {1010, 0x3F0 + 1, ScreenFailed},
        // A full last page: its last 16 image bytes are compared too.
        {65536, 65536 - 3, ScreenFailed},
        {1024, 1020, ScreenFailed},
    };
    for (const auto& c : cases) {
        char devices[128];
        std::snprintf(devices, sizeof devices, "device headset product=28F80106 kind=13 reply=v1_0_RX93 flipbit=%X:0\n",
                      c.flipAddress);
        Attach(devices);
        Choose("RX93_Headset_v1_1_ef.txt", MakeImage(c.byteCount));
        Run();
        EXPECT_EQ(state.screenMode, c.result) << c.byteCount << " flip at " << c.flipAddress;
        sim::Reset();
        sim::AvDllInitialize();
    }
}

TEST_F(UpdateSequenceTest, SinglePrecisionProgress) {
    const struct { int pages; size_t bars; const char* percent; } cases[] = {
        {45, 364, "100 %"}, {97, 365, "99 %"}, {64, 365, "100 %"}, {128, 365, "100 %"},
    };
    for (const auto& c : cases) {
        Attach(kTestHeadset);
        Choose("RX93_Headset_v1_1_ef.txt", MakeImage(c.pages * 1024));
        Run();
        EXPECT_EQ(controls.Text(ControlProgressText).size(), c.bars) << c.pages;
        EXPECT_EQ(controls.Text(ControlPercentText), c.percent) << c.pages;
    }
}

TEST_F(UpdateSequenceTest, OnlyTheSumIsJudgedExceptForTheLastReadBack) {
    Attach(kTestHeadset);
    Choose("RX93_Headset_v1_1_ef.txt", MakeImage(1024));
    recording::OverridePacket(1, 5);
    recording::OverridePacket(40, -3);  // a chunk: offset by the earlier +5
    Run();
    EXPECT_EQ(state.screenMode, ScreenPassed);

    Attach(kTestHeadset);
    recording::OverridePacket(1, 5);
    recording::OverridePacket(141, -1);  // the last ReadChunk: the sum holds, the result does not
    Run();
    EXPECT_EQ(state.screenMode, ScreenFailed);
    const auto lines = controls.LogLines();
    EXPECT_EQ(lines[lines.size() - 3], "Device Failed Verifification...");
}

// Each packet position of a one-page run fails in turn.
TEST_F(UpdateSequenceTest, AFailureAtEveryPacketEndsWithItsLineAndStillResets) {
    auto lineFor = [](int n) -> std::string {
        if (n <= 5) return "Device Failed Part 1 Programming...";
        if (n <= 69) return "Device Failed Part 2 Programming...";
        if (n <= 72) return "Device Failed Part 3 Programming...";
        if (n == 73) return "Device Failed Part 4 Programming...";
        if (n <= 76) return "Device Failed Part 1 Verification...";
        if (n == 77) return "Device Failed Part 2 Verification...";
        return "Device Failed Part 3 Verification...";
    };
    Attach(kTestHeadset);
    Choose("RX93_Headset_v1_1_ef.txt", MakeImage(1024));
    for (int n = 1; n <= 141; ++n) {
        controls.ClearHistory();
        // A failure from the commit on, before the read-back, leaves the
        // firmware half-written and the headset unrecognised: each attempt
        // starts on a headset plugged in afresh.
        sim::Reset();
        sim::UseDeviceText(kTestHeadset);
        sim::AvDllInitialize();
        Attach(kTestHeadset);
        recording::OverridePacket(n, -1);
        Run();
        const auto lines = controls.LogLines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[lines.size() - 3], lineFor(n)) << "packet " << n;
        EXPECT_EQ(state.screenMode, ScreenFailed) << "packet " << n;
        EXPECT_EQ(state.runOutcome.stage, n <= 73 ? StageProgram : StageVerify) << "packet " << n;
        EXPECT_EQ(state.runOutcome.cause, CauseNoAnswer) << "packet " << n;
        EXPECT_EQ(state.runOutcome.page, 1) << "packet " << n;
        EXPECT_EQ(state.runOutcome.status, -1) << "packet " << n;
        EXPECT_EQ(recording::CountCalls("systemReset"), 1) << "packet " << n;
        EXPECT_EQ(recording::CountCalls("AvDllCloseHandle"), 1) << "packet " << n;
        EXPECT_EQ(FirmwareImagesHeld(), 0);
        EXPECT_EQ(system.timerPeriodDepth, 0);
    }
}

TEST_F(UpdateSequenceTest, AFailedConnectionAttemptsNoResetOrClose) {
    Attach(kTestHeadset);
    Choose("RX93_Headset_v1_1_ef.txt", MakeImage(100));
    sim::UseDeviceText("device headset product=28F80106 kind=13 fail=find\n");
    sim::AvDllListDevices(0, 10, nullptr, state.session.listedProductIds);  // the library notices the fault
    Run();
    EXPECT_EQ(state.screenMode, ScreenFailed);
    EXPECT_EQ(LastLog(), "Could not connect to Device ...");
    EXPECT_EQ(state.runOutcome.stage, StageConnect);
    EXPECT_EQ(state.runOutcome.cause, CauseNoAnswer);
    EXPECT_LT(state.runOutcome.status, 0);
    EXPECT_EQ(recording::CountCalls("systemReset") + recording::CountCalls("AvDllCloseHandle"), 0);
    EXPECT_EQ(system.timerPeriodDepth, 0);
    EXPECT_EQ(FirmwareImagesHeld(), 0);
}

TEST_F(UpdateSequenceTest, AFailedRomModeStillResetsAndCloses) {
    Attach("device headset product=28F80106 kind=13 reply=v1_0_RX93 fail=rom\n");
    Choose("RX93_Headset_v1_1_ef.txt", MakeImage(100));
    Run();
    EXPECT_EQ(state.screenMode, ScreenFailed);
    const auto lines = controls.LogLines();
    EXPECT_EQ(lines[lines.size() - 3], "Could not put the Device into Rom Mode ...");
    EXPECT_EQ(state.runOutcome.stage, StageRomMode);
    EXPECT_EQ(recording::CountCalls("systemReset"), 1);
    EXPECT_EQ(recording::CountCalls("AvDllCloseHandle"), 1);
    EXPECT_EQ(recording::CountCalls("commandSendAndGetResponse"), 0);
}

TEST_F(UpdateSequenceTest, AFailedResetAfterAPassFailsTheRun) {
    Attach("device headset product=28F80106 kind=13 reply=v1_0_RX93 fail=reset\n");
    Choose("RX93_Headset_v1_1_ef.txt", MakeImage(100));
    Run();
    EXPECT_EQ(state.screenMode, ScreenFailed);
    const auto lines = controls.LogLines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{"Device Passed Verifification...", "Resetting the Device...",
                                        "Could not Reset the Device..."}));
    EXPECT_EQ(state.runOutcome.cause, CauseResetFailed);
    EXPECT_EQ(state.runOutcome.screenMode, ScreenFailed);
}

// Once the user has left the passed screen (Done answers while the device is
// being reset), a failing reset no longer writes the screen mode; the
// outcome still says the run failed.
TEST_F(UpdateSequenceTest, AModeTheUserChangedIsNotOverwritten) {
    Attach("device headset product=28F80106 kind=13 reply=v1_0_RX93 fail=reset\n");
    Choose("RX93_Headset_v1_1_ef.txt", MakeImage(100));
    recording::BeforeNextCall("systemReset", [&] {
        ASSERT_EQ(state.screenMode, ScreenPassed);
        state.screenMode = ScreenIdle;
    });
    Run();
    EXPECT_EQ(state.screenMode, ScreenIdle);
    EXPECT_EQ(state.runOutcome.screenMode, ScreenFailed);
    EXPECT_EQ(state.runOutcome.cause, CauseResetFailed);
}

// A front end's stop request ends the run between pages, and the device is
// still reset and closed.
TEST_F(UpdateSequenceTest, AStopRequestEndsTheRunAtTheNextPage) {
    Attach(kTestHeadset);
    Choose("RX93_Headset_v1_1_ef.txt", MakeImage(3 * 1024));
    struct StoppingSeat : NullSeat {
        bool stop = false;
        bool StopAtPageBoundary() override { return stop; }
    } seat;
    recording::BeforePacket(30, [&] { seat.stop = true; });  // inside page 1
    DeviceLockScope lock(system);
    const RunOutcome outcome = RunUpdate(state.request, state.devices, state.session, system, seat, lock);
    EXPECT_EQ(outcome.screenMode, ScreenFailed);
    EXPECT_EQ(outcome.cause, CauseInterrupted);
    EXPECT_EQ(outcome.page, 2);
    EXPECT_EQ(recording::Packets().size(), 73u);  // page 1 ran to its end
    EXPECT_EQ(recording::CountCalls("systemReset"), 1);
    EXPECT_EQ(recording::CountCalls("AvDllCloseHandle"), 1);
}

// Runs that must not reach the device end failed at once, silently.
TEST_F(UpdateSequenceTest, RunsThatCannotStartEndFailedWithoutTouchingTheDevice) {
    Attach(kTestHeadset);
    struct Case {
        const char* what;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"no current folder", [&] { Choose("RX93_Headset_v1_1_ef.txt", MakeImage(10)); system.failCurrentFolder = true; }},
        {"file gone", [&] { std::snprintf(state.request.chosenFileName, kPathChars, "%s", "RX93_Headset_v9_9_ef.txt"); }},
        {"empty image", [&] { Choose("RX93_Headset_v1_1_ef.txt", {}); }},
        {"193 pages", [&] { Choose("RX93_Headset_v1_1_ef.txt", MakeImage(192 * 1024 + 1)); }},
    };
    for (const Case& c : cases) {
        system.failCurrentFolder = false;
        state.screenMode = ScreenIdle;
        recording::Clear();
        controls.ClearHistory();
        c.arrange();
        Run();
        EXPECT_EQ(state.screenMode, ScreenFailed) << c.what;
        EXPECT_TRUE(recording::Calls().empty()) << c.what;
        EXPECT_TRUE(controls.LogLines().empty()) << c.what;
        EXPECT_EQ(system.timerPeriodDepth, 0) << c.what;
        EXPECT_EQ(FirmwareImagesHeld(), 0) << c.what;
    }
}

TEST_F(UpdateSequenceTest, ExactlyOneHundredNinetyTwoPagesStillRun) {
    Attach(kTestHeadset);
    const Bytes image = MakeImage(192 * 1024);
    Choose("RX93_Headset_v1_1_ef.txt", image);
    Run(/*verifyOnly=*/false);
    EXPECT_EQ(state.screenMode, ScreenPassed);
    EXPECT_EQ(SerialMemory("headset", 0, 192 * 1024), image);
}

// The warning lets the page finish; the pause comes before the next one.
TEST_F(UpdateSequenceTest, TheWarningPausesBetweenPages) {
    Attach(kTestHeadset);
    Choose("RX93_Headset_v1_1_ef.txt", MakeImage(2048));
    recording::BeforePacket(10, [&] { state.warningOpen = 1; });
    int warningPauses = 0;
    system.onSleep = [&](uint32_t milliseconds) {
        if (milliseconds == 100 && state.warningOpen == 1 && ++warningPauses == 40) state.warningOpen = 0;
    };
    Run();
    EXPECT_EQ(state.screenMode, ScreenPassed);
    // Page 0 ran to its CommitPage (pause 100), then the warning pauses
    // began before page 1's progress went up.
    const auto& p = system.pauses;
    const size_t commit = 3 + 72;  // index of page 0's CommitPage pause
    ASSERT_GT(p.size(), commit + 30);
    for (size_t i = commit; i < commit + 30; ++i) EXPECT_EQ(p[i], 100u) << i;
}

// Through the really loaded library: afterwards the device reports the
// version stamped in the firmware it now holds.
TEST(UpdateThroughLoadedLibraryTest, TheDeviceThenReportsTheNewVersion) {
    ScopedTestFolder folder;
    {
        std::ofstream file("sim_devices.txt");
        file << "device loaded product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n";
    }
    Bytes image = MakeImage(5000);
    const char stamp[] = "VRPLv1_2_RX93";
    std::memcpy(image.data() + sim::kStampOffset, stamp, sizeof stamp - 1);
    WriteImageFile("RX93_Headset_v1_2_ef.txt", image, "Headset_v1_2");

    FakeSystem system;
    FoundDevices devices;
    LibrarySession session;
    RunRequest request;
    void* module = nullptr;
    ASSERT_EQ(BindDeviceLibrary(system, ScopedTestFolder::SimulatorLibrary(), session.library, module), BindDone);
    ASSERT_EQ(session.library.AvDllInitialize(), 0);
    DiscoverDevices(devices, session);
    char version[32];
    devices.firmwareLabel[0].versionText.Load(version, sizeof version);
    EXPECT_STREQ(version, "1_0");

    ChooseFirmware(request, devices, "RX93_Headset_v1_2_ef.txt");
    NullSeat seat;
    DeviceLockScope lock(system);
    EXPECT_EQ(RunUpdate(request, devices, session, system, seat, lock).screenMode, ScreenPassed);
    DiscoverDevices(devices, session);
    devices.firmwareLabel[0].versionText.Load(version, sizeof version);
    EXPECT_STREQ(version, "1_2");

    session.library.AvDllShutdown();
    system.UnloadDynamicLibrary(module);
}

}  // namespace
