// The run log and the history: their formats, what a crash or a full log
// leaves behind, and when the recorder touches its files.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cctype>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "app/run_history.h"
#include "app/run_log.h"
#include "app/run_recorder.h"
#include "device/found_devices.h"
#include "update/run_request.h"
#include "platform/files.h"
#include "tests/support/fake_system.h"
#include "tests/support/test_folder.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

HistoryRecord Record(const char* time, uint32_t productId, const char* kind, const char* reason = "") {
    HistoryRecord record;
    std::snprintf(record.time, sizeof record.time, "%s", time);
    record.productId = productId;
    std::snprintf(record.deviceKind, sizeof record.deviceKind, "%s", kind);
    std::snprintf(record.result, sizeof record.result, "failed");
    std::snprintf(record.reason, sizeof record.reason, "%s", reason);
    return record;
}

TEST(RunHistoryTest, ARecordIsOneJsonLineThatReadsBackFieldByField) {
    HistoryRecord record = Record("2026-01-02T03:04:05.000Z", 0x28F80106, "headset",
                                  "Line 1 said \"no\"\nand a \\ too.");
    std::snprintf(record.file, sizeof record.file, "RX93_Headset_v1_2_ef.txt");
    std::snprintf(record.sha256, sizeof record.sha256, "%064d", 7);
    record.fileBytes = 65536;
    record.status = -7;
    record.page = 12;
    record.pages = 64;
    record.durationMs = 12345;
    char line[kHistoryLineChars];
    const size_t length = FormatHistoryLine(record, line, sizeof line);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(line[length - 1], '\n');
    EXPECT_EQ(std::strchr(line, '\n'), line + length - 1);  // the reason's line break is escaped
    EXPECT_NE(std::strstr(line, "\"productId\":\"28F80106\""), nullptr);

    HistoryRecord back;
    ASSERT_TRUE(ParseHistoryLine(line, length, back));
    EXPECT_STREQ(back.reason, record.reason);
    EXPECT_STREQ(back.file, record.file);
    EXPECT_STREQ(back.sha256, record.sha256);
    EXPECT_EQ(back.productId, record.productId);
    EXPECT_EQ(back.fileBytes, 65536);
    EXPECT_EQ(back.status, -7);
    EXPECT_EQ(back.page, 12);
    EXPECT_EQ(back.durationMs, 12345);

    // An ANSI file name that is not UTF-8 still gives valid JSON.
    std::snprintf(record.file, sizeof record.file, "caf\xE9.txt");
    ASSERT_GT(FormatHistoryLine(record, line, sizeof line), 0u);
    ASSERT_TRUE(ParseHistoryLine(line, std::strlen(line), back));
    EXPECT_STREQ(back.file, "caf\xEF\xBF\xBD.txt");
}

TEST(RunHistoryTest, NonRecordsAreRefused) {
    HistoryRecord record;
    for (const char* line : {"", "{", "[1,2]", "{\"time\":\"x\"}", "{\"time\":1,\"result\":\"passed\"}",
                             "{\"time\":\"2026\",\"result\":\"passed\",\"status\":\"many\""}) {
        EXPECT_FALSE(ParseHistoryLine(line, std::strlen(line), record)) << line;
    }
    // A field of the wrong type is left empty rather than failing the record.
    const char* odd = "{\"time\":\"t\",\"result\":\"passed\",\"status\":\"many\",\"file\":7,\"extra\":[1]}";
    ASSERT_TRUE(ParseHistoryLine(odd, std::strlen(odd), record));
    EXPECT_EQ(record.status, 0);
    EXPECT_STREQ(record.file, "");
}

