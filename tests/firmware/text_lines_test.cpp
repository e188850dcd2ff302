#include "firmware/text_lines.h"

#include <string>
#include <vector>

#include "tests/firmware/temp_folder.h"

namespace {

class TextLinesTest : public TempFolderTest {
   protected:
    // Every piece ReadLine gives for a file holding `bytes`.
    std::vector<std::string> Lines(const std::string& bytes) {
        WriteBytes(Path("text.txt"), bytes);
        TextLines file;
        EXPECT_TRUE(file.Open(Path("text.txt").c_str()));
        std::vector<std::string> lines;
        char line[150];
        while (file.ReadLine(line, sizeof line)) lines.emplace_back(line);
        return lines;
    }
};

using Pieces = std::vector<std::string>;

TEST_F(TextLinesTest, CrLfReadsAsLfAndALoneCrStays) {
    const Pieces expected{"01\n", "02\n", "\n", "03"};
    EXPECT_EQ(Lines("01\r\n02\r\n\r\n03"), expected);
    EXPECT_EQ(Lines("01\n02\n\n03"), expected);
    EXPECT_EQ(Lines("a\rb\r\r\nc\r"), (Pieces{"a\rb\r\n", "c\r"}));
}

TEST_F(TextLinesTest, ByteOneAEndsTheFileAndRewindStartsOver) {
    WriteBytes(Path("text.txt"), std::string("01\n02\x1a") + "03\n04\n");
    TextLines file;
    ASSERT_TRUE(file.Open(Path("text.txt").c_str()));
    char line[150];
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(file.ReadLine(line, sizeof line));
        EXPECT_STREQ(line, "01\n");
        ASSERT_TRUE(file.ReadLine(line, sizeof line));
        EXPECT_STREQ(line, "02");
        EXPECT_FALSE(file.ReadLine(line, sizeof line));
        EXPECT_FALSE(file.ReadLine(line, sizeof line));
        ASSERT_TRUE(file.Rewind());
    }
}

TEST_F(TextLinesTest, LongLinesComeInPiecesOf149Characters) {
    const std::string a148(148, 'a');
    EXPECT_EQ(Lines(a148 + "\r\n"), (Pieces{a148 + "\n"}));
    EXPECT_EQ(Lines(a148 + "a\r\nb"), (Pieces{a148 + "a", "\n", "b"}));
    EXPECT_EQ(Lines(std::string(200, 'c') + "\n"), (Pieces{std::string(149, 'c'), std::string(51, 'c') + "\n"}));
}

TEST_F(TextLinesTest, CrLfSplitAcrossReadBlocksStillCollapses) {
    // The reader fills 4096-byte blocks: put the CR last in the first one.
    const std::string head = Repeat(std::string(127, 'h') + "\n", 31) + std::string(127, 'h');
    ASSERT_EQ(head.size(), 4095u);
    const Pieces crlf = Lines(head + "\r\nx\r\n");
    EXPECT_EQ(crlf, Lines(head + "\nx\n"));
    EXPECT_EQ(crlf.size(), 33u);
    EXPECT_EQ(Lines(head + "\rx").back(), std::string(127, 'h') + "\rx");
}

TEST_F(TextLinesTest, MissingFileDoesNotOpenAndEmptyFileHasNoLine) {
    TextLines file;
    EXPECT_FALSE(file.Open(Path("absent.txt").c_str()));
    char line[150] = "stale";
    EXPECT_FALSE(file.ReadLine(line, sizeof line));
    EXPECT_TRUE(Lines("").empty());
    EXPECT_TRUE(Lines("\x1a" "01\n").empty());
}

}  // namespace
