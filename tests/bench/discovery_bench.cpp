// How long one discovery pass takes against the simulator, and how many heap
// allocations the pass itself makes (it should make none).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "device/discovery.h"
#include "device/found_devices.h"
#include "device/library_session.h"
#include "sim/simulator.h"

namespace {

std::atomic<long> allocations{0};
bool counting = false;

}  // namespace

void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

// A library that answers from constants, so that only the pass's own
// allocations are counted.
int32_t List(int32_t, int32_t, uint8_t*, uint32_t* ids) {
    ids[0] = 0x28F80106;
    return 1;
}
int32_t Find(int32_t, DeviceQuery*, int32_t* index) {
    *index = 0;
    return 0;
}
int32_t Open(DeviceQuery*, int32_t, DeviceHandle* handle) {
    *handle = reinterpret_cast<DeviceHandle>(0x10);
    return 0;
}
int32_t Peek(DeviceHandle, int32_t, int32_t address, int32_t count, void* out) {
    auto* bytes = static_cast<uint8_t*>(out);
    for (int32_t i = 0; i < count; ++i) bytes[i] = address == 0xF004 ? 13 : 1;
    return 0;
}
int32_t Version(DeviceHandle, const uint8_t*, uint8_t* reply) {
    const char text[] = "v1_2_RX93";
    for (int i = 0; i < 9; ++i) reply[6 + i] = static_cast<uint8_t>(text[i]);
    return 0;
}
int32_t Close(DeviceHandle) { return 0; }

void DiscoveryPassWithoutLibraryCost(benchmark::State& bench) {
    static FoundDevices devices;
    static LibrarySession session;
    session.library.AvDllListDevices = &List;
    session.library.AvDllFindDevice = &Find;
    session.library.AvDllOpenDevice = &Open;
    session.library.RemotePeek = &Peek;
    session.library.commandSendAndGetResponse = &Version;
    session.library.AvDllCloseHandle = &Close;
    allocations = 0;
    counting = true;
    for (auto _ : bench) DiscoverDevices(devices, session);
    counting = false;
    bench.counters["allocations/pass"] = benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}
BENCHMARK(DiscoveryPassWithoutLibraryCost);

void DiscoveryPassAgainstSimulator(benchmark::State& bench) {
    static FoundDevices devices;
    static LibrarySession session;
    sim::Reset();
    sim::UseDeviceText("device headset product=28F80106 kind=13 identity=01 reply=v1_2_RX93\n");
    sim::AvDllInitialize();
    session.library = sim::SimulatorLibrary();
    for (auto _ : bench) DiscoverDevices(devices, session);
    sim::AvDllShutdown();
}
BENCHMARK(DiscoveryPassAgainstSimulator);

}  // namespace

BENCHMARK_MAIN();
