// Recording the library's calls and replaying them in the simulator: what
// the replay answers, where it diverges, and what a recording may hold.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "device/call_recording.h"
#include "device/recorded_calls.h"
#include "sim/simulator.h"
#include "tests/support/fake_system.h"
#include "tests/support/test_folder.h"

namespace {

constexpr char kHeadset[] = "device h product=28F80106 kind=13 identity=01 reply=v1_2_RX93\n";
constexpr uint8_t kVersionRequest[kPacketBytes] = {0xFD, 0x04, 0x07, 0x00, 0x05, 0x02, 0x05};

// What one short session answered: a listing, the headset opened, its kind
// peeked and version asked, ROM mode, and the handles closed.
struct Session {
    int32_t statuses[9] = {};
    uint32_t ids[kMaxListedDevices] = {};
    uint8_t kind = 0;
    uint8_t reply[kPacketBytes] = {};
    DeviceHandle opened = nullptr;
    DeviceHandle romHandle = nullptr;
};

Session RunSession(const DeviceLibrary& lib, const uint8_t* request = kVersionRequest) {
    Session s;
    uint8_t shortIds[kListShortIdBytes] = {};
    s.statuses[0] = lib.AvDllInitialize();
    s.statuses[1] = lib.AvDllListDevices(0, kMaxListedDevices, shortIds, s.ids);
    DeviceQuery query{0, s.ids[0]};
    int32_t index = -1;
    s.statuses[2] = lib.AvDllFindDevice(1, &query, &index);
    s.statuses[3] = lib.AvDllOpenDevice(&query, index, &s.opened);
    s.statuses[4] = lib.RemotePeek(s.opened, 0, 0xF004, 1, &s.kind);
    s.statuses[5] = lib.commandSendAndGetResponse(s.opened, request, s.reply);
    s.romHandle = s.opened;
    s.statuses[6] = lib.SerialMemEnterFlashMode(&s.romHandle);
    s.statuses[7] = lib.AvDllCloseHandle(s.romHandle);
    s.statuses[8] = lib.AvDllShutdown();
    return s;
}

std::string ReadText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ReplayTest : public ::testing::Test {
   protected:
    ScopedTestFolder folder;
    FakeSystem system;
    Session recorded;

    // Records a session against the simulated headset into rec.jsonl.
    void SetUp() override {
        sim::Reset();
        sim::UseDeviceText(kHeadset);
        ASSERT_TRUE(BeginCallRecording(system, "rec.jsonl", R"({"recording":"veltrane-device-calls","format":1})"));
        recorded = RunSession(RecordCalls(sim::SimulatorLibrary()));
        EndCallRecording();
        sim::Reset();
        sim::UseDeviceText("trace trace.log\nreplay rec.jsonl\n");
    }
    void TearDown() override { sim::Reset(); }
};

TEST_F(ReplayTest, TheRecordingHoldsEveryCallWithHandlesNumberedAsHandedOut) {
    Recording recording;
    char problem[256] = {};
    ASSERT_TRUE(ReadRecording("rec.jsonl", recording, problem, sizeof problem)) << problem;
    ASSERT_EQ(recording.calls.size(), 9u);
    const RecordedCall& open = recording.calls[3];
    EXPECT_EQ(open.entry, Index_AvDllOpenDevice);
    EXPECT_EQ(open.out[2].number, 1);
    const RecordedCall& rom = recording.calls[6];
    EXPECT_EQ(rom.in[0].number, 1);
    EXPECT_EQ(rom.out[0].number, 2);
    EXPECT_EQ(recording.calls[7].in[0].number, 2);
    const RecordedCall& packet = recording.calls[5];
    ASSERT_EQ(packet.out[2].length, kPacketBytes);
    EXPECT_EQ(std::memcmp(RecordedBytes(recording, packet.out[2]), recorded.reply, kPacketBytes), 0);
    EXPECT_EQ(std::memcmp(RecordedBytes(recording, packet.in[1]), kVersionRequest, kPacketBytes), 0);
}

TEST_F(ReplayTest, AReplayAnswersAsTheLibraryDidWithoutADevice) {
    const Session replayed = RunSession(sim::SimulatorLibrary());
    EXPECT_EQ(std::memcmp(replayed.statuses, recorded.statuses, sizeof recorded.statuses), 0);
    EXPECT_EQ(replayed.ids[0], 0x28F80106u);
    EXPECT_EQ(replayed.kind, 13);
    EXPECT_EQ(std::memcmp(replayed.reply, recorded.reply, kPacketBytes), 0);
    EXPECT_NE(replayed.romHandle, replayed.opened);
    EXPECT_EQ(ReadText("trace.log").find("replay"), std::string::npos);
}

TEST_F(ReplayTest, AnotherRequestDivergesAndEveryCallAfterItFails) {
    uint8_t other[kPacketBytes] = {0xFD, 0x04, 0x07, 0x00, 0x05, 0x02, 0x06};
    const Session replayed = RunSession(sim::SimulatorLibrary(), other);
    EXPECT_EQ(replayed.statuses[4], 0);
    EXPECT_EQ(replayed.statuses[5], -9);
    EXPECT_EQ(replayed.statuses[6], -9);
    const std::string trace = ReadText("trace.log");
    EXPECT_NE(trace.find("replay diverged at call 6: expected commandSendAndGetResponse handle=1 "
                         "request=FD04070005020500"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find(", got commandSendAndGetResponse handle=1 request=FD04070005020600"), std::string::npos);
}

TEST_F(ReplayTest, ADiscoveryPassRepeatedIsAnsweredAgainAndTheRecordingGoesOn) {
    const DeviceLibrary lib = sim::SimulatorLibrary();
    uint8_t shortIds[kListShortIdBytes] = {};
    uint32_t ids[kMaxListedDevices];
    ASSERT_EQ(lib.AvDllInitialize(), 0);
    for (int pass = 0; pass < 3; ++pass) {
        ASSERT_EQ(lib.AvDllListDevices(0, kMaxListedDevices, shortIds, ids), 1) << pass;
        DeviceQuery query{0, ids[0]};
        int32_t index = -1;
        ASSERT_EQ(lib.AvDllFindDevice(1, &query, &index), 0);
        DeviceHandle handle = nullptr;
        ASSERT_EQ(lib.AvDllOpenDevice(&query, index, &handle), 0);
        uint8_t kind = 0;
        ASSERT_EQ(lib.RemotePeek(handle, 0, 0xF004, 1, &kind), 0);
        if (pass < 2) continue;  // a pass cut short: the program began again
        uint8_t reply[kPacketBytes];
        EXPECT_EQ(lib.commandSendAndGetResponse(handle, kVersionRequest, reply), 0);
        EXPECT_EQ(lib.SerialMemEnterFlashMode(&handle), 0);
    }
    EXPECT_EQ(ReadText("trace.log").find("replay"), std::string::npos);
}

TEST(RecordingReader, RefusesWhatNoRecorderWrites) {
    const char* header = "{\"recording\":\"veltrane-device-calls\",\"format\":1}\r\n";
    const char* good =
        "{\"n\":1,\"call\":\"commandSend\",\"in\":{\"handle\":1,\"request\":\"FD04\"},\"status\":0,\"us\":5}";
    struct Case {
        std::string text;
        bool accepted;
    };
    const Case cases[] = {
        {std::string(header) + good + "\r\n", true},
        {"{\"recording\":\"other\",\"format\":1}\n", false},
        {"{\"recording\":\"veltrane-device-calls\",\"format\":2}\n", false},
        {std::string(header) + "{\"n\":1,\"call\":\"FormatDisk\",\"status\":0,\"us\":0}\n", false},
        {std::string(header) +
             "{\"n\":1,\"call\":\"commandSend\",\"in\":{\"request\":\"FD0\"},\"status\":0,\"us\":0}\n",
         false},
        {std::string(header) + "{\"n\":1,\"call\":\"commandSend\",\"in\":{\"request\":\"" + std::string(50, 'A') +
             "\"},\"status\":0,\"us\":0}\n",
         false},
        {std::string(header) + "{\"n\":1,\"call\":\"commandSend\",\"in\":{\"handle\":\"1\"},\"status\":0,\"us\":0}\n",
         false},
        {std::string(header) + "{\"n\":1,\"call\":\"commandSend\",\"status\":5000000000,\"us\":0}\n", false},
        {std::string(header) + "[1,2\n", false},
        {"", false},
    };
    for (const Case& c : cases) {
        Recording recording;
        char problem[256] = {};
        EXPECT_EQ(ParseRecording(c.text.data(), c.text.size(), recording, problem, sizeof problem), c.accepted)
            << c.text;
        if (!c.accepted) {
            EXPECT_NE(std::strstr(problem, "line"), nullptr) << problem;
        }
    }
}

}  // namespace
