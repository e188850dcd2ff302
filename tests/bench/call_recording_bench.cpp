// What the call recorder adds to a call into the device library: a packet
// exchange (24 bytes each way, the program's most frequent call) and a peek,
// through a library that answers at once, called directly and through the
// recording table writing to a file. The difference is the recorder's cost.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "device/call_recording.h"
#include "platform/system.h"

namespace {

int32_t Exchange(DeviceHandle, const uint8_t* request, uint8_t* response) {
    std::memcpy(response, request, kPacketBytes);
    return 0;
}

int32_t Peek(DeviceHandle, int32_t, int32_t, int32_t count, void* destination) {
    std::memset(destination, 0x0D, static_cast<size_t>(count));
    return 0;
}

constexpr char kPath[] = "call_recording_bench.jsonl";

// The answering library, through the recorder when `recorded`.
DeviceLibrary Answering(bool recorded) {
    DeviceLibrary lib;
    lib.commandSendAndGetResponse = &Exchange;
    lib.RemotePeek = &Peek;
    if (!recorded) return lib;
    BeginCallRecording(PlatformSystem(), kPath, "{}");
    return RecordCalls(lib);
}

void Finish() {
    EndCallRecording();
    std::remove(kPath);
}

template <bool kRecorded>
void BM_Packet(benchmark::State& state) {
    const DeviceLibrary lib = Answering(kRecorded);
    uint8_t request[kPacketBytes] = {0xFD, 0x04, 0x00, 0x00, 0x14};
    uint8_t response[kPacketBytes];
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            lib.commandSendAndGetResponse(reinterpret_cast<DeviceHandle>(0x10), request, response));
        ++request[8];
    }
    Finish();
}

template <bool kRecorded>
void BM_Peek(benchmark::State& state) {
    const DeviceLibrary lib = Answering(kRecorded);
    uint8_t identity[4];
    for (auto _ : state) {
        benchmark::DoNotOptimize(lib.RemotePeek(reinterpret_cast<DeviceHandle>(0x10), 0, 0xB112, 4, identity));
    }
    Finish();
}

BENCHMARK(BM_Packet<false>)->Name("packet/direct");
BENCHMARK(BM_Packet<true>)->Name("packet/recorded");
BENCHMARK(BM_Peek<false>)->Name("peek/direct");
BENCHMARK(BM_Peek<true>)->Name("peek/recorded");

}  // namespace

BENCHMARK_MAIN();
