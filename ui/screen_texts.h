// The words painted into the skins, in one table: the skin painter draws
// them, and the window reads them out to assistive technology, so what a
// screen shows and what a screen reader says cannot drift apart.
#pragma once

#include "ui/controls.h"
#include "ui/layout.h"
#include "ui/skins.h"

// --- The words, each named once and shared by the screens that show it ---

inline constexpr char kWordsTitle[] = "Veltrane Updater";

inline constexpr char kWordsIntroHeadline[] = "Update your Veltrane Headset";
inline constexpr char kWordsIntroBody[] = "This program installs new firmware on your Veltrane Headset.";
inline constexpr char kWordsIntroCableNote[] = "Note: the USB cable supplied with the headset may only charge it.";
inline constexpr char kWordsIntroOtherCable[] =
    "If the headset is not detected, connect it with another micro-USB cable.";
inline constexpr char kWordsContinue[] = "Continue";

inline constexpr char kWordsNoConnection[] = "No connection";
inline constexpr char kWordsConnectHeadset[] = "Please connect your Veltrane Headset to a USB port.";
inline constexpr char kWordsSeveralDevices[] = "Several devices connected";
inline constexpr char kWordsUnplugOthers[] = "Please unplug all USB devices except the one";
inline constexpr char kWordsUnplugOthersEnd[] = "you want to verify or update.";

inline constexpr char kWordsAdapter[] = "Veltrane USB Adapter";
inline constexpr char kWordsHeadset[] = "Veltrane Headset";
inline constexpr char kWordsConnected[] = "Connected, with firmware v.";  // the version follows
inline constexpr char kWordsSelectFirmware[] = "Click to select a firmware package";
inline constexpr char kWordsSelectedFirmware[] = "Selected firmware:";    // the chosen entry follows
inline constexpr char kWordsVerify[] = "Verify";
inline constexpr char kWordsUpdate[] = "Update";

inline constexpr char kWordsUpdatingHeadset[] = "Updating the Veltrane Headset";
inline constexpr char kWordsVerifyingHeadset[] = "Verifying the Veltrane Headset";
inline constexpr char kWordsUpdatingAdapter[] = "Updating the Veltrane USB Adapter";
inline constexpr char kWordsVerifyingAdapter[] = "Verifying the Veltrane USB Adapter";
inline constexpr char kWordsKeepHeadset[] = "Do not unplug the headset until";
inline constexpr char kWordsKeepAdapter[] = "Do not unplug the adapter until";
inline constexpr char kWordsUntilComplete[] = "the progress is complete.";

inline constexpr char kWordsVerified[] = "Verification succeeded";
inline constexpr char kWordsAdapterMatches[] = "The firmware on the adapter matches";
inline constexpr char kWordsHeadsetMatches[] = "The firmware on the headset matches";
inline constexpr char kWordsSelectedPackage[] = "the selected package.";
inline constexpr char kWordsDone[] = "Done";

inline constexpr char kWordsUpdated[] = "Update successful";
inline constexpr char kWordsFirmwareVersion[] = "Firmware v.";  // the new version follows
inline constexpr char kWordsWasInstalled[] = "was installed.";
inline constexpr char kWordsPairingGuide[] = "Pairing guide";
inline constexpr char kWordsAfterBoth[] = "After both the headset and the base station";
inline constexpr char kWordsFollowGuide[] = "have been updated, follow the pairing guide above.";

inline constexpr char kWordsMismatch[] = "Firmware does not match";
inline constexpr char kWordsAdapterDiffers[] = "The firmware on the adapter differs from";
inline constexpr char kWordsHeadsetDiffers[] = "The firmware on the headset differs from";
inline constexpr char kWordsFailed[] = "Update failed";
inline constexpr char kWordsCheckConnection[] = "Please check the USB connection and try again.";
inline constexpr char kWordsTryAgain[] = "Try Again";
inline constexpr char kWordsCancel[] = "Cancel";

inline constexpr char kWordsInProgress[] = "Update in progress";
inline constexpr char kWordsClosingBreaks[] = "Closing the window now will put the headset out of order.";
inline constexpr char kWordsPleaseWait[] = "Please wait until the update is complete.";
inline constexpr char kWordsGotIt[] = "GOT IT";

// --- Each screen's words, in reading order ---

// No zone: a screen without a main action.
inline constexpr HitZone kNoZone = static_cast<HitZone>(0);

// A line of body text; `continuedBy` names the control whose text the
// screen shows right after it (ControlSkinView: none).
struct ScreenLine {
    const char* text = nullptr;
    ControlId continuedBy = ControlSkinView;
};

// A button, the firmware box or the help link, with the words painted on it.
struct ScreenButton {
    HitZone zone = kNoZone;
    const char* label = nullptr;
};

inline constexpr int kMaxScreenLines = 4;
inline constexpr int kMaxScreenButtons = 3;

struct ScreenWords {
    SkinId skin;
    const char* headline;
    ScreenLine lines[kMaxScreenLines];        // unused rows have no text
    ScreenButton buttons[kMaxScreenButtons];  // unused rows have no zone
    HitZone mainAction;                       // takes the focus when the screen appears
    bool progressTrack;                       // the bar runs over this screen
};

