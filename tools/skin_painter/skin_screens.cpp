// The screens' contents. Controls and zones come from ui/layout.h and every
// word from ui/screen_texts.h; the few numbers here place the free text and
// the drawings around them.
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
    {.kind = ElementText, .text = kWordsIntroHeadline, .style = StyleHeadline,
     .anchor = AnchorCentre, .x = kIntroCentre, .baseline = 208},
    {.kind = ElementText, .text = kWordsIntroBody,
     .anchor = AnchorCentre, .x = kIntroCentre, .baseline = 246},
    {.kind = ElementNote, .box = {kIntroCentre - 300, 276, 600, 66}},
    {.kind = ElementText, .text = kWordsIntroCableNote,
     .style = StyleNote, .anchor = AnchorCentre, .x = kIntroCentre, .baseline = 303},
    {.kind = ElementText, .text = kWordsIntroOtherCable,
     .style = StyleNote, .anchor = AnchorCentre, .x = kIntroCentre, .baseline = 326},
    Button(ZoneContinue, kWordsContinue, LookPrimary),
};

// --- Device screens ---

constexpr SkinElement kNoConnection[] = {
    Headline(kWordsNoConnection),
    Line(kWordsConnectHeadset, 0),
    Device(DrawingHeadset, kPairHeadsetArea, true),
    Device(DrawingAdapter, kPairAdapterArea, true),
};

constexpr SkinElement kSeveralDevices[] = {
    Headline(kWordsSeveralDevices),
    Line(kWordsUnplugOthers, 0),
    Line(kWordsUnplugOthersEnd, 1),
    Device(DrawingHeadset, kPairHeadsetArea),
    Device(DrawingAdapter, kPairAdapterArea),
};

// The line ends in "firmware v." just before the device's version.
constexpr SkinElement ConnectedLine() {
    return {.kind = ElementText,
            .text = kWordsConnected,
            .style = StyleControlFont,
            .anchor = AnchorEndBefore,
            .control = ControlCurrentVersionText,
            .gap = 2};
}

constexpr SkinElement kAdapterFound[] = {Headline(kWordsAdapter), ConnectedLine(), Device(DrawingAdapter)};
constexpr SkinElement kHeadsetFound[] = {Headline(kWordsHeadset), ConnectedLine(), Device(DrawingHeadset)};

constexpr SkinElement kChooseFirmware[] = {
    {.kind = ElementFirmwareBox, .text = kWordsSelectFirmware, .anchor = AnchorCentre,
     .control = ControlChosenFirmwareText, .zone = ZoneFirmwareBox},
    Button(ZoneVerify, kWordsVerify, LookDisabled),
    Button(ZoneUpdate, kWordsUpdate, LookDisabled),
};

// The chosen entry's text follows the box's own words.
constexpr SkinElement kFirmwareChosen[] = {
    {.kind = ElementFirmwareBox, .text = kWordsSelectedFirmware, .anchor = AnchorEndBefore,
     .control = ControlChosenFirmwareText, .gap = 6, .zone = ZoneFirmwareBox},
    Button(ZoneVerify, kWordsVerify, LookPrimary),
    Button(ZoneUpdate, kWordsUpdate, LookPrimary),
};

// --- Verify and update in progress ---

constexpr SkinElement kProgressTrack[] = {
    {.kind = ElementProgressTrack, .control = ControlProgressText},
};

constexpr SkinElement kHeadsetBusy[] = {
    {.kind = ElementText, .text = kWordsKeepHeadset, .x = kMargin, .baseline = kBelowTrackBaseline},
    {.kind = ElementText, .text = kWordsUntilComplete, .x = kMargin, .baseline = kBelowTrackBaseline + kLineStep},
    Device(DrawingHeadset),
};

constexpr SkinElement kAdapterBusy[] = {
    {.kind = ElementText, .text = kWordsKeepAdapter, .x = kMargin, .baseline = kBelowTrackBaseline},
    {.kind = ElementText, .text = kWordsUntilComplete, .x = kMargin, .baseline = kBelowTrackBaseline + kLineStep},
    Device(DrawingAdapter),
};

