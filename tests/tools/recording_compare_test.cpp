// The comparison of a recording with the simulator: a recording the
// simulator made compares clean, and what a real library would answer
// otherwise is named in words.
#include "tools/recording_compare.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "device/call_recording.h"
#include "sim/simulator.h"
#include "tests/support/fake_system.h"
#include "tests/support/test_folder.h"

namespace {

constexpr char kHeadset[] = "device h product=28F80106 kind=13 identity=01 reply=v1_2_RX93\n";

// Records discovery of the headset and its version query.
Recording RecordDiscovery() {
    FakeSystem system;
    sim::Reset();
    sim::UseDeviceText(kHeadset);
    EXPECT_TRUE(BeginCallRecording(system, "rec.jsonl", R"({"recording":"veltrane-device-calls","format":1})"));
    const DeviceLibrary lib = RecordCalls(sim::SimulatorLibrary());
    uint8_t shortIds[kListShortIdBytes] = {};
    // The engine keeps the last pass's ids past the count; only the listed
    // ones are the library's answer.
    uint32_t ids[kMaxListedDevices];
    std::memset(ids, 0xEE, sizeof ids);
    lib.AvDllInitialize();
    lib.AvDllListDevices(0, kMaxListedDevices, shortIds, ids);
    DeviceQuery query{0, ids[0]};
    int32_t index = -1;
    lib.AvDllFindDevice(1, &query, &index);
    DeviceHandle handle = nullptr;
    lib.AvDllOpenDevice(&query, index, &handle);
    uint8_t kind = 0;
    uint8_t identity[4];
    lib.RemotePeek(handle, 0, 0xF004, 1, &kind);
    lib.RemotePeek(handle, 0, 0xB112, 4, identity);
    const uint8_t request[kPacketBytes] = {0xFD, 0x04, 0x07, 0x00, 0x05, 0x02, 0x05};
    uint8_t reply[kPacketBytes];
    lib.commandSendAndGetResponse(handle, request, reply);
    lib.AvDllCloseHandle(handle);
    lib.AvDllShutdown();
    EndCallRecording();
    Recording recording;
    char problem[256];
    EXPECT_TRUE(ReadRecording("rec.jsonl", recording, problem, sizeof problem)) << problem;
    return recording;
}

TEST(RecordingCompare, TheSimulatorsOwnRecordingComparesCleanAndEachChangeIsNamed) {
    ScopedTestFolder folder;
    Recording recording = RecordDiscovery();
    ASSERT_EQ(recording.calls.size(), 9u);
    const CompareResult clean = CompareWithSimulator(recording, CompareOptions{});
    EXPECT_EQ(clean.devices,
              "device d1 product=28F80106 kind=13 identity=01000000 "
              "replyhex=76315F325F52583933000000000000000000\n");
    EXPECT_TRUE(clean.differences.empty()) << clean.differences.front();

    // What a real library might have answered instead.
    recording.calls[4].status = -3;                               // the kind peek refused
    recording.bytes[recording.calls[6].out[2].offset + 9] = '4';  // another version in the reply
    for (RecordedCall& call : recording.calls) call.took = 2000;  // every call 2 ms
    CompareOptions options;
    options.devices = kHeadset;  // the devices as a person describes them
    const CompareResult result = CompareWithSimulator(recording, options);
    std::string all;
    for (const std::string& line : result.differences) all += line + "\n";
    EXPECT_NE(all.find("call 5 RemotePeek: the library answered status -3, the simulator 0"), std::string::npos) << all;
    EXPECT_NE(all.find("call 7 commandSendAndGetResponse: response differs from byte 9: the library filled "
                       "FD040700000076315F345F"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("commandSendAndGetResponse: 1 call took 2.000 ms on average in the library"), std::string::npos)
        << all;
    sim::Reset();
}

}  // namespace
