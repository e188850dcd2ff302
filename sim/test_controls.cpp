// How tests drive the simulator in-process: a fresh start, device text in
// place of the file, and a look at each device's state, memory and calls.
#include <cstdio>
#include <cstring>

#include "sim/sim_internal.h"

namespace sim {

DeviceLibrary SimulatorLibrary() {
    DeviceLibrary library;
#define SIM_FILL_ENTRY(name, params, args) library.name = &sim::name;
    DEVICE_LIBRARY_ENTRY_POINTS(SIM_FILL_ENTRY)
#undef SIM_FILL_ENTRY
    return library;
}

void Reset(const char* deviceFilePath) {
    Simulator& sim = Sim();
    std::lock_guard<std::mutex> guard(sim.lock);
    CloseTrace(sim);
    CloseStamps(sim);
    sim.initialised = false;
    std::snprintf(sim.deviceFilePath, sizeof sim.deviceFilePath, "%s", deviceFilePath);
    sim.useText = false;
    sim.deviceText.clear();
    sim.fileText.clear();
    sim.fileRead = FileLook{};
    sim.file = DeviceFile{};
    for (SimDevice& device : sim.devices) device = SimDevice{};
    for (SimHandle& handle : sim.handles) handle = SimHandle{};
    sim.listed = 0;
    sim.traceSeq = 0;
    std::memset(sim.callCounts, 0, sizeof sim.callCounts);
    sim.callsWhileShutDown = 0;
    sim.replay = ReplayState{};
}

void EndProcess() {
    Simulator& sim = Sim();
    std::lock_guard<std::mutex> guard(sim.lock);
    for (SimHandle& handle : sim.handles) {
        if (handle.open) CloseHandle(sim, handle);
    }
}

void UseDeviceText(const char* text) {
    Simulator& sim = Sim();
    std::lock_guard<std::mutex> guard(sim.lock);
    sim.useText = text != nullptr;
    sim.deviceText.assign(text != nullptr ? text : "", text != nullptr ? text + std::strlen(text) : nullptr);
}

bool InspectDevice(const char* name, DeviceStatus& out) {
    Simulator& sim = Sim();
    std::lock_guard<std::mutex> guard(sim.lock);
    const int slot = FindSlot(sim, name);
    if (slot < 0) return false;
    const SimDevice& device = sim.devices[slot];
    out.present = device.present;
    out.inRomMode = device.romMode;
    out.openHandles = device.openHandles;
    out.packets = device.packets;
    out.resets = device.resets;
    out.firmwareIncomplete = device.firmwareIncomplete;
    AnsweredReply(device, out.reply);
    return true;
}

bool ReadSerialMemory(const char* name, int32_t address, int32_t count, uint8_t* out) {
    Simulator& sim = Sim();
    std::lock_guard<std::mutex> guard(sim.lock);
    const int slot = FindSlot(sim, name);
    if (slot < 0 || address < 0 || count < 0 || address + count > kSerialMemoryBytes) return false;
    const SimDevice& device = sim.devices[slot];
    for (int32_t i = 0; i < count; ++i) {
        out[i] = device.serial.empty() ? 0xFF : device.serial[static_cast<size_t>(address + i)];
    }
    return true;
}

int32_t CallCount(const char* entryPoint) {
    Simulator& sim = Sim();
    std::lock_guard<std::mutex> guard(sim.lock);
    for (int i = 0; i < kDeviceLibraryEntryCount; ++i) {
        if (std::strcmp(kEntryNames[i], entryPoint) == 0) return sim.callCounts[i];
    }
    return 0;
}

int32_t OpenHandleCount() {
    Simulator& sim = Sim();
    std::lock_guard<std::mutex> guard(sim.lock);
    int32_t open = 0;
    for (const SimHandle& handle : sim.handles) open += handle.open ? 1 : 0;
    return open;
}

}  // namespace sim
