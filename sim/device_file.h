// The simulator's device file: a plain-text description of what is plugged
// in, re-read at every device listing so that a person or a test can plug
// and unplug devices while the updater runs. The format is described in
// sim/README.md.
#pragma once

#include <cstdint>

namespace sim {

inline constexpr int kMaxDevices = 10;
inline constexpr int kNameChars = 32;
inline constexpr int kReplyTextBytes = 18;  // reply bytes 6..23
inline constexpr int kTracePathChars = 260;

// Faults a device can be told to show (the `fail=` list).
enum Fault : uint32_t {
    FailFind = 1u << 0,      // AvDllFindDevice for its product id
    FailOpen = 1u << 1,      // AvDllOpenDevice
    FailKindPeek = 1u << 2,  // the peek of the kind byte
    FailPeek = 1u << 3,      // every other peek
    FailVersion = 1u << 4,   // the version query
    FailRomMode = 1u << 5,   // SerialMemEnterFlashMode
    FailReset = 1u << 6,     // systemReset
    FailClose = 1u << 7,     // AvDllCloseHandle
    FailPackets = 1u << 8,   // every commandSendAndGetResponse
};

// States a device can be plugged in with (the `state=` list), as a run cut
// short leaves it.
enum StartState : uint32_t {
    StartInterrupted = 1u << 0,  // its firmware half-written
    StartRomMode = 1u << 1,      // still in ROM mode
};

struct DeviceSpec {
    char name[kNameChars];
    uint32_t productId;
    uint32_t kind;
    uint8_t identity[4];
    uint8_t reply[kReplyTextBytes];  // what the device answers from reply byte 6 on
    int32_t okStatus;                // returned by every call that succeeds (0, or positive)
    int32_t packetStatus;            // returned by packet exchanges that succeed
    uint32_t faults;                 // Fault bits
    int32_t failPacket;              // 1-based number of the packet of a run that fails; 0 none
    int32_t failPage;                // any packet addressing this page fails; -1 none
    int32_t flipBitAddress;          // serial-memory byte whose bit flips after a commit; -1 none
    int32_t flipBit;
    int32_t unplugAfter;             // packets after which the device vanishes; 0 never
    int32_t latencyMs;               // added to every packet exchange
    uint32_t startState;             // StartState bits
};

struct DeviceFile {
    DeviceSpec devices[kMaxDevices];
    int deviceCount;
    bool listFails;                    // `list fail`: AvDllListDevices returns -1
    bool initFails;                    // `init fail`: AvDllInitialize returns -1
    bool traceSet;                     // a `trace` line was given
    char tracePath[kTracePathChars];   // empty: tracing off
    char stampsPath[kTracePathChars];  // timestamps of the calls other than packets; empty: off
    char memoryFolder[kTracePathChars];  // where serial memories persist; empty: nowhere
    char replayPath[kTracePathChars];    // a recording to answer every call from; empty: none
};

// Parses the text of a device file. Unknown words and malformed lines are
// skipped, so a half-edited file never stops the simulator; lines past the
// tenth device are ignored.
void ParseDeviceFile(const char* text, DeviceFile& out);

}  // namespace sim
