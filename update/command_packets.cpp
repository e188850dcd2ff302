// Building the serial-memory command packets.
#include "update/command_packets.h"

#include <cstring>

namespace {

constexpr KindAddressMap kHeadsetMap = {0xF0E1, 0xA0, 0xB53A, 0xBB5C, 0xC0A7, 0x00, true};
constexpr KindAddressMap kAdapterMap = {0xF0E2, 0x0A, 0xC42D, 0xD312, 0xC0A7, 0x00, false};

// Bytes 4 to 7, the command word: length, opcode and (for reads and
// writes) the device address, low byte first.
void WriteCommandWord(CommandPacket& packet, uint8_t length, uint8_t opcode, uint16_t address) {
    packet[4] = length;
    packet[5] = opcode;
    packet[6] = static_cast<uint8_t>(address);
    packet[7] = static_cast<uint8_t>(address >> 8);
}

// An OpWrite of `count` payload bytes (at most 16) to `address`.
void BuildWrite(CommandPacket& packet, uint16_t address, const uint8_t* payload, int count) {
    WriteCommandWord(packet, static_cast<uint8_t>(4 + count), OpWrite, address);
    std::memcpy(packet + 8, payload, static_cast<size_t>(count));
}

void BuildWrite16(CommandPacket& packet, uint16_t address, uint16_t value) {
    const uint8_t payload[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    BuildWrite(packet, address, payload, 2);
}

uint16_t Param(const KindAddressMap& map, PageParamsOffset offset) {
    return static_cast<uint16_t>(map.pageParams + offset);
}

}  // namespace

const MemConfig kMemConfigA = {0x00, 0x00, 0x01, 0x00, 0x00, 0x80, 0x00};
const MemConfig kMemConfigB = {0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01};

const KindAddressMap& AddressMapForKind(uint32_t kind) { return kind == 13 ? kHeadsetMap : kAdapterMap; }

const MemConfig& MemConfigFor(const KindAddressMap& map, int32_t memoryType) {
    if (!map.memConfigByType) return kMemConfigA;
    return memoryType == 17 ? kMemConfigA : kMemConfigB;
}

void SetPacketHeader(CommandPacket& packet) {
    for (int i = 0; i < 4; ++i) packet[i] = static_cast<uint8_t>(kPacketHeader >> (8 * i));
}

void BuildPrepRegisterWrite(CommandPacket& packet, const KindAddressMap& map) {
    BuildWrite(packet, map.prepRegister, &map.prepValue, 1);
}

void BuildCtlByteWrite(CommandPacket& packet, const KindAddressMap& map) {
    const uint8_t ctlByte = 2;
    BuildWrite(packet, Param(map, ParamCtlByte), &ctlByte, 1);
}

void BuildClearWordWrite(CommandPacket& packet, const KindAddressMap& map) {
    const uint8_t clearWord[4] = {0, 0, 0, 0};
    BuildWrite(packet, Param(map, ParamClearWord), clearWord, 4);
}

void BuildMemConfigWrite(CommandPacket& packet, const KindAddressMap& map, const MemConfig& config) {
    BuildWrite(packet, Param(map, ParamMemConfig), config, kMemConfigBytes);
}

void BuildAuxRegisterWrite(CommandPacket& packet, const KindAddressMap& map) {
    BuildWrite(packet, map.auxRegister, &map.auxValue, 1);
}

void BuildStageChunk(CommandPacket& packet, uint16_t address, const uint8_t* data) {
    BuildWrite(packet, address, data, kChunkBytes);
}

void EncodePageAddress(int pageIndex, uint8_t (&out)[4]) {
    out[0] = 0x00;
    out[1] = static_cast<uint8_t>((pageIndex * 4) % 256);
    out[2] = pageIndex >= 128 ? 2 : (pageIndex >= 64 ? 1 : 0);
    out[3] = 0x00;
}

void BuildPageAddressWrite(CommandPacket& packet, const KindAddressMap& map, int pageIndex) {
    uint8_t address[4];
    EncodePageAddress(pageIndex, address);
    BuildWrite(packet, Param(map, ParamMemAddress), address, 4);
}

void BuildStagingAddressWrite(CommandPacket& packet, const KindAddressMap& map) {
    BuildWrite16(packet, Param(map, ParamStagingAddress), map.stagingBase);
}

void BuildTransferLengthWrite(CommandPacket& packet, const KindAddressMap& map, uint16_t length) {
    BuildWrite16(packet, Param(map, ParamTransferLength), length);
}

void BuildCommitPage(CommandPacket& packet) {
    packet[4] = 2;
    packet[5] = OpCommitPage;
}

void BuildFetchPage(CommandPacket& packet) {
    packet[4] = 2;
    packet[5] = OpFetchPage;
}

void WriteReadChunkTemplate(uint8_t* templateBytes) {
    templateBytes[0] = 5;
    templateBytes[1] = OpRead;
    templateBytes[2] = 0;
    templateBytes[3] = 0;
    templateBytes[4] = kChunkBytes;
}

void BuildReadChunk(CommandPacket& packet, const uint8_t* templateBytes, uint16_t address) {
    WriteCommandWord(packet, templateBytes[0], templateBytes[1], address);
    packet[8] = templateBytes[4];
}