TEST(RunHistoryTest, StageAndCauseNamesHaveOneSpellingWhichOlderRecordsAreReadIn) {
    std::set<std::string> names;
    auto check = [&names](const char* name) {
        EXPECT_TRUE(std::all_of(name, name + std::strlen(name), [](char c) { return std::islower(c) || c == '_'; }))
            << name;
        EXPECT_TRUE(names.insert(name).second) << name << " twice";
    };
    for (int cause = CauseNone; cause <= CauseInterrupted; ++cause) check(RunCauseName(static_cast<RunCause>(cause)));
    for (int stage = StageNotStarted; stage <= StageFinished; ++stage) check(RunStageName(static_cast<RunStage>(stage)));
    EXPECT_STREQ(RunCauseName(CauseNoAnswer), "no_answer");
    EXPECT_STREQ(RunStageName(StageRomMode), "rom_mode");
    EXPECT_STREQ(RunCauseName(static_cast<RunCause>(CauseNotSigned + 1)), "unknown");

    // A record from before the names were shared, and before it named its program.
    const char* old = "{\"time\":\"t\",\"result\":\"failed\",\"stage\":\"rom-mode\",\"cause\":\"no-answer\"}";
    HistoryRecord record;
    ASSERT_TRUE(ParseHistoryLine(old, std::strlen(old), record));
    EXPECT_STREQ(record.stage, "rom_mode");
    EXPECT_STREQ(record.cause, "no_answer");
    EXPECT_STREQ(record.writtenBy, "window");
}

TEST(RunHistoryTest, ACrashInsideARecordLeavesTheOthersReadableAndTheNextOneWhole) {
    ScopedTestFolder folder;
    const char* path = "history.jsonl";
    ASSERT_TRUE(AppendHistoryRecord(path, Record("1", 1, "headset")));
    ASSERT_TRUE(AppendHistoryRecord(path, Record("2", 1, "headset")));
    // Half a record, as a crash in the middle of a write would leave it.
    char line[kHistoryLineChars];
    const size_t length = FormatHistoryLine(Record("torn", 1, "headset"), line, sizeof line);
    ASSERT_TRUE(AppendToFile(path, line, length / 2));

    HistoryRecord runs[8];
    ASSERT_EQ(ReadRunHistory(path, {}, runs, 8), 2);
    EXPECT_STREQ(runs[0].time, "2");

    ASSERT_TRUE(AppendHistoryRecord(path, Record("3", 1, "headset")));
    ASSERT_EQ(ReadRunHistory(path, {}, runs, 8), 3);
    EXPECT_STREQ(runs[0].time, "3");
    EXPECT_STREQ(runs[1].time, "2");
}

TEST(RunHistoryTest, ReadingGivesTheNewestMatchesFirstUpToTheLimit) {
    ScopedTestFolder folder;
    const char* path = "history.jsonl";
    HistoryRecord runs[4];
    EXPECT_EQ(ReadRunHistory(path, {}, runs, 4), 0);  // no file yet

    for (int i = 0; i < 10; ++i) {
        char time[8];
        std::snprintf(time, sizeof time, "%d", i);
        ASSERT_TRUE(AppendHistoryRecord(path, Record(time, i % 2 == 0 ? 0x28F80106 : 0x28F80108,
                                                     i % 2 == 0 ? "headset" : "adapter")));
    }
    const std::string garbage = "not json\n" + std::string(kHistoryLineChars + 10, 'x') + "\n";
    ASSERT_TRUE(AppendToFile(path, garbage.data(), garbage.size()));

    ASSERT_EQ(ReadRunHistory(path, {}, runs, 3), 3);  // the ring wraps
    EXPECT_STREQ(runs[0].time, "9");
    EXPECT_STREQ(runs[2].time, "7");

    ASSERT_EQ(ReadRunHistory(path, {.productId = 0x28F80106}, runs, 4), 4);
    EXPECT_STREQ(runs[0].time, "8");
    EXPECT_STREQ(runs[3].time, "2");

    ASSERT_EQ(ReadRunHistory(path, {.deviceKind = "adapter"}, runs, 4), 4);
    EXPECT_STREQ(runs[0].time, "9");
    EXPECT_EQ(ReadRunHistory(path, {.productId = 0x28F80108, .deviceKind = "headset"}, runs, 4), 0);
}

// The run log and the history where the program keeps them.
class RunFilesTest : public ::testing::Test {
   protected:
    void SetUp() override { ASSERT_TRUE(FindRunFiles(system, files)); }
    ScopedTestFolder folder;
    FakeSystem system;
    RunFiles files;
};

