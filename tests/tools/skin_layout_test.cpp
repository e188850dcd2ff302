// The painted skins against the window's layout: buttons inside their zones,
// painted words lined up with the controls that continue them, the areas
// under the controls left clear, and byte-exact BMP and ICO files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tools/skin_painter/skin_bitmap.h"
#include "tools/skin_painter/skin_draw.h"
#include "tools/skin_painter/skin_outputs.h"
#include "tools/skin_painter/skin_placement.h"
#include "ui/skin_resource.h"

namespace {

uint32_t Read32(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

uint16_t Read16(const std::vector<uint8_t>& bytes, size_t at) { return uint16_t(bytes[at] | bytes[at + 1] << 8); }

// --- File formats ---

TEST(SkinBitmapTest, ASkinResourceInflatesToItsPixelsOverBlackAndADamagedOneToNothing) {
    // 3 x 2 pixels, top row first: red, green, half-transparent white; white, black, blue.
    const uint32_t pixels[6] = {0xFFFF0000, 0xFF00FF00, 0x80808080, 0xFFFFFFFF, 0xFF000000, 0xFF0000FF};
    const std::vector<uint8_t> resource = EncodeSkinResource({reinterpret_cast<const uint8_t*>(pixels), 3, 2, 12});
    int width = 0, height = 0;
    ASSERT_TRUE(ReadSkinResourceSize(resource.data(), resource.size(), width, height));
    EXPECT_EQ(width * 10 + height, 32);
    uint8_t shown[24] = {};
    ASSERT_TRUE(InflateSkinResource(resource.data(), resource.size(), shown, sizeof shown));
    const uint8_t expected[24] = {0, 0, 255, 0, 0, 255, 0, 0, 128, 128, 128, 0,
                                  255, 255, 255, 0, 0, 0, 0, 0, 255, 0, 0, 0};
    EXPECT_EQ(std::memcmp(shown, expected, sizeof shown), 0);

    EXPECT_FALSE(InflateSkinResource(resource.data(), resource.size(), shown, sizeof shown - 4));  // another size
    EXPECT_FALSE(InflateSkinResource(resource.data(), resource.size() - 1, shown, sizeof shown));  // cut short
    std::vector<uint8_t> damaged = resource;
    damaged[kSkinResourceHeaderBytes + 4] ^= 0xFF;
    EXPECT_FALSE(InflateSkinResource(damaged.data(), damaged.size(), shown, sizeof shown));
    damaged = resource;
    damaged[0] = 2;  // says 2 x 2: the stream holds more than that
    uint8_t smaller[16] = {};
    EXPECT_FALSE(InflateSkinResource(damaged.data(), damaged.size(), smaller, sizeof smaller));
    damaged[3] = 0x80;  // beyond any skin
    EXPECT_FALSE(ReadSkinResourceSize(damaged.data(), damaged.size(), width, height));
}

TEST(SkinBitmapTest, RefusesEmptyOrOverlongInput) {
    const uint32_t pixel = 0xFF000000;
    const uint8_t* data = reinterpret_cast<const uint8_t*>(&pixel);
    const PixelView empty = {data, 0, 1, 4};
    const PixelView narrowRows = {data, 2, 1, 4};  // stride shorter than a row
    EXPECT_TRUE(EncodeIco(&empty, 1).empty());
    EXPECT_TRUE(EncodeIco(&narrowRows, 1).empty());
    const PixelView tooBig = {data, 257, 1, 257 * 4};
    EXPECT_TRUE(EncodeIco(&tooBig, 1).empty());
    EXPECT_TRUE(EncodeIco(nullptr, 1).empty());
}

TEST(SkinBitmapTest, IcoEntriesPointAtTheirImagesWithStraightAlphaAndMask) {
    // Image 0: 2 x 1, an opaque blue pixel and a clear one. Image 1: 1 x 1 half-transparent red.
    const uint32_t first[2] = {0xFF0000FF, 0x00000000};
    const uint32_t second[1] = {0x80800000};
    const PixelView images[2] = {{reinterpret_cast<const uint8_t*>(first), 2, 1, 8},
                                 {reinterpret_cast<const uint8_t*>(second), 1, 1, 4}};
    const std::vector<uint8_t> ico = EncodeIco(images, 2);
    ASSERT_GE(ico.size(), 6u + 32u);
    EXPECT_EQ(Read16(ico, 0), 0);
    EXPECT_EQ(Read16(ico, 2), 1);
    EXPECT_EQ(Read16(ico, 4), 2);

    const uint32_t imageBytes0 = 40 + 2 * 4 + 4;  // header, colour, one padded mask row
    EXPECT_EQ(ico[6], 2);
    EXPECT_EQ(ico[7], 1);
    EXPECT_EQ(Read16(ico, 6 + 6), 32);
    EXPECT_EQ(Read32(ico, 6 + 8), imageBytes0);
    EXPECT_EQ(Read32(ico, 6 + 12), 38u);
    EXPECT_EQ(Read32(ico, 22 + 12), 38u + imageBytes0);
    EXPECT_EQ(Read32(ico, 22 + 12) + Read32(ico, 22 + 8), ico.size());

    const size_t image0 = 38;
    EXPECT_EQ(Read32(ico, image0 + 8), 2u);  // colour and mask heights together
    const uint8_t colour0[8] = {255, 0, 0, 255, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(ico.data() + image0 + 40, colour0, 8), 0);
    EXPECT_EQ(ico[image0 + 48], 0x40);  // only the clear pixel is masked

    const size_t image1 = 38 + imageBytes0;
    const uint8_t colour1[4] = {0, 0, 255, 128};  // unpremultiplied
    EXPECT_EQ(std::memcmp(ico.data() + image1 + 40, colour1, 4), 0);
}

// --- The painted skins ---

bool SameColour(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// A rendered skin, read in window pixels.
struct Skin {
    SkinId id;
    cairo_surface_t* surface;

    Rgb At(int x, int y) const {
        const PixelRect canvas = SkinCanvas(id);
        const uint8_t* row = cairo_image_surface_get_data(surface) +
                             size_t(y - canvas.y) * cairo_image_surface_get_stride(surface);
        uint32_t word;
        std::memcpy(&word, row + size_t(x - canvas.x) * 4, 4);
        return {uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word)};
    }

    // Counts the pixels of a window-pixel box (whole pixels it touches) that differ from `colour`.
    int CountOther(const Box& box, Rgb colour) const {
        int count = 0;
        for (int y = int(box.top); y < int(std::ceil(box.bottom)); ++y) {
            for (int x = int(box.left); x < int(std::ceil(box.right)); ++x) count += SameColour(At(x, y), colour) ? 0 : 1;
        }
        return count;
    }
};

class SkinLayoutTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(LoadSkinFonts(fonts));
        for (const SkinScreen& screen : SkinScreens()) skins.push_back({screen.id, PaintSkin(fonts, screen)});
    }
    static void TearDownTestSuite() {
        for (const Skin& skin : skins) cairo_surface_destroy(skin.surface);
        skins.clear();
        ReleaseSkinFonts(fonts);
    }

