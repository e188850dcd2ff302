// Layout units against the monitor's pixels: the window's size at each
// scale, pointer pixels back to the zones they touch, and the skin set each
// DPI takes.
#include "ui/display_scale.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayScaleTest, TheWindowAndItsControlsAtEachScale) {
    EXPECT_EQ(ToDevice(kWindowWidth, 96), 800);
    EXPECT_EQ(ToDevice(kWindowWidth, 144), 1200);
    EXPECT_EQ(ToDevice(kWindowHeight, 144), 825);
    EXPECT_EQ(ToDevice(kWindowWidth, 192), 1600);
    EXPECT_EQ(ToDevice(kWindowHeight, 120), 688);  // 687.5, halves up
    // Unknown or below 96: the layout's own size; beyond the largest, clamped.
    EXPECT_EQ(ToDevice(kWindowWidth, 0), 800);
    EXPECT_EQ(ToDevice(kWindowWidth, 72), 800);
    EXPECT_EQ(ToDevice(kWindowWidth, 100000), ToDevice(kWindowWidth, kMaxDpi));

    // By its edges: the warning panel (101, 85; 599 x 380) at 150 % starts at
    // 151.5 and ends at 1050, so it is 898 wide, not 599 x 1.5 rounded.
    const PixelRect panel = ToDevice(PixelRect{101, 85, 599, 380}, 144);
    EXPECT_EQ(panel.x, 152);
    EXPECT_EQ(panel.width, 1050 - 152);
    EXPECT_EQ(panel.y + panel.height, 698);  // 465 x 1.5 = 697.5
    const PixelRect same = ToDevice(PixelRect{101, 85, 599, 380}, 96);
    EXPECT_EQ(same.x, 101);
    EXPECT_EQ(same.width, 599);
}

TEST(DisplayScaleTest, PointerPixelsFallInTheUnitThatCoversThem) {
    for (int x : {0, 1, 50, 689, 799}) EXPECT_EQ(ToLayout(x, 96), x);
    EXPECT_EQ(ToLayout(0, 144), 0);
    EXPECT_EQ(ToLayout(1, 144), 0);
    EXPECT_EQ(ToLayout(2, 144), 1);
    EXPECT_EQ(ToLayout(1199, 144), 799);
    EXPECT_EQ(ToLayout(1599, 192), 799);
    // Left of the window (a captured pointer): never folded onto column 0.
    EXPECT_EQ(ToLayout(-1, 144), -1);
    EXPECT_EQ(ToLayout(-2, 192), -1);
    EXPECT_EQ(ToLayout(-3, 192), -2);

    // Every pixel of a scaled zone is in the zone, the pixels beside it are not.
    const ZoneBounds& band = Zone(ZoneDragBand);
    for (int dpi : {120, 144, 168, 192, 240}) {
        const int first = ToDevice(band.xMin, dpi), last = ToDevice(band.xMax + 1, dpi) - 1;
        EXPECT_TRUE(band.Contains(ToLayout(first, dpi), 0)) << dpi;
        EXPECT_TRUE(band.Contains(ToLayout(last, dpi), 0)) << dpi;
        EXPECT_FALSE(band.Contains(ToLayout(first - 1, dpi), 0)) << dpi;
        EXPECT_FALSE(band.Contains(ToLayout(last + 1, dpi), 0)) << dpi;
    }
}

TEST(DisplayScaleTest, EachDpiTakesTheSmallestSetAtLeastAsLarge) {
    EXPECT_EQ(SkinSetFor(96), SkinSet100);
    EXPECT_EQ(SkinSetFor(72), SkinSet100);
    EXPECT_EQ(SkinSetFor(97), SkinSet150);
    EXPECT_EQ(SkinSetFor(120), SkinSet150);
    EXPECT_EQ(SkinSetFor(144), SkinSet150);
    EXPECT_EQ(SkinSetFor(168), SkinSet200);
    EXPECT_EQ(SkinSetFor(192), SkinSet200);
    EXPECT_EQ(SkinSetFor(288), SkinSet200);  // beyond: the largest, enlarged
    EXPECT_TRUE(SkinSetFits(SkinSet150, 144));
    EXPECT_FALSE(SkinSetFits(SkinSet150, 120));
    EXPECT_TRUE(SkinSetFits(SkinSet100, 72));  // drawn at 100 %

    EXPECT_EQ(SkinResourceId(SkinIntro, SkinSet100), 168);
    EXPECT_EQ(SkinResourceId(SkinIntro, SkinSet150), 1168);
    EXPECT_EQ(SkinResourceId(SkinWarning, SkinSet200), 2164);
    const PixelRect warning = SkinDeviceRect(SkinWarning, 192);
    EXPECT_EQ(warning.width, 1198);
    EXPECT_EQ(warning.height, 760);
    EXPECT_EQ(SkinDeviceRect(SkinNoConnection, 144).width, 1200);
}

}  // namespace