// In the skins' load order (kSkinLoadOrder).
inline constexpr ScreenWords kScreenWords[kSkinCount] = {
    {SkinNoConnection, kWordsNoConnection, {{kWordsConnectHeadset}}, {}, kNoZone, false},
    {SkinAdapterFound, kWordsAdapter, {{kWordsConnected, ControlCurrentVersionText}},
     {{ZoneFirmwareBox, kWordsSelectFirmware}, {ZoneVerify, kWordsVerify}, {ZoneUpdate, kWordsUpdate}},
     ZoneFirmwareBox, false},
    {SkinHeadsetFound, kWordsHeadset, {{kWordsConnected, ControlCurrentVersionText}},
     {{ZoneFirmwareBox, kWordsSelectFirmware}, {ZoneVerify, kWordsVerify}, {ZoneUpdate, kWordsUpdate}},
     ZoneFirmwareBox, false},
    {SkinSeveralDevices, kWordsSeveralDevices, {{kWordsUnplugOthers}, {kWordsUnplugOthersEnd}}, {}, kNoZone, false},
    {SkinHeadsetActions, kWordsHeadset, {{kWordsConnected, ControlCurrentVersionText}},
     {{ZoneFirmwareBox, kWordsSelectedFirmware}, {ZoneVerify, kWordsVerify}, {ZoneUpdate, kWordsUpdate}},
     ZoneUpdate, false},
    {SkinAdapterActions, kWordsAdapter, {{kWordsConnected, ControlCurrentVersionText}},
     {{ZoneFirmwareBox, kWordsSelectedFirmware}, {ZoneVerify, kWordsVerify}, {ZoneUpdate, kWordsUpdate}},
     ZoneUpdate, false},
    {SkinHeadsetUpdating, kWordsUpdatingHeadset, {{kWordsKeepHeadset}, {kWordsUntilComplete}}, {}, kNoZone, true},
    {SkinHeadsetVerifying, kWordsVerifyingHeadset, {{kWordsKeepHeadset}, {kWordsUntilComplete}}, {}, kNoZone, true},
    {SkinAdapterUpdating, kWordsUpdatingAdapter, {{kWordsKeepAdapter}, {kWordsUntilComplete}}, {}, kNoZone, true},
    {SkinAdapterVerifying, kWordsVerifyingAdapter, {{kWordsKeepAdapter}, {kWordsUntilComplete}}, {}, kNoZone, true},
    {SkinAdapterVerified, kWordsVerified, {{kWordsAdapterMatches}, {kWordsSelectedPackage}},
     {{ZoneDoneVerified, kWordsDone}}, ZoneDoneVerified, false},
    {SkinHeadsetVerified, kWordsVerified, {{kWordsHeadsetMatches}, {kWordsSelectedPackage}},
     {{ZoneDoneVerified, kWordsDone}}, ZoneDoneVerified, false},
    {SkinAdapterUpdated, kWordsUpdated,
     {{kWordsFirmwareVersion, ControlNewVersionText}, {kWordsWasInstalled}, {kWordsAfterBoth}, {kWordsFollowGuide}},
     {{ZoneHelpLink, kWordsPairingGuide}, {ZoneDoneUpdated, kWordsDone}}, ZoneDoneUpdated, false},
    {SkinHeadsetUpdated, kWordsUpdated,
     {{kWordsFirmwareVersion, ControlNewVersionText}, {kWordsWasInstalled}, {kWordsAfterBoth}, {kWordsFollowGuide}},
     {{ZoneHelpLink, kWordsPairingGuide}, {ZoneDoneUpdated, kWordsDone}}, ZoneDoneUpdated, false},
    {SkinAdapterMismatch, kWordsMismatch, {{kWordsAdapterDiffers}, {kWordsSelectedPackage}},
     {{ZoneTryAgain, kWordsTryAgain}, {ZoneCancel, kWordsCancel}}, ZoneTryAgain, false},
    {SkinHeadsetMismatch, kWordsMismatch, {{kWordsHeadsetDiffers}, {kWordsSelectedPackage}},
     {{ZoneTryAgain, kWordsTryAgain}, {ZoneCancel, kWordsCancel}}, ZoneTryAgain, false},
    {SkinAdapterFailed, kWordsFailed, {{kWordsCheckConnection}},
     {{ZoneTryAgain, kWordsTryAgain}, {ZoneCancel, kWordsCancel}}, ZoneTryAgain, false},
    {SkinHeadsetFailed, kWordsFailed, {{kWordsCheckConnection}},
     {{ZoneTryAgain, kWordsTryAgain}, {ZoneCancel, kWordsCancel}}, ZoneTryAgain, false},
    {SkinWarning, kWordsInProgress, {{kWordsClosingBreaks}, {kWordsPleaseWait}}, {{ZoneGotIt, kWordsGotIt}},
     ZoneGotIt, false},
    {SkinIntro, kWordsIntroHeadline, {{kWordsIntroBody}, {kWordsIntroCableNote}, {kWordsIntroOtherCable}},
     {{ZoneContinue, kWordsContinue}}, ZoneContinue, false},
};

constexpr bool ScreenWordsInLoadOrder() {
    for (int i = 0; i < kSkinCount; ++i) {
        if (kScreenWords[i].skin != kSkinLoadOrder[i]) return false;
    }
    return true;
}
static_assert(ScreenWordsInLoadOrder(), "the screens' words follow the skins' load order");

// The words of `skin`; the intro's for a value that names no skin.
constexpr const ScreenWords& WordsOf(SkinId skin) {
    for (const ScreenWords& words : kScreenWords) {
        if (words.skin == skin) return words;
    }
    return kScreenWords[kSkinCount - 1];
}
