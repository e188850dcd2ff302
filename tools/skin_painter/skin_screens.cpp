// The screens' contents. Controls and zones come from ui/layout.h; the few
// numbers here place the free text and the drawings around them.
#include "tools/skin_painter/skin_screens.h"

namespace {

// Text columns start at the firmware box's edge, which also lines up with
// the buttons below it.
constexpr int kMargin = Zone(ZoneFirmwareBox).xMin;
constexpr int kHeadlineBaseline = 140;
constexpr int kLineStep = 24;
// The text on the intro is centred over its Continue button.
constexpr int kIntroCentre = (Zone(ZoneContinue).xMin + Zone(ZoneContinue).xMax + 1) / 2;
// The warning panel's text starts where its GOT IT button does.
constexpr int kPanelMargin = Zone(ZoneGotIt).xMin + int(kButtonInset);
// On the verify and update screens the line under the progress track.
constexpr int kBelowTrackBaseline =
    ControlById(ControlProgressText).rect.y + ControlById(ControlProgressText).rect.height + 40;

// Right-hand drawing areas, clear of every control and zone on the left.
constexpr PixelRect kDeviceArea = {480, 160, 270, 300};
constexpr PixelRect kUpdatedDeviceArea = {570, 150, 190, 290};
// Both devices side by side, standing on one floor.
constexpr PixelRect kPairHeadsetArea = {470, 170, 200, 200};
constexpr PixelRect kPairAdapterArea = {680, 220, 70, 140};

constexpr SkinElement Headline(const char* text, int x = kMargin, int baseline = kHeadlineBaseline) {
    return {.kind = ElementText, .text = text, .style = StyleHeadline, .x = x, .baseline = baseline};
}

// Body lines counted from the line the device's version shows on.
constexpr SkinElement Line(const char* text, int line, TextStyle style = StyleBody) {
    return {.kind = ElementText,
            .text = text,
            .style = style,
            .x = kMargin,
            .baseline = line * kLineStep,
            .control = ControlCurrentVersionText};
}

constexpr SkinElement Button(HitZone zone, const char* label, ButtonLook look) {
    return {.kind = ElementButton, .text = label, .zone = zone, .look = look};
}

constexpr SkinElement Device(DeviceDrawing device, PixelRect box = kDeviceArea, bool dimmed = false) {
    return {.kind = ElementDevice, .device = device, .box = box, .dimmed = dimmed};
}

// --- Intro ---

constexpr SkinElement kIntro[] = {
    Device(DrawingHeadset, {kIntroCentre - 70, 64, 140, 100}),
    {.kind = ElementText, .text = "Update your Veltrane Headset", .style = StyleHeadline,
     .anchor = AnchorCentre, .x = kIntroCentre, .baseline = 208},
    {.kind = ElementText, .text = "This program installs new firmware on your Veltrane Headset.",
     .anchor = AnchorCentre, .x = kIntroCentre, .baseline = 246},
    {.kind = ElementNote, .box = {kIntroCentre - 300, 276, 600, 66}},
    {.kind = ElementText, .text = "Note: the USB cable supplied with the headset may only charge it.",
     .style = StyleNote, .anchor = AnchorCentre, .x = kIntroCentre, .baseline = 303},
    {.kind = ElementText, .text = "If the headset is not detected, connect it with another micro-USB cable.",
     .style = StyleNote, .anchor = AnchorCentre, .x = kIntroCentre, .baseline = 326},
    Button(ZoneContinue, "Continue", LookPrimary),
};

// --- Device screens ---

constexpr SkinElement kNoConnection[] = {
    Headline("No connection"),
    Line("Please connect your Veltrane Headset to a USB port.", 0),
    Device(DrawingHeadset, kPairHeadsetArea, true),
    Device(DrawingAdapter, kPairAdapterArea, true),
};

constexpr SkinElement kSeveralDevices[] = {
    Headline("Several devices connected"),
    Line("Please unplug all USB devices except the one", 0),
    Line("you want to verify or update.", 1),
    Device(DrawingHeadset, kPairHeadsetArea),
    Device(DrawingAdapter, kPairAdapterArea),
};

// The line ends in "firmware v." just before the device's version.
constexpr SkinElement ConnectedLine() {
    return {.kind = ElementText,
            .text = "Connected, with firmware v.",
            .style = StyleControlFont,
            .anchor = AnchorEndBefore,
            .control = ControlCurrentVersionText,
            .gap = 2};
}

constexpr SkinElement kAdapterFound[] = {Headline("Veltrane USB Adapter"), ConnectedLine(), Device(DrawingAdapter)};
constexpr SkinElement kHeadsetFound[] = {Headline("Veltrane Headset"), ConnectedLine(), Device(DrawingHeadset)};

constexpr SkinElement kChooseFirmware[] = {
    {.kind = ElementFirmwareBox, .text = "Click to select a firmware package", .anchor = AnchorCentre,
     .control = ControlChosenFirmwareText, .zone = ZoneFirmwareBox},
    Button(ZoneVerify, "Verify", LookDisabled),
    Button(ZoneUpdate, "Update", LookDisabled),
};

// The chosen entry's text follows the box's own words.
constexpr SkinElement kFirmwareChosen[] = {
    {.kind = ElementFirmwareBox, .text = "Selected firmware:", .anchor = AnchorEndBefore,
     .control = ControlChosenFirmwareText, .gap = 6, .zone = ZoneFirmwareBox},
    Button(ZoneVerify, "Verify", LookPrimary),
    Button(ZoneUpdate, "Update", LookPrimary),
};

// --- Verify and update in progress ---

constexpr SkinElement kProgressTrack[] = {
    {.kind = ElementProgressTrack, .control = ControlProgressText},
};

constexpr SkinElement kHeadsetBusy[] = {
    {.kind = ElementText, .text = "Do not unplug the headset until", .x = kMargin, .baseline = kBelowTrackBaseline},
    {.kind = ElementText, .text = "the progress is complete.", .x = kMargin, .baseline = kBelowTrackBaseline + kLineStep},
    Device(DrawingHeadset),
};

constexpr SkinElement kAdapterBusy[] = {
    {.kind = ElementText, .text = "Do not unplug the adapter until", .x = kMargin, .baseline = kBelowTrackBaseline},
    {.kind = ElementText, .text = "the progress is complete.", .x = kMargin, .baseline = kBelowTrackBaseline + kLineStep},
    Device(DrawingAdapter),
};

constexpr SkinElement kHeadsetUpdatingHeadline[] = {Headline("Updating the Veltrane Headset")};
constexpr SkinElement kHeadsetVerifyingHeadline[] = {Headline("Verifying the Veltrane Headset")};
constexpr SkinElement kAdapterUpdatingHeadline[] = {Headline("Updating the Veltrane USB Adapter")};
constexpr SkinElement kAdapterVerifyingHeadline[] = {Headline("Verifying the Veltrane USB Adapter")};

// --- Results ---

constexpr SkinElement kVerified[] = {
    Headline("Verification succeeded"),
    Line("the selected package.", 1),
    Button(ZoneDoneVerified, "Done", LookPrimary),
};
constexpr SkinElement kAdapterMatches[] = {Line("The firmware on the adapter matches", 0), Device(DrawingAdapter)};
constexpr SkinElement kHeadsetMatches[] = {Line("The firmware on the headset matches", 0), Device(DrawingHeadset)};

// "Firmware v." and "was installed." leave the new version between them;
// the explanation stays below the power-cycle notice's two lines.
constexpr SkinElement kUpdated[] = {
    Headline("Update successful"),
    {.kind = ElementText, .text = "Firmware v.", .style = StyleControlFont, .anchor = AnchorEndBefore,
     .control = ControlNewVersionText, .gap = 2},
    {.kind = ElementText, .text = "was installed.", .style = StyleControlFont, .anchor = AnchorAfter,
     .control = ControlNewVersionText, .gap = 6},
    {.kind = ElementLink, .text = "Pairing guide", .zone = ZoneHelpLink},
    {.kind = ElementText, .text = "After both the headset and the base station", .x = kMargin,
     .baseline = 70, .control = ControlNewVersionText},
    {.kind = ElementText, .text = "have been updated, follow the pairing guide above.", .x = kMargin,
     .baseline = 70 + kLineStep, .control = ControlNewVersionText},
    Button(ZoneDoneUpdated, "Done", LookPrimary),
};

constexpr SkinElement kAdapterUpdatedDevice[] = {Device(DrawingAdapter, kUpdatedDeviceArea)};
constexpr SkinElement kHeadsetUpdatedDevice[] = {Device(DrawingHeadset, kUpdatedDeviceArea)};

constexpr SkinElement kRetryButtons[] = {
    Button(ZoneTryAgain, "Try Again", LookPrimary),
    Button(ZoneCancel, "Cancel", LookSecondary),
};

constexpr SkinElement kMismatch[] = {
    Headline("Firmware does not match"),
    Line("the selected package.", 1),
};
constexpr SkinElement kAdapterDiffers[] = {Line("The firmware on the adapter differs from", 0), Device(DrawingAdapter)};
constexpr SkinElement kHeadsetDiffers[] = {Line("The firmware on the headset differs from", 0), Device(DrawingHeadset)};

constexpr SkinElement kFailedText[] = {
    Headline("Update failed"),
    Line("Please check the USB connection and try again.", 0),
};

constexpr SkinElement kAdapterDevice[] = {Device(DrawingAdapter)};
constexpr SkinElement kHeadsetDevice[] = {Device(DrawingHeadset)};

// --- Warning panel ---

constexpr SkinElement kWarning[] = {
    {.kind = ElementWarningSign, .box = {kPanelMargin, 132, 38, 34}},
    Headline("Update in progress", kPanelMargin + 52, 160),
    {.kind = ElementText, .text = "Closing the window now will put the headset out of order.",
     .x = kPanelMargin, .baseline = 214},
    {.kind = ElementText, .text = "Please wait until the update is complete.", .x = kPanelMargin,
     .baseline = 214 + kLineStep + 8},
    Button(ZoneGotIt, "GOT IT", LookPrimary),
};

constexpr SkinScreen kScreens[] = {
    {SkinNoConnection, "SkinNoConnection", {kNoConnection}, {}, 0},
    {SkinAdapterFound, "SkinAdapterFound", {kAdapterFound, kChooseFirmware}, {ControlCurrentVersionText}, 1},
    {SkinHeadsetFound, "SkinHeadsetFound", {kHeadsetFound, kChooseFirmware}, {ControlCurrentVersionText}, 1},
    {SkinSeveralDevices, "SkinSeveralDevices", {kSeveralDevices}, {}, 0},
    {SkinHeadsetActions, "SkinHeadsetActions", {kHeadsetFound, kFirmwareChosen},
     {ControlCurrentVersionText, ControlChosenFirmwareText}, 2},
    {SkinAdapterActions, "SkinAdapterActions", {kAdapterFound, kFirmwareChosen},
     {ControlCurrentVersionText, ControlChosenFirmwareText}, 2},
    {SkinHeadsetUpdating, "SkinHeadsetUpdating", {kHeadsetUpdatingHeadline, kProgressTrack, kHeadsetBusy},
     {ControlProgressText, ControlPercentText}, 2},
    {SkinHeadsetVerifying, "SkinHeadsetVerifying", {kHeadsetVerifyingHeadline, kProgressTrack, kHeadsetBusy},
     {ControlProgressText, ControlPercentText}, 2},
    {SkinAdapterUpdating, "SkinAdapterUpdating", {kAdapterUpdatingHeadline, kProgressTrack, kAdapterBusy},
     {ControlProgressText, ControlPercentText}, 2},
    {SkinAdapterVerifying, "SkinAdapterVerifying", {kAdapterVerifyingHeadline, kProgressTrack, kAdapterBusy},
     {ControlProgressText, ControlPercentText}, 2},
    {SkinAdapterVerified, "SkinAdapterVerified", {kVerified, kAdapterMatches}, {}, 0},
    {SkinHeadsetVerified, "SkinHeadsetVerified", {kVerified, kHeadsetMatches}, {}, 0},
    {SkinAdapterUpdated, "SkinAdapterUpdated", {kUpdated, kAdapterUpdatedDevice}, {ControlNewVersionText}, 1},
    {SkinHeadsetUpdated, "SkinHeadsetUpdated", {kUpdated, kHeadsetUpdatedDevice}, {ControlNewVersionText}, 1},
    {SkinAdapterMismatch, "SkinAdapterMismatch", {kMismatch, kAdapterDiffers, kRetryButtons}, {ControlReasonText}, 1},
    {SkinHeadsetMismatch, "SkinHeadsetMismatch", {kMismatch, kHeadsetDiffers, kRetryButtons}, {ControlReasonText}, 1},
    {SkinAdapterFailed, "SkinAdapterFailed", {kFailedText, kRetryButtons, kAdapterDevice}, {ControlReasonText}, 1},
    {SkinHeadsetFailed, "SkinHeadsetFailed", {kFailedText, kRetryButtons, kHeadsetDevice}, {ControlReasonText}, 1},
    {SkinWarning, "SkinWarning", {kWarning}, {}, 0},
    {SkinIntro, "SkinIntro", {kIntro}, {}, 0},
};

static_assert(sizeof kScreens / sizeof kScreens[0] == kSkinCount);

constexpr bool InLoadOrder() {
    for (int i = 0; i < kSkinCount; ++i) {
        if (kScreens[i].id != kSkinLoadOrder[i]) return false;
    }
    return true;
}
static_assert(InLoadOrder(), "the screens follow the skins' load order");

}  // namespace

std::span<const SkinScreen> SkinScreens() { return kScreens; }

const SkinScreen* FindSkinScreen(SkinId skin) {
    for (const SkinScreen& screen : kScreens) {
        if (screen.id == skin) return &screen;
    }
    return nullptr;
}
