// The simulator's entry points: devices come from the device file at each
// listing; handles are opaque values that are looked up, never dereferenced.
#include "sim/simulator.h"

#include <cstring>

#include "sim/sim_internal.h"

namespace sim {
namespace {

// Every entry point begins here: takes the lock, counts the call and
// refuses it while the library is not initialised.
struct Call {
    Simulator& sim;
    std::lock_guard<std::mutex> guard;
    TraceLine line;
    EntryIndex index;
    Call(EntryIndex entry) : sim(Sim()), guard(sim.lock), index(entry) {
        ++sim.callCounts[index];
        TraceBegin(line, kEntryNames[index]);
    }
    bool Refused() {
        if (sim.initialised) return false;
        ++sim.callsWhileShutDown;
        return true;
    }
    int32_t End(int32_t status) {
        TraceEnd(sim, line, status, index != Index_commandSendAndGetResponse);
        return status;
    }
};

// The common form of the entry points that only take a handle.
template <typename Action>
int32_t HandleCall(EntryIndex index, DeviceHandle handle, uint32_t fault, Action action) {
    Call call(index);
    TraceHex(call.line, "handle", reinterpret_cast<uintptr_t>(handle));
    if (call.Refused()) return call.End(StatusNotInitialised);
    int32_t status = 0;
    SimDevice* device = DeviceFor(call.sim, handle, status);
    if (device == nullptr) return call.End(status);
    if ((device->settings.faults & fault) != 0) return call.End(StatusFault);
    action(*device);
    return call.End(device->settings.okStatus);
}

}  // namespace

// --- The entry points, as the simulated devices answer them (replay.cpp
// answers from a recording instead when the device file names one) ---

namespace simulated {

// Reads the device file at once, so that its trace setting covers the
// library's whole life.
int32_t AvDllInitialize(void) {
    Call call(Index_AvDllInitialize);
    RefreshDevices(call.sim);
    call.sim.initialised = !call.sim.file.initFails;
    return call.End(call.sim.initialised ? 0 : StatusFault);
}

int32_t AvDllListDevices(int32_t selector, int32_t maximum, uint8_t* shortIds, uint32_t* productIds) {
    Call call(Index_AvDllListDevices);
    TraceInt(call.line, "selector", selector);
    TraceInt(call.line, "maximum", maximum);
    if (call.Refused()) return call.End(StatusNotInitialised);
    Simulator& sim = call.sim;
    RefreshDevices(sim);
    if (sim.file.listFails) return call.End(StatusFault);
    const int count = sim.listed < maximum ? sim.listed : (maximum > 0 ? maximum : 0);
    for (int i = 0; i < count; ++i) {
        const uint32_t id = sim.devices[sim.listing[i]].settings.productId;
        if (productIds != nullptr) productIds[i] = id;
        if (shortIds != nullptr && i < kListShortIdBytes / 2) {
            shortIds[2 * i] = static_cast<uint8_t>(id);
            shortIds[2 * i + 1] = static_cast<uint8_t>(id >> 8);
        }
    }
    TraceBytes(call.line, "productIds", productIds, sizeof(uint32_t) * static_cast<size_t>(count));
    return call.End(count);
}

int32_t AvDllFindDevice(int32_t mode, DeviceQuery* query, int32_t* foundIndex) {
    Call call(Index_AvDllFindDevice);
    TraceInt(call.line, "mode", mode);
    if (query != nullptr) TraceHex(call.line, "productId", query->productId);
    if (call.Refused()) return call.End(StatusNotInitialised);
    if (query == nullptr || foundIndex == nullptr) return call.End(StatusBadCommand);
    Simulator& sim = call.sim;
    RefreshListedSettings(sim);
    for (int i = 0; i < sim.listed; ++i) {
        const SimDevice& device = sim.devices[sim.listing[i]];
        if (device.settings.productId != query->productId || !device.present) continue;
        if ((device.settings.faults & FailFind) != 0) return call.End(StatusFault);
        *foundIndex = i;
        TraceInt(call.line, "foundIndex", i);
        return call.End(device.settings.okStatus);
    }
    return call.End(StatusFault);
}

int32_t AvDllOpenDevice(DeviceQuery* query, int32_t index, DeviceHandle* handle) {
    Call call(Index_AvDllOpenDevice);
    TraceInt(call.line, "index", index);
    if (call.Refused()) return call.End(StatusNotInitialised);
    Simulator& sim = call.sim;
    if (query == nullptr || handle == nullptr || index < 0 || index >= sim.listed) return call.End(StatusBadCommand);
    const int slot = sim.listing[index];
    SimDevice& device = sim.devices[slot];
    if (!device.present || device.settings.productId != query->productId) return call.End(StatusGone);
    if ((device.settings.faults & FailOpen) != 0) return call.End(StatusFault);
    const DeviceHandle opened = NewHandle(sim, slot);
    if (opened == nullptr) return call.End(StatusFault);
    *handle = opened;
    device.packets = 0;
    TraceHex(call.line, "handle", reinterpret_cast<uintptr_t>(opened));
    return call.End(device.settings.okStatus);
}

int32_t RemotePeek(DeviceHandle handle, int32_t space, int32_t address, int32_t count, void* destination) {
    Call call(Index_RemotePeek);
    TraceHex(call.line, "handle", reinterpret_cast<uintptr_t>(handle));
    TraceInt(call.line, "space", space);
    TraceHex(call.line, "address", static_cast<uint32_t>(address));
    TraceInt(call.line, "count", count);
    if (call.Refused()) return call.End(StatusNotInitialised);
    int32_t status = 0;
    SimDevice* device = DeviceFor(call.sim, handle, status);
    if (device == nullptr) return call.End(status);
    const uint32_t fault = address == kKindAddress ? FailKindPeek : FailPeek;
    if ((device->settings.faults & fault) != 0) return call.End(StatusFault);
    if (destination == nullptr || address < 0 || count < 0 || address + count > kAddressSpaceBytes) {
        return call.End(StatusOutOfRange);
    }
    std::memcpy(destination, &device->space[static_cast<size_t>(address)], static_cast<size_t>(count));
    TraceBytes(call.line, "bytes", destination, static_cast<size_t>(count));
    return call.End(device->settings.okStatus);
}

// Fills 16 bytes: product id, kind and the first 8 characters of the name.
int32_t AvDllQueryDevice(DeviceHandle handle, uint8_t* info) {
    return HandleCall(Index_AvDllQueryDevice, handle, 0, [&](SimDevice& device) {
        if (info == nullptr) return;
        std::memset(info, 0, 16);
        std::memcpy(info, &device.settings.productId, 4);
        std::memcpy(info + 4, &device.settings.kind, 4);
        std::memcpy(info + 8, device.settings.name, 8);
    });
}

int32_t systemDeviceIdGet(DeviceHandle handle, uint32_t* deviceId) {
    return HandleCall(Index_systemDeviceIdGet, handle, 0, [&](SimDevice& device) {
        if (deviceId != nullptr) *deviceId = device.deviceId;
    });
}

int32_t systemDeviceIdSet(DeviceHandle handle, uint32_t deviceId) {
    return HandleCall(Index_systemDeviceIdSet, handle, 0, [&](SimDevice& device) { device.deviceId = deviceId; });
}

int32_t systemPairedArbDeviceIdSet(DeviceHandle handle, uint32_t deviceId) {
    return HandleCall(Index_systemPairedArbDeviceIdSet, handle, 0,
                      [&](SimDevice& device) { device.pairedId = deviceId; });
}

int32_t systemDeviceIdsCommit(DeviceHandle handle) {
    return HandleCall(Index_systemDeviceIdsCommit, handle, 0, [](SimDevice&) {});
}

int32_t SerialMemErase(DeviceHandle handle) {
    return HandleCall(Index_SerialMemErase, handle, 0, [](SimDevice& device) {
        device.serial.assign(kSerialMemoryBytes, 0xFF);
        device.serialDirty = true;
    });
}

int32_t commandGetTimeout(DeviceHandle handle, int32_t* milliseconds) {
    return HandleCall(Index_commandGetTimeout, handle, 0, [&](SimDevice& device) {
        if (milliseconds != nullptr) *milliseconds = device.timeoutMs;
    });
}

int32_t commandSetTimeout(DeviceHandle handle, int32_t milliseconds) {
    return HandleCall(Index_commandSetTimeout, handle, 0,
                      [&](SimDevice& device) { device.timeoutMs = milliseconds; });
}

int32_t commandSend(DeviceHandle handle, const uint8_t* request) {
    Call call(Index_commandSend);
    TraceHex(call.line, "handle", reinterpret_cast<uintptr_t>(handle));
    TraceBytes(call.line, "request", request, kPacketBytes);
    if (call.Refused()) return call.End(StatusNotInitialised);
    int32_t status = 0;
    SimDevice* device = DeviceFor(call.sim, handle, status);
    if (device == nullptr || request == nullptr) return call.End(device == nullptr ? status : StatusBadCommand);
    uint8_t ignored[kPacketBytes];
    return call.End(ExchangePacket(call.sim, *device, request, ignored));
}

int32_t commandSendAndGetResponse(DeviceHandle handle, const uint8_t* request, uint8_t* response) {
    Call call(Index_commandSendAndGetResponse);
    TraceHex(call.line, "handle", reinterpret_cast<uintptr_t>(handle));
    TraceBytes(call.line, "request", request, kPacketBytes);
    if (call.Refused()) return call.End(StatusNotInitialised);
    int32_t status = 0;
    SimDevice* device = DeviceFor(call.sim, handle, status);
    if (device == nullptr || request == nullptr || response == nullptr) {
        return call.End(device == nullptr ? status : StatusBadCommand);
    }
    status = ExchangePacket(call.sim, *device, request, response);
    TraceBytes(call.line, "response", response, kPacketBytes);
    return call.End(status);
}

// Puts the device into ROM mode and hands back a new handle for it.
int32_t SerialMemEnterFlashMode(DeviceHandle* handle) {
    Call call(Index_SerialMemEnterFlashMode);
    if (handle != nullptr) TraceHex(call.line, "handle", reinterpret_cast<uintptr_t>(*handle));
    if (call.Refused()) return call.End(StatusNotInitialised);
    if (handle == nullptr) return call.End(StatusBadCommand);
    Simulator& sim = call.sim;
    SimHandle* old = FindHandle(sim, *handle);
    if (old == nullptr) return call.End(StatusBadHandle);
    SimDevice& device = sim.devices[old->device];
    if (device.unplugged) return call.End(StatusGone);
    if ((device.settings.faults & FailRomMode) != 0) return call.End(StatusFault);
    const int slot = old->device;
    ++device.openHandles;  // keeps the memory from being saved between the two handles
    CloseHandle(sim, *old);
    const DeviceHandle replacement = NewHandle(sim, slot);
    --device.openHandles;
    if (replacement == nullptr) return call.End(StatusFault);
    *handle = replacement;
    RomModeEntered(sim, device);
    TraceHex(call.line, "newHandle", reinterpret_cast<uintptr_t>(replacement));
    return call.End(device.settings.okStatus);
}

int32_t SerialMemWrite(DeviceHandle handle, int32_t address, int32_t count, const uint8_t* data) {
    int32_t result = 0;
    const int32_t status = HandleCall(Index_SerialMemWrite, handle, 0, [&](SimDevice& device) {
        if (data == nullptr || address < 0 || count < 0 || address + count > kSerialMemoryBytes) {
            result = StatusOutOfRange;
            return;
        }
        if (device.serial.empty()) device.serial.assign(kSerialMemoryBytes, 0xFF);
        std::memcpy(&device.serial[static_cast<size_t>(address)], data, static_cast<size_t>(count));
        device.serialDirty = true;
    });
    return result != 0 ? result : status;
}

int32_t SerialMemProgram(DeviceHandle handle) {
    return HandleCall(Index_SerialMemProgram, handle, 0, [](SimDevice&) {});
}

int32_t SerialMemVerify(DeviceHandle handle, int32_t address, int32_t count, const uint8_t* data) {
    int32_t result = 0;
    const int32_t status = HandleCall(Index_SerialMemVerify, handle, 0, [&](SimDevice& device) {
        if (data == nullptr || address < 0 || count < 0 || address + count > kSerialMemoryBytes ||
            device.serial.empty() ||
            std::memcmp(&device.serial[static_cast<size_t>(address)], data, static_cast<size_t>(count)) != 0) {
            result = StatusMismatch;
        }
    });
    return result != 0 ? result : status;
}

// Leaves ROM mode and starts the firmware in serial memory, whose stamp
// (when it carries one) is the version the device reports from now on,
// unless the firmware was left half-written. Any handle on the device
// resets it, also one opened by a later program.
int32_t systemReset(DeviceHandle handle) {
    return HandleCall(Index_systemReset, handle, FailReset, [](SimDevice& device) { DeviceReset(Sim(), device); });
}

// Closing leaves the device as it is, even in ROM mode: a handle gone
// without a reset is a program that stopped short.
int32_t AvDllCloseHandle(DeviceHandle handle) {
    Call call(Index_AvDllCloseHandle);
    TraceHex(call.line, "handle", reinterpret_cast<uintptr_t>(handle));
    if (call.Refused()) return call.End(StatusNotInitialised);
    SimHandle* open = FindHandle(call.sim, handle);
    if (open == nullptr) return call.End(StatusBadHandle);
    const DeviceSpec& settings = call.sim.devices[open->device].settings;
    const int32_t status = (settings.faults & FailClose) != 0 ? StatusFault : settings.okStatus;
    CloseHandle(call.sim, *open);
    return call.End(status);
}

int32_t AvDllShutdown(void) {
    Call call(Index_AvDllShutdown);
    if (call.Refused()) return call.End(StatusNotInitialised);
    Simulator& sim = call.sim;
    for (SimHandle& handle : sim.handles) {
        if (handle.open) CloseHandle(sim, handle);
    }
    for (SimDevice& device : sim.devices) {
        if (device.used) SavePersistedMemory(sim, device);
    }
    sim.initialised = false;
    const int32_t status = call.End(0);
    CloseTrace(sim);
    CloseStamps(sim);
    return status;
}

}  // namespace simulated
}  // namespace sim
