// The simulator's own state, shared by its source files only.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

#include "device/call_layout.h"
#include "device/recorded_calls.h"
#include "sim/device_file.h"
#include "sim/file_look.h"
#include "sim/simulator.h"

namespace sim {

// Status values. Success is each device's configured status (0 by default).
enum SimStatus : int32_t {
    StatusFault = -1,        // a fault from the device file
    StatusBadHandle = -2,
    StatusOutOfRange = -3,   // an address or length outside the device
    StatusBadCommand = -4,
    StatusNotInRomMode = -5,
    StatusGone = -6,         // the device was unplugged
    StatusMismatch = -7,
    StatusNotInitialised = -8,
    StatusDiverged = -9,     // a replayed call that differs from the recording
};

inline constexpr int kDeviceSlots = 16;
inline constexpr int kHandleSlots = 32;
inline constexpr int32_t kKindAddress = 0xF004;
inline constexpr int32_t kHeadsetIdentityAddress = 0xB112;
inline constexpr int32_t kAdapterIdentityAddress = 0xC0D4;
inline constexpr int32_t kHeadsetPageParams = 0xB53A;
inline constexpr int32_t kAdapterPageParams = 0xC42D;

struct SimDevice {
    bool used = false;       // the slot holds a device
    bool present = false;    // listed by the last listing
    bool unplugged = false;  // vanished part-way; back when its line changes
    bool inFile = false;     // named by the device file at the last reading
    DeviceSpec settings{};
    uint8_t reply[kReplyTextBytes] = {};
    std::vector<uint8_t> space;   // the 64 KiB device address space
    std::vector<uint8_t> serial;  // the serial memory
    bool serialDirty = false;
    bool romMode = false;
    // What a run cut short leaves (device_state.cpp): pages committed and
    // none read back since the last commit; whether ROM mode, since it was
    // last entered, has seen a commit; the StartState bits the memory
    // folder's state file holds (-1: none read or written).
    bool firmwareIncomplete = false;
    bool committedSinceRomMode = false;
    int savedState = -1;
    int32_t packets = 0;  // since the last open
    int32_t resets = 0;
    int32_t openHandles = 0;
    uint32_t pairedId = 0;
    uint32_t deviceId = 0;
    int32_t timeoutMs = 1000;
};

struct SimHandle {
    uintptr_t value = 0;
    int device = -1;
    bool open = false;
};

// A replay in progress (replay.cpp): the recording, the next call it
// expects, and where it goes on after a discovery pass the program repeats.
struct ReplayState {
    bool active = false;
    bool diverged = false;
    Recording recording;
    size_t next = 0;
    int64_t resume = -1;
};

struct Simulator {
    std::mutex lock;
    bool initialised = false;
    char deviceFilePath[kTracePathChars] = "sim_devices.txt";
    bool useText = false;
    std::vector<char> deviceText;
    std::vector<char> fileText;  // the device file as last read
    FileLook fileRead{};         // its entry when it was read
    DeviceFile file{};
    SimDevice devices[kDeviceSlots];
    int listing[kMaxDevices] = {};  // slots of the devices in listing order
    int listed = 0;
    SimHandle handles[kHandleSlots];
    uintptr_t nextHandle = 0x4B10;
    uint64_t traceSeq = 0;
    std::FILE* traceFile = nullptr;
    char traceOpenPath[kTracePathChars] = {};
    std::FILE* stampsFile = nullptr;
    char stampsOpenPath[kTracePathChars] = {};
    int32_t callCounts[kDeviceLibraryEntryCount] = {};
    int32_t callsWhileShutDown = 0;
    ReplayState replay;
};

// entry_points.cpp: the entry points as the simulated devices answer them.
namespace simulated {
#define SIM_DECLARE_SIMULATED(name, params, args) int32_t name params;
DEVICE_LIBRARY_ENTRY_POINTS(SIM_DECLARE_SIMULATED)
#undef SIM_DECLARE_SIMULATED
}  // namespace simulated

// replay.cpp: answers the call from the recording the device file names,
// when a replay is on; false when the simulated devices answer it.
bool Replayed(int entry, const CallArg* args, int32_t& status);

// device_table.cpp: the one simulator of the process, its devices by slot
// as the device file lists them, and the handles opened on them.
Simulator& Sim();
void RefreshDevices(Simulator& sim);         // a listing: the file read anew
void RefreshListedSettings(Simulator& sim);  // new settings, same listing
int FindSlot(const Simulator& sim, const char* name);  // -1 when unknown
DeviceHandle NewHandle(Simulator& sim, int device);
SimHandle* FindHandle(Simulator& sim, DeviceHandle value);
void CloseHandle(Simulator& sim, SimHandle& handle);
SimDevice* DeviceFor(Simulator& sim, DeviceHandle value, int32_t& status);

// device_memory.cpp
void PrepareAddressSpace(SimDevice& device);
void LoadPersistedMemory(const Simulator& sim, SimDevice& device);
void SavePersistedMemory(const Simulator& sim, SimDevice& device);
int32_t ExchangePacket(const Simulator& sim, SimDevice& device, const uint8_t* request, uint8_t* response);
void TakeReplyFromMemory(SimDevice& device);

// device_state.cpp: what a run cut short leaves in a device, kept in the
// memory folder beside its serial memory: firmware half-written, ROM mode.
void ApplyStartState(SimDevice& device, uint32_t state);
void LoadPersistedState(const Simulator& sim, SimDevice& device);
void SavePersistedState(const Simulator& sim, SimDevice& device);
void RomModeEntered(const Simulator& sim, SimDevice& device);
void PageCommitted(const Simulator& sim, SimDevice& device);
void PageFetched(const Simulator& sim, SimDevice& device);
void DeviceReset(const Simulator& sim, SimDevice& device);
void PullOut(const Simulator& sim, SimDevice& device);
// The 18 bytes the device answers the version query with from reply byte 6.
void AnsweredReply(const SimDevice& device, uint8_t* out);

// trace.cpp: one line per call, built piece by piece, and the time the
// call began, in microseconds on the monotonic clock.
struct TraceLine {
    char text[1024];
    size_t used;
    uint64_t startMicros;
};
void TraceBegin(TraceLine& line, const char* entry);
void TraceInt(TraceLine& line, const char* key, int64_t value);
void TraceHex(TraceLine& line, const char* key, uint64_t value);
void TraceBytes(TraceLine& line, const char* key, const void* bytes, size_t count);
// Writes the line to the trace, and its time to the stamps file when
// `stamped` (every call but the packets, which would flood it).
void TraceEnd(Simulator& sim, TraceLine& line, int32_t status, bool stamped);
// Writes a line of its own to the trace, such as a replay's divergence.
void TraceNote(Simulator& sim, const char* text);
void CloseTrace(Simulator& sim);
void CloseStamps(Simulator& sim);

}  // namespace sim
