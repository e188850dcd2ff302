#include "tests/support/recording_library.h"

#include <atomic>

#include "sim/simulator.h"

namespace recording {
namespace {

std::vector<Call> calls;
std::map<int, int32_t> overrides;
std::map<int, std::function<void()>> actions;
std::map<std::string, std::function<void()>> nextCallActions;
std::function<void(const char*)> everyCallAction;
struct Swallowed {
    int first = 0, last = -1;
    int32_t status = 0;
} swallowed;
int packets = 0;
std::atomic<bool> severed{false};
constexpr int32_t kSeveredStatus = -1;

// Runs what a test asked to happen just before `entry` is called.
void Before(const char* entry) {
    if (everyCallAction) everyCallAction(entry);
    auto found = nextCallActions.find(entry);
    if (found == nextCallActions.end()) return;
    std::function<void()> action = std::move(found->second);
    nextCallActions.erase(found);
    action();
}

int32_t Note(const char* entry, int32_t status, const uint8_t* request = nullptr) {
    Call call{entry, {}, status};
    if (request != nullptr) call.request.assign(request, request + kPacketBytes);
    calls.push_back(call);
    return status;
}

int32_t List(int32_t selector, int32_t maximum, uint8_t* shortIds, uint32_t* productIds) {
    Before("AvDllListDevices");
    if (severed) return Note("AvDllListDevices", kSeveredStatus);
    return Note("AvDllListDevices", sim::AvDllListDevices(selector, maximum, shortIds, productIds));
}
int32_t Find(int32_t mode, DeviceQuery* query, int32_t* index) {
    Before("AvDllFindDevice");
    if (severed) return Note("AvDllFindDevice", kSeveredStatus);
    return Note("AvDllFindDevice", sim::AvDllFindDevice(mode, query, index));
}
int32_t Open(DeviceQuery* query, int32_t index, DeviceHandle* handle) {
    Before("AvDllOpenDevice");
    if (severed) return Note("AvDllOpenDevice", kSeveredStatus);
    return Note("AvDllOpenDevice", sim::AvDllOpenDevice(query, index, handle));
}
int32_t Peek(DeviceHandle handle, int32_t space, int32_t address, int32_t count, void* out) {
    Before("RemotePeek");
    if (severed) return Note("RemotePeek", kSeveredStatus);
    return Note("RemotePeek", sim::RemotePeek(handle, space, address, count, out));
}
int32_t Exchange(DeviceHandle handle, const uint8_t* request, uint8_t* response) {
    const int n = ++packets;
    Before("commandSendAndGetResponse");
    if (auto action = actions.find(n); action != actions.end()) action->second();
    if (severed) return Note("commandSendAndGetResponse", kSeveredStatus, request);
    if (n >= swallowed.first && n <= swallowed.last) return Note("commandSendAndGetResponse", swallowed.status, request);
    int32_t status = sim::commandSendAndGetResponse(handle, request, response);
    if (auto replaced = overrides.find(n); replaced != overrides.end()) status = replaced->second;
    return Note("commandSendAndGetResponse", status, request);
}
int32_t FlashMode(DeviceHandle* handle) {
    Before("SerialMemEnterFlashMode");
    if (severed) return Note("SerialMemEnterFlashMode", kSeveredStatus);
    return Note("SerialMemEnterFlashMode", sim::SerialMemEnterFlashMode(handle));
}
int32_t Reset(DeviceHandle handle) {
    Before("systemReset");
    if (severed) return Note("systemReset", kSeveredStatus);
    return Note("systemReset", sim::systemReset(handle));
}
int32_t Close(DeviceHandle handle) {
    Before("AvDllCloseHandle");
    if (severed) return Note("AvDllCloseHandle", kSeveredStatus);
    return Note("AvDllCloseHandle", sim::AvDllCloseHandle(handle));
}

}  // namespace

DeviceLibrary Library() {
    DeviceLibrary library = sim::SimulatorLibrary();
    library.AvDllListDevices = &List;
    library.AvDllFindDevice = &Find;
    library.AvDllOpenDevice = &Open;
    library.RemotePeek = &Peek;
    library.commandSendAndGetResponse = &Exchange;
    library.SerialMemEnterFlashMode = &FlashMode;
    library.systemReset = &Reset;
    library.AvDllCloseHandle = &Close;
    return library;
}

void Clear() {
    calls.clear();
    overrides.clear();
    actions.clear();
    nextCallActions.clear();
    everyCallAction = nullptr;
    swallowed = Swallowed{};
    packets = 0;
    severed = false;
}

const std::vector<Call>& Calls() { return calls; }

std::vector<std::vector<uint8_t>> Packets() {
    std::vector<std::vector<uint8_t>> out;
    for (const Call& call : calls) {
        if (call.entry == "commandSendAndGetResponse") out.push_back(call.request);
    }
    return out;
}

int CountCalls(const std::string& entry) {
    int count = 0;
    for (const Call& call : calls) count += call.entry == entry ? 1 : 0;
    return count;
}

void OverridePacket(int n, int32_t status) { overrides[n] = status; }

void BeforePacket(int n, std::function<void()> action) { actions[n] = std::move(action); }

void BeforeNextCall(const std::string& entry, std::function<void()> action) {
    nextCallActions[entry] = std::move(action);
}

void BeforeEveryCall(std::function<void(const char*)> action) { everyCallAction = std::move(action); }

void SwallowPackets(int first, int last, int32_t status) { swallowed = {first, last, status}; }

void SeverCalls(bool on) { severed = on; }

}  // namespace recording
