// The support report's text and where it is saved.
#include "app/support_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/run_history.h"
#include "platform/files.h"
#include "tests/support/fake_system.h"
#include "tests/support/test_folder.h"

namespace {

// In text mode, as the report is written: its lines end in CRLF on Windows.
std::string ReadAll(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class SupportReportTest : public ::testing::Test {
   protected:
    void SetUp() override { ASSERT_TRUE(FindRunFiles(system, files)); }

    void AddRun(const char* time, const char* result, const char* reason) {
        HistoryRecord run;
        std::snprintf(run.time, sizeof run.time, "%s", time);
        std::snprintf(run.operation, sizeof run.operation, "update");
        std::snprintf(run.deviceKind, sizeof run.deviceKind, "headset");
        run.productId = 0x28F80106;
        std::snprintf(run.result, sizeof run.result, "%s", result);
        std::snprintf(run.reason, sizeof run.reason, "%s", reason);
        run.durationMs = 2500;
        ASSERT_TRUE(AppendHistoryRecord(files.history, run));
    }

    std::string Report(const ReportFacts& facts) {
        std::FILE* out = std::fopen("report.txt", "w");
        EXPECT_TRUE(WriteSupportReport(out, facts, files, FakeSystem::kFakeEpochMillis));
        std::fclose(out);
        return ReadAll("report.txt");
    }

    ScopedTestFolder folder;
    FakeSystem system;
    RunFiles files;
};

TEST_F(SupportReportTest, TellsTheMachineTheLastRunsNewestFirstAndTheEndOfTheLog) {
    for (int i = 0; i < kReportRuns + 2; ++i) {
        char time[8];
        std::snprintf(time, sizeof time, "T%02d", i);
        AddRun(time, i == kReportRuns + 1 ? "failed" : "passed", i == kReportRuns + 1 ? "The reason." : "");
    }
    std::string log;
    for (int i = 0; i < 2000; ++i) log += "log line " + std::to_string(i) + "\n";
    ASSERT_TRUE(AppendToRunLog(files, log.c_str(), log.size()));

    ReportFacts facts;
    std::snprintf(facts.systemVersion, sizeof facts.systemVersion, "Windows 10.0 (build 19045)");
    std::snprintf(facts.libraryPath, sizeof facts.libraryPath, "C:\\Updater\\hostapi_vmi.dll");
    facts.libraryFound = true;
    facts.libraryBytes = 4096;
    std::snprintf(facts.librarySha256, sizeof facts.librarySha256, "%064d", 1);
    const std::string report = Report(facts);

    EXPECT_EQ(report.rfind("Veltrane Updater support report, written 2026-01-02T03:04:05.000Z\nProgram: Veltrane Updater ",
                           0),
              0u)
        << report;
    EXPECT_NE(report.find("System: Windows 10.0 (build 19045)\n"), std::string::npos);
    EXPECT_NE(report.find("Device library: C:\\Updater\\hostapi_vmi.dll, version not given, 4096 bytes, SHA-256 000"),
              std::string::npos);
    const size_t newest = report.find("- T11 update headset 28F80106");
    ASSERT_NE(newest, std::string::npos);
    EXPECT_NE(report.find("failed in 2.500 s\n  The reason.\n- T10 "), std::string::npos);
    EXPECT_EQ(report.find("- T01 "), std::string::npos);  // only the last ten runs
    EXPECT_NE(report.find("- T02 "), std::string::npos);

    // The tail starts on a whole line and ends with the log's last one.
    const size_t tail = report.find("The end of the run log:\n");
    ASSERT_NE(tail, std::string::npos);
    EXPECT_EQ(report.compare(tail + 24, 9, "log line "), 0);
    EXPECT_EQ(report.substr(report.size() - 15), "\nlog line 1999\n");
    EXPECT_LE(report.size() - tail, size_t(kReportLogTailBytes) + 100);
}

TEST_F(SupportReportTest, SavingSaysWhereOrThatItFailed) {
    std::filesystem::create_directory("Documents");
    const std::string documents = (std::filesystem::current_path() / "Documents").string();
    char message[512];
    ASSERT_TRUE(SaveSupportReport(system, documents.c_str(), message, sizeof message));
    const std::string path = documents + kPathSeparator + "Veltrane Updater report 2026-01-02 030405.txt";
    EXPECT_EQ(std::string(message), "The report was saved as " + path +
                                        ". Send this file to the support desk when they ask for it.");
    const std::string report = ReadAll(path);
    EXPECT_NE(report.find("No runs are recorded yet.\n"), std::string::npos);
    EXPECT_NE(report.find("The run log is empty.\n"), std::string::npos);

    EXPECT_FALSE(SaveSupportReport(system, "no/such/folder", message, sizeof message));
    EXPECT_EQ(std::string(message).rfind("The report could not be saved in no/such/folder.", 0), 0u);
}

TEST_F(SupportReportTest, NamesTheRecordedDeviceSessionOrSaysThereIsNone) {
    ReportFacts facts;
    EXPECT_NE(Report(facts).find("\nNo device session was recorded."), std::string::npos);
    std::snprintf(facts.recordingPath, sizeof facts.recordingPath, "C:\\Data\\recording 2026-01-02 030405.jsonl");
    EXPECT_NE(Report(facts).find("\nDevice session recorded into: C:\\Data\\recording 2026-01-02 030405.jsonl "
                                 "(send it with this report)\n"),
              std::string::npos);
}

}  // namespace