    static const Skin& Painted(SkinId id) {
        for (const Skin& skin : skins) {
            if (skin.id == id) return skin;
        }
        return skins.front();
    }

    static std::vector<SkinElement> Elements(SkinId id) {
        std::vector<SkinElement> all;
        for (const auto& part : FindSkinScreen(id)->parts) all.insert(all.end(), part.begin(), part.end());
        return all;
    }

    // The text element that ends with `words`; fails the test when there is none.
    static SkinElement TextEndingWith(SkinId id, const std::string& words) {
        for (const SkinElement& element : Elements(id)) {
            if (element.kind != ElementText) continue;
            const std::string text = element.text;
            if (text.size() >= words.size() && text.compare(text.size() - words.size(), words.size(), words) == 0) {
                return element;
            }
        }
        ADD_FAILURE() << "skin " << id << " has no text ending in \"" << words << "\"";
        return {.kind = ElementText, .text = ""};
    }

    static SkinFonts fonts;
    static std::vector<Skin> skins;
};

SkinFonts SkinLayoutTest::fonts;
std::vector<Skin> SkinLayoutTest::skins;

constexpr SkinId kFoundAndActions[] = {SkinAdapterFound, SkinHeadsetFound, SkinHeadsetActions, SkinAdapterActions};
constexpr SkinId kInProgress[] = {SkinHeadsetUpdating, SkinHeadsetVerifying, SkinAdapterUpdating, SkinAdapterVerifying};
constexpr SkinId kUpdated[] = {SkinAdapterUpdated, SkinHeadsetUpdated};

