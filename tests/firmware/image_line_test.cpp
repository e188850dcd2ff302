#include "firmware/image_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ScanCase {
    const char* line;
    int byte;  // -1: the line holds no number
};

TEST(ImageLineTest, NumbersGiveTheirLowByte) {
    const ScanCase cases[] = {
        {"3a\n", 0x3A},
        {"0x3A\n", 0x3A},
        {"13A\n", 0x3A},
        {"3a Headset_v1_2\n", 0x3A},
        {"0X3a\ttoken\r\n", 0x3A},
        {"13A x y z\n", 0x3A},
        {"  \t3a", 0x3A},
        {"bad\n", 0xAD},
        {"+7f\n", 0x7F},
        {"-1\n", 0xFF},
        {"-0x2 x\n", 0xFE},
        {"123456789AB\n", 0xAB},
        {"FFFFFFFFFFFFFFFF01\n", 0x01},
        {"0x\n", 0x00},
        {"0xg1\n", 0x00},
        {"-0x", 0x00},
        {"7g\n", 0x07},
    };
    for (const ScanCase& c : cases) {
        uint8_t byte = 0x55;
        EXPECT_TRUE(ScanImageLine(c.line, byte)) << c.line;
        EXPECT_EQ(byte, c.byte) << c.line;
    }
}

TEST(ImageLineTest, LinesWithoutANumberLeaveTheByteAlone) {
    const char* lines[] = {"note\n", "\n", "", "   \r\n", "-\n", "+ 3a\n", "x3a\n", "\xE9" "3a\n", "g\n"};
    for (const char* line : lines) {
        uint8_t byte = 0x55;
        EXPECT_FALSE(ScanImageLine(line, byte)) << line;
        EXPECT_EQ(byte, 0x55) << line;
    }
}

TEST(ImageLineTest, AnyLengthOfTokenIsAccepted) {
    const std::string line = "42 " + std::string(146, 't');
    uint8_t byte = 0;
    EXPECT_TRUE(ScanImageLine(line.c_str(), byte));
    EXPECT_EQ(byte, 0x42);
}

}  // namespace
