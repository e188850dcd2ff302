// The "%x" conversion written out, without locale or C runtime differences.
#include "firmware/image_line.h"

namespace {

// The blanks the scanf family skips in the "C" locale.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The digit's value, or -1 when `c` is no hexadecimal digit.
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ScanImageLine(const char* line, uint8_t& byte) {
    if (line == nullptr) return false;
    const char* at = line;
    while (IsBlank(*at)) ++at;
    bool negative = false;
    if (*at == '+' || *at == '-') negative = *at++ == '-';
    if (at[0] == '0' && (at[1] == 'x' || at[1] == 'X')) {
        if (HexDigit(at[2]) < 0) {
            byte = 0;  // the "0" before the x is the number
            return true;
        }
        at += 2;
    }
    if (HexDigit(*at) < 0) return false;
    uint32_t value = 0;
    for (int digit = HexDigit(*at); digit >= 0; digit = HexDigit(*++at)) {
        value = value * 16u + static_cast<uint32_t>(digit);  // wraps modulo 2^32
    }
    if (negative) value = 0u - value;
    byte = static_cast<uint8_t>(value & 0xFFu);
    return true;
}
