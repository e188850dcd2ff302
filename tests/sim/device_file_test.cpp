#include "sim/device_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(DeviceFileTest, ReadsDevicesSettingsAndGlobalLines) {
    sim::DeviceFile file;
    sim::ParseDeviceFile(
        "# comment\n"
        "trace sim_trace.log\r\n"
        "memory sim_state\n"
        "device headset product=28F80106 kind=13 identity=5A01 reply=v1_2_RX93 status=2 packetstatus=3\n"
        "   \n"
        "device adapter product=0x28F80108 kind=12 fail=find,rom,bogus failpacket=7 failpage=3 flipbit=1C00:5\n"
        "list fail\n",
        file);
    ASSERT_EQ(file.deviceCount, 2);
    EXPECT_TRUE(file.listFails);
    EXPECT_STREQ(file.tracePath, "sim_trace.log");
    EXPECT_STREQ(file.memoryFolder, "sim_state");
    const sim::DeviceSpec& h = file.devices[0];
    EXPECT_STREQ(h.name, "headset");
    EXPECT_EQ(h.productId, 0x28F80106u);
    EXPECT_EQ(h.kind, 13u);
    EXPECT_EQ(h.identity[0], 0x5A);
    EXPECT_EQ(h.identity[1], 0x01);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(h.reply), 9), "v1_2_RX93");
    EXPECT_EQ(h.okStatus, 2);
    EXPECT_EQ(h.packetStatus, 3);
    EXPECT_EQ(h.failPage, -1);
    const sim::DeviceSpec& a = file.devices[1];
    EXPECT_EQ(a.productId, 0x28F80108u);
    EXPECT_EQ(a.faults, sim::FailFind | sim::FailRomMode);
    EXPECT_EQ(a.failPacket, 7);
    EXPECT_EQ(a.failPage, 3);
    EXPECT_EQ(a.flipBitAddress, 0x1C00);
    EXPECT_EQ(a.flipBit, 5);
}

TEST(DeviceFileTest, StateWordsAreReadAndUnknownOnesSkipped) {
    sim::DeviceFile file;
    sim::ParseDeviceFile("device a state=rommode,bogus,interrupted\ndevice b state=interrupted\ndevice c\n", file);
    ASSERT_EQ(file.deviceCount, 3);
    EXPECT_EQ(file.devices[0].startState, sim::StartRomMode | sim::StartInterrupted);
    EXPECT_EQ(file.devices[1].startState, sim::StartInterrupted);
    EXPECT_EQ(file.devices[2].startState, 0u);
}

TEST(DeviceFileTest, HalfEditedAndOversizedInputIsTolerated) {
    sim::DeviceFile file;
    std::string text = "device\ntrace\ndevice x product=\nkind=13\n";
    text += "device long" + std::string(400, 'n') + " reply=" + std::string(300, 'r') + "\n";
    for (int i = 0; i < 12; ++i) text += "device d" + std::to_string(i) + "\n";
    sim::ParseDeviceFile(text.c_str(), file);
    EXPECT_EQ(file.deviceCount, sim::kMaxDevices);
    EXPECT_EQ(std::strlen(file.devices[1].name), static_cast<size_t>(sim::kNameChars - 1));
    EXPECT_FALSE(file.traceSet);
}

}  // namespace
