#include "firmware/firmware_image.h"

#include <string>
#include <vector>

#include "firmware/text_lines.h"
#include "tests/firmware/temp_folder.h"

namespace {

class FirmwareImageTest : public TempFolderTest {
   protected:
    void TearDown() override {
        ReleaseFirmwareImage(image);
        TempFolderTest::TearDown();
    }
    // Loads a file holding `bytes`; the image's bytes, or nothing on failure.
    std::vector<uint8_t> Load(const std::string& bytes) {
        WriteBytes(Path("image.txt"), bytes);
        if (!LoadFirmwareImage(Path("image.txt").c_str(), image)) return {};
        return std::vector<uint8_t>(image.imageBytes, image.imageBytes + image.byteCount);
    }
    bool SpareIsZero() const {
        for (int32_t i = 0; i < kImageSpareBytes; ++i) {
            if (image.imageBytes[image.byteCount + i] != 0) return false;
        }
        return true;
    }
    FirmwareImage image;
};

TEST_F(FirmwareImageTest, PagesCountWholeAndPartPagesWithAZeroTail) {
    const struct {
        int lines;
        int pages;
    } cases[] = {{0, 0}, {1, 1}, {1024, 1}, {1025, 2}, {65536 + 32, 65}, {65537, 65}, {131073, 129}};
    const int32_t held = FirmwareImagesHeld();
    for (const auto& c : cases) {
        const std::vector<uint8_t> bytes = Load(Repeat("5A\n", c.lines));
        ASSERT_NE(image.imageBytes, nullptr) << c.lines;
        ASSERT_NE(image.workBuffer, nullptr);
        EXPECT_EQ(image.byteCount, c.lines);
        EXPECT_EQ(image.pageCount, c.pages) << c.lines;
        EXPECT_EQ(bytes, std::vector<uint8_t>(static_cast<size_t>(c.lines), 0x5A));
        EXPECT_TRUE(SpareIsZero()) << c.lines;
        EXPECT_EQ(FirmwareImagesHeld(), held + 1);  // loading again released the previous one
    }
    ReleaseFirmwareImage(image);
    ReleaseFirmwareImage(image);
    EXPECT_EQ(FirmwareImagesHeld(), held);
    EXPECT_EQ(image.imageBytes, nullptr);
    EXPECT_EQ(image.workBuffer, nullptr);
    EXPECT_EQ(image.byteCount, 0);
}

TEST_F(FirmwareImageTest, TheFirstLineMayHoldTextAloneEveryOtherLineANumber) {
    EXPECT_EQ(Load("note first\n3a\n0x3A Headset_v1_2\n13A\nbad\n  -1\n123456789AB\n0x\n"),
              (std::vector<uint8_t>{0x00, 0x3A, 0x3A, 0x3A, 0xAD, 0xFF, 0xAB, 0x00}));
    EXPECT_EQ(Load("01 Headset_v1_2 text\n02"), (std::vector<uint8_t>{1, 2}));
}

// Each rule, with the line that breaks it; nothing is held afterwards.
TEST_F(FirmwareImageTest, TextThatIsNoImageIsRefusedAtItsFirstBadLine) {
    const struct {
        std::string text;
        ImageProblem problem;
        int32_t line;
    } cases[] = {
        {"01\n02\n\n03\n", ImageNoNumber, 3},
        {"01\n02\nnote\n", ImageNoNumber, 3},
        {"01\n02\n   \n", ImageNoNumber, 3},
        {std::string("01\n\0" "3a\n", 7), ImageNoNumber, 2},
        {"01\r02\r03\r", ImageLoneCr, 1},
        {"01\n02\r\r\n", ImageLoneCr, 2},
        {"01\n02\r", ImageLoneCr, 2},
        {"01\n" + std::string(149, '2') + "\n", ImageLineTooLong, 2},
        {"01\n" + std::string(149, '2'), ImageLineTooLong, 2},
        {"22" + std::string(147, ' ') + "33\n", ImageLineTooLong, 1},
    };
    for (const auto& c : cases) {
        WriteBytes(Path("image.txt"), c.text);
        const ImageLoad load = LoadFirmwareImage(Path("image.txt").c_str(), image);
        EXPECT_EQ(load.problem, c.problem) << c.text;
        EXPECT_EQ(load.line, c.line) << c.text;
        EXPECT_EQ(image.imageBytes, nullptr);
    }
    EXPECT_EQ(FirmwareImagesHeld(), 0);
    // 148 characters before the line end is the longest line.
    EXPECT_EQ(Load("01\n22" + std::string(146, ' ') + "\n"), (std::vector<uint8_t>{1, 0x22}));
    EXPECT_EQ(Load("01\n22" + std::string(146, ' ')), (std::vector<uint8_t>{1, 0x22}));
}

TEST_F(FirmwareImageTest, ReadingStopsAtTheFirstLinePast192Pages) {
    // A lone CR behind the limit: a reader that went on would report it instead.
    WriteBytes(Path("image.txt"), Repeat("5A\n", kMaxImageLines + 1) + "5A\r" + Repeat("5A\n", 100));
    const ImageLoad load = LoadFirmwareImage(Path("image.txt").c_str(), image);
    EXPECT_EQ(load.problem, ImageTooLarge);
    EXPECT_EQ(load.line, kMaxImageLines + 1);
    EXPECT_EQ(Load(Repeat("5A\n", kMaxImageLines)).size(), static_cast<size_t>(kMaxImageLines));
    EXPECT_EQ(image.pageCount, 192);
}

TEST_F(FirmwareImageTest, CrLfAndLfFilesGiveTheSameImage) {
    std::string lf;
    std::string crlf;
    for (int i = 0; i < 3000; ++i) {
        const std::string number = std::to_string(i % 97) + (i % 5 == 0 ? " token" : "");
        lf += number + "\n";
        crlf += number + "\r\n";
    }
    const std::vector<uint8_t> fromLf = Load(lf);
    EXPECT_EQ(Load(crlf), fromLf);
    EXPECT_EQ(fromLf.size(), 3000u);
    EXPECT_EQ(image.pageCount, 3);
}

TEST_F(FirmwareImageTest, TheEndOfFileByteEndsTheImage) {
    EXPECT_EQ(Load("7f\r\n3a\n\x1a" "55\n\xff\xfe\n"), (std::vector<uint8_t>{0x7F, 0x3A}));
}

TEST_F(FirmwareImageTest, AFileThatGrowsBetweenThePassesIsReadToItsFirstCount) {
    WriteBytes(Path("image.txt"), Repeat("01\n", 1020));
    TextLines lines;
    ASSERT_TRUE(lines.Open(Path("image.txt").c_str()));
    int32_t counted = 0;
    ASSERT_TRUE(CheckImageLines(lines, kMaxImageLines, counted));
    ASSERT_EQ(counted, 1020);
    WriteBytes(Path("image.txt"), Repeat("02\n", 20), true);
    ASSERT_TRUE(lines.Rewind());
    std::vector<uint8_t> buffer(static_cast<size_t>(counted + kImageSpareBytes), 0xEE);
    int32_t read = 0;
    EXPECT_TRUE(ReadImageBytes(lines, buffer.data(), counted, read));
    EXPECT_EQ(read, 1020);
    EXPECT_EQ(buffer[1019], 0x01);
    EXPECT_EQ(buffer[1020], 0xEE);  // the spare bytes stay as they were
    EXPECT_EQ(buffer.back(), 0xEE);
}

TEST_F(FirmwareImageTest, AFileChangedBetweenThePassesIsCheckedAgain) {
    WriteBytes(Path("image.txt"), Repeat("01\n", 10));
    TextLines lines;
    ASSERT_TRUE(lines.Open(Path("image.txt").c_str()));
    int32_t counted = 0;
    ASSERT_TRUE(CheckImageLines(lines, kMaxImageLines, counted));
    WriteBytes(Path("image.txt"), "01\n02\nnote\n");
    ASSERT_TRUE(lines.Rewind());
    std::vector<uint8_t> buffer(static_cast<size_t>(counted + kImageSpareBytes));
    int32_t read = 0;
    const ImageLoad load = ReadImageBytes(lines, buffer.data(), counted, read);
    EXPECT_EQ(load.problem, ImageNoNumber);
    EXPECT_EQ(load.line, 3);
}

TEST_F(FirmwareImageTest, AMissingFileFailsAndHoldsNothing) {
    const int32_t held = FirmwareImagesHeld();
    EXPECT_FALSE(LoadFirmwareImage(Path("absent.txt").c_str(), image));
    EXPECT_FALSE(LoadFirmwareImage(nullptr, image));
    EXPECT_EQ(image.imageBytes, nullptr);
    EXPECT_EQ(image.workBuffer, nullptr);
    EXPECT_EQ(FirmwareImagesHeld(), held);
}

TEST(MemoryTypeTest, LaterWordsOverrideEarlierOnesAndNoWordKeepsTheValue) {
    const struct {
        const char* name;
        int32_t type;
    } cases[] = {
        {"RX93_Headset_v1_1_24C512_ef.txt", 16},
        {"x_45PE10_x", 36},
        {"x_25L2006_x", 40},
        {"24AA512", 17},
        {"24C1024", 21},
        {"24C512_24AA512", 17},
        {"24C1024_24C512", 21},
        {"24AA512_24C1024", 21},
        {"25L2006_45PE10", 36},
        {"24C512_25L2006", 16},
        {"RX93_Headset_v1_1_ef.txt", 16},  // no word: the previous value stays
        {"24c512", 16},                    // case-sensitive
    };
    int32_t memoryType = 0;
    for (const auto& c : cases) {
        memoryType = MemoryTypeFromName(c.name, memoryType);
        EXPECT_EQ(memoryType, c.type) << c.name;
    }
}

}  // namespace
