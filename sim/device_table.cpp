// The simulator's table of attached devices: slots that follow a device by
// name across edits of the device file, and the handles opened on them.
#include <cstdio>
#include <cstring>

#include "sim/sim_internal.h"

namespace sim {

Simulator& Sim() {
    static Simulator simulator;
    return simulator;
}

namespace {

// --- The device file ---

// A file written again within the same tick of its file system's clock
// keeps its time stamp; a file read that soon after its last write is read
// again until it has been quiet this long.
constexpr int64_t kQuietNs = 2000000000;

bool FileTextIsCurrent(const Simulator& sim, const FileLook& look) {
    const FileLook& read = sim.fileRead;
    return read.size == look.size && read.writtenNs == look.writtenNs && read.nowNs - read.writtenNs > kQuietNs;
}

// Listings come ten times a second; the file is read only when it changed.
void ReadDeviceFile(Simulator& sim) {
    FileLook look;
    if (!LookAtFile(sim.deviceFilePath, look)) {
        sim.fileText.clear();
        sim.fileRead = FileLook{};
        return;
    }
    if (FileTextIsCurrent(sim, look)) return;
    sim.fileText.clear();
    sim.fileRead = look;
    if (std::FILE* in = std::fopen(sim.deviceFilePath, "rb")) {
        char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0 && sim.fileText.size() < 65536) {
            sim.fileText.insert(sim.fileText.end(), chunk, chunk + got);
        }
        std::fclose(in);
    }
}

void ReadDeviceText(Simulator& sim, std::vector<char>& text) {
    if (sim.useText) {
        text = sim.deviceText;
    } else {
        ReadDeviceFile(sim);
        text = sim.fileText;
    }
    text.push_back('\0');
}

}  // namespace

// --- Slots ---

int FindSlot(const Simulator& sim, const char* name) {
    for (int i = 0; i < kDeviceSlots; ++i) {
        if (sim.devices[i].used && std::strcmp(sim.devices[i].settings.name, name) == 0) return i;
    }
    return -1;
}

namespace {

// A free slot, or the slot of a device that is no longer in the file.
int TakeSlot(Simulator& sim) {
    for (int i = 0; i < kDeviceSlots; ++i) {
        if (!sim.devices[i].used) return i;
    }
    for (int i = 0; i < kDeviceSlots; ++i) {
        SimDevice& device = sim.devices[i];
        if (!device.present && device.openHandles == 0) {
            SavePersistedMemory(sim, device);
            device = SimDevice{};
            return i;
        }
    }
    return -1;
}

// A device's line changed: new settings. A new reply in the file replaces
// the one its firmware gave it; a new `state=` puts it in that state.
void TakeSettings(const Simulator& sim, SimDevice& device, const DeviceSpec& settings) {
    if (std::memcmp(device.settings.reply, settings.reply, sizeof settings.reply) != 0) {
        std::memcpy(device.reply, settings.reply, sizeof device.reply);
    }
    const bool newState = settings.startState != 0 && settings.startState != device.settings.startState;
    device.settings = settings;
    PrepareAddressSpace(device);
    if (newState) {
        ApplyStartState(device, settings.startState);
        SavePersistedState(sim, device);
    }
}

void AttachDevice(Simulator& sim, const DeviceSpec& settings) {
    int slot = FindSlot(sim, settings.name);
    if (slot < 0) {
        slot = TakeSlot(sim);
        if (slot < 0) return;
        SimDevice& fresh = sim.devices[slot];
        fresh.used = true;
        fresh.settings = settings;
        std::memcpy(fresh.reply, settings.reply, sizeof fresh.reply);
        PrepareAddressSpace(fresh);
        ApplyStartState(fresh, settings.startState);
        LoadPersistedMemory(sim, fresh);
        LoadPersistedState(sim, fresh);
    }
    SimDevice& device = sim.devices[slot];
    // Back in the file after it was taken out: plugged in again.
    if (!device.inFile) device.unplugged = false;
    device.inFile = true;
    if (std::memcmp(&device.settings, &settings, sizeof settings) != 0) {
        // An edited line plugs the device in again and takes the new settings.
        TakeSettings(sim, device, settings);
        device.unplugged = false;
    }
    device.present = !device.unplugged;
    if (device.present && sim.listed < kMaxDevices) sim.listing[sim.listed++] = slot;
}

}  // namespace

