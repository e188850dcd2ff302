#include "update/command_packets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const CommandPacket& packet, int from, int count) {
    return std::vector<uint8_t>(packet + from, packet + from + count);
}

TEST(CommandPacketsTest, PageAddressesEncodeUpTo191) {
    const struct { int page; std::vector<uint8_t> bytes; } cases[] = {
        {0, {0x00, 0x00, 0x00, 0x00}},   {63, {0x00, 0xFC, 0x00, 0x00}},  {64, {0x00, 0x00, 0x01, 0x00}},
        {128, {0x00, 0x00, 0x02, 0x00}}, {191, {0x00, 0xFC, 0x02, 0x00}},
    };
    for (const auto& c : cases) {
        uint8_t address[4];
        EncodePageAddress(c.page, address);
        EXPECT_EQ(std::vector<uint8_t>(address, address + 4), c.bytes) << "page " << c.page;
    }
    // Every encodable page has its own address: page p at p x 1024.
    for (int page = 0; page < kMaxEncodablePages; ++page) {
        uint8_t a[4];
        EncodePageAddress(page, a);
        EXPECT_EQ(a[0] | a[1] << 8 | a[2] << 16 | a[3] << 24, page * 1024);
    }
}

TEST(CommandPacketsTest, MemoryConfigurationByKindAndMemoryType) {
    const KindAddressMap& headset = AddressMapForKind(13);
    const KindAddressMap& adapter = AddressMapForKind(12);
    EXPECT_EQ(&MemConfigFor(headset, 17), &kMemConfigA);
    for (int32_t type : {0, 16, 21, 36, 40}) EXPECT_EQ(&MemConfigFor(headset, type), &kMemConfigB) << type;
    for (int32_t type : {0, 17, 21}) EXPECT_EQ(&MemConfigFor(adapter, type), &kMemConfigA) << type;
    EXPECT_EQ(&AddressMapForKind(7), &adapter);  // any kind but 13 is an adapter
}

TEST(CommandPacketsTest, TwoByteCommandsLeaveTheEarlierBytesBehind) {
    CommandPacket packet = {};
    const KindAddressMap& headset = AddressMapForKind(13);
    BuildTransferLengthWrite(packet, headset, kProgramTransferLength);
    BuildCommitPage(packet);
    EXPECT_EQ(Bytes(packet, 4, 6), (std::vector<uint8_t>{0x02, 0x03, 0x41, 0xB5, 0x00, 0x04}));
    BuildTransferLengthWrite(packet, AddressMapForKind(12), kVerifyTransferLength);
    BuildFetchPage(packet);
    EXPECT_EQ(Bytes(packet, 4, 6), (std::vector<uint8_t>{0x02, 0x84, 0x34, 0xC4, 0x00, 0x10}));
}

TEST(CommandPacketsTest, ReadChunkComesFromItsTemplate) {
    uint8_t templateBytes[16] = {};
    WriteReadChunkTemplate(templateBytes);
    CommandPacket packet;
    std::memset(packet, 0xEE, sizeof packet);
    BuildReadChunk(packet, templateBytes, 0xBF4C);
    EXPECT_EQ(Bytes(packet, 4, 6), (std::vector<uint8_t>{0x05, 0x81, 0x4C, 0xBF, 0x10, 0xEE}));
    EXPECT_EQ(packet[0], 0xEE);  // the header is set once per loop, not here
}

}  // namespace
