// A simulated device's memories and the command packets that move data
// between them: plain writes and reads of the device address space, and the
// two commands that program a staged page into serial memory and fetch one
// back, steered by the page parameters at the kind's base address.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "sim/sim_internal.h"
#include "sim/version_stamp.h"

namespace sim {
namespace {

enum Opcode : uint8_t {
    OpWrite = 0x00,
    OpVersion = 0x02,
    OpCommitPage = 0x03,
    OpRead = 0x81,
    OpFetchPage = 0x84,
};

uint32_t ReadLittle(const std::vector<uint8_t>& bytes, int32_t at, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes[static_cast<size_t>(at + i)];
    return value;
}

bool InSpace(int32_t address, int32_t count) {
    return address >= 0 && count >= 0 && address + count <= kAddressSpaceBytes;
}

struct PageParams {
    int32_t memAddress;
    int32_t stagingAddress;
    int32_t transferLength;
};

PageParams ReadPageParams(const SimDevice& device) {
    const int32_t base = device.settings.kind == 13 ? kHeadsetPageParams : kAdapterPageParams;
    return {static_cast<int32_t>(ReadLittle(device.space, base + 1, 4)),
            static_cast<int32_t>(ReadLittle(device.space, base + 5, 2)),
            static_cast<int32_t>(ReadLittle(device.space, base + 7, 2))};
}

void EnsureSerial(SimDevice& device) {
    if (device.serial.empty()) device.serial.assign(kSerialMemoryBytes, 0xFF);
}

bool PageFaulted(const SimDevice& device, const PageParams& params) {
    return device.settings.failPage >= 0 && params.memAddress == device.settings.failPage * 1024;
}

void MemoryPath(const Simulator& sim, const SimDevice& device, char* out, size_t size) {
    std::snprintf(out, size, "%s/%s.mem", sim.file.memoryFolder, device.settings.name);
}

// Writes `count` bytes at `address` into a memory file that holds all of
// serial memory; false when there is no such file.
bool WriteIntoMemoryFile(const Simulator& sim, const SimDevice& device, int32_t address, int32_t count) {
    char path[2 * kTracePathChars];
    MemoryPath(sim, device, path, sizeof path);
    std::FILE* file = std::fopen(path, "r+b");
    if (file == nullptr) return false;
    bool written = std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) == kSerialMemoryBytes &&
                   std::fseek(file, address, SEEK_SET) == 0;
    written = written && std::fwrite(&device.serial[static_cast<size_t>(address)], 1, static_cast<size_t>(count),
                                     file) == static_cast<size_t>(count);
    return std::fclose(file) == 0 && written;
}

// A committed page goes to the memory file at once, so that a program
// killed before it closes the device leaves it as far as it got.
void WriteThrough(const Simulator& sim, SimDevice& device, int32_t address, int32_t count) {
    if (sim.file.memoryFolder[0] != '\0' && !device.serialDirty && WriteIntoMemoryFile(sim, device, address, count)) {
        return;
    }
    device.serialDirty = true;
    SavePersistedMemory(sim, device);
}

int32_t CommitPage(const Simulator& sim, SimDevice& device) {
    const PageParams params = ReadPageParams(device);
    if (PageFaulted(device, params)) return StatusFault;
    if (!InSpace(params.stagingAddress, params.transferLength) || params.memAddress < 0 ||
        params.memAddress + params.transferLength > kSerialMemoryBytes) {
        return StatusOutOfRange;
    }
    EnsureSerial(device);
    std::memcpy(&device.serial[static_cast<size_t>(params.memAddress)],
                &device.space[static_cast<size_t>(params.stagingAddress)], static_cast<size_t>(params.transferLength));
    const int32_t flip = device.settings.flipBitAddress;
    if (flip >= params.memAddress && flip < params.memAddress + params.transferLength) {
        device.serial[static_cast<size_t>(flip)] ^= static_cast<uint8_t>(1u << device.settings.flipBit);
    }
    WriteThrough(sim, device, params.memAddress, params.transferLength);
    PageCommitted(sim, device);
    return device.settings.packetStatus;
}

// Copies the page back into the staging area; what lies past the end of
// serial memory reads as 0xFF, and nothing lands outside the address space.
int32_t FetchPage(const Simulator& sim, SimDevice& device) {
    const PageParams params = ReadPageParams(device);
    if (PageFaulted(device, params)) return StatusFault;
    if (!InSpace(params.stagingAddress, params.transferLength) || params.memAddress < 0) return StatusOutOfRange;
    EnsureSerial(device);
    for (int32_t i = 0; i < params.transferLength; ++i) {
        const int32_t from = params.memAddress + i;
        device.space[static_cast<size_t>(params.stagingAddress + i)] =
            from < kSerialMemoryBytes ? device.serial[static_cast<size_t>(from)] : 0xFF;
    }
    PageFetched(sim, device);
    return device.settings.packetStatus;
}

int32_t Version(const SimDevice& device, const uint8_t* request, uint8_t* response) {
    std::memset(response, 0, kPacketBytes);
    std::memcpy(response, request, 4);
    AnsweredReply(device, response + 6);
    return device.settings.packetStatus;
}

int32_t Execute(const Simulator& sim, SimDevice& device, const uint8_t* request, uint8_t* response) {
    const int length = request[4];
    const uint8_t opcode = request[5];
    const int32_t address = request[6] | (request[7] << 8);
    switch (opcode) {
        case OpVersion:
            return Version(device, request, response);
        case OpWrite: {
            const int32_t count = length - 4;
            if (count < 0 || count > 16 || !InSpace(address, count)) return StatusOutOfRange;
            std::memcpy(&device.space[static_cast<size_t>(address)], request + 8, static_cast<size_t>(count));
            return device.settings.packetStatus;
        }
        case OpRead: {
            const int32_t count = request[8];
            if (count > 16 || !InSpace(address, count)) return StatusOutOfRange;
            std::memcpy(response + 8, &device.space[static_cast<size_t>(address)], static_cast<size_t>(count));
            return device.settings.packetStatus;
        }
        case OpCommitPage:
            return device.romMode ? CommitPage(sim, device) : StatusNotInRomMode;
        case OpFetchPage:
            return device.romMode ? FetchPage(sim, device) : StatusNotInRomMode;
        default:
            return StatusBadCommand;
    }
}

}  // namespace