TEST_F(SkinLayoutTest, ButtonsLieTwoPixelsInsideTheirZonesWithTheEdgeLeftUnpainted) {
    int buttons = 0;
    for (const SkinScreen& screen : SkinScreens()) {
        for (const SkinElement& element : Elements(screen.id)) {
            if (element.kind != ElementButton) continue;
            ++buttons;
            const Box zone = ZoneBox(Zone(element.zone));
            const Box button = ElementShape(fonts, element);
            EXPECT_TRUE(LiesInside(button, zone, 2)) << screen.name << " zone " << element.zone;
            EXPECT_TRUE(LiesInside(PlaceText(fonts, element).ink, button, 4)) << screen.name << " " << element.text;

            // The two outer pixel rings of the zone show the page, the middle the button.
            const Skin& skin = Painted(screen.id);
            const Rgb page = screen.id == SkinWarning ? kPanelColour : kPageColour;
            EXPECT_EQ(skin.CountOther({zone.left, zone.top, zone.right, zone.top + 2}, page), 0) << screen.name;
            EXPECT_EQ(skin.CountOther({zone.left, zone.bottom - 2, zone.right, zone.bottom}, page), 0) << screen.name;
            EXPECT_EQ(skin.CountOther({zone.left, zone.top, zone.left + 2, zone.bottom}, page), 0) << screen.name;
            EXPECT_EQ(skin.CountOther({zone.right - 2, zone.top, zone.right, zone.bottom}, page), 0) << screen.name;
            EXPECT_FALSE(SameColour(skin.At(int(zone.left) + 10, int(zone.top + zone.bottom) / 2), page)) << screen.name;
        }
    }
    EXPECT_EQ(buttons, 22);

    // Disabled until a firmware is chosen, enabled after.
    for (SkinId id : kFoundAndActions) {
        const bool chosen = id == SkinHeadsetActions || id == SkinAdapterActions;
        for (const SkinElement& element : Elements(id)) {
            if (element.kind == ElementButton) {
                EXPECT_EQ(element.look == LookDisabled, !chosen) << id;
            }
        }
    }
}

TEST_F(SkinLayoutTest, ControlBaselinesFollowTheFontsWindowsCellMetrics) {
    // Open Sans: ascent 2189 and descent 600 font units, 2048 to the em.
    EXPECT_NEAR(EmForCell(fonts, 24), 24 * 2048 / 2789.0, 1e-9);
    EXPECT_EQ(ControlBaseline(fonts, ControlCurrentVersionText), 163 + 19);
    EXPECT_EQ(ControlBaseline(fonts, ControlNewVersionText), 189 + 24);
    EXPECT_EQ(ControlBaseline(fonts, ControlChosenFirmwareText), 241 + 19);
}

