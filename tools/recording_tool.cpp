// veltrane-recording: compares a recording of the device library's calls
// with what the simulator answers, and says every difference in a sentence.
//
//   veltrane-recording compare RECORDING [--devices DEVICE_FILE]
//
// Exit 0 when the simulator answers every call as the library did, 1 when
// it differs, 2 when the command line or the recording is wrong.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tools/recording_compare.h"

namespace {

constexpr size_t kMostListed = 200;

int Usage() {
    std::fprintf(stderr, "usage: veltrane-recording compare RECORDING [--devices DEVICE_FILE]\n");
    return 2;
}

bool ReadText(const char* path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 5 && std::strcmp(argv[3], "--devices") == 0)) return Usage();
    if (std::strcmp(argv[1], "compare") != 0) return Usage();
    Recording recording;
    char problem[512];
    if (!ReadRecording(argv[2], recording, problem, sizeof problem)) {
        std::fprintf(stderr, "%s.\n", problem);
        return 2;
    }
    CompareOptions options;
    if (argc == 5 && !ReadText(argv[4], options.devices)) {
        std::fprintf(stderr, "The device file %s cannot be read.\n", argv[4]);
        return 2;
    }
    const CompareResult result = CompareWithSimulator(recording, options);
    std::printf("%zu calls of %s (%s, %s) made again against the simulator with these devices:\n%s\n",
                recording.calls.size(), argv[2], recording.program[0] ? recording.program : "unknown program",
                recording.architecture[0] ? recording.architecture : "unknown architecture", result.devices.c_str());
    if (result.differences.empty()) {
        std::printf("No differences: the simulator answers every call as the library did.\n");
        return 0;
    }
    for (size_t i = 0; i < result.differences.size() && i < kMostListed; ++i) {
        std::printf("%s\n", result.differences[i].c_str());
    }
    if (result.differences.size() > kMostListed) {
        std::printf("... and %zu more differences.\n", result.differences.size() - kMostListed);
    }
    std::printf("%zu difference%s.\n", result.differences.size(), result.differences.size() == 1 ? "" : "s");
    return 1;
}