TEST_F(RunFilesTest, AFullLogMovesAsideAndTheOlderOneIsReplaced) {
    files.logLimitBytes = 100;
    const std::string line(40, 'a');
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(AppendToRunLog(files, (line + "\n").c_str(), 41));
    EXPECT_EQ(FileBytes(files.oldLog), -1);
    ASSERT_TRUE(AppendToRunLog(files, "third\n", 6));
    EXPECT_EQ(FileBytes(files.oldLog), -1);
    ASSERT_TRUE(AppendToRunLog(files, (line + "\n").c_str(), 41));  // 88 + 41 > 100
    EXPECT_EQ(FileBytes(files.oldLog), 88);
    EXPECT_EQ(FileBytes(files.log), 41);

    const std::string big(150, 'b');  // longer than the limit: written whole
    ASSERT_TRUE(AppendToRunLog(files, big.c_str(), big.size()));
    EXPECT_EQ(ReadAll(files.oldLog), line + "\n");
    EXPECT_EQ(FileBytes(files.log), 150);
}

// Another writer (the window or the command line) holds the files while it
// rotates: an append waits, so it can never move a log just begun over the
// full one that was moved aside.
TEST_F(RunFilesTest, AnAppendWaitsWhileAnotherWriterHoldsTheFiles) {
    std::atomic<bool> appended{false};
    std::thread writer;
    {
        const FileLockScope other(files.lock);
        ASSERT_TRUE(other.Held());
        writer = std::thread([&] { appended = AppendToRunLog(files, "x\n", 2); });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(appended);
    }
    writer.join();
    EXPECT_TRUE(appended);
}

// The history keeps its newest runs: half as many again, and the oldest go.
TEST_F(RunFilesTest, TheHistoryKeepsItsNewestRuns) {
    files.historyKeptRuns = 4;
    const std::string reason(300, 'r');
    for (int i = 1; i <= 7; ++i) {
        ASSERT_TRUE(AppendToHistory(files, Record(std::to_string(i).c_str(), 1, "headset", reason.c_str())));
    }
    HistoryRecord runs[8];
    ASSERT_EQ(ReadRunHistory(files.history, {}, runs, 8), 4);
    EXPECT_STREQ(runs[0].time, "7");
    EXPECT_STREQ(runs[3].time, "4");
}

TEST(RunLogTest, WallClockTimesInUtc) {
    char text[32];
    FormatIsoTime(FakeSystem::kFakeEpochMillis + 123, text, sizeof text);
    EXPECT_STREQ(text, "2026-01-02T03:04:05.123Z");
    FormatIsoTime(1709164800000, text, sizeof text);  // a leap day
    EXPECT_STREQ(text, "2024-02-29T00:00:00.000Z");
    FormatIsoTime(-1, text, sizeof text);
    EXPECT_STREQ(text, "1969-12-31T23:59:59.999Z");
    FormatTimeOfDay(FakeSystem::kFakeEpochMillis + 7, text, sizeof text);
    EXPECT_STREQ(text, "03:04:05.007");
}

class RunRecorderTest : public ::testing::Test {
   protected:
    void SetUp() override {
        devices.deviceTable[0].kind = KindHeadset;
        devices.deviceTable[0].productId = 0x28F80106;
        devices.firmwareLabel[0].versionText.Store("1_0");
        devices.firmwareLabel[0].modelText.Store("RX93");
        std::snprintf(request.chosenFileName, sizeof request.chosenFileName, "RX93_Headset_v1_2_ef.txt");
        recorder.Open(system);
    }

    ImageFacts Image() {
        ImageFacts image;
        image.fileBytes = 4096;
        image.haveDigest = true;
        image.sha256[0] = 0xAB;
        image.pageCount = 64;
        return image;
    }

    ScopedTestFolder folder;
    FakeSystem system;
    FoundDevices devices;
    RunRequest request;
    RunRecorder recorder;
};

