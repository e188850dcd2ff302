#include "app/updater_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

TEST(UpdaterStateTest, StartsAtTheIntroWithEverythingElseZero) {
    static UpdaterState state;  // static storage, as in the program
    EXPECT_EQ(state.screenMode, ScreenIntro);
    EXPECT_EQ(state.updateRequested, 0);
    EXPECT_EQ(state.warningOpen, 0);
    EXPECT_EQ(state.deviceView, ViewNone);
    EXPECT_EQ(state.devices.deviceCount, 0);
    EXPECT_EQ(state.devices.deviceTable[7].productId, 0u);
    EXPECT_EQ(state.devices.firmwareLabel[7].versionText.At(0), '\0');
    EXPECT_EQ(state.request.chosenFileName[0], '\0');
    EXPECT_EQ(state.session.library.AvDllInitialize, nullptr);
    EXPECT_EQ(sizeof state.devices.firmwareLabel[0], 64u);
}

TEST(SharedTextTest, StoresAreBoundedAndLoadsAlwaysTerminated) {
    SharedText<32> text;
    text.Store("1_2_RX93", 3);
    char out[32];
    text.Load(out, sizeof out);
    EXPECT_STREQ(out, "1_2");

    text.Store("abcdefghijklmnopqrstuvwxyz0123456789");  // longer than the text
    text.Load(out, sizeof out);
    EXPECT_EQ(std::strlen(out), 31u);

    char small[4];
    text.Load(small, sizeof small);
    EXPECT_STREQ(small, "abc");
}

TEST(SharedTextTest, DiffersFromComparesLikeStrncmp) {
    SharedText<32> text;
    text.Store("1_0");
    EXPECT_FALSE(text.DiffersFrom("1_0xyz", 3));
    EXPECT_TRUE(text.DiffersFrom("1_1", 3));
    text.Store("");
    EXPECT_TRUE(text.DiffersFrom("1_0", 3));
    EXPECT_FALSE(text.DiffersFrom("\0abc", 3));
}

// A writer and a reader at once: no torn terminator, and clean under TSan.
TEST(SharedTextTest, AConcurrentReaderAlwaysGetsATerminatedText) {
    SharedText<32> text;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) text.Store(i % 2 ? "1_2" : "RX93");
        done = true;
    });
    char out[32];
    while (!done) {
        text.Load(out, sizeof out);
        ASSERT_LE(std::strlen(out), 4u);
    }
    writer.join();
}

}  // namespace
