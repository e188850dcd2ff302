#include "tests/support/image_files.h"

#include <cstdio>
#include <filesystem>

std::vector<uint8_t> MakeImage(int32_t byteCount, uint32_t seed) {
    std::vector<uint8_t> image(static_cast<size_t>(byteCount));
    uint32_t x = seed * 2654435761u + 1;
    for (uint8_t& byte : image) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(x >> 16);
    }
    return image;
}

void WriteImageFile(const std::string& name, const std::vector<uint8_t>& image, const std::string& firstLineToken) {
    std::filesystem::create_directories("files");
    std::FILE* out = std::fopen(("files/" + name).c_str(), "wb");
    if (out == nullptr) return;
    for (size_t i = 0; i < image.size(); ++i) {
        if (i == 0 && !firstLineToken.empty()) {
            std::fprintf(out, "%02X %s\n", image[i], firstLineToken.c_str());
        } else {
            std::fprintf(out, "%02X\n", image[i]);
        }
    }
    std::fclose(out);
}

void RemoveImageFile(const std::string& name) { std::remove(("files/" + name).c_str()); }
