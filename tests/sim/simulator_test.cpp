// The simulator's own contracts, which the updater's tests rely on.
#include "sim/simulator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_folder.h"

namespace {

class SimulatorContractTest : public ::testing::Test {
   protected:
    ScopedTestFolder folder;
    void SetUp() override {
        sim::Reset();
        sim::UseDeviceText("device h product=28F80106 kind=13 identity=01 reply=v1_2_RX93\n");
        sim::AvDllInitialize();
    }
    void TearDown() override { sim::Reset(); }

    DeviceHandle Open() {
        uint8_t shortIds[20];
        uint32_t ids[10];
        EXPECT_EQ(sim::AvDllListDevices(0, 10, shortIds, ids), 1);
        DeviceQuery query{0, ids[0]};
        int32_t index = -1;
        EXPECT_EQ(sim::AvDllFindDevice(1, &query, &index), 0);
        DeviceHandle handle = nullptr;
        EXPECT_EQ(sim::AvDllOpenDevice(&query, index, &handle), 0);
        return handle;
    }
};

TEST_F(SimulatorContractTest, CallsBeforeInitialiseOrAfterShutdownAreRefused) {
    sim::AvDllShutdown();
    uint32_t ids[10];
    EXPECT_LT(sim::AvDllListDevices(0, 10, nullptr, ids), 0);
}

TEST_F(SimulatorContractTest, InitFailLeavesTheLibraryUninitialised) {
    sim::AvDllShutdown();
    sim::UseDeviceText("init fail\ndevice h product=28F80106 kind=13 identity=01 reply=v1_2_RX93\n");
    EXPECT_LT(sim::AvDllInitialize(), 0);
    uint32_t ids[10];
    EXPECT_LT(sim::AvDllListDevices(0, 10, nullptr, ids), 0);
}

TEST_F(SimulatorContractTest, RomModeHandsBackANewHandleAndTheOldOneDies) {
    DeviceHandle handle = Open();
    DeviceHandle old = handle;
    ASSERT_EQ(sim::SerialMemEnterFlashMode(&handle), 0);
    EXPECT_NE(handle, old);
    EXPECT_LT(sim::systemReset(old), 0);
    EXPECT_EQ(sim::systemReset(handle), 0);
    EXPECT_EQ(sim::AvDllCloseHandle(handle), 0);
    EXPECT_EQ(sim::OpenHandleCount(), 0);
}

// Swapped for another headset with the same product id: the old handle
// never speaks for the new device; taken out and put back, it is a new plug.
TEST_F(SimulatorContractTest, AHandleOnADeviceTakenOutOfTheFileAnswersThatItIsGone) {
    DeviceHandle handle = Open();
    sim::UseDeviceText("device g product=28F80106 kind=13 identity=01 reply=v1_0_RX71\n");
    uint32_t ids[10];
    ASSERT_EQ(sim::AvDllListDevices(0, 10, nullptr, ids), 1);
    uint8_t kind[4] = {};
    EXPECT_LT(sim::RemotePeek(handle, 0, 0xF004, 1, kind), 0);
    EXPECT_EQ(sim::AvDllCloseHandle(handle), 0);

    sim::UseDeviceText("device h product=28F80106 kind=13 identity=01 reply=v1_2_RX93\n");
    handle = Open();
    EXPECT_EQ(sim::RemotePeek(handle, 0, 0xF004, 1, kind), 0);
    EXPECT_EQ(kind[0], 13);
    sim::AvDllCloseHandle(handle);
}

TEST_F(SimulatorContractTest, PeeksOutsideTheAddressSpaceAreRefused) {
    DeviceHandle handle = Open();
    uint8_t bytes[8];
    EXPECT_EQ(sim::RemotePeek(handle, 0, 0xFFFE, 2, bytes), 0);
    EXPECT_LT(sim::RemotePeek(handle, 0, 0xFFFF, 2, bytes), 0);
    EXPECT_LT(sim::RemotePeek(handle, 0, -1, 1, bytes), 0);
    EXPECT_LT(sim::RemotePeek(reinterpret_cast<DeviceHandle>(0x1234), 0, 0, 1, bytes), 0);
    sim::AvDllCloseHandle(handle);
}

TEST_F(SimulatorContractTest, TheTraceHasOneLinePerCallWithBuffersInHex) {
    const char* path = "sim_contract_trace.log";
    std::remove(path);
    sim::UseDeviceText("trace sim_contract_trace.log\ndevice h product=28F80106 kind=13 reply=v1_2_RX93\n");
    DeviceHandle handle = Open();
    uint8_t request[24] = {0xFD, 0x04, 0x07, 0x00, 0x05, 0x02, 0x05, 0x00};
    uint8_t reply[24];
    sim::commandSendAndGetResponse(handle, request, reply);
    sim::AvDllCloseHandle(handle);
    sim::AvDllShutdown();

    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string trace = text.str();
    EXPECT_NE(trace.find("2 AvDllListDevices selector=0 maximum=10 productIds=0601F828 status=1 us="), std::string::npos)
        << trace;
    EXPECT_NE(trace.find("commandSendAndGetResponse handle=0x"), std::string::npos);
    EXPECT_NE(trace.find("request=FD040700050205000000"), std::string::npos);
    EXPECT_NE(trace.find("response=FD040700000076315F325F52583933"), std::string::npos) << trace;
    EXPECT_NE(trace.find("AvDllShutdown status=0 us="), std::string::npos);
    std::remove(path);
}

// Timed runs measure pauses from these stamps: every call carries the time
// it began, in order, and the stamps file leaves the packets out.
TEST_F(SimulatorContractTest, EveryCallIsStampedAndTheStampsFileSkipsThePackets) {
    std::remove("t.log");
    std::remove("s.log");
    sim::UseDeviceText("trace t.log\nstamps s.log\ndevice h product=28F80106 kind=13 reply=v1_2_RX93\n");
    DeviceHandle handle = Open();
    uint8_t request[24] = {0xFD, 0x04, 0x07, 0x00, 0x05, 0x02, 0x05, 0x00};
    uint8_t reply[24];
    sim::commandSendAndGetResponse(handle, request, reply);
    sim::AvDllCloseHandle(handle);
    sim::AvDllShutdown();

    auto lines = [](const char* path) {
        std::ifstream in(path);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    };
    auto stamp = [](const std::string& line) { return std::stoull(line.substr(line.rfind(" us=") + 4)); };
    const auto trace = lines("t.log");
    const auto stamps = lines("s.log");
    ASSERT_GE(trace.size(), 5u);
    for (size_t i = 1; i < trace.size(); ++i) EXPECT_LE(stamp(trace[i - 1]), stamp(trace[i])) << trace[i];
    ASSERT_EQ(stamps.size(), trace.size() - 1);
    for (const std::string& line : stamps) EXPECT_EQ(line.find("commandSendAndGetResponse"), std::string::npos);
    const std::string last = trace.back().substr(0, trace.back().find(" status="));
    EXPECT_EQ(stamps.back(), last + " us=" + std::to_string(stamp(trace.back())));
}

// The file is read only when it changed; an edit must still be seen at the
// next listing, also one that keeps the size and comes within the same tick
// of the file system's clock, and one to a file that had long been quiet.
TEST_F(SimulatorContractTest, EveryEditOfTheDeviceFileIsSeenAtTheNextListing) {
    namespace fs = std::filesystem;
    auto write = [](const char* productId) {
        std::ofstream("devices.txt", std::ios::trunc)
            << "device h product=" << productId << " kind=13 identity=01 reply=v1_2_RX93\n";
    };
    auto listed = [] {
        uint8_t shortIds[20];
        uint32_t ids[10] = {};
        return sim::AvDllListDevices(0, 10, shortIds, ids) == 1 ? ids[0] : 0u;
    };
    sim::Reset("devices.txt");
    sim::AvDllInitialize();
    write("28F80106");
    EXPECT_EQ(listed(), 0x28F80106u);
    write("28F80107");
    EXPECT_EQ(listed(), 0x28F80107u);

    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::seconds(30);
    fs::last_write_time("devices.txt", longAgo);
    EXPECT_EQ(listed(), 0x28F80107u);
    EXPECT_EQ(listed(), 0x28F80107u);
    write("28F80106");
    EXPECT_EQ(listed(), 0x28F80106u);
    std::remove("devices.txt");
    EXPECT_EQ(listed(), 0u);
}

}  // namespace
