// The serial-memory command packets of an update, byte for byte. A run
// keeps one 24-byte CommandPacket and reuses it for every packet: each
// builder writes only the bytes its packet names, so the bytes behind a
// command's length keep what earlier packets left there.
#pragma once

#include <cstdint>

#include "device/entry_points.h"

using CommandPacket = uint8_t[kPacketBytes];
using ResponseBuffer = uint8_t[kPacketBytes];

inline constexpr uint32_t kPacketHeader = 0x000004FD;
inline constexpr int kPageBytes = 1024;
inline constexpr int kChunkBytes = 16;
inline constexpr int kChunksPerPage = kPageBytes / kChunkBytes;
// Page indices from 192 on cannot be encoded: they would address earlier pages.
inline constexpr int kMaxEncodablePages = 192;
inline constexpr uint16_t kProgramTransferLength = 0x0400;
inline constexpr uint16_t kVerifyTransferLength = 0x1000;

enum Opcode : uint8_t {
    OpWrite = 0x00,
    OpCommitPage = 0x03,
    OpRead = 0x81,
    OpFetchPage = 0x84,
};

// Every address and value that differs between a headset and an adapter.
struct KindAddressMap {
    uint16_t prepRegister;
    uint8_t prepValue;
    uint16_t pageParams;  // PageParams base, also the ctlByte address
    uint16_t stagingBase;
    uint16_t auxRegister;
    uint8_t auxValue;
    bool memConfigByType;  // headsets take MemConfigA only for memory type 17
};

// The headset map applies to kind 13 only; every other kind takes the adapter's.
const KindAddressMap& AddressMapForKind(uint32_t kind);

// The offsets of PageParams' fields from its base.
enum PageParamsOffset : uint16_t {
    ParamCtlByte = 0,
    ParamMemAddress = 1,
    ParamStagingAddress = 5,
    ParamTransferLength = 7,
    ParamMemConfig = 13,
    ParamClearWord = 20,
};

inline constexpr int kMemConfigBytes = 7;
using MemConfig = uint8_t[kMemConfigBytes];
extern const MemConfig kMemConfigA;  // 0x00010000, 0x8000, 0x00
extern const MemConfig kMemConfigB;  // 0x00020000, 0x0000, 0x01
const MemConfig& MemConfigFor(const KindAddressMap& map, int32_t memoryType);

// Bytes 0-3.
void SetPacketHeader(CommandPacket& packet);

// Packets 1 to 5: the page set-up before programming.
void BuildPrepRegisterWrite(CommandPacket& packet, const KindAddressMap& map);
void BuildCtlByteWrite(CommandPacket& packet, const KindAddressMap& map);
void BuildClearWordWrite(CommandPacket& packet, const KindAddressMap& map);
void BuildMemConfigWrite(CommandPacket& packet, const KindAddressMap& map, const MemConfig& config);
void BuildAuxRegisterWrite(CommandPacket& packet, const KindAddressMap& map);
// Packet 6: 16 image bytes to the staging area at `address`.
void BuildStageChunk(CommandPacket& packet, uint16_t address, const uint8_t* data);
// Packets 7 to 9: where the page goes, from where, how much.
void BuildPageAddressWrite(CommandPacket& packet, const KindAddressMap& map, int pageIndex);
void BuildStagingAddressWrite(CommandPacket& packet, const KindAddressMap& map);
void BuildTransferLengthWrite(CommandPacket& packet, const KindAddressMap& map, uint16_t length);
// Packets 10 and 11.
void BuildCommitPage(CommandPacket& packet);
void BuildFetchPage(CommandPacket& packet);
// Packet 12: 16 bytes from the staging area at `address`, from a template
// of its five command bytes (length, opcode, address, count).
void WriteReadChunkTemplate(uint8_t* templateBytes);
void BuildReadChunk(CommandPacket& packet, const uint8_t* templateBytes, uint16_t address);

// The four address bytes of page `pageIndex` (valid below 192).
void EncodePageAddress(int pageIndex, uint8_t (&out)[4]);
