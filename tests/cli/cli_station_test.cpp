// Station mode over a scripted bench: devices are plugged one after another
// (each unplugged once the station asks), one of them with a fault.
#include <algorithm>
#include <csignal>
#include <fstream>

#include "app/run_history.h"
#include "app/run_log.h"
#include "cli/interrupt.h"
#include "cli/station_results.h"
#include "tests/cli/cli_fixture.h"

namespace {

using Json = nlohmann::json;

constexpr uint32_t kPollMs = 500;  // the station's pause between passes

class CliStationTest : public CliFixture {
   protected:
    void SetUp() override {
        CliFixture::SetUp();
        WriteFirmware("RX93_Headset_v1_2_ef.txt", "Headset_v1_2", "v1_2_RX93");
        WriteFirmware("RX93_Base_v1_1_ef.txt", "Base_v1_1", "v1_1_RX93", 2100, 3);
        // At each of the station's pauses: plug the next device once the bench
        // is empty, unplug it once its record is out.
        system.onSleep = [this](uint32_t milliseconds) {
            if (milliseconds != kPollMs) return;
            const size_t records = Count(console.out, "\"event\":\"station\"");
            if (plugged_ && records > next_ - 1) {
                Plug("");
                plugged_ = false;
            } else if (!plugged_ && next_ < bench.size()) {
                Plug(bench[next_++]);
                plugged_ = true;
            }
        };
    }
    static size_t Count(const std::string& text, const std::string& word) {
        size_t n = 0;
        for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
        return n;
    }
    static std::vector<std::string> Lines(const char* path) {
        std::ifstream in(path);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::vector<std::string> bench;

    void EmptyTheBench() {
        Plug("");
        plugged_ = false;
    }

   private:
    size_t next_ = 0;
    bool plugged_ = false;
};

TEST_F(CliStationTest, EachDeviceIsUpdatedSkippedOrFailedAndRecordedInBothFiles) {
    bench = {
        "device h1 product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n",
        "device a1 product=28F80108 kind=12 identity=01 reply=v1_0_RX93 failpacket=40\n",
        "device h2 product=28F80106 kind=13 identity=01 reply=v1_2_RX93\n",
        "device h3 product=28F80106 kind=13 identity=01 reply=v1_0_RX71\n",
        "device a2 product=28F80108 kind=12 identity=01 reply=v1_0_RX93\n",
    };
    EXPECT_EQ(Run({"--json", "station", "RX93_Headset_v1_2_ef.txt", "files/RX93_Base_v1_1_ef.txt", "--count", "5",
                   "--results", "bench"}),
              ExitRunFailed);
    const std::vector<Json> records = EventsOf("station");
    ASSERT_EQ(records.size(), 5u);
    const std::vector<std::string> results = {"passed", "failed", "skipped", "skipped", "passed"};
    for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i]["result"], results[i]) << i;

    EXPECT_EQ(records[0]["product_id"], "28F80106");
    EXPECT_EQ(records[0]["model"], "RX93");
    EXPECT_EQ(records[0]["version_before"], "1_0");
    EXPECT_EQ(records[0]["version_after"], "1_2");
    EXPECT_EQ(records[0]["file"], "RX93_Headset_v1_2_ef.txt");
    EXPECT_EQ(records[0]["sha256"].get<std::string>().size(), 64u);
    EXPECT_EQ(records[0]["reason"], "");
    EXPECT_GE(records[0]["duration_ms"].get<int64_t>(), 6000);
    EXPECT_EQ(records[0]["time"].get<std::string>().substr(0, 11), "2026-01-02T");
    EXPECT_EQ(records[1]["file"], "RX93_Base_v1_1_ef.txt");
    EXPECT_NE(records[1]["reason"].get<std::string>().find("did not answer"), std::string::npos);
    EXPECT_EQ(records[2]["reason"], "the headset already runs firmware 1_2");
    EXPECT_EQ(records[3]["reason"], "none of the files fits this headset");
    EXPECT_EQ(records[3]["file"], "");
    EXPECT_EQ(records[4]["version_after"], "1_1");
    const Json result = Result();
    EXPECT_EQ(result["command"], "station");
    EXPECT_EQ(result["count"], 5);
    EXPECT_EQ(result["exit"], "run_failed");

    const std::vector<std::string> csv = Lines("bench.csv");
    ASSERT_EQ(csv.size(), 6u);
    EXPECT_EQ(csv[0], "time,kind,product_id,model,version_before,version_after,file,sha256,result,reason,duration_ms");
    EXPECT_NE(csv[1].find(",headset,28F80106,RX93,1_0,1_2,RX93_Headset_v1_2_ef.txt,"), std::string::npos) << csv[1];
    EXPECT_NE(csv[1].find(",passed,,"), std::string::npos) << csv[1];
    EXPECT_NE(csv[2].find(",failed,Stopped while programming page 1 of 3: the adapter did not answer"),
              std::string::npos)
        << csv[2];
    const std::vector<std::string> jsonl = Lines("bench.jsonl");
    ASSERT_EQ(jsonl.size(), 5u);
    for (size_t i = 0; i < jsonl.size(); ++i) EXPECT_EQ(Json::parse(jsonl[i]), records[i]);

