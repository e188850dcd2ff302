// Which processor a Windows library is built for, read from its file header,
// so that a library the program cannot load is named for what it is instead
// of failing without a reason.
#pragma once

#include <cstdint>

inline constexpr uint16_t kMachineI386 = 0x014C;
inline constexpr uint16_t kMachineAmd64 = 0x8664;

// The machine this program is built for, from the compiler; 0 where programs
// are not PE files (the native build of the tests), where nothing is checked.
#if defined(_WIN32) && defined(__x86_64__)
inline constexpr uint16_t kProgramMachine = kMachineAmd64;
#elif defined(_WIN32) && defined(__i386__)
inline constexpr uint16_t kProgramMachine = kMachineI386;
#else
inline constexpr uint16_t kProgramMachine = 0;
#endif

enum PeCheck {
    PeFound,       // a PE file; its machine field is given
    PeNoFile,      // nothing at the path
    PeUnreadable,  // something is there but cannot be read
    PeNotPe,       // too short, or no "MZ" or "PE\0\0" where they belong
};

// Reads the DOS header, follows e_lfanew to the PE signature and takes the
// Machine field after it. `machine` is set only for PeFound.
PeCheck ReadPeMachine(const char* path, uint16_t& machine);
