// What a run cut short leaves in a simulated device. Committing a page in
// ROM mode starts rewriting the firmware; it runs whole again only once a
// page is read back after the last commit of that ROM-mode session, which
// the updater does only after every page is programmed. Until then, and
// while the device sits in ROM mode, it answers the version query with
// zeros, which the updater does not recognise. Both states are kept in the
// memory folder, so a program killed mid-run leaves them to the next one.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "sim/sim_internal.h"

namespace sim {
namespace {

uint32_t StateBits(const SimDevice& device) {
    return (device.firmwareIncomplete ? StartInterrupted : 0u) | (device.romMode ? StartRomMode : 0u);
}

void StatePath(const Simulator& sim, const SimDevice& device, char* out, size_t size) {
    std::snprintf(out, size, "%s/%s.state", sim.file.memoryFolder, device.settings.name);
}

}  // namespace

void ApplyStartState(SimDevice& device, uint32_t state) {
    if ((state & StartInterrupted) != 0) device.firmwareIncomplete = true;
    if ((state & StartRomMode) != 0) device.romMode = true;
    device.committedSinceRomMode = false;
}

// A state file, even an empty one, overrides the device file's `state=`:
// a restart must not interrupt again a device that a run made whole.
void LoadPersistedState(const Simulator& sim, SimDevice& device) {
    if (sim.file.memoryFolder[0] == '\0') return;
    char path[2 * kTracePathChars];
    StatePath(sim, device, path, sizeof path);
    std::FILE* in = std::fopen(path, "rb");
    if (in == nullptr) return;
    char text[64] = {};
    std::fread(text, 1, sizeof text - 1, in);
    std::fclose(in);
    device.firmwareIncomplete = std::strstr(text, "interrupted") != nullptr;
    device.romMode = std::strstr(text, "rommode") != nullptr;
    device.committedSinceRomMode = false;
    device.savedState = static_cast<int>(StateBits(device));
}

// Written at each change, not at close: a killed program closes nothing.
void SavePersistedState(const Simulator& sim, SimDevice& device) {
    const int state = static_cast<int>(StateBits(device));
    if (sim.file.memoryFolder[0] == '\0' || state == device.savedState) return;
    std::error_code ignored;
    std::filesystem::create_directories(sim.file.memoryFolder, ignored);
    char path[2 * kTracePathChars];
    StatePath(sim, device, path, sizeof path);
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return;  // the state then lives in this process only
    std::fprintf(out, "%s%s\n", device.firmwareIncomplete ? "interrupted " : "", device.romMode ? "rommode" : "");
    std::fclose(out);
    device.savedState = state;
}

void RomModeEntered(const Simulator& sim, SimDevice& device) {
    device.romMode = true;
    device.committedSinceRomMode = false;
    SavePersistedState(sim, device);
}

void PageCommitted(const Simulator& sim, SimDevice& device) {
    device.firmwareIncomplete = true;
    device.committedSinceRomMode = true;
    SavePersistedState(sim, device);
}

// A read-back before any commit of this session (a verify of a half-written
// device) proves nothing about the firmware.
void PageFetched(const Simulator& sim, SimDevice& device) {
    if (!device.committedSinceRomMode || !device.firmwareIncomplete) return;
    device.firmwareIncomplete = false;
    SavePersistedState(sim, device);
}

// Leaves ROM mode; firmware written whole starts and reports its stamp.
void DeviceReset(const Simulator& sim, SimDevice& device) {
    device.romMode = false;
    device.committedSinceRomMode = false;
    ++device.resets;
    if (!device.firmwareIncomplete) TakeReplyFromMemory(device);
    SavePersistedState(sim, device);
}

// Pulled out: power goes, and ROM mode with it; serial memory stays.
void PullOut(const Simulator& sim, SimDevice& device) {
    device.unplugged = true;
    device.present = false;
    device.romMode = false;
    device.committedSinceRomMode = false;
    SavePersistedState(sim, device);
}

void AnsweredReply(const SimDevice& device, uint8_t* out) {
    if (device.romMode || device.firmwareIncomplete) {
        std::memset(out, 0, kReplyTextBytes);
    } else {
        std::memcpy(out, device.reply, kReplyTextBytes);
    }
}

}  // namespace sim
