// The command line's runs in the run log and the history (the window's own
// format), and the history command: newest first, filters, the limit, its
// events field by field, an empty history and a torn last line.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/run_history.h"
#include "app/run_log.h"
#include "cli/history_command.h"
#include "platform/files.h"
#include "tests/cli/cli_fixture.h"

namespace {

using Json = nlohmann::json;

constexpr char kFile[] = "RX93_Headset_v1_2_ef.txt";

std::string ReadAll(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class CliHistoryTest : public CliFixture {
   protected:
    void SetUp() override {
        CliFixture::SetUp();
        WriteFirmware(kFile, "Headset_v1_2", "v1_2_RX93");
        Plug(kCliHeadset);
        ASSERT_TRUE(FindRunFiles(system, files));
    }

    std::vector<HistoryRecord> History() const {
        HistoryRecord runs[16];
        const int count = ReadRunHistory(files.history, {}, runs, 16);
        return std::vector<HistoryRecord>(runs, runs + count);
    }

    // A record as the window writes it; `writtenBy` empty as the window wrote
    // it before records named their program.
    void WindowRecord(const char* time, uint32_t productId, const char* kind, const char* writtenBy) {
        HistoryRecord record;
        std::snprintf(record.time, sizeof record.time, "%s", time);
        std::snprintf(record.writtenBy, sizeof record.writtenBy, "%s", writtenBy);
        std::snprintf(record.operation, sizeof record.operation, "update");
        std::snprintf(record.deviceKind, sizeof record.deviceKind, "%s", kind);
        record.productId = productId;
        std::snprintf(record.result, sizeof record.result, "passed");
        char line[kHistoryLineChars];
        std::string text(line, FormatHistoryLine(record, line, sizeof line));
        const std::string unnamed = "\"writtenBy\":\"\",";
        if (writtenBy[0] == '\0') text.erase(text.find(unnamed), unnamed.size());
        ASSERT_TRUE(AppendToFile(files.history, text.data(), text.size()));
    }

    RunFiles files;
};

TEST_F(CliHistoryTest, RunsAreRecordedInTheLogAndTheHistoryAsTheCommandLineToldThem) {
    ASSERT_EQ(Run({"--json", "update", "--yes", kFile}), ExitSuccess);
    const Json passed = Result();
    std::vector<HistoryRecord> runs = History();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_STREQ(runs[0].writtenBy, "cli");
    EXPECT_STREQ(runs[0].operation, "update");
    EXPECT_STREQ(runs[0].deviceKind, "headset");
    EXPECT_EQ(runs[0].productId, 0x28F80106u);
    EXPECT_STREQ(runs[0].model, "RX93");
    EXPECT_STREQ(runs[0].versionBefore, "1_0");
    EXPECT_STREQ(runs[0].versionAfter, "1_2");  // known only after the rediscovery
    EXPECT_STREQ(runs[0].file, kFile);
    EXPECT_EQ(runs[0].sha256, passed["sha256"].get<std::string>());
    EXPECT_STREQ(runs[0].result, "passed");
    EXPECT_STREQ(runs[0].stage, "finished");
    EXPECT_EQ(std::string(runs[0].time).substr(0, 17), "2026-01-02T03:04:");
    EXPECT_GE(runs[0].durationMs, 6000);

    const std::string log = ReadAll(files.log);
    for (const char* expected : {"Program: Veltrane Updater ", ", command line\n",
                                 "Operation: update (program and verify)\n",
                                 "Device: headset, product 28F80106, kind 13, model RX93, version 1_0\n",
                                 " Connecting to the Device...\n", " Device Passed Verifification...\n",
                                 "Version after: 1_2\nResult: passed\n"}) {
        EXPECT_NE(log.find(expected), std::string::npos) << expected << "\nin:\n" << log;
    }

    // A failure: the history names its cause as the result event does, and
    // gives the reason the command line gave.
    Plug("device headset product=28F80106 kind=13 identity=01 reply=v1_2_RX93 failpacket=30\n");
    ASSERT_EQ(Run({"--json", "verify", kFile}), ExitRunFailed);
    const Json failed = Result();
    runs = History();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_STREQ(runs[0].operation, "verify");
    EXPECT_STREQ(runs[0].result, "failed");
    EXPECT_EQ(failed["cause"], "no_answer");
    EXPECT_EQ(runs[0].cause, failed["cause"].get<std::string>());
    EXPECT_EQ(runs[0].reason, failed["reason"].get<std::string>());

    // Refused with nothing attached: no device is named, and the reason is
    // the command line's, not one that names the window's buttons.
    Plug("");
    ASSERT_EQ(Run({"verify", kFile}), ExitNoDevice);
    runs = History();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_STREQ(runs[0].result, "refused");
    EXPECT_STREQ(runs[0].cause, "no_device");
    EXPECT_STREQ(runs[0].deviceKind, "");
    EXPECT_EQ(runs[0].productId, 0u);
    EXPECT_EQ(runs[0].reason + std::string("\n"), console.err);
    EXPECT_EQ(std::string(runs[0].reason).find("Try Again"), std::string::npos);
}

TEST_F(CliHistoryTest, TheListingShowsWindowAndCommandLineRunsNewestFirstFilteredAndLimited) {
    WindowRecord("2026-01-01T10:00:00.000Z", 0x28F80108, "adapter", "");  // before records named their program
    WindowRecord("2026-01-01T11:00:00.000Z", 0x28F80106, "headset", kWrittenByWindow);
    ASSERT_EQ(Run({"update", "--yes", kFile}), ExitSuccess);

    ASSERT_EQ(Run({"history"}), ExitSuccess);
    const std::vector<std::string> lines = Lines(console.out);
    ASSERT_EQ(lines.size(), 4u) << console.out;
    EXPECT_EQ(lines[0].rfind("time                  by      operation  device            model  versions    file", 0), 0u)
        << lines[0];
    EXPECT_EQ(lines[1],
              "2026-01-02T03:04:05Z  cli     update     headset 28F80106  RX93   1_0 -> 1_2  RX93_Headset_v1_2_ef.txt  "
              "passed  " + lines[1].substr(lines[1].rfind("  ") + 2));
    EXPECT_EQ(lines[2].rfind("2026-01-01T11:00:00Z  window  update     headset 28F80106  -      - -> -", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("2026-01-01T10:00:00Z  window  update     adapter 28F80108", 0), 0u) << lines[3];
    EXPECT_EQ(console.err, "");

    for (const char* device : {"28F80108", "28f80108", "adapter", "ADAPTER"}) {
        ASSERT_EQ(Run({"history", "--device", device}), ExitSuccess) << device;
        EXPECT_EQ(Lines(console.out).size(), 2u) << device;
        EXPECT_NE(console.out.find("2026-01-01T10:00:00Z"), std::string::npos) << device;
    }
    ASSERT_EQ(Run({"history", "--device", "headset", "--limit", "1"}), ExitSuccess);
    ASSERT_EQ(Lines(console.out).size(), 2u);
    EXPECT_NE(console.out.find("  cli  "), std::string::npos);

    // A failed run's reason is told on the line below it.
    Plug("device headset product=28F80106 kind=13 identity=01 reply=v1_2_RX93 failpacket=30\n");
    ASSERT_EQ(Run({"verify", kFile}), ExitRunFailed);
    ASSERT_EQ(Run({"history", "--limit", "1"}), ExitSuccess);
    const std::vector<std::string> failed = Lines(console.out);
    ASSERT_EQ(failed.size(), 3u);
    EXPECT_NE(failed[1].find("  failed  "), std::string::npos);
    EXPECT_EQ(failed[2], "    " + std::string(History()[0].reason));
}

TEST_F(CliHistoryTest, JsonGivesEachRunWithTheFilesFieldsInSnakeCaseThenTheResult) {
    WindowRecord("2026-01-01T10:00:00.000Z", 0x28F80108, "adapter", kWrittenByWindow);
    ASSERT_EQ(Run({"update", "--yes", kFile}), ExitSuccess);
    ASSERT_EQ(Run({"--json", "history"}), ExitSuccess);

    const std::vector<Json> events = EventsOf("history");
    ASSERT_EQ(events.size(), 2u);
    const Json& cli = events[0];
    EXPECT_EQ(cli["written_by"], "cli");
    EXPECT_EQ(cli["device_kind"], "headset");
    EXPECT_EQ(cli["product_id"], "28F80106");
    EXPECT_EQ(cli["version_before"], "1_0");
    EXPECT_EQ(cli["version_after"], "1_2");
    EXPECT_EQ(cli["file_bytes"].get<int64_t>(), std::filesystem::file_size(std::string("files/") + kFile));
    EXPECT_EQ(cli["cause"], "none");
    EXPECT_GE(cli["duration_ms"].get<int64_t>(), 6000);
    EXPECT_EQ(events[1]["written_by"], "window");
    EXPECT_EQ(events[1]["product_id"], "28F80108");

    // Every field of the file, and nothing else, under its snake_case name.
    const Json line = Json::parse(Lines(ReadAll(files.history)).back());
    EXPECT_EQ(line.size(), cli.size());
    for (const char* name : {"time", "operation", "model", "file", "sha256", "result", "stage", "reason"}) {
        EXPECT_EQ(line[name], cli[name]) << name;
    }
    EXPECT_EQ(line["versionBefore"], cli["version_before"]);
    EXPECT_EQ(line["durationMs"], cli["duration_ms"]);

    const Json result = Result();
    EXPECT_EQ(result["command"], "history");
    EXPECT_EQ(result["outcome"], "listed");
    EXPECT_EQ(result["exit_code"], 0);
    EXPECT_EQ(result["count"], 2);
}

TEST_F(CliHistoryTest, AnEmptyHistoryIsSaidInOneLineAndATornLastLineIsPassedOver) {
    ASSERT_EQ(Run({"history"}), ExitSuccess);
    EXPECT_EQ(console.out, "");
    EXPECT_EQ(console.err, "No runs are recorded in " + std::string(files.history) + ".\n");
    ASSERT_EQ(Run({"--json", "history"}), ExitSuccess);
    EXPECT_EQ(Result()["count"], 0);

    WindowRecord("2026-01-01T10:00:00.000Z", 0x28F80106, "headset", kWrittenByWindow);
    ASSERT_EQ(Run({"history", "--device", "adapter"}), ExitSuccess);
    EXPECT_EQ(console.err, "No runs of the adapter are recorded in " + std::string(files.history) + ".\n");
    ASSERT_EQ(Run({"history", "--device", "28F80108"}), ExitSuccess);
    EXPECT_EQ(console.err, "No runs of the device 28F80108 are recorded in " + std::string(files.history) + ".\n");

    // Half a record, as a crash in the middle of a write leaves it.
    const std::string torn = "{\"time\":\"2026-01-01T11:00:00.000Z\",\"program\":\"1.7.0\",\"writtenBy\":\"win";
    ASSERT_TRUE(AppendToFile(files.history, torn.data(), torn.size()));
    ASSERT_EQ(Run({"--json", "history"}), ExitSuccess);
    ASSERT_EQ(EventsOf("history").size(), 1u);
    EXPECT_EQ(Result()["count"], 1);

    // The next run's record starts a line of its own and reads whole.
    ASSERT_EQ(Run({"update", "--yes", kFile}), ExitSuccess);
    ASSERT_EQ(Run({"--json", "history"}), ExitSuccess);
    const std::vector<Json> events = EventsOf("history");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]["written_by"], "cli");
}

TEST_F(CliHistoryTest, ABadDeviceOrLimitIsAUsageError) {
    for (const std::vector<const char*>& args : std::vector<std::vector<const char*>>{
             {"history", "--device", "zz"}, {"history", "--device", "0"}, {"history", "--limit", "0"},
             {"history", "--limit", "1001"}, {"history", "--limit", "many"}, {"history", "extra"}}) {
        EXPECT_EQ(Run(args), ExitUsage) << args[1] << " " << args[2];
        EXPECT_EQ(console.out, "");
    }
    EXPECT_EQ(Run({"--json", "history", "--device", "zz"}), ExitUsage);
    EXPECT_EQ(Result()["exit"], "usage");
    EXPECT_NE(Result()["reason"].get<std::string>().find("zz is neither a product id nor a kind of device."),
              std::string::npos);
}

TEST_F(CliHistoryTest, EachStationDeviceRunIsRecordedAndABusyOneAsRefused) {
    WriteFirmware("RX93_Base_v1_1_ef.txt", "Base_v1_1", "v1_1_RX93", 2100, 3);
    Plug(kCliAdapter);
    ASSERT_EQ(Run({"station", kFile, "RX93_Base_v1_1_ef.txt", "--count", "1", "--results", "bench"}), ExitSuccess);
    std::vector<HistoryRecord> runs = History();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_STREQ(runs[0].writtenBy, "cli");
    EXPECT_STREQ(runs[0].file, "RX93_Base_v1_1_ef.txt");
    EXPECT_STREQ(runs[0].versionAfter, "1_1");
    EXPECT_STREQ(runs[0].result, "passed");

    // The window takes the devices between the station's look and its run:
    // the engine refuses the run, and the refusal is recorded as the
    // window records its own.
    Plug(kCliHeadset);
    recording::Clear();
    recording::BeforeNextCall("AvDllCloseHandle", [this] { system.deviceLockHeldElsewhere = true; });
    ASSERT_EQ(Run({"--json", "station", kFile, "--count", "1", "--results", "bench"}), ExitRunFailed);
    ASSERT_EQ(EventsOf("station").size(), 1u);
    EXPECT_EQ(EventsOf("station")[0]["result"], "refused");
    runs = History();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_STREQ(runs[0].result, "refused");
    EXPECT_STREQ(runs[0].cause, "device_busy");
    EXPECT_STREQ(runs[0].versionAfter, "1_0");  // untouched
    EXPECT_EQ(recording::CountCalls("SerialMemEnterFlashMode"), 0);
}

TEST(HistoryDeviceTest, AProductIdInHexOrAKindWord) {
    HistoryFilter filter;
    ASSERT_TRUE(ParseHistoryDevice("28F80106", filter));
    EXPECT_EQ(filter.productId, 0x28F80106u);
    EXPECT_EQ(filter.deviceKind, nullptr);
    ASSERT_TRUE(ParseHistoryDevice("Headset", filter));
    EXPECT_STREQ(filter.deviceKind, "headset");
    EXPECT_EQ(filter.productId, 0u);
    ASSERT_TRUE(ParseHistoryDevice("ad", filter));  // hexadecimal, not a word
    EXPECT_EQ(filter.productId, 0xADu);
    for (const char* bad : {"", "0", "00000000", "28F8010G", "0x28F80106", "headsets", "28F80106 "}) {
        EXPECT_FALSE(ParseHistoryDevice(bad, filter)) << bad;
    }
}

}  // namespace