TEST_F(SkinLayoutTest, FirmwareVersionWordsEndJustBeforeTheVersionOnItsBaseline) {
    for (SkinId id : kFoundAndActions) {
        const TextPlacement words = PlaceText(fonts, TextEndingWith(id, "firmware v."));
        const Box version = ControlBox(ControlCurrentVersionText);
        EXPECT_GE(version.left - words.ink.right, 1) << id;
        EXPECT_LE(version.left - words.ink.right, 3) << id;
        EXPECT_EQ(words.baseline, ControlBaseline(fonts, ControlCurrentVersionText)) << id;
        EXPECT_NEAR(words.size, EmForCell(fonts, 24), 1e-9) << id;
        EXPECT_GE(words.ink.left, Zone(ZoneFirmwareBox).xMin) << id;  // the line fits the column
        EXPECT_EQ(Painted(id).CountOther(version, kPageColour), 0) << id;
    }
    for (SkinId id : kUpdated) {
        const TextPlacement words = PlaceText(fonts, TextEndingWith(id, "Firmware v."));
        const TextPlacement rest = PlaceText(fonts, TextEndingWith(id, "installed."));
        const Box version = ControlBox(ControlNewVersionText);
        EXPECT_GE(version.left - words.ink.right, 1) << id;
        EXPECT_LE(version.left - words.ink.right, 3) << id;
        EXPECT_GE(rest.ink.left - words.ink.right, 50) << id;
        EXPECT_EQ(words.baseline, ControlBaseline(fonts, ControlNewVersionText)) << id;
        EXPECT_EQ(rest.baseline, words.baseline) << id;
        // The version's one line of text lands on bare page.
        const Box firstLine = {version.left, version.top, version.right, version.top + 30};
        EXPECT_EQ(Painted(id).CountOther(firstLine, kPageColour), 0) << id;
    }
}

TEST_F(SkinLayoutTest, FirmwareBoxFillsItsZoneAndLeavesTheChosenEntryRoom) {
    for (SkinId id : kFoundAndActions) {
        const bool chosen = id == SkinHeadsetActions || id == SkinAdapterActions;
        SkinElement box = {};
        for (const SkinElement& element : Elements(id)) {
            if (element.kind == ElementFirmwareBox) box = element;
        }
        ASSERT_EQ(box.kind, ElementFirmwareBox) << id;
        EXPECT_EQ(box.zone, ZoneFirmwareBox);
        const Box zone = ZoneBox(Zone(ZoneFirmwareBox));
        const TextPlacement words = PlaceText(fonts, box);
        EXPECT_TRUE(LiesInside(words.ink, zone, 8)) << id;
        EXPECT_EQ(words.baseline, ControlBaseline(fonts, ControlChosenFirmwareText));
        // The box's corners are rounded inside the zone; its middle row is box from edge to edge.
        const int middle = int(zone.top + zone.bottom) / 2;
        EXPECT_FALSE(SameColour(Painted(id).At(int(zone.left), middle), kPageColour)) << id;
        EXPECT_FALSE(SameColour(Painted(id).At(int(zone.right) - 1, middle), kPageColour)) << id;
        if (chosen) {
            EXPECT_LT(words.ink.right, 228) << id;
            EXPECT_EQ(Painted(id).CountOther(ControlBox(ControlChosenFirmwareText), kBoxColour), 0) << id;
        } else {
            EXPECT_STREQ(box.text, "Click to select a firmware package");
        }
    }
}

TEST_F(SkinLayoutTest, ProgressTrackLiesExactlyUnderTheBarAndThePercentageStaysClear) {
    const Box bar = ControlBox(ControlProgressText);
    for (SkinId id : kInProgress) {
        const Skin& skin = Painted(id);
        EXPECT_EQ(skin.CountOther(bar, kTrackColour), 0) << id;
        EXPECT_EQ(skin.CountOther({bar.left - 1, bar.top - 1, bar.right + 1, bar.top}, kTrackBorderColour), 0) << id;
        EXPECT_EQ(skin.CountOther({bar.left - 1, bar.bottom, bar.right + 1, bar.bottom + 1}, kTrackBorderColour), 0);
        EXPECT_TRUE(SameColour(skin.At(int(bar.left) - 2, int(bar.top)), kPageColour)) << id;
        EXPECT_EQ(skin.CountOther(ControlBox(ControlPercentText), kPageColour), 0) << id;
    }
}

