#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

#include <system_error>

ScopedTestFolder::ScopedTestFolder() {
    previous_ = std::filesystem::current_path();
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : "outside";
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    folder_ = previous_ / "work" / name;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
}

ScopedTestFolder::~ScopedTestFolder() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}
