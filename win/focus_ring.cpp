// The keyboard's focus ring over the skin (Windows only). The skin and the
// warning panel are static bitmap controls; each paints its bitmap and then
// the ring when the focused zone lies on it. Moving the ring repaints the
// skin and the labels under its old and new places, as the controls do
// beneath transparent text, so it leaves no trail.
#include "app/updater_state.h"
#include "win/access.h"
#include "ui/display_scale.h"
#include "ui/layout.h"

namespace {

constexpr int kRingHosts = 2;  // skinView, warningPanel
HWND ringHosts[kRingHosts] = {};
WNDPROC hostProcs[kRingHosts] = {};

int HostIndex(HWND control) {
    for (int i = 0; i < kRingHosts; ++i) {
        if (ringHosts[i] == control) return i;
    }
    return -1;
}

// The zone whose ring shows now: the keyboard has been used and the main
// window has the keyboard focus.
HitZone RingZoneNow() {
    WinUi& ui = TheUi();
    if (ui.mainWindow == nullptr || GetFocus() != ui.mainWindow) return kNoZone;
    return FocusRingZone(TheUpdater());
}

// The ring of `zone` in the coordinates of `control`, at the window's DPI.
void DrawRing(HWND control, HitZone zone) {
    const int dpi = TheUi().dpi;
    const PixelRect ring = ToDevice(FocusRingRect(zone), dpi);
    POINT origin = {0, 0};
    MapWindowPoints(control, TheUi().mainWindow, &origin, 1);
    const Rgb& colour = kFocusRingColour;
    HDC dc = GetDC(control);
    HPEN pen = CreatePen(PS_INSIDEFRAME, ToDevice(kFocusRingWidth, dpi), RGB(colour.r, colour.g, colour.b));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const int left = ring.x - origin.x;
    const int top = ring.y - origin.y;
    const int corner = ToDevice(8, dpi);
    RoundRect(dc, left, top, left + ring.width, top + ring.height, corner, corner);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    ReleaseDC(control, dc);
}

LRESULT CALLBACK RingHostProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    const int host = HostIndex(control);
    if (host < 0) return DefWindowProcA(control, message, wParam, lParam);
    const LRESULT result = CallWindowProcA(hostProcs[host], control, message, wParam, lParam);
    if (message == WM_PAINT) {
        const HitZone zone = RingZoneNow();
        const bool onPanel = zone == ZoneGotIt;
        if (zone != kNoZone && onPanel == (control == TheUi().controls[ControlWarningPanel])) DrawRing(control, zone);
    }
    return result;
}

}  // namespace

void AttachFocusRing(HWND bitmapControl) {
    for (int i = 0; i < kRingHosts; ++i) {
        if (ringHosts[i] != nullptr) continue;
        ringHosts[i] = bitmapControl;
        hostProcs[i] = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(bitmapControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RingHostProc)));
        return;
    }
}

void RepaintFocusRing(HitZone zone) {
    HWND main = TheUi().mainWindow;
    if (zone == kNoZone || main == nullptr) return;
    const RECT rect = DeviceRect(FocusRingRect(zone));
    RedrawWindow(main, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}