TEST_F(SkinLayoutTest, TheReasonLineGetsBarePageOnTheFailedAndMismatchScreens) {
    const Box reason = ControlBox(ControlReasonText);
    for (SkinId id : {SkinAdapterMismatch, SkinHeadsetMismatch, SkinAdapterFailed, SkinHeadsetFailed}) {
        const SkinScreen& screen = *FindSkinScreen(id);
        ASSERT_EQ(screen.clearCount, 1) << screen.name;
        EXPECT_EQ(screen.clearControls[0], ControlReasonText) << screen.name;
        EXPECT_EQ(Painted(id).CountOther(reason, kPageColour), 0) << screen.name;
        // Below the buttons, which stay where they were.
        EXPECT_GT(reason.top, ZoneBox(Zone(ZoneTryAgain)).bottom + 8) << screen.name;
    }
    EXPECT_TRUE(SameColour(kBodyColour, kBodyTextColour));
}

TEST_F(SkinLayoutTest, HelpLinkIsBlueInsideItsZoneAndTheNoticeOnlyMeetsTheLink) {
    const Box zone = ZoneBox(Zone(ZoneHelpLink));
    for (SkinId id : kUpdated) {
        for (const SkinElement& element : Elements(id)) {
            if (element.kind != ElementLink) continue;
            EXPECT_TRUE(LiesInside(ElementShape(fonts, element), zone, 1)) << id;
            const TextPlacement link = PlaceText(fonts, element);
            EXPECT_GT(link.colour.b, link.colour.r + 80);
            // The underline is painted in the link colour.
            EXPECT_TRUE(SameColour(Painted(id).At(int(link.ink.left) + 2, int(link.baseline + kUnderlineOffset)),
                                   kLinkColour));
        }
    }

    // The red notice, laid out as its control draws it: the text from the
    // control's corner, a second line one cell lower.
    const Box control = ControlBox(ControlPowerCycleText);
    const std::string text = kPowerCycleText;
    const std::string lines[2] = {text.substr(0, text.find('\n')), text.substr(text.find('\n') + 1)};
    const double size = EmForCell(fonts, kFontLayout[FontLabel].cellHeight);
    for (int i = 0; i < 2; ++i) {
        const Box ink = Shifted(MeasureText(fonts, FaceRegular, size, lines[i].c_str()).ink, control.left,
                                ControlBaseline(fonts, ControlPowerCycleText) + i * kFontLayout[FontLabel].cellHeight);
        for (const SkinElement& element : Elements(SkinAdapterUpdated)) {
            if (element.kind == ElementLink) continue;
            EXPECT_FALSE(Overlaps(ElementShape(fonts, element), ink)) << "notice line " << i << " meets "
                                                                       << (element.text ? element.text : "a shape");
        }
    }
}

// Nothing painted may sit under a control that draws over the skin, and the
// free elements keep clear of each other and of the buttons' zones.
TEST_F(SkinLayoutTest, TextsAndDrawingsKeepClearOfControlsZonesAndEachOther) {
    for (const SkinScreen& screen : SkinScreens()) {
        const std::vector<SkinElement> elements = Elements(screen.id);
        const Box canvas = RectBox(SkinCanvas(screen.id));
        for (size_t i = 0; i < elements.size(); ++i) {
            const SkinElement& a = elements[i];
            const Box shape = ElementShape(fonts, a);
            const bool free = a.kind == ElementText || a.kind == ElementDevice || a.kind == ElementWarningSign;
            EXPECT_TRUE(LiesInside(shape, canvas, 8)) << screen.name << " element " << i;
            if (a.kind == ElementDevice) {
                EXPECT_GT(shape.top, kTitleStripHeight + 8) << screen.name;
            }
            if (!free) continue;
            for (int c = 0; c < screen.clearCount; ++c) {
                EXPECT_FALSE(Overlaps(shape, ControlBox(screen.clearControls[c]))) << screen.name << " element " << i;
            }
            for (size_t j = 0; j < elements.size(); ++j) {
                const SkinElement& b = elements[j];
                if (j == i || b.kind == ElementNote) continue;
                const bool zoned = b.kind == ElementButton || b.kind == ElementFirmwareBox || b.kind == ElementLink;
                const Box other = zoned ? ZoneBox(Zone(b.zone)) : ElementShape(fonts, b);
                EXPECT_FALSE(Overlaps(shape, other)) << screen.name << " elements " << i << " and " << j;
            }
        }
    }
}