TEST_F(RunRecorderTest, FilesAreWrittenOnlyBetweenPagesAndAtTheEnd) {
    recorder.RunStarting(request, devices);
    recorder.ImageLoaded(Image());
    recorder.LogLine("Connecting to the Device...");
    recorder.LogLine("Programming the Device...");
    EXPECT_EQ(FileBytes(recorder.Files().log), -1);  // still in memory

    recorder.ShowProgress(false, 1, 64);
    const int64_t afterFirstPage = FileBytes(recorder.Files().log);
    EXPECT_GT(afterFirstPage, 0);
    EXPECT_EQ(recorder.Buffered(), 0u);
    recorder.ShowProgress(false, 2, 64);  // nothing new: no write
    EXPECT_EQ(FileBytes(recorder.Files().log), afterFirstPage);

    system.Sleep(12345);
    recorder.LogLine("Device Failed Part 2 Programming...");
    RunOutcome outcome;
    outcome.screenMode = ScreenFailed;
    outcome.stage = StageProgram;
    outcome.cause = CauseNoAnswer;
    outcome.status = -7;
    outcome.page = 12;
    outcome.pageCount = 64;
    recorder.RunEnded(outcome);
    EXPECT_EQ(FileBytes(recorder.Files().history), -1);  // the version after is not known yet

    devices.deviceCount = 1;
    recorder.RunSettled(devices);
    const std::string log = ReadAll(recorder.Files().log);
    for (const char* expected : {
             "==== Run started 2026-01-02T03:04:05.000Z\n",
             "Program: Veltrane Updater ",
             "Operation: update (program and verify)\n",
             "Device: headset, product 28F80106, kind 13, model RX93, version 1_0\n",
             "File: RX93_Headset_v1_2_ef.txt, 4096 bytes, SHA-256 ab00",
             "03:04:05.000 Connecting to the Device...\n",
             "03:04:17.345 Device Failed Part 2 Programming...\n",
             "Failing status: -7\nFailing page: 12 of 64\nVersion after: 1_0\n",
             "Result: failed. Stopped while programming page 12 of 64: the headset did not answer (status -7).\n",
             "Duration: 12.345 s\n",
         }) {
        EXPECT_NE(log.find(expected), std::string::npos) << expected << "\nin:\n" << log;
    }

    HistoryRecord runs[2];
    ASSERT_EQ(ReadRunHistory(recorder.Files().history, {}, runs, 2), 1);
    EXPECT_STREQ(runs[0].result, "failed");
    EXPECT_STREQ(runs[0].stage, "program");
    EXPECT_STREQ(runs[0].cause, "no_answer");
    EXPECT_STREQ(runs[0].versionBefore, "1_0");
    EXPECT_STREQ(runs[0].versionAfter, "1_0");
    EXPECT_STREQ(runs[0].model, "RX93");
    EXPECT_EQ(runs[0].durationMs, 12345);
    EXPECT_EQ(runs[0].fileBytes, 4096);
    EXPECT_EQ(std::string(runs[0].sha256).substr(0, 4), "ab00");
}

// At start-up the window only installs the recorder: finding the data folder
// loads the system's shell, which the first screen should not wait for.
TEST_F(RunRecorderTest, TheDataFolderIsFoundAtTheFirstRunAndLookedForAgainUntilFound) {
    EXPECT_EQ(system.dataFolderLookups, 0);

    system.dataFolder = std::string(kPathChars, 'x');  // no data folder to be had
    recorder.RunStarting(request, devices);
    RunOutcome outcome;
    recorder.RunEnded(outcome);
    recorder.RunSettled(devices);
    EXPECT_EQ(system.dataFolderLookups, 1);
    EXPECT_EQ(FileBytes(recorder.Files().history), -1);

    system.dataFolder.clear();  // back: the next run is recorded
    for (int run = 0; run < 2; ++run) {
        recorder.RunStarting(request, devices);
        recorder.RunEnded(outcome);
        recorder.RunSettled(devices);
    }
    EXPECT_EQ(system.dataFolderLookups, 2);
    HistoryRecord runs[3];
    EXPECT_EQ(ReadRunHistory(recorder.Files().history, {}, runs, 3), 2);
}

