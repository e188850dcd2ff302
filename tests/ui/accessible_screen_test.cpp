// The screen as a screen reader reads it: names from the painted words,
// roles, the states the pointer's rules give, the labels' texts and the
// bar's value; and progress told once per tenth.
#include "ui/accessible_screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/updater_state.h"
#include "tests/support/screen_fixture.h"
#include "ui/pointer_input.h"

namespace {

// One line per visible item: role, name, value and states.
std::vector<std::string> Lines(const AccessibleScreen& screen) {
    static const char* const kRoles[] = {"button", "link", "text", "bar"};
    std::vector<std::string> lines;
    for (int i = 0; i < screen.count; ++i) {
        const AccessibleItem& item = screen.items[i];
        if (item.states & StateInvisible) continue;
        std::string line = std::string(kRoles[item.role]) + " \"" + item.name + "\"";
        if (item.value[0] != '\0') line += " = \"" + std::string(item.value) + "\"";
        if (item.states & StateFocusable) line += " focusable";
        if (item.states & StateFocused) line += " focused";
        if (item.states & StateUnavailable) line += " unavailable";
        lines.push_back(line);
    }
    return lines;
}

class AccessibleScreenTest : public ScreenFixture {
   protected:
    void SetUp() override {
        ScreenFixture::SetUp();
    }
    // What the window would report of its controls now.
    const AccessibleScreen& Read(bool windowFocused = true) {
        ScreenFacts facts;
        facts.skin = controls.Skin();
        facts.panel = controls.Visible(ControlWarningPanel);
        facts.windowFocused = windowFocused;
        for (int c = 0; c < ControlCount; ++c) {
            texts[c] = controls.Text(static_cast<ControlId>(c));
            facts.controls[c] = {controls.Visible(static_cast<ControlId>(c)), texts[c].c_str()};
        }
        DescribeScreen(state, facts, screen);
        return screen;
    }
    void ActionsScreen() {
        state.screenMode = ScreenIdle;
        state.deviceView = ViewHeadset;
        state.firmwareChosen = 1;
        controls.ShowSkin(SkinHeadsetActions);
        controls.SetText(ControlCurrentVersionText, "1_4");
        controls.Show(ControlCurrentVersionText, true);
        controls.SetText(ControlChosenFirmwareText, "RX93   v1.2\n");
        controls.Show(ControlChosenFirmwareText, true);
    }