TEST_F(SkinLayoutTest, TitleStripGlyphsStayInsideTheirBounds) {
    const ZoneBounds glyphs[3] = {kMinimiseGlyph, kMaximiseGlyph, kCloseGlyph};
    for (const Skin& skin : skins) {
        if (skin.id == SkinWarning) continue;
        int outside = 0;
        for (int y = 0; y < kTitleStripHeight; ++y) {
            for (int x = glyphs[0].xMin - 10; x < kWindowWidth; ++x) {
                bool inGlyph = false;
                for (const ZoneBounds& glyph : glyphs) inGlyph = inGlyph || glyph.Contains(x, y);
                if (!inGlyph && !SameColour(skin.At(x, y), kStripColour)) ++outside;
            }
        }
        EXPECT_EQ(outside, 0) << skin.id;
        for (const ZoneBounds& glyph : glyphs) EXPECT_GT(skin.CountOther(ZoneBox(glyph), kStripColour), 10) << skin.id;
    }
}

TEST_F(SkinLayoutTest, WarningPanelIsBlackWithABlueBorderAndItsButtonWhereTheZoneIs) {
    const Skin& panel = Painted(SkinWarning);
    const PixelRect canvas = SkinCanvas(SkinWarning);
    EXPECT_EQ(cairo_image_surface_get_width(panel.surface), canvas.width);
    EXPECT_EQ(cairo_image_surface_get_height(panel.surface), canvas.height);
    EXPECT_TRUE(SameColour(panel.At(canvas.x, canvas.y + 100), kAccentColour));
    EXPECT_TRUE(SameColour(panel.At(canvas.x + canvas.width - 1, canvas.y + 100), kAccentColour));
    EXPECT_TRUE(SameColour(panel.At(canvas.x + 10, canvas.y + 10), kBackgroundColour));
    // In the panel's own pixels the button sits at the zone less the panel's position.
    const Box inPanel = InSkinPixels(SkinWarning, ButtonBox(ZoneGotIt));
    EXPECT_EQ(inPanel.left, Zone(ZoneGotIt).xMin - canvas.x + kButtonInset);
    EXPECT_EQ(inPanel.top, Zone(ZoneGotIt).yMin - canvas.y + kButtonInset);
    EXPECT_TRUE(SameColour(panel.At(Zone(ZoneGotIt).xMin + 8, Zone(ZoneGotIt).yMin + 6), kButtonColour));
}

TEST_F(SkinLayoutTest, SkinsAreTheRightSizeAndPaintTheSameBytesEveryTime) {
    for (const Skin& skin : skins) {
        const PixelRect canvas = SkinCanvas(skin.id);
        EXPECT_EQ(cairo_image_surface_get_width(skin.surface), canvas.width);
        EXPECT_EQ(cairo_image_surface_get_height(skin.surface), canvas.height);
    }
    for (SkinId id : {SkinAdapterUpdated, SkinWarning}) {
        cairo_surface_t* again = PaintSkin(fonts, *FindSkinScreen(id));
        const PixelView a = ViewOf(again), b = ViewOf(Painted(id).surface);
        ASSERT_EQ(a.stride * a.height, b.stride * b.height) << id;
        EXPECT_EQ(std::memcmp(a.data, b.data, size_t(a.stride) * a.height), 0) << id;
        cairo_surface_destroy(again);
    }
}

