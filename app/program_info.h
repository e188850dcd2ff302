// The program's version and the processor it was built for, as the run log,
// the history and the support report name them.
#pragma once

#ifndef UPDATER_VERSION
#define UPDATER_VERSION "0.0.0"
#endif

inline constexpr char kProgramVersion[] = UPDATER_VERSION;

#if defined(__x86_64__) || defined(_M_X64)
inline constexpr char kProgramArchitecture[] = "x64";
#elif defined(__i386__) || defined(_M_IX86)
inline constexpr char kProgramArchitecture[] = "x86";
#elif defined(__aarch64__) || defined(_M_ARM64)
inline constexpr char kProgramArchitecture[] = "arm64";
#else
inline constexpr char kProgramArchitecture[] = "unknown";
#endif
