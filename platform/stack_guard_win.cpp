// The stack canaries' guard of the programs and the simulator (Windows
// only), and what happens when a canary is found overwritten. The
// toolchain's own runtime seeds the guard through the system's crypto
// providers, which Wine loads for 10 to 12 ms at each start of a program and
// each load of the simulator, before the window can show. This seeds it, as
// the system's own compiler does, from the clock, the counters and the
// process's own numbers and addresses: a canary needs a value an overflow
// cannot know in advance, not a cryptographic one. Defined here, these keep
// the toolchain's version out of whatever links this.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>

extern "C" {

void* __stack_chk_guard = nullptr;

[[noreturn]] void __stack_chk_fail() {
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();
}

[[noreturn]] void __stack_chk_fail_local() {
    __stack_chk_fail();
}

// A checked memory or string call found its buffer too small.
[[noreturn]] void __chk_fail() {
    __stack_chk_fail();
}

}  // extern "C"

namespace {

uint64_t Mix(uint64_t x) {
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
    return x ^ (x >> 31);
}

// Runs before any other constructor of the program or library, and has no
// canary of its own: the guard changes under it.
__attribute__((constructor(101), no_stack_protector)) void SeedStackGuard() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t seed = static_cast<uint64_t>(counter.QuadPart);
    seed = Mix(seed ^ (static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime));
    seed = Mix(seed ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32 | GetCurrentThreadId()));
    seed = Mix(seed ^ GetTickCount64() ^ reinterpret_cast<uintptr_t>(&seed) ^
               reinterpret_cast<uintptr_t>(&__stack_chk_guard));
    // A zero low byte stops an overflow by a string copy at the canary.
    __stack_chk_guard = reinterpret_cast<void*>(static_cast<uintptr_t>(seed & ~uint64_t{0xFF}));
}

}  // namespace
