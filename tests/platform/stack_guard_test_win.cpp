// The stack guard is seeded before any of the program's code runs.
#include <gtest/gtest.h>

#include <cstdint>

extern "C" void* __stack_chk_guard;

TEST(StackGuardTest, IsSeededBeforeMain) {
    const auto guard = reinterpret_cast<uintptr_t>(__stack_chk_guard);
    EXPECT_NE(guard, 0u);         // a guard of zero is no guard
    EXPECT_EQ(guard & 0xFF, 0u);  // and a string copy stops at it
}
