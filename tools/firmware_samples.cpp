// Build-time tool: writes sample firmware files for the simulator into
// <output folder>/files/, so that the updater built on this machine has
// something to offer and to program. Every image carries, at byte 0x40, the
// version reply of a device that runs it, which the simulator answers with
// after an update. The decoys exercise the naming rules: none is ever listed.
//
//     firmware_samples <output folder>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "sim/version_stamp.h"

namespace {

constexpr int32_t kPage = 1024;

struct Sample {
    const char* name;
    const char* reply;  // what a device running it answers, from reply byte 6 on
    int32_t bytes;
    bool crlf;
    bool tagOnSecondLine;  // a decoy: the catalogue reads only the first line
};

// Most images are small, since each page takes a while to program with the
// device's real pauses; one has 65 pages, whose last is the identity page.
// For the simulator's default RX93 headset the RX71 files are another
// model's and are not offered either.
const Sample kSamples[] = {
    {"RX93_Headset_v1_1_ef.txt", "v1_1_RX93", 4 * kPage - 100, false, false},
    {"RX93_Headset_v1_2_ef.txt", "v1_2_RX93", 6 * kPage, true, false},
    {"RX93_Headset_v1_3_24AA512_ef.txt", "v1_3_RX93", 8 * kPage - 7, false, false},
    {"RX93_Headset_v1_4_24C512_ef.txt", "v1_4_RX93", 12 * kPage, true, false},
    {"RX93_Headset_v1_5_ef.txt", "v1_5_RX93", 64 * kPage + 32, false, false},
    {"RX71_Headset_v1_1_ef.txt", "v1_1_RX71", 5 * kPage + 1, true, false},
    {"RX71_Headset_v1_2_24C1024_ef.txt", "v1_2_RX71", 7 * kPage, false, false},
    {"RX93_Base_v1_1_ef.txt", "v1_1_RX93", 4 * kPage, false, false},
    {"RX93_Base_v1_2_45PE10_ef.txt", "v1_2_RX93", 9 * kPage - 300, true, false},
    {"RX71_Base_v1_0_ef.txt", "v1_0_RX71", 4 * kPage + 512, false, false},
    {"RX71_Base_v1_1_25L2006_ef.txt", "v1_1_RX71", 10 * kPage, true, false},
    {"Base_v2_0_ef.txt", "v2_0", 5 * kPage, false, false},
    {"Headset_v2_1_ef.txt", "v2_1", 6 * kPage - 1, true, false},
    // Decoys.
    {"RX93_Headset_v1_9_ef.txt", "v1_9_RX93", 4 * kPage, false, true},
    {"RX93_Headset_1_8_ef.txt", "v1_8_RX93", 4 * kPage, false, false},  // no "v"
    {"RX93_Headsetv1.7ef.txt", "v1_7_RX93", 4 * kPage, false, false},   // one underscore
};
// A folder named like a firmware file.
constexpr char kDecoyFolder[] = "RX93_Headset_v2_0_ef.txt";

// The text between the first and the last underscore of the name.
std::string TagOf(const std::string& name) {
    const size_t first = name.find('_');
    const size_t last = name.rfind('_');
    if (first == std::string::npos || first == last) return "";
    return name.substr(first + 1, last - first - 1);
}

// Deterministic bytes, different for each name.
std::vector<uint8_t> MakeBytes(const Sample& sample) {
    uint32_t x = 2166136261u;
    for (const char* c = sample.name; *c != '\0'; ++c) x = (x ^ static_cast<uint8_t>(*c)) * 16777619u;
    std::vector<uint8_t> bytes(static_cast<size_t>(sample.bytes));
    for (uint8_t& byte : bytes) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(x >> 16);
    }
    bytes[0] = 0x00;
    std::memcpy(&bytes[sim::kStampOffset], sim::kStampMagic, sizeof sim::kStampMagic);
    uint8_t* reply = &bytes[sim::kStampOffset + sizeof sim::kStampMagic];
    std::memset(reply, 0, sim::kStampReplyBytes);
    std::memcpy(reply, sample.reply, std::strlen(sample.reply));
    return bytes;
}

bool WriteSample(const std::filesystem::path& folder, const Sample& sample) {
    const std::vector<uint8_t> bytes = MakeBytes(sample);
    const std::string tag = TagOf(sample.name);
    const char* end = sample.crlf ? "\r\n" : "\n";
    std::FILE* out = std::fopen((folder / sample.name).string().c_str(), "wb");
    if (out == nullptr) return false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const bool tagged = i == (sample.tagOnSecondLine ? 1u : 0u);
        if (tagged && !tag.empty()) {
            std::fprintf(out, "%02X %s%s", bytes[i], tag.c_str(), end);
        } else {
            std::fprintf(out, "%02X%s", bytes[i], end);
        }
    }
    return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: firmware_samples <output folder>\n");
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "files";
    std::error_code error;
    std::filesystem::create_directories(folder / kDecoyFolder, error);
    if (error) {
        std::fprintf(stderr, "firmware_samples: cannot create %s\n", folder.string().c_str());
        return 1;
    }
    for (const Sample& sample : kSamples) {
        if (!WriteSample(folder, sample)) {
            std::fprintf(stderr, "firmware_samples: cannot write %s\n", sample.name);
            return 1;
        }
    }
    return 0;
}
