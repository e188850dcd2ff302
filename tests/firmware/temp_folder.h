// A fresh folder for each test under the test's working folder (tests run in
// parallel, each in its own folder), removed when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/system.h"

class TempFolderTest : public ::testing::Test {
   protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string leaf = std::string(test->test_suite_name()) + "." + test->name();
        for (char& c : leaf) {
            if (c == '/') c = '_';
        }
        root = std::filesystem::current_path() / "firmware_tmp" / leaf;
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        folder = root.string();
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    // `name` in the folder, joined as the code under test joins paths (a
    // narrow string, so that non-ASCII names reach the C runtime unchanged).
    std::string Path(const std::string& name) const { return folder + kPathSeparator + name; }

    // Writes `bytes` unchanged to the file at `path` (or appends them).
    static void WriteBytes(const std::string& path, const std::string& bytes, bool append = false) {
        std::FILE* out = std::fopen(path.c_str(), append ? "ab" : "wb");
        ASSERT_NE(out, nullptr) << path;
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
        std::fclose(out);
    }

    std::filesystem::path root;
    std::string folder;
};

// `count` copies of `line`.
inline std::string Repeat(const std::string& line, int count) {
    std::string text;
    text.reserve(line.size() * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) text += line;
    return text;
}