// Takes the file's current settings for the devices already listed, keeping
// the listing itself: a fault set or cleared while the updater waits on a
// result screen applies to the next run, which finds the device again
// without listing.
void RefreshListedSettings(Simulator& sim) {
    std::vector<char> text;
    ReadDeviceText(sim, text);
    DeviceFile parsed;
    ParseDeviceFile(text.data(), parsed);
    for (int i = 0; i < parsed.deviceCount; ++i) {
        const int slot = FindSlot(sim, parsed.devices[i].name);
        if (slot < 0 || !sim.devices[slot].present) continue;
        SimDevice& device = sim.devices[slot];
        if (std::memcmp(&device.settings, &parsed.devices[i], sizeof device.settings) == 0) continue;
        TakeSettings(sim, device, parsed.devices[i]);
    }
}

void RefreshDevices(Simulator& sim) {
    std::vector<char> text;
    ReadDeviceText(sim, text);
    DeviceFile parsed;
    ParseDeviceFile(text.data(), parsed);
    sim.file.listFails = parsed.listFails;
    sim.file.initFails = parsed.initFails;
    std::memcpy(sim.file.tracePath, parsed.tracePath, sizeof parsed.tracePath);
    std::memcpy(sim.file.stampsPath, parsed.stampsPath, sizeof parsed.stampsPath);
    std::memcpy(sim.file.memoryFolder, parsed.memoryFolder, sizeof parsed.memoryFolder);
    std::memcpy(sim.file.replayPath, parsed.replayPath, sizeof parsed.replayPath);
    for (SimDevice& device : sim.devices) {
        device.present = false;
        device.inFile = false;
    }
    sim.listed = 0;
    for (int i = 0; i < parsed.deviceCount; ++i) AttachDevice(sim, parsed.devices[i]);
    // A device taken out of the file is pulled out: a handle still open on
    // it answers that it is gone, never on behalf of a device plugged since.
    for (SimDevice& device : sim.devices) {
        if (device.used && !device.inFile) PullOut(sim, device);
    }
}

// --- Handles ---

DeviceHandle NewHandle(Simulator& sim, int device) {
    for (SimHandle& handle : sim.handles) {
        if (handle.open) continue;
        handle.value = sim.nextHandle;
        sim.nextHandle += 0x10;
        handle.device = device;
        handle.open = true;
        ++sim.devices[device].openHandles;
        return reinterpret_cast<DeviceHandle>(handle.value);
    }
    return nullptr;
}

SimHandle* FindHandle(Simulator& sim, DeviceHandle value) {
    for (SimHandle& handle : sim.handles) {
        if (handle.open && handle.value == reinterpret_cast<uintptr_t>(value)) return &handle;
    }
    return nullptr;
}

void CloseHandle(Simulator& sim, SimHandle& handle) {
    SimDevice& device = sim.devices[handle.device];
    handle.open = false;
    if (--device.openHandles == 0) SavePersistedMemory(sim, device);
}

// The device behind an open handle, or null with `status` set.
SimDevice* DeviceFor(Simulator& sim, DeviceHandle value, int32_t& status) {
    SimHandle* handle = FindHandle(sim, value);
    if (handle == nullptr) {
        status = StatusBadHandle;
        return nullptr;
    }
    SimDevice& device = sim.devices[handle->device];
    if (device.unplugged) {
        status = StatusGone;
        return nullptr;
    }
    return &device;
}

}  // namespace sim