    std::string texts[ControlCount];
    AccessibleScreen screen;
};

TEST_F(AccessibleScreenTest, TheActionsScreenReadsInTheOrderItIsPainted) {
    ActionsScreen();
    Read();
    EXPECT_STREQ(screen.name, "Veltrane Headset");
    EXPECT_STREQ(screen.description, "Connected, with firmware v.1_4");
    EXPECT_EQ(Lines(screen), (std::vector<std::string>{
                                 "text \"1_4\"", "button \"Selected firmware:\" focusable", "text \"RX93 v1.2\"",
                                 "button \"Verify\" focusable", "button \"Update\" focusable focused",
                                 "button \"Minimise\" focusable", "button \"Close\" focusable"}));
    // The focus is the window's only while it has the keyboard.
    Read(false);
    EXPECT_EQ(Lines(screen)[4], "button \"Update\" focusable");

    const int update = ItemOfZone(screen, ZoneUpdate);
    EXPECT_STREQ(screen.items[update].name, "Update");
    EXPECT_EQ(ItemAt(screen, 204, 292), update);
    EXPECT_EQ(ItemAt(screen, 203, 292), -1);
    EXPECT_STREQ(screen.items[ItemOfControl(screen, ControlChosenFirmwareText)].name, "RX93 v1.2");
    EXPECT_EQ(ItemOfZone(screen, kNoZone), -1);
}

// An event names an item by its number, and a reader asks about it later:
// by then more labels may show, so no item may move when one appears.
TEST_F(AccessibleScreenTest, EveryItemKeepsItsNumberWhateverTheScreenShows) {
    Read();
    const AccessibleScreen intro = screen;
    ActionsScreen();
    Read();
    ASSERT_EQ(screen.count, intro.count);
    for (int i = 0; i < screen.count; ++i) {
        EXPECT_EQ(screen.items[i].zone, intro.items[i].zone) << i;
        EXPECT_EQ(screen.items[i].control, intro.items[i].control) << i;
    }
    EXPECT_EQ(screen.count, kAccessibleItems);
    // Navigation passes over what the screen does not show.
    const int version = ItemOfControl(screen, ControlCurrentVersionText);
    EXPECT_EQ(NextVisibleItem(screen, -1, false), version);
    EXPECT_EQ(NextVisibleItem(screen, version, false), ItemOfZone(screen, ZoneFirmwareBox));
    EXPECT_EQ(NextVisibleItem(screen, version, true), -1);
    EXPECT_EQ(NextVisibleItem(screen, screen.count, true), ItemOfZone(screen, ZoneCloseGlyph));
}

TEST_F(AccessibleScreenTest, TheFoundScreenOffersItsDisabledButtonsAsUnavailable) {
    state.screenMode = ScreenIdle;
    state.deviceView = ViewAdapter;
    state.devices.deviceTable[0].kind = KindAdapter;
    controls.ShowSkin(SkinAdapterFound);
    Read();
    EXPECT_STREQ(screen.name, "Veltrane USB Adapter");
    EXPECT_STREQ(screen.description, "Connected, with firmware v.");  // the version label is hidden
    EXPECT_EQ(Lines(screen), (std::vector<std::string>{
                                 "button \"Click to select a firmware package\" focusable focused",
                                 "button \"Verify\" unavailable", "button \"Update\" unavailable",
                                 "button \"Minimise\" focusable", "button \"Close\" focusable"}));
}

TEST_F(AccessibleScreenTest, TheBarReadsItsPercentageAndTheWarningHidesWhatLiesBeneath) {
    ActionsScreen();
    PressZone(state, ZoneUpdate);
    Read();
    EXPECT_STREQ(screen.name, "Updating the Veltrane Headset");
    EXPECT_STREQ(screen.description, "Do not unplug the headset until the progress is complete.");
    EXPECT_EQ(Lines(screen), (std::vector<std::string>{"text \"0 %\"", "bar \"Updating the Veltrane Headset\" = \"0 %\"",
                                                       "button \"Minimise\" focusable",
                                                       "button \"Close\" focusable"}));
    controls.SetText(ControlPercentText, "40 %");
    Read();
    EXPECT_STREQ(screen.items[ItemOfControl(screen, ControlProgressText)].value, "40 %");

    PressZone(state, ZoneCloseGlyph);  // refused: the warning
    Read();
    EXPECT_STREQ(screen.name, "Update in progress");
    EXPECT_STREQ(screen.description,
                 "Closing the window now will put the headset out of order. Please wait until the update is complete.");
    EXPECT_EQ(Lines(screen), (std::vector<std::string>{"button \"GOT IT\" focusable focused",
                                                       "button \"Minimise\" focusable",
                                                       "button \"Close\" focusable"}));
}

TEST_F(AccessibleScreenTest, TheUpdatedScreenNamesTheNewVersionTheLinkAndTheNotice) {
    state.devices.deviceTable[0].kind = KindAdapter;
    state.screenMode = ScreenPassed;
    state.modeProgramFirmwareOnly = 1;
    controls.ShowSkin(SkinAdapterUpdated);
    controls.SetText(ControlNewVersionText, "2_0");
    controls.Show(ControlNewVersionText, true);
    controls.Show(ControlPowerCycleText, true);
    Read();
    EXPECT_STREQ(screen.name, "Update successful");
    EXPECT_STREQ(screen.description,
                 "Firmware v.2_0 was installed. After both the headset and the base station have been updated, "
                 "follow the pairing guide above.");
    EXPECT_EQ(Lines(screen), (std::vector<std::string>{
                                 "text \"2_0\"", "text \"Power Cycle the Adapter to complete the Update.\"",
                                 "link \"Pairing guide\" focusable", "button \"Done\" focusable focused",
                                 "button \"Minimise\" focusable", "button \"Close\" focusable"}));
}

TEST_F(AccessibleScreenTest, TheFailedScreenReadsWhyTheRunStopped) {
    state.screenMode = ScreenFailed;
    state.modeProgramFirmwareOnly = 1;
    controls.ShowSkin(SkinHeadsetFailed);
    controls.SetText(ControlReasonText, "Could not connect to the headset (status -5).");
    controls.Show(ControlReasonText, true);
    Read();
    EXPECT_STREQ(screen.name, "Update failed");
    EXPECT_EQ(Lines(screen), (std::vector<std::string>{
                                 "button \"Try Again\" focusable focused", "button \"Cancel\" focusable",
                                 "text \"Could not connect to the headset (status -5).\"",
                                 "button \"Minimise\" focusable", "button \"Close\" focusable"}));
}

TEST_F(AccessibleScreenTest, ProgressIsToldOncePerTenth) {
    const struct {
        bool shown;
        const char* text;
        bool told;
    } kSteps[] = {
        {true, "0 %", true},   {true, "3 %", false},  {false, "", false},    {true, "9 %", false},
        {true, "10 %", true},  {true, "19 %", false}, {true, "20 %", true},  {true, "", false},
        {true, "x %", false},  {true, "100 %", true}, {true, "99999999999999999999 %", false},
        {true, "0 %", true},   // the next run starts again from nothing
    };
    for (const auto& step : kSteps) {
        EXPECT_EQ(ProgressTenthChanged(state, step.shown, step.text), step.told) << step.text;
    }
}

// Tab, the accessible tree and the ring rely on each screen's words.
TEST(ScreenWordsTest, EachScreensButtonsAreInReadingOrderAndItsMainActionIsOneOfThem) {
    for (const ScreenWords& words : kScreenWords) {
        SCOPED_TRACE(words.skin);
        EXPECT_NE(words.headline, nullptr);
        bool mainFound = words.mainAction == kNoZone;
        for (int i = 0; i < kMaxScreenButtons && words.buttons[i].zone != kNoZone; ++i) {
            mainFound = mainFound || words.buttons[i].zone == words.mainAction;
            if (i == 0) continue;
            const ZoneBounds& before = Zone(words.buttons[i - 1].zone);
            const ZoneBounds& now = Zone(words.buttons[i].zone);
            EXPECT_TRUE(before.yMin < now.yMin || (before.yMin == now.yMin && before.xMin < now.xMin));
        }
        EXPECT_TRUE(mainFound);
    }
}

}  // namespace
