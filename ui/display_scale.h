// The one rule between the layout and the screen. Everything in ui/layout.h,
// the hit zones, the pointer logic and the skin painter's positions are in
// layout units: pixels of a 96-DPI display. On a display of another DPI the
// Windows side turns pointer coordinates into layout units before the core
// sees them (ToLayout) and places the window, its controls, fonts and skins
// in the monitor's pixels (ToDevice); the core itself never scales, except
// the cursor confinement of a drag, which is in screen pixels.
#pragma once

#include "ui/layout.h"
#include "ui/skins.h"

inline constexpr int kLayoutDpi = 96;
// Beyond 500 % no monitor is made; the bound keeps every product in range.
inline constexpr int kMaxDpi = 480;

// A DPI as the window uses it: below 96 (or unknown) the layout's own,
// above kMaxDpi the largest.
int ClampDpi(int dpi);

// Layout units to the monitor's pixels, rounded to the nearest (halves up),
// so that every edge lands on the same pixel whatever it belongs to.
int ToDevice(int units, int dpi);
// A rectangle by its edges, so that neighbours stay neighbours.
PixelRect ToDevice(const PixelRect& rect, int dpi);
// The monitor's pixels to the layout unit that covers them (rounded down,
// also below zero): at 150 % the pixels 0 and 1 are unit 0, pixel 2 unit 1.
int ToLayout(int pixels, int dpi);

// The skins are painted at three scales. A DPI takes the smallest set at
// least as large, scaled down to it (a little larger and sharper than the
// window needs beats a blurred enlargement); above the largest it is the
// largest, scaled up.
enum SkinSet : int { SkinSet100, SkinSet150, SkinSet200, SkinSetCount };

SkinSet SkinSetFor(int dpi);
int SkinSetDpi(SkinSet set);
// The set's picture of `skin` needs no resampling at `dpi`.
bool SkinSetFits(SkinSet set, int dpi);
// The resource number of a skin's picture in a set: the 100 % set keeps the
// skin's own number (a bitmap), the larger sets (compressed pictures) add
// 1000 and 2000.
int SkinResourceId(SkinId skin, SkinSet set);
// The rectangle of the control that shows `skin`, in the monitor's pixels:
// the picture's size at `dpi`, and where it sits in the window.
PixelRect SkinDeviceRect(SkinId skin, int dpi);