constexpr SkinElement kHeadsetUpdatingHeadline[] = {Headline(kWordsUpdatingHeadset)};
constexpr SkinElement kHeadsetVerifyingHeadline[] = {Headline(kWordsVerifyingHeadset)};
constexpr SkinElement kAdapterUpdatingHeadline[] = {Headline(kWordsUpdatingAdapter)};
constexpr SkinElement kAdapterVerifyingHeadline[] = {Headline(kWordsVerifyingAdapter)};

// --- Results ---

constexpr SkinElement kVerified[] = {
    Headline(kWordsVerified),
    Line(kWordsSelectedPackage, 1),
    Button(ZoneDoneVerified, kWordsDone, LookPrimary),
};
constexpr SkinElement kAdapterMatches[] = {Line(kWordsAdapterMatches, 0), Device(DrawingAdapter)};
constexpr SkinElement kHeadsetMatches[] = {Line(kWordsHeadsetMatches, 0), Device(DrawingHeadset)};

// kWordsFirmwareVersion and kWordsWasInstalled leave the new version between them;
// the explanation stays below the power-cycle notice's two lines.
constexpr SkinElement kUpdated[] = {
    Headline(kWordsUpdated),
    {.kind = ElementText, .text = kWordsFirmwareVersion, .style = StyleControlFont, .anchor = AnchorEndBefore,
     .control = ControlNewVersionText, .gap = 2},
    {.kind = ElementText, .text = kWordsWasInstalled, .style = StyleControlFont, .anchor = AnchorAfter,
     .control = ControlNewVersionText, .gap = 6},
    {.kind = ElementLink, .text = kWordsPairingGuide, .zone = ZoneHelpLink},
    {.kind = ElementText, .text = kWordsAfterBoth, .x = kMargin,
     .baseline = 70, .control = ControlNewVersionText},
    {.kind = ElementText, .text = kWordsFollowGuide, .x = kMargin,
     .baseline = 70 + kLineStep, .control = ControlNewVersionText},
    Button(ZoneDoneUpdated, kWordsDone, LookPrimary),
};

constexpr SkinElement kAdapterUpdatedDevice[] = {Device(DrawingAdapter, kUpdatedDeviceArea)};
constexpr SkinElement kHeadsetUpdatedDevice[] = {Device(DrawingHeadset, kUpdatedDeviceArea)};

constexpr SkinElement kRetryButtons[] = {
    Button(ZoneTryAgain, kWordsTryAgain, LookPrimary),
    Button(ZoneCancel, kWordsCancel, LookSecondary),
};

constexpr SkinElement kMismatch[] = {
    Headline(kWordsMismatch),
    Line(kWordsSelectedPackage, 1),
};
constexpr SkinElement kAdapterDiffers[] = {Line(kWordsAdapterDiffers, 0), Device(DrawingAdapter)};
constexpr SkinElement kHeadsetDiffers[] = {Line(kWordsHeadsetDiffers, 0), Device(DrawingHeadset)};

constexpr SkinElement kFailedText[] = {
    Headline(kWordsFailed),
    Line(kWordsCheckConnection, 0),
};

constexpr SkinElement kAdapterDevice[] = {Device(DrawingAdapter)};
constexpr SkinElement kHeadsetDevice[] = {Device(DrawingHeadset)};

// --- Warning panel ---

constexpr SkinElement kWarning[] = {
    {.kind = ElementWarningSign, .box = {kPanelMargin, 132, 38, 34}},
    Headline(kWordsInProgress, kPanelMargin + 52, 160),
    {.kind = ElementText, .text = kWordsClosingBreaks,
     .x = kPanelMargin, .baseline = 214},
    {.kind = ElementText, .text = kWordsPleaseWait, .x = kPanelMargin,
     .baseline = 214 + kLineStep + 8},
    Button(ZoneGotIt, kWordsGotIt, LookPrimary),
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
