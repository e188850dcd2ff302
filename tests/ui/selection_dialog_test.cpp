#include "ui/selection_dialog.h"

#include <gtest/gtest.h>

#include "app/updater_state.h"
#include "device/discovery.h"
#include "tests/support/fake_system.h"
#include "tests/support/image_files.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_window_ops.h"
#include "tests/support/test_folder.h"

namespace {

class SelectionDialogTest : public ::testing::Test {
   protected:
    void SetUp() override {
        state.system = &system;
        state.controls = &controls;
        state.devices.deviceTable[0].kind = KindAdapter;
        state.devices.deviceTable[0].productId = kProductAdapterA;
        state.devices.firmwareLabel[0].versionText.Store("1_0");
        state.devices.firmwareLabel[0].modelText.Store("RX93");
        WriteImageFile("RX93_Base_v1_1_ef.txt", MakeImage(10), "Base_v1_1");
        WriteImageFile("RX93_Base_v1_2_ef.txt", MakeImage(10), "Base_v1_2");
        WriteImageFile("RX71_Base_v1_3_ef.txt", MakeImage(10), "Base_v1_3");  // another model
    }
    ScopedTestFolder folder;
    FakeSystem system;
    RecordingControls controls;
    UpdaterState state;
    FakeSelectionDialog dialog;
};

TEST_F(SelectionDialogTest, OpeningListsTheFittingFiles) {
    state.selectedFileIndex = 3;
    dialog.rows = {"stale"};
    OpenSelectionDialog(state, dialog);
    EXPECT_EQ(dialog.rows.size(), 2u);
    EXPECT_EQ(dialog.prompt, "Please choose a Firmware then click Select.");
    EXPECT_EQ(dialog.title, "Choose a Firmware");
    EXPECT_EQ(state.selectedFileIndex, 0);
    EXPECT_EQ(state.dialogStage, DialogChoosing);
    for (int row = 0; row < 2; ++row) {  // list row i names catalogue row i, in the listing's order
        const std::string name = state.catalogueNames[row];
        EXPECT_EQ(dialog.rows[static_cast<size_t>(row)], "v." + name.substr(name.find('v') + 1, 3) + "    ");
    }
}

// Without a files folder the dialog lists nothing; the names of an earlier
// scan stay where they were, behind a count of 0.
TEST_F(SelectionDialogTest, WithoutAFilesFolderNothingIsListedAndOldNamesStay) {
    OpenSelectionDialog(state, dialog);
    const std::string first = state.catalogueNames[0];
    system.failCurrentFolder = true;
    OpenSelectionDialog(state, dialog);
    EXPECT_TRUE(dialog.rows.empty());
    EXPECT_EQ(state.catalogueCount, 0);
    EXPECT_EQ(state.catalogueNames[0], first);
}

TEST_F(SelectionDialogTest, SelectingTheSecondRow) {
    OpenSelectionDialog(state, dialog);
    dialog.selected = 1;
    SelectFirmware(state, dialog);
    EXPECT_EQ(state.selectedFileIndex, 2);
    EXPECT_STREQ(state.request.chosenFileName, state.catalogueNames[1]);
    EXPECT_EQ(state.firmwareChosen, 1);
    EXPECT_EQ(dialog.result, kSelectButton);
    EXPECT_TRUE(dialog.rows.empty());
    EXPECT_EQ(state.dialogStage, DialogIdle);
    EXPECT_EQ(controls.Skin(), SkinAdapterActions);
    EXPECT_EQ(controls.Text(ControlCurrentVersionText), "1_0");
    EXPECT_TRUE(controls.Visible(ControlCurrentVersionText));
    EXPECT_EQ(controls.Text(ControlChosenFirmwareText), std::string(state.entryLabel));
    EXPECT_TRUE(controls.Visible(ControlChosenFirmwareText));
}

TEST_F(SelectionDialogTest, SelectWithoutARowDropsAnEarlierChoiceButNotItsName) {
    OpenSelectionDialog(state, dialog);
    dialog.selected = 0;
    SelectFirmware(state, dialog);
    const std::string chosen = state.request.chosenFileName;
    controls.ClearHistory();

    FakeSelectionDialog again;
    OpenSelectionDialog(state, again);
    EXPECT_EQ(state.selectedFileIndex, 0);
    SelectFirmware(state, again);
    EXPECT_EQ(state.firmwareChosen, 0);
    EXPECT_EQ(state.selectedFileIndex, 0);
    EXPECT_EQ(std::string(state.request.chosenFileName), chosen);
    EXPECT_TRUE(controls.Skins().empty());
}

TEST_F(SelectionDialogTest, CancelKeepsAnEarlierChoice) {
    OpenSelectionDialog(state, dialog);
    dialog.selected = 0;
    SelectFirmware(state, dialog);
    FakeSelectionDialog again;
    OpenSelectionDialog(state, again);
    CancelSelection(state, again);
    EXPECT_EQ(again.result, kCancelButton);
    EXPECT_EQ(state.firmwareChosen, 1);
    EXPECT_EQ(state.selectedFileIndex, 0);
}

TEST_F(SelectionDialogTest, AnEmptyCatalogue) {
    state.devices.firmwareLabel[0].modelText.Store("");  // an unrecognised reply: no model
    OpenSelectionDialog(state, dialog);
    EXPECT_TRUE(dialog.rows.empty());
    dialog.selected = 0;
    SelectFirmware(state, dialog);
    EXPECT_EQ(state.firmwareChosen, 0);
}

TEST(AboutBoxTest, OkAndCancelEndIt) {
    int result = 0;
    EXPECT_TRUE(AboutBoxCommand(1, result));
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(AboutBoxCommand(2, result));
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(AboutBoxCommand(1000, result));
}

}  // namespace