// The larger sets are the same screens drawn at their scale: each picture
// the size of its control there, the buttons inside their scaled zones with
// the zones' edges left to the page, the track exactly under the scaled bar.
TEST_F(SkinLayoutTest, LargerSetsArePaintedAtTheirScaleOnTheScaledLayout) {
    for (int dpi : {144, 192}) {
        for (const SkinScreen& screen : SkinScreens()) {
            cairo_surface_t* surface = PaintSkin(fonts, screen, dpi);
            const PixelRect place = SkinDeviceRect(screen.id, dpi);
            ASSERT_EQ(cairo_image_surface_get_width(surface), place.width) << dpi << " " << screen.name;
            ASSERT_EQ(cairo_image_surface_get_height(surface), place.height) << dpi << " " << screen.name;
            auto at = [&](int x, int y) {  // window pixels at this scale
                uint32_t word;
                std::memcpy(&word, cairo_image_surface_get_data(surface) + size_t(y - place.y) * cairo_image_surface_get_stride(surface) +
                                       size_t(x - place.x) * 4, 4);
                return Rgb{uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word)};
            };
            const Rgb page = screen.id == SkinWarning ? kPanelColour : kPageColour;
            for (const SkinElement& element : Elements(screen.id)) {
                if (element.kind == ElementButton) {
                    const ZoneBounds& zone = Zone(element.zone);
                    const int left = ToDevice(zone.xMin, dpi), top = ToDevice(zone.yMin, dpi);
                    const int right = ToDevice(zone.xMax + 1, dpi) - 1, bottom = ToDevice(zone.yMax + 1, dpi) - 1;
                    EXPECT_TRUE(SameColour(at(left, top), page) && SameColour(at(right, bottom), page))
                        << dpi << " " << screen.name << " zone " << element.zone;
                    EXPECT_FALSE(SameColour(at(left + ToDevice(10, dpi), (top + bottom) / 2), page))
                        << dpi << " " << screen.name << " zone " << element.zone;
                }
                if (element.kind == ElementProgressTrack) {
                    const PixelRect bar = ToDevice(ControlById(element.control).rect, dpi);
                    for (auto [x, y] : {std::pair{bar.x, bar.y}, {bar.x + bar.width - 1, bar.y + bar.height - 1}}) {
                        EXPECT_TRUE(SameColour(at(x, y), kTrackColour)) << dpi << " " << screen.name;
                    }
                    EXPECT_FALSE(SameColour(at(bar.x - 1, bar.y - 1), kTrackColour)) << dpi << " " << screen.name;
                }
            }
            cairo_surface_destroy(surface);
        }
    }
}

TEST_F(SkinLayoutTest, OnlyTheProductNamesAppear) {
    const char* allowed[] = {"Veltrane Headset", "Veltrane USB Adapter", "Veltrane Updater"};
    for (const SkinScreen& screen : SkinScreens()) {
        for (const SkinElement& element : Elements(screen.id)) {
            if (element.text == nullptr) continue;
            const std::string text = element.text;
            for (size_t at = text.find("Veltrane"); at != std::string::npos; at = text.find("Veltrane", at + 1)) {
                bool known = false;
                for (const char* name : allowed) known = known || text.compare(at, std::strlen(name), name) == 0;
                EXPECT_TRUE(known) << screen.name << ": " << text;
            }
        }
    }
}

