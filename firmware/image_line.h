// One line of a firmware image file: a hexadecimal number, of which the low
// byte is the image byte, then optional free text. Scanned by hand so that
// every C runtime gives the same byte for the same line.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t kImageLineChars = 150;  // line buffer, terminator included

// Scans `line` as the format "%x %s\n" does: blanks skipped, an optional
// sign, an optional 0x or 0X prefix ("0x" without a hex digit after it reads
// as 0), then hex digits taken modulo 2^32, a minus sign negating modulo
// 2^32. Stores the low byte in `byte` and returns true; returns false,
// leaving `byte` alone, when the line holds no number. The text after the
// number is free and never copied.
bool ScanImageLine(const char* line, uint8_t& byte);
