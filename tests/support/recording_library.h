// A device library for tests: the in-process simulator behind a layer that
// records every call the updater makes (with the request bytes of each
// packet) and can replace the result of chosen packets.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "device/device_library.h"

namespace recording {

struct Call {
    std::string entry;
    std::vector<uint8_t> request;  // the 24 bytes of a packet as sent
    int32_t status;
};

// The simulator's table with the called entry points wrapped.
DeviceLibrary Library();
// Forgets the calls and overrides.
void Clear();
const std::vector<Call>& Calls();
// The packets (commandSendAndGetResponse) in order.
std::vector<std::vector<uint8_t>> Packets();
int CountCalls(const std::string& entry);

// The result of packet number n (1-based, counted since Clear) is replaced
// by the given status; the simulator still carries the packet out.
void OverridePacket(int n, int32_t status);
// Runs just before packet number n is sent (for example to open the warning).
void BeforePacket(int n, std::function<void()> action);
// Runs once, just before the next call of `entry` reaches the simulator: what
// a person does while the worker is inside the library.
void BeforeNextCall(const std::string& entry, std::function<void()> action);
// Runs before every call, with the entry point's name (the interleaving
// fuzzer acts from here); null to stop.
void BeforeEveryCall(std::function<void(const char* entry)> action);
// Packets number `first` to `last` (1-based) never reach the simulator: the
// library answers `status` and leaves the response buffer as it was, as a
// misbehaving library may.
void SwallowPackets(int first, int last, int32_t status);
// The program was killed: from now on, until told otherwise, no call
// reaches the simulator and each answers -1, so whatever the dead program's
// thread still does leaves the devices as the kill left them.
void SeverCalls(bool on);

}  // namespace recording