// What a screen reader is told is what is painted: every word on a skin is
// in that skin's entry of the one table of screen words, and every word
// there is painted on it.
TEST_F(SkinLayoutTest, ThePaintedWordsAreTheScreensWords) {
    for (const SkinScreen& screen : SkinScreens()) {
        SCOPED_TRACE(screen.name);
        const ScreenWords& words = WordsOf(screen.id);
        std::set<std::string> painted, table;
        for (const SkinElement& element : Elements(screen.id)) {
            if (element.text == nullptr) continue;
            const bool pressed = element.kind != ElementText;
            painted.insert(pressed ? std::to_string(element.zone) + " " + element.text : element.text);
        }
        table.insert(words.headline);
        for (const ScreenLine& line : words.lines) {
            if (line.text != nullptr) table.insert(line.text);
        }
        for (const ScreenButton& button : words.buttons) {
            if (button.zone != kNoZone) table.insert(std::to_string(button.zone) + " " + button.label);
        }
        EXPECT_EQ(painted, table);
    }
}

// The ring drawn around a focused button stays on its skin and off every
// other button painted there.
TEST_F(SkinLayoutTest, FocusRingsKeepOffTheOtherButtons) {
    for (const SkinScreen& screen : SkinScreens()) {
        std::vector<HitZone> zones = {ZoneMinimiseGlyph, ZoneCloseGlyph};
        if (screen.id == SkinWarning) zones.clear();
        for (const SkinElement& element : Elements(screen.id)) {
            if (element.kind == ElementButton || element.kind == ElementFirmwareBox || element.kind == ElementLink) {
                zones.push_back(element.zone);
            }
        }
        for (HitZone ring : zones) {
            const Box box = RectBox(FocusRingRect(ring));
            EXPECT_TRUE(LiesInside(box, RectBox(SkinCanvas(screen.id)))) << screen.name << " zone " << ring;
            for (HitZone other : zones) {
                if (other == ring) continue;
                EXPECT_FALSE(Overlaps(box, ButtonBox(other))) << screen.name << " zone " << ring;
            }
        }
    }
}

TEST(AppIconTest, HoldsEverySizeWithTheGlyphOnAnOpaqueTileAndTheLargestAsPng) {
    constexpr int kCount = int(std::size(kIconSizes));
    cairo_surface_t* images[kCount];
    PixelView views[kCount];
    std::vector<uint8_t> pngs[kCount];
    for (int i = 0; i < kCount; ++i) {
        images[i] = PaintAppIcon(kIconSizes[i]);
        views[i] = ViewOf(images[i]);
        if (kIconSizes[i] >= kIconPngFrom) pngs[i] = EncodePng(images[i]);
    }
    const std::vector<uint8_t> ico = EncodeIco(views, kCount, pngs);
    ASSERT_FALSE(ico.empty());
    // The largest image is its PNG file, byte for byte, where its entry points.
    ASSERT_EQ(kIconSizes[0], 256);
    EXPECT_EQ(ico[6], 0);  // 256 is written as 0
    EXPECT_EQ(Read32(ico, 6 + 8), pngs[0].size());
    EXPECT_EQ(std::memcmp(ico.data() + Read32(ico, 6 + 12), pngs[0].data(), pngs[0].size()), 0);
    EXPECT_EQ(Read32(ico, 6 + 16 * (kCount - 1) + 12) + Read32(ico, 6 + 16 * (kCount - 1) + 8), ico.size());
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(ico[6 + 16 * i], kIconSizes[i] & 0xFF);
        EXPECT_EQ(Read16(ico, 6 + 16 * i + 6), 32);
        // Accent glyph pixels exist; the rounded tile leaves the very corner clear.
        int accent = 0;
        const int size = kIconSizes[i];
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                uint32_t word;
                std::memcpy(&word, views[i].data + size_t(y) * views[i].stride + size_t(x) * 4, 4);
                if ((word >> 24) == 255 && SameColour({uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word)}, kButtonColour)) {
                    ++accent;
                }
            }
        }
        EXPECT_GT(accent, size * size / 10) << size;
        uint32_t corner;
        std::memcpy(&corner, views[i].data, 4);
        EXPECT_LT(corner >> 24, 16u) << size;
        cairo_surface_destroy(images[i]);
    }
}

}  // namespace
