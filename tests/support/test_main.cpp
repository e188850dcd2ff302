// The test programs' main. Under Wine a process with finished threads now and
// then hangs in its exit path after every test has passed; the Windows build
// therefore ends the process directly once the results are written.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#ifdef _WIN32
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(result);
#endif
    return result;
}
