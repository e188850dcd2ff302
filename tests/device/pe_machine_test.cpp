// The PE header check on crafted files of both kinds and on files that only
// look like libraries.
#include "device/pe_machine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/test_folder.h"

namespace {

// A DOS header whose e_lfanew points at `lfanew`, then "PE\0\0" and `machine`.
std::string PeHeader(uint16_t machine, uint32_t lfanew = 0x80) {
    std::string bytes(lfanew + 24, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i) bytes[0x3C + i] = static_cast<char>(lfanew >> (8 * i));
    bytes.replace(lfanew, 4, std::string("PE\0\0", 4));
    bytes[lfanew + 4] = static_cast<char>(machine & 0xFF);
    bytes[lfanew + 5] = static_cast<char>(machine >> 8);
    return bytes;
}

void Write(const char* path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

PeCheck Check(const std::string& bytes, uint16_t& machine) {
    Write("library.dll", bytes);
    return ReadPeMachine("library.dll", machine);
}

TEST(PeMachineTest, ReadsTheMachineOfBothKinds) {
    ScopedTestFolder folder;
    uint16_t machine = 0;
    EXPECT_EQ(Check(PeHeader(kMachineAmd64), machine), PeFound);
    EXPECT_EQ(machine, kMachineAmd64);
    EXPECT_EQ(Check(PeHeader(kMachineI386, 0xF8), machine), PeFound);
    EXPECT_EQ(machine, kMachineI386);
    EXPECT_EQ(Check(PeHeader(0xAA64), machine), PeFound);  // another processor is reported as it is
    EXPECT_EQ(machine, 0xAA64);
}

TEST(PeMachineTest, TruncatedAndGarbageFilesAreNotLibraries) {
    ScopedTestFolder folder;
    uint16_t machine = 0x1234;
    const std::string whole = PeHeader(kMachineAmd64);
    for (size_t length : {size_t{0}, size_t{2}, size_t{63}, size_t{0x80 + 3}, size_t{0x80 + 5}}) {
        EXPECT_EQ(Check(whole.substr(0, length), machine), PeNotPe) << length;
    }
    std::string noMz = whole;
    noMz[0] = 'Z';
    EXPECT_EQ(Check(noMz, machine), PeNotPe);
    std::string noSignature = whole;
    noSignature[0x81] = 'X';
    EXPECT_EQ(Check(noSignature, machine), PeNotPe);
    // e_lfanew far past the end of the file, and past any real header.
    EXPECT_EQ(Check(PeHeader(kMachineAmd64, 0x80).replace(0x3C, 4, "\xFF\xFF\xFF\x7F", 4), machine), PeNotPe);
    EXPECT_EQ(Check(PeHeader(kMachineAmd64, 0x80).replace(0x3C, 4, "\x00\x00\x00\x80", 4), machine), PeNotPe);
    EXPECT_EQ(Check("\x7F" "ELF and then some more bytes than a DOS header holds, to be sure of it.", machine), PeNotPe);
    EXPECT_EQ(machine, 0x1234);  // untouched unless found
}

TEST(PeMachineTest, AMissingFileIsToldFromAnUnreadableOne) {
    ScopedTestFolder folder;
    uint16_t machine = 0;
    EXPECT_EQ(ReadPeMachine("no_such.dll", machine), PeNoFile);
    std::filesystem::create_directory("folder.dll");
    EXPECT_EQ(ReadPeMachine("folder.dll", machine), PeUnreadable);
}

}  // namespace