TEST_F(RunRecorderTest, ARefusedFileAndAVanishedDeviceAreToldAsSuch) {
    request.modeVerifyOnly = 1;
    recorder.RunStarting(request, devices);
    RunOutcome outcome;
    outcome.cause = CauseFileNoNumber;
    outcome.line = 17;
    recorder.RunEnded(outcome);
    devices.deviceCount = 0;
    recorder.RunSettled(devices);

    const std::string log = ReadAll(recorder.Files().log);
    EXPECT_NE(log.find("Operation: verify only\n"), std::string::npos);
    EXPECT_NE(log.find("File: RX93_Headset_v1_2_ef.txt (cannot be read)\n"), std::string::npos);
    EXPECT_NE(log.find("Version after: unknown, the headset was not found after the run.\n"), std::string::npos);
    EXPECT_NE(log.find("Result: not started. The file RX93_Headset_v1_2_ef.txt is not a firmware image: line 17 "
                       "has no number.\n"),
              std::string::npos)
        << log;
    HistoryRecord runs[1];
    ASSERT_EQ(ReadRunHistory(recorder.Files().history, {}, runs, 1), 1);
    EXPECT_STREQ(runs[0].result, "refused");
    EXPECT_STREQ(runs[0].operation, "verify");
    EXPECT_STREQ(runs[0].versionAfter, "");
    EXPECT_EQ(runs[0].line, 17);
}

TEST_F(RunRecorderTest, ARunThatNeverSettledIsRecordedWhenTheNextBegins) {
    recorder.RunStarting(request, devices);
    RunOutcome passed;
    passed.screenMode = ScreenPassed;
    passed.stage = StageFinished;
    recorder.RunEnded(passed);
    recorder.RunStarting(request, devices);  // no RunSettled in between
    recorder.RunEnded(passed);
    devices.deviceCount = 1;
    recorder.RunSettled(devices);

    HistoryRecord runs[3];
    ASSERT_EQ(ReadRunHistory(recorder.Files().history, {}, runs, 3), 2);
    EXPECT_STREQ(runs[1].result, "passed");
    EXPECT_STREQ(runs[1].versionAfter, "");
    EXPECT_STREQ(runs[0].versionAfter, "1_0");
    EXPECT_STREQ(runs[0].reason, "");
}

}  // namespace

// The history learns of a run before the device changes: a program ended
// during the run leaves a record that reads as interrupted, and a run that
// settles replaces it with its own. Older records read as they always did.
TEST_F(RunRecorderTest, AStartedRecordPrecedesTheDevicesFirstChange) {
    recorder.RunStarting(request, devices);  // finds the files
    recorder.RunEnded(RunOutcome{});
    recorder.RunSettled(devices);
    std::remove(recorder.Files().history);
    const char legacy[] = "{\"time\":\"2025-01-01T00:00:00.000Z\",\"result\":\"passed\",\"productId\":\"28F80106\"}\n";
    ASSERT_TRUE(AppendToFile(recorder.Files().history, legacy, sizeof legacy - 1));

    devices.deviceTable[0].identity = 0x01020304;
    recorder.RunStarting(request, devices);
    recorder.ImageLoaded(Image());
    recorder.LogLine("Connected to the Device...");
    const int64_t logBefore = FileBytes(recorder.Files().log);
    recorder.DeviceAboutToChange();
    EXPECT_GT(FileBytes(recorder.Files().log), logBefore) << "the header reaches the file first";

    HistoryRecord runs[3];
    ASSERT_EQ(ReadRunHistory(recorder.Files().history, {}, runs, 3), 2);
    EXPECT_STREQ(runs[0].result, "interrupted");
    EXPECT_STREQ(runs[0].identity, "01020304");
    EXPECT_EQ(runs[0].pages, 64);
    EXPECT_NE(runs[0].runId[0], '\0');
    EXPECT_STREQ(runs[1].result, "passed");
    EXPECT_STREQ(runs[1].runId, "");
    const std::string runId = runs[0].runId;

    RunOutcome passed;
    passed.screenMode = ScreenPassed;
    passed.stage = StageFinished;
    recorder.RunEnded(passed);
    recorder.RunSettled(devices);
    ASSERT_EQ(ReadRunHistory(recorder.Files().history, {}, runs, 3), 2);
    EXPECT_STREQ(runs[0].result, "passed");
    EXPECT_EQ(runs[0].runId, runId);
}
