// The device-access library's 22 entry points, in the order they are bound.
// This is the one list that names them: the function table, the loader, the
// simulator's exports and its export tables are all expanded from it, so the
// program and the simulator cannot drift apart.
#pragma once

#include <cstdint>

extern "C" {

// An open device as the library hands it out; pointer-sized and opaque.
typedef void* DeviceHandle;

// The record through which a device is found and opened.
struct DeviceQuery {
    int32_t selector;    // nothing in the program sets it; stays 0
    uint32_t productId;  // the product id to find
};

}  // extern "C"

// Every entry point returns a signed 32-bit status (negative is a failure).
// X(name, parameter list, argument names); one entry per line, as the build
// reads the names from this file.
// clang-format off
#define DEVICE_LIBRARY_ENTRY_POINTS(X) \
  X(AvDllInitialize, (void), ()) \
  X(AvDllListDevices, (int32_t selector, int32_t maximum, uint8_t* shortIds, uint32_t* productIds), (selector, maximum, shortIds, productIds)) \
  X(AvDllFindDevice, (int32_t mode, DeviceQuery* query, int32_t* foundIndex), (mode, query, foundIndex)) \
  X(AvDllOpenDevice, (DeviceQuery* query, int32_t index, DeviceHandle* handle), (query, index, handle)) \
  X(RemotePeek, (DeviceHandle handle, int32_t space, int32_t address, int32_t count, void* destination), (handle, space, address, count, destination)) \
  X(AvDllQueryDevice, (DeviceHandle handle, uint8_t* info), (handle, info)) \
  X(systemDeviceIdGet, (DeviceHandle handle, uint32_t* deviceId), (handle, deviceId)) \
  X(systemDeviceIdSet, (DeviceHandle handle, uint32_t deviceId), (handle, deviceId)) \
  X(systemPairedArbDeviceIdSet, (DeviceHandle handle, uint32_t deviceId), (handle, deviceId)) \
  X(systemDeviceIdsCommit, (DeviceHandle handle), (handle)) \
  X(SerialMemErase, (DeviceHandle handle), (handle)) \
  X(commandGetTimeout, (DeviceHandle handle, int32_t* milliseconds), (handle, milliseconds)) \
  X(commandSetTimeout, (DeviceHandle handle, int32_t milliseconds), (handle, milliseconds)) \
  X(commandSend, (DeviceHandle handle, const uint8_t* request), (handle, request)) \
  X(commandSendAndGetResponse, (DeviceHandle handle, const uint8_t* request, uint8_t* response), (handle, request, response)) \
  X(SerialMemEnterFlashMode, (DeviceHandle* handle), (handle)) \
  X(SerialMemWrite, (DeviceHandle handle, int32_t address, int32_t count, const uint8_t* data), (handle, address, count, data)) \
  X(SerialMemProgram, (DeviceHandle handle), (handle)) \
  X(SerialMemVerify, (DeviceHandle handle, int32_t address, int32_t count, const uint8_t* data), (handle, address, count, data)) \
  X(systemReset, (DeviceHandle handle), (handle)) \
  X(AvDllCloseHandle, (DeviceHandle handle), (handle)) \
  X(AvDllShutdown, (void), ())
// clang-format on

// The function type of each entry point: AvDllInitializeFn, AvDllListDevicesFn, ...
#define DEVICE_LIBRARY_DECLARE_TYPE(name, params, args) using name##Fn = int32_t params;
DEVICE_LIBRARY_ENTRY_POINTS(DEVICE_LIBRARY_DECLARE_TYPE)
#undef DEVICE_LIBRARY_DECLARE_TYPE

inline constexpr int kDeviceLibraryEntryCount = 22;

// The entry points by their place in the list, which numbers them wherever
// calls are counted, traced, recorded or replayed.
enum EntryIndex {
#define DEVICE_LIBRARY_ENTRY_INDEX(name, params, args) Index_##name,
    DEVICE_LIBRARY_ENTRY_POINTS(DEVICE_LIBRARY_ENTRY_INDEX)
#undef DEVICE_LIBRARY_ENTRY_INDEX
};

inline constexpr const char* const kEntryNames[] = {
#define DEVICE_LIBRARY_ENTRY_NAME(name, params, args) #name,
    DEVICE_LIBRARY_ENTRY_POINTS(DEVICE_LIBRARY_ENTRY_NAME)
#undef DEVICE_LIBRARY_ENTRY_NAME
};
static_assert(sizeof kEntryNames / sizeof kEntryNames[0] == kDeviceLibraryEntryCount);

// Buffer sizes fixed by the library's contracts.
inline constexpr int kMaxListedDevices = 10;  // AvDllListDevices maximum
inline constexpr int kListShortIdBytes = 20;  // the second, unread listing array
inline constexpr int kPacketBytes = 24;       // every request and reply buffer
