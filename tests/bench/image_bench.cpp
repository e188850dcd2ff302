// How long LoadFirmwareImage takes for the largest image the updater
// programs: 128 KiB plus one line, 129 pages, with LF and with CR LF ends.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "firmware/firmware_image.h"

namespace {

constexpr int kLines = 128 * 1024 + 1;

std::string WriteImage(bool crlf) {
    const std::string path =
        (std::filesystem::temp_directory_path() / (crlf ? "image_bench_crlf.txt" : "image_bench_lf.txt")).string();
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return "";
    const char* end = crlf ? "\r\n" : "\n";
    for (int i = 0; i < kLines; ++i) std::fprintf(out, i == 0 ? "%02X Headset_v1_2%s" : "%02X%s", i * 7 % 256, end);
    std::fclose(out);
    return path;
}

void LoadLargestImage(benchmark::State& bench) {
    const std::string path = WriteImage(bench.range(0) != 0);
    for (auto _ : bench) {
        FirmwareImage image;
        if (!LoadFirmwareImage(path.c_str(), image) || image.pageCount != 129) {
            bench.SkipWithError("the image did not load as 129 pages");
            break;
        }
        ReleaseFirmwareImage(image);
    }
    bench.counters["lines/s"] = benchmark::Counter(kLines, benchmark::Counter::kIsIterationInvariantRate);
    std::remove(path.c_str());
}
BENCHMARK(LoadLargestImage)->ArgName("crlf")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
