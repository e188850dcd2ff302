// Reading the Machine field of a PE file's header.
#include "device/pe_machine.h"

#include <cerrno>
#include <cstdio>

namespace {

constexpr long kDosHeaderBytes = 64;
constexpr long kLfanewOffset = 0x3C;
// Linkers put the PE header within the first few KiB; anything past this is
// not a library but a file that happens to start with "MZ".
constexpr uint32_t kLfanewLimit = 1u << 20;

uint16_t Little16(const unsigned char* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }

uint32_t Little32(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

PeCheck ReadHeaders(std::FILE* file, uint16_t& machine) {
    unsigned char dos[kDosHeaderBytes];
    if (std::fread(dos, 1, sizeof dos, file) != sizeof dos) return std::ferror(file) ? PeUnreadable : PeNotPe;
    if (dos[0] != 'M' || dos[1] != 'Z') return PeNotPe;
    const uint32_t lfanew = Little32(dos + kLfanewOffset);
    if (lfanew > kLfanewLimit) return PeNotPe;
    unsigned char pe[6];
    if (std::fseek(file, static_cast<long>(lfanew), SEEK_SET) != 0) return PeNotPe;
    if (std::fread(pe, 1, sizeof pe, file) != sizeof pe) return std::ferror(file) ? PeUnreadable : PeNotPe;
    if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return PeNotPe;
    machine = Little16(pe + 4);
    return PeFound;
}

}  // namespace

PeCheck ReadPeMachine(const char* path, uint16_t& machine) {
    errno = 0;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return errno == ENOENT ? PeNoFile : PeUnreadable;
    const PeCheck check = ReadHeaders(file, machine);
    std::fclose(file);
    return check;
}
