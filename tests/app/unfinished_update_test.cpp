// A unit an update left half-programmed answers with a reply the program
// does not recognise; the history then ties it to the model of that update,
// and the window offers that model's files to finish it, never another's.
#include <fstream>

#include "app/run_recorder.h"
#include "app/window_seat.h"
#include "tests/support/interaction_fixture.h"

namespace {

// A headset as the device file names it.
std::string Headset(const std::string& name, const std::string& identity, const std::string& more = "") {
    return "device " + name + " product=28F80106 kind=13 identity=" + identity + " reply=v1_0_RX93" + more + "\n";
}

class UnfinishedUpdateTest : public InteractionFixture {
   protected:
    void SetUp() override {
        InteractionFixture::SetUp();
        ASSERT_TRUE(InstallRunRecorder(state, recorder));
        WriteFirmware("RX71_Headset_v1_1_ef.txt", "Headset_v1_1", "v1_1_RX71", 40000, 3);
        WriteFirmware("RX93_Headset_v1_2_ef.txt", "Headset_v1_2", "v1_2_RX93", 40000);
    }

    // An update of an RX93 headset that vanishes on page 21 of 40; plugged
    // back in, it answers with a reply that is not recognised.
    void UpdateCutShort(const std::string& name = "headset", const std::string& identity = "01") {
        Plug(Headset(name, identity, " unplugafter=1500"));
        if (state.screenMode == ScreenIntro) Press(ZoneContinue);
        Wait(200);
        ChooseRow(0);
        ASSERT_EQ(state.request.chosenFileName, std::string("RX93_Headset_v1_2_ef.txt"));
        Press(ZoneUpdate);
        Wait(30000);
        ASSERT_EQ(controls.Skin(), SkinHeadsetFailed);
        Press(ZoneCancel);
        Plug(Headset(name, identity));
        Wait(300);
    }

    // Opens the dialog on the device now attached and keeps what it offered.
    std::vector<std::string> Offered() {
        std::vector<std::string> rows;
        window.dialogScript = [&](FakeSelectionDialog& dialog) {
            prompt = dialog.prompt;
            for (int i = 0; i < state.catalogueCount; ++i) rows.push_back(state.catalogueNames[i]);
            dialog.selected = rows.empty() ? -1 : 0;
            SelectFirmware(state, dialog);
        };
        Press(ZoneFirmwareBox);
        window.dialogScript = nullptr;
        return rows;
    }

    RunRecorder recorder;
    std::string prompt;
};

TEST_F(UnfinishedUpdateTest, TheHalfWrittenUnitIsOfferedItsModelsFilesAndFinished) {
    UpdateCutShort();
    const std::vector<std::string> rows = Offered();
    ASSERT_EQ(rows, std::vector<std::string>{"RX93_Headset_v1_2_ef.txt"}) << "the RX71 file is never offered";
    EXPECT_EQ(prompt, "The last update of this headset stopped at page 21 of 40. Choose a file to finish it.");
    Press(ZoneUpdate);
    Wait(30000);
    EXPECT_EQ(controls.Skin(), SkinHeadsetUpdated);
    char stamp[10] = {};
    sim::ReadSerialMemory("headset", sim::kStampOffset + 4, 9, reinterpret_cast<uint8_t*>(stamp));
    EXPECT_STREQ(stamp, "v1_2_RX93");
}

// Another unit of the same product, or one whose identity bytes are all
// zero (units alike), is not tied to the interrupted update.
TEST_F(UnfinishedUpdateTest, OnlyTheSameUnitIsTiedToTheUpdate) {
    UpdateCutShort();
    Plug(Headset("other", "02", " state=interrupted"));
    Wait(300);
    EXPECT_TRUE(Offered().empty());
    EXPECT_EQ(prompt, "Please choose a Firmware then click Select.");

    UpdateCutShort("alike", "00");
    EXPECT_TRUE(Offered().empty());
    EXPECT_NE(prompt.find("cannot be told apart"), std::string::npos) << prompt;
}

}  // namespace