    // A second station appends, without a second header.
    EmptyTheBench();
    bench.push_back("device h4 product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n");
    EXPECT_EQ(Run({"station", "RX93_Headset_v1_2_ef.txt", "--count", "1", "--results", "bench"}), ExitSuccess);
    EXPECT_EQ(Lines("bench.csv").size(), 7u);
    EXPECT_NE(console.out.find("  headset 28F80106  RX93  1_0 -> 1_2  RX93_Headset_v1_2_ef.txt  passed  "),
              std::string::npos)
        << console.out;
}

TEST_F(CliStationTest, CtrlCFinishesTheDeviceOnTheBenchThenStops) {
    bench = {"device h1 product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n",
             "device h2 product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n"};
    recording::BeforePacket(20, [] {
#ifdef _WIN32
        OnInterrupt();
#else
        std::raise(SIGINT);
#endif
    });
    EXPECT_EQ(Run({"--json", "station", "RX93_Headset_v1_2_ef.txt"}), ExitInterrupted);
    const std::vector<Json> records = EventsOf("station");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["result"], "passed");  // the first press lets the device finish
    EXPECT_EQ(Result()["outcome"], "interrupted");
    EXPECT_NE(console.err.find("Stopping after this device."), std::string::npos);
    EXPECT_EQ(Lines("station_results.csv").size(), 2u);
}

TEST_F(CliStationTest, ASecondCtrlCStopsTheRunAtThePageAndRecordsIt) {
    WriteFirmware("RX93_Headset_v1_2_ef.txt", "Headset_v1_2", "v1_2_RX93", 3 * 1024);
    bench = {"device h1 product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n"};
    auto press = [] {
#ifdef _WIN32
        OnInterrupt();
#else
        std::raise(SIGINT);
#endif
    };
    recording::BeforePacket(20, press);
    recording::BeforePacket(30, press);
    EXPECT_EQ(Run({"--json", "station", "RX93_Headset_v1_2_ef.txt"}), ExitInterrupted);
    const std::vector<Json> records = EventsOf("station");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["result"], "interrupted");
    sim::DeviceStatus status{};
    ASSERT_TRUE(sim::InspectDevice("h1", status));
    EXPECT_EQ(status.openHandles, 0);
}

#ifndef _WIN32
// The program going away is no first Ctrl+C: a hang-up or SIGTERM stops the
// run at the page, resets and closes the device (with its pauses), and the
// run is recorded as interrupted.
TEST_F(CliStationTest, AHangUpOrSigtermStopsTheRunAtThePageAndRecordsIt) {
    WriteFirmware("RX93_Headset_v1_2_ef.txt", "Headset_v1_2", "v1_2_RX93", 3 * 1024);
    RunFiles files;
    ASSERT_TRUE(FindRunFiles(system, files));
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        EmptyTheBench();
        // A device of its own each time: the page written carries the new version.
        bench.push_back("device h" + std::to_string(signal) + " product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n");
        recording::Clear();
        recording::BeforePacket(20, [signal] { std::raise(signal); });
        system.pauses.clear();
        EXPECT_EQ(Run({"--json", "station", "RX93_Headset_v1_2_ef.txt"}), ExitInterrupted);
        const std::vector<Json> records = EventsOf("station");
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]["result"], "interrupted");
        EXPECT_EQ(EventsOf("progress").size(), 1u);  // page 1 ran whole; page 2 never began
        EXPECT_EQ(recording::CountCalls("systemReset"), 1);
        EXPECT_EQ(recording::CountCalls("AvDllCloseHandle"), recording::CountCalls("AvDllOpenDevice"));
        EXPECT_EQ(std::count(system.pauses.begin(), system.pauses.end(), 3000u), 2);
        EXPECT_NE(console.err.find("Stopping at the next page"), std::string::npos) << console.err;
        HistoryRecord runs[1];
        ASSERT_EQ(ReadRunHistory(files.history, {}, runs, 1), 1);
        EXPECT_STREQ(runs[0].result, "failed");
        EXPECT_STREQ(runs[0].cause, "interrupted");
    }
}
#endif

TEST(StationResultsTest, ACsvFieldWithACommaOrAQuoteIsQuoted) {
    StationRecord record;
    record.time = "2026-01-02T03:04:05Z";
    record.kind = "adapter";
    record.file = "Base, \"new\"_v1_ef.txt";
    record.reason = "a, b";
    record.result = "failed";
    record.durationMs = 12;
    EXPECT_EQ(StationCsvLine(record), "2026-01-02T03:04:05Z,adapter,,,,,\"Base, \"\"new\"\"_v1_ef.txt\",,failed,\"a, b\",12\n");
    EXPECT_EQ(IsoTime(0), "1970-01-01T00:00:00Z");
}

// A spreadsheet runs a cell that starts with = + - @ (or a tab or CR) as a
// formula; the device and the file name are not ours to trust.
TEST(StationResultsTest, ACsvFieldAFormulaCouldStartWithIsDefused) {
    StationRecord record;
    record.model = "=HYPERLINK(\"x\")";
    record.versionBefore = "-1";
    record.versionAfter = "+1";
    record.file = "@a, b";
    record.sha256 = "\tx";
    record.reason = "\rx";
    record.durationMs = -5;
    EXPECT_EQ(StationCsvLine(record),
              ",,,\"'=HYPERLINK(\"\"x\"\")\",'-1,'+1,\"'@a, b\",'\tx,,\"'\rx\",-5\n");
    EXPECT_EQ(StationObject(record)["version_before"], "-1");
    EXPECT_EQ(StationObject(record)["file"], "@a, b");
}

}  // namespace
