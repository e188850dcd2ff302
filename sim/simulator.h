// The device simulator: it stands in for the closed device-access library,
// behind the same 22 entry points, so that the updater can be built, run and
// tested without hardware. Each simulated device has a 64 KiB device address
// space (its kind byte, identity bytes, page parameters and staging area) and
// a serial memory of 192 pages of 1 KiB; the devices attached are described
// by the device file, re-read at every listing.
//
// Built into the loadable library hostapi_vmi.dll (exports.cpp) and linked
// directly into tests, which drive it through SimulatorLibrary().
#pragma once

#include <cstdint>

#include "device/device_library.h"

namespace sim {

inline constexpr char kDefaultDeviceFile[] = "sim_devices.txt";
inline constexpr int kAddressSpaceBytes = 0x10000;
inline constexpr int kSerialMemoryBytes = 192 * 1024;

// The entry points, with the library's own names and types.
#define SIM_DECLARE_ENTRY(name, params, args) int32_t name params;
DEVICE_LIBRARY_ENTRY_POINTS(SIM_DECLARE_ENTRY)
#undef SIM_DECLARE_ENTRY

// A table of the simulator's entry points, for tests that use it in-process.
DeviceLibrary SimulatorLibrary();

// --- Control from tests ---

// Forgets every device, handle and setting, and reads the device file at
// `path` (relative to the working folder) from now on.
void Reset(const char* deviceFilePath = kDefaultDeviceFile);
// Uses `text` instead of a device file, re-parsed at every listing as a file
// would be. Null returns to the device file.
void UseDeviceText(const char* text);
// The program that opened handles ended without closing them: the system
// closes them, with no reset, and each device stays as it was left (in ROM
// mode, half-written).
void EndProcess();

// What a test can see of a device (by name). False when it is not known.
struct DeviceStatus {
    bool present;           // listed by the last listing and not unplugged
    bool inRomMode;
    bool firmwareIncomplete;  // half-written: pages committed, none read back since
    int32_t openHandles;
    int32_t packets;        // packets since the last open
    int32_t resets;
    uint8_t reply[18];      // what it answers to the version query now
};
bool InspectDevice(const char* name, DeviceStatus& out);
// Copies `count` bytes of a device's serial memory from `address`.
bool ReadSerialMemory(const char* name, int32_t address, int32_t count, uint8_t* out);
// Counts the calls of each entry point since the last Reset, by name.
int32_t CallCount(const char* entryPoint);
// The number of handles opened and not closed, across all devices.
int32_t OpenHandleCount();

}  // namespace sim
