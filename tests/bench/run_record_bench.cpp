// What the run log and the history cost: the write between two pages (the
// only file work during a run), a page with nothing to write, one history
// record, and reading the newest runs of a long history.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/run_history.h"
#include "app/run_log.h"
#include "app/run_recorder.h"
#include "app/unfinished_run.h"
#include "device/found_devices.h"
#include "update/run_request.h"
#include "tests/support/fake_system.h"

namespace {

struct Bench {
    Bench() {
        folder = std::filesystem::temp_directory_path() / "veltrane-record-bench";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        system.dataFolder = folder.string();
        devices.deviceTable[0].kind = KindHeadset;
        recorder.Open(system);
        recorder.RunStarting(request, devices);
    }
    ~Bench() { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
    FakeSystem system;
    FoundDevices devices;
    RunRequest request;
    RunRecorder recorder;
};

void BM_StageLineWrittenBetweenPages(benchmark::State& run) {
    Bench bench;
    for (auto _ : run) {
        bench.recorder.LogLine("Device Passed Programming...");
        bench.recorder.ShowProgress(true, 1, 64);
    }
}
BENCHMARK(BM_StageLineWrittenBetweenPages);

void BM_PageWithNothingToWrite(benchmark::State& run) {
    Bench bench;
    for (auto _ : run) bench.recorder.ShowProgress(false, 2, 64);
}
BENCHMARK(BM_PageWithNothingToWrite);

// The journal: the log so far and the started record, on the disk before
// the device enters ROM mode (once a run).
void BM_StartedRecordBeforeTheDeviceChanges(benchmark::State& run) {
    Bench bench;
    for (auto _ : run) {
        bench.recorder.LogLine("Connected to the Device...");
        bench.recorder.DeviceAboutToChange();
    }
}
BENCHMARK(BM_StartedRecordBeforeTheDeviceChanges);

void BM_HistoryRecordAppended(benchmark::State& run) {
    Bench bench;
    HistoryRecord record;
    std::snprintf(record.time, sizeof record.time, "2026-01-02T03:04:05.000Z");
    std::snprintf(record.result, sizeof record.result, "passed");
    const std::string path = (bench.folder / "history.jsonl").string();
    for (auto _ : run) AppendHistoryRecord(path.c_str(), record);
}
BENCHMARK(BM_HistoryRecordAppended);

// The same under the files' lock, with the look at the history's length.
void BM_HistoryRecordAppendedUnderTheLock(benchmark::State& run) {
    Bench bench;
    HistoryRecord record;
    std::snprintf(record.time, sizeof record.time, "2026-01-02T03:04:05.000Z");
    std::snprintf(record.result, sizeof record.result, "passed");
    RunFiles files;
    FindRunFiles(bench.system, files);
    for (auto _ : run) AppendToHistory(files, record);
}
BENCHMARK(BM_HistoryRecordAppendedUnderTheLock);

// The most a history holds before its oldest runs are dropped: what the
// support report reads on the window's thread at worst.
void BM_NewestTwentyOfTheLongestHistory(benchmark::State& run) {
    Bench bench;
    HistoryRecord record;
    std::snprintf(record.time, sizeof record.time, "2026-01-02T03:04:05.000Z");
    std::snprintf(record.result, sizeof record.result, "failed");
    std::snprintf(record.reason, sizeof record.reason, "Stopped while programming page 12 of 64: the headset did not answer (status -7).");
    const std::string path = (bench.folder / "history.jsonl").string();
    for (int i = 0; i < kHistoryKeptRuns + kHistoryKeptRuns / 2; ++i) AppendHistoryRecord(path.c_str(), record);
    static HistoryRecord newest[20];
    for (auto _ : run) benchmark::DoNotOptimize(ReadRunHistory(path.c_str(), {}, newest, 20));
}
BENCHMARK(BM_NewestTwentyOfTheLongestHistory)->Unit(benchmark::kMillisecond);

// A unit whose reply was not recognised, looked up in the longest history
// when the selection dialog opens.
void BM_UnfinishedRunInTheLongestHistory(benchmark::State& run) {
    Bench bench;
    HistoryRecord record;
    std::snprintf(record.time, sizeof record.time, "2026-01-02T03:04:05.000Z");
    std::snprintf(record.result, sizeof record.result, "passed");
    std::snprintf(record.deviceKind, sizeof record.deviceKind, "headset");
    std::snprintf(record.identity, sizeof record.identity, "01000000");
    record.productId = 0x28F80106;
    const std::string path = (bench.folder / "history.jsonl").string();
    for (int i = 0; i < kHistoryKeptRuns + kHistoryKeptRuns / 2; ++i) AppendHistoryRecord(path.c_str(), record);
    bench.devices.deviceCount = 1;
    bench.devices.deviceTable[0].productId = 0x28F80106;
    bench.devices.deviceTable[0].identity = 0x01000000;
    for (auto _ : run) benchmark::DoNotOptimize(FindUnfinishedRun(path.c_str(), bench.devices).tie);
}
BENCHMARK(BM_UnfinishedRunInTheLongestHistory)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