void PrepareAddressSpace(SimDevice& device) {
    if (device.space.empty()) device.space.assign(kAddressSpaceBytes, 0);
    const uint32_t kind = device.settings.kind;
    for (int i = 0; i < 4; ++i) {
        device.space[static_cast<size_t>(kKindAddress + i)] = static_cast<uint8_t>(kind >> (8 * i));
        device.space[static_cast<size_t>(kHeadsetIdentityAddress + i)] = device.settings.identity[i];
        device.space[static_cast<size_t>(kAdapterIdentityAddress + i)] = device.settings.identity[i];
    }
}

void TakeReplyFromMemory(SimDevice& device) {
    uint8_t reply[kStampReplyBytes];
    if (!device.serial.empty() && ReadVersionStamp(device.serial.data(), kSerialMemoryBytes, reply)) {
        std::memcpy(device.reply, reply, sizeof device.reply);
    }
}

void LoadPersistedMemory(const Simulator& sim, SimDevice& device) {
    if (sim.file.memoryFolder[0] == '\0') return;
    char path[2 * kTracePathChars];
    MemoryPath(sim, device, path, sizeof path);
    std::FILE* in = std::fopen(path, "rb");
    if (in == nullptr) return;
    EnsureSerial(device);
    const size_t got = std::fread(device.serial.data(), 1, device.serial.size(), in);
    std::fclose(in);
    if (got == device.serial.size()) TakeReplyFromMemory(device);
}

void SavePersistedMemory(const Simulator& sim, SimDevice& device) {
    if (!device.serialDirty || sim.file.memoryFolder[0] == '\0') return;
    std::error_code ignored;
    std::filesystem::create_directories(sim.file.memoryFolder, ignored);
    char path[2 * kTracePathChars];
    MemoryPath(sim, device, path, sizeof path);
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return;  // memory then stays in this process only
    std::fwrite(device.serial.data(), 1, device.serial.size(), out);
    std::fclose(out);
    device.serialDirty = false;
}

int32_t ExchangePacket(const Simulator& sim, SimDevice& device, const uint8_t* request, uint8_t* response) {
    const DeviceSpec& settings = device.settings;
    ++device.packets;
    if (settings.latencyMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(settings.latencyMs));
    if (settings.unplugAfter > 0 && device.packets >= settings.unplugAfter) {
        PullOut(sim, device);
        return StatusGone;
    }
    if ((settings.faults & FailPackets) != 0 || device.packets == settings.failPacket) return StatusFault;
    if (request[5] == OpVersion && (settings.faults & FailVersion) != 0) return StatusFault;
    return Execute(sim, device, request, response);
}

}  // namespace sim
