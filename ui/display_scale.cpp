// Layout units and the monitor's pixels; which skin set a DPI takes.
#include "ui/display_scale.h"

namespace {

constexpr int kSkinSetDpi[SkinSetCount] = {96, 144, 192};
constexpr int kSkinSetResourceOffset[SkinSetCount] = {0, 1000, 2000};

// Division rounded toward minus infinity, for coordinates left of or above
// the window (a captured pointer).
int FloorDivide(long long numerator, long long denominator) {
    long long quotient = numerator / denominator;
    if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0))) --quotient;
    return static_cast<int>(quotient);
}

}  // namespace

int ClampDpi(int dpi) {
    if (dpi < kLayoutDpi) return kLayoutDpi;
    return dpi > kMaxDpi ? kMaxDpi : dpi;
}

int ToDevice(int units, int dpi) {
    return FloorDivide(2LL * units * ClampDpi(dpi) + kLayoutDpi, 2LL * kLayoutDpi);
}

PixelRect ToDevice(const PixelRect& rect, int dpi) {
    const int left = ToDevice(rect.x, dpi);
    const int top = ToDevice(rect.y, dpi);
    return {left, top, ToDevice(rect.x + rect.width, dpi) - left, ToDevice(rect.y + rect.height, dpi) - top};
}

int ToLayout(int pixels, int dpi) { return FloorDivide(static_cast<long long>(pixels) * kLayoutDpi, ClampDpi(dpi)); }

SkinSet SkinSetFor(int dpi) {
    const int clamped = ClampDpi(dpi);
    for (int set = 0; set < SkinSetCount; ++set) {
        if (clamped <= kSkinSetDpi[set]) return static_cast<SkinSet>(set);
    }
    return SkinSet200;
}

int SkinSetDpi(SkinSet set) { return kSkinSetDpi[set]; }

bool SkinSetFits(SkinSet set, int dpi) { return kSkinSetDpi[set] == ClampDpi(dpi); }

int SkinResourceId(SkinId skin, SkinSet set) { return static_cast<int>(skin) + kSkinSetResourceOffset[set]; }

PixelRect SkinDeviceRect(SkinId skin, int dpi) {
    return ToDevice(kControlLayout[skin == SkinWarning ? ControlWarningPanel : ControlSkinView].rect, dpi);
}
