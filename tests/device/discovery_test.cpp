#include "device/discovery.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "tests/support/sim_fixture.h"

namespace {

constexpr char kHeadset[] = "device headset product=28F80106 kind=13 identity=01 reply=v1_2_RX93\n";
constexpr char kAdapter[] = "device adapter product=28F80108 kind=12 identity=02 reply=v1_1_RX71\n";

class DiscoveryTest : public SimulatorTest {};

TEST_F(DiscoveryTest, NoDeviceLeavesTheRowsAlone) {
    devices.deviceTable[0].productId = 0x1234;
    devices.deviceCount = 3;
    Discover();
    EXPECT_EQ(devices.deviceCount, 0);
    EXPECT_EQ(devices.deviceTable[0].productId, 0x1234u);
}

TEST_F(DiscoveryTest, OneHeadsetFillsRowZero) {
    Plug(kHeadset);
    Discover();
    ASSERT_EQ(devices.deviceCount, 1);
    EXPECT_EQ(devices.deviceTable[0].kind, 13u);
    EXPECT_EQ(devices.deviceTable[0].productId, 0x28F80106u);
    EXPECT_EQ(devices.deviceTable[0].deviceIndex, 0);
    EXPECT_EQ(devices.deviceTable[0].idPresent, 1u);
    EXPECT_EQ(VersionText(0), "1_2");
    EXPECT_EQ(ModelText(0), "RX93");
    EXPECT_EQ(sim::OpenHandleCount(), 0);
}

TEST_F(DiscoveryTest, UnsupportedDeviceIsOpenedReadAndClosedButGetsNoRow) {
    Plug(std::string("device other product=12345678 kind=13 reply=v9_9_RX93\n") + kAdapter);
    Discover();
    ASSERT_EQ(devices.deviceCount, 1);
    EXPECT_EQ(devices.deviceTable[0].productId, 0x28F80108u);
    EXPECT_EQ(devices.deviceTable[0].deviceIndex, 1);  // its place in the listing
    EXPECT_EQ(sim::CallCount("AvDllOpenDevice"), 2);
    EXPECT_EQ(sim::CallCount("RemotePeek"), 1 + 2);  // kind of both, identity of the adapter
    EXPECT_EQ(sim::CallCount("AvDllCloseHandle"), 2);
}

TEST_F(DiscoveryTest, VersionLabelChangesAreTold) {
    Plug(kHeadset);
    EXPECT_TRUE(Discover());   // first recognised reply on an empty label
    EXPECT_FALSE(Discover());  // same three characters: no redraw
    Plug("device headset product=28F80106 kind=13 reply=v1_3_RX93\n");
    EXPECT_TRUE(Discover());
    EXPECT_EQ(VersionText(0), "1_3");
}

TEST_F(DiscoveryTest, ADifferentDeviceTakingRowZeroRedrawsWhenItsVersionDiffers) {
    Plug(std::string(kHeadset) + kAdapter);
    Discover();
    ASSERT_EQ(devices.deviceCount, 2);
    Plug(kAdapter);
    EXPECT_TRUE(Discover());
    EXPECT_EQ(devices.deviceCount, 1);
    EXPECT_EQ(VersionText(0), "1_1");
}

TEST_F(DiscoveryTest, OldStyleSignaturesGiveOneZeroAndTheirModel) {
    Plug("device h product=28F80106 kind=13 reply=14,client,2016-12-31\n");
    Discover();
    EXPECT_EQ(VersionText(0), "1_0");
    EXPECT_EQ(ModelText(0), "RX93");

    Plug("device h product=28F80106 kind=13 reply=14,host,2015-12-08\n");
    Discover();
    EXPECT_EQ(ModelText(0), "RX71");

    // Host signatures compare the day too.
    Plug("device h product=28F80106 kind=13 reply=14,host,2016-09-14\n");
    EXPECT_FALSE(Discover());  // an unrecognised reply never redraws
    EXPECT_EQ(VersionText(0), "");
    EXPECT_EQ(ModelText(0), "");
}

// An old-style reply that changes the label asks for a redraw as a new-style one does.
TEST_F(DiscoveryTest, AnOldStyleReplyThatChangesTheLabelRedraws) {
    Plug("device h product=28F80106 kind=13 reply=v1_2_RX93\n");
    Discover();
    Plug("device h product=28F80106 kind=13 reply=14,host,2016-09-13\n");
    EXPECT_TRUE(Discover());
    EXPECT_EQ(VersionText(0), "1_0");
    EXPECT_FALSE(Discover());  // "1_0" again: no redraw
}

// The request bytes as sent, and the reply cleared before each device.
std::vector<std::vector<uint8_t>> versionRequests;
int32_t RecordingExchange(DeviceHandle handle, const uint8_t* request, uint8_t* response) {
    versionRequests.emplace_back(request, request + kPacketBytes);
    return sim::commandSendAndGetResponse(handle, request, response);
}

TEST_F(DiscoveryTest, TheVersionRequestIsExactlyItsNineBytesThenZeros) {
    versionRequests.clear();
    session.library.commandSendAndGetResponse = &RecordingExchange;
    Plug(std::string(kHeadset) + kAdapter);
    Discover();
    std::vector<uint8_t> expected(kPacketBytes, 0);
    const uint8_t head[] = {0xFD, 0x04, 0x07, 0x00, 0x05, 0x02, 0x05, 0x00, 0x00};
    std::copy(std::begin(head), std::end(head), expected.begin());
    EXPECT_EQ(versionRequests, (std::vector<std::vector<uint8_t>>{expected, expected}));
}

// A library that reports more devices than it was asked for: the pass never
// reads past the ten product ids.
int32_t ListingTooMany(int32_t selector, int32_t maximum, uint8_t* shortIds, uint32_t* productIds) {
    sim::AvDllListDevices(selector, maximum, shortIds, productIds);
    return 12;
}

TEST_F(DiscoveryTest, AListingCountAboveTheMaximumIsCut) {
    session.library.AvDllListDevices = &ListingTooMany;
    std::string text;
    for (int i = 0; i < 10; ++i) text += "device d" + std::to_string(i) + " product=28F80106 kind=13\n";
    Plug(text);
    Discover();
    EXPECT_EQ(session.listedCount, kMaxListedDevices);
    EXPECT_EQ(devices.deviceCount, kDeviceRows);
}

TEST_F(DiscoveryTest, GarbageRepliesNeverReadPastTheReply) {
    // A "v" with no terminator anywhere: the texts stop at three and four characters.
    Plug("device h product=28F80106 kind=13 replyhex=76414243444546474849505152535455565758\n");
    Discover();
    EXPECT_EQ(VersionText(0), "ABC");
    EXPECT_EQ(ModelText(0), "EFGH");

    Plug("device h product=28F80106 kind=13 replyhex=FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\n");
    Discover();
    EXPECT_EQ(devices.deviceCount, 1);
    EXPECT_EQ(VersionText(0), "");
}

// Records the addresses of every peek, then lets the simulator answer.
std::vector<int32_t> peekedAddresses;
int32_t RecordingPeek(DeviceHandle handle, int32_t space, int32_t address, int32_t count, void* out) {
    peekedAddresses.push_back(address);
    return sim::RemotePeek(handle, space, address, count, out);
}

TEST_F(DiscoveryTest, IdentityAddressFollowsTheKind) {
    session.library.RemotePeek = &RecordingPeek;
    const struct { const char* text; int32_t identityAddress; } cases[] = {
        {"device a product=28F80108 kind=12 identity=01\n", 0xC0D4},
        {"device h product=28F80106 kind=13 identity=01\n", 0xB112},
        {"device x product=28F80108 kind=7 identity=01\n", 0xB112},
    };
    for (const auto& c : cases) {
        peekedAddresses.clear();
        Plug(c.text);
        Discover();
        ASSERT_EQ(devices.deviceCount, 1) << c.text;
        EXPECT_EQ(peekedAddresses, (std::vector<int32_t>{0xF004, c.identityAddress})) << c.text;
    }
    EXPECT_EQ(devices.deviceTable[0].kind, 7u);  // stored as read
}

TEST_F(DiscoveryTest, IdPresentLooksAtTheFirstIdentityByteOnly) {
    Plug("device h product=28F80106 kind=13 identity=00FFFFFF\n");
    Discover();
    EXPECT_EQ(devices.deviceTable[0].idPresent, 0u);
}

TEST_F(DiscoveryTest, AFailingFindOrOpenEndsThePassWithTheRowsSoFar) {
    for (const char* fault : {"find", "open"}) {
        Plug(std::string(kHeadset) + "device second product=28F80108 kind=12 fail=" + fault + "\n" + kAdapter);
        Discover();
        EXPECT_EQ(devices.deviceCount, 1) << fault;
        EXPECT_EQ(devices.deviceTable[0].kind, 13u);
        EXPECT_EQ(sim::OpenHandleCount(), 0);
    }
}

TEST_F(DiscoveryTest, PositiveStatusesOfFindOpenAndPeekCountAsFailures) {
    Plug("device h product=28F80106 kind=13 status=1\n");
    Discover();
    EXPECT_EQ(devices.deviceCount, 0);
}

TEST_F(DiscoveryTest, AFailingKindReadDropsTheDeviceAndClosesIt) {
    Plug(std::string("device h product=28F80106 kind=13 fail=kind\n") + kAdapter);
    Discover();
    ASSERT_EQ(devices.deviceCount, 1);
    EXPECT_EQ(devices.deviceTable[0].kind, 12u);
    EXPECT_EQ(sim::OpenHandleCount(), 0);
}

TEST_F(DiscoveryTest, IdentityAndVersionFailuresDoNotStopThePass) {
    Plug("device h product=28F80106 kind=13 fail=peek,version,close\n");
    Discover();
    EXPECT_EQ(devices.deviceCount, 1);
    EXPECT_LT(session.lastStatus, 0);  // the failed close
}

// A version query that fails leaves nothing of the device before it.
TEST_F(DiscoveryTest, AFailedVersionQueryDoesNotInheritThePreviousDevicesReply) {
    Plug(std::string(kAdapter) + "device headset product=28F80106 kind=13 fail=version reply=v1_2_RX93\n");
    Discover();
    ASSERT_EQ(devices.deviceCount, 2);
    EXPECT_EQ(VersionText(0), "1_1");
    EXPECT_EQ(VersionText(1), "");
    EXPECT_EQ(ModelText(1), "");
}

TEST_F(DiscoveryTest, GenericProductsAreResetOnEveryPassAfterTheirLabels) {
    Plug("device base product=170D0100 kind=12 reply=v2_0_RX71\n"
         "device set product=170D0101 kind=13 reply=v2_1_RX93\n");
    Discover();
    Discover();
    EXPECT_EQ(devices.deviceCount, 2);
    EXPECT_EQ(sim::CallCount("systemReset"), 4);
    EXPECT_EQ(VersionText(1), "2_1");
}

TEST_F(DiscoveryTest, AFailingListingFindsNothing) {
    Plug(std::string("list fail\n") + kHeadset);
    Discover();
    EXPECT_EQ(devices.deviceCount, 0);
    EXPECT_EQ(sim::CallCount("AvDllFindDevice"), 0);
}

TEST_F(DiscoveryTest, TenSupportedDevicesFillEightRowsAndTheRestAreNotOpened) {
    std::string text;
    for (int i = 0; i < 10; ++i) text += "device d" + std::to_string(i) + " product=28F80106 kind=13 reply=v1_0_RX93\n";
    Plug(text);
    Discover();
    EXPECT_EQ(devices.deviceCount, 8);
    EXPECT_EQ(sim::CallCount("AvDllOpenDevice"), 8);
}

TEST_F(DiscoveryTest, FewerDevicesLeaveOlderRowsBehindTheCount) {
    Plug(std::string(kHeadset) + kAdapter);
    Discover();
    Plug(kAdapter);
    Discover();
    EXPECT_EQ(devices.deviceCount, 1);
    EXPECT_EQ(devices.deviceTable[1].kind, 12u);  // row 1 as the earlier pass left it
    EXPECT_EQ(VersionText(1), "1_1");
}

}  // namespace
