// The window on a display of any DPI (Windows only): which DPI it has, and
// everything rebuilt when it changes, so the window keeps its size in
// inches on every monitor. The program declares per-monitor awareness in
// its manifest; the calls that tell a window's DPI are bound at run time, as
// Windows 8.1 lacks them (the system DPI then serves for every monitor).
#include "app/updater_state.h"
#include "platform/system_library_win.h"
#include "ui/display_scale.h"
#include "ui/pointer_input.h"
#include "win/skin_cache.h"
#include "win/win_ui.h"

namespace {

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : kLayoutDpi;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return ClampDpi(dpi);
}

void PlaceControls() {
    WinUi& ui = TheUi();
    for (const ControlLayout& layout : kControlLayout) {
        HWND control = ui.controls[layout.id];
        if (control == nullptr) continue;
        const RECT place = DeviceRect(layout.rect);
        SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
}

// New fonts on the controls first, then the old ones go.
void RemakeFonts() {
    WinUi& ui = TheUi();
    if (!ui.fontsLoaded) return;
    HFONT old[FontCount];
    for (int font = 0; font < FontCount; ++font) old[font] = ui.fonts[font];
    MakeFonts(ui.dpi, ui.fonts);
    for (const ControlLayout& layout : kControlLayout) {
        HWND control = ui.controls[layout.id];
        if (layout.font >= 0 && control != nullptr) {
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(ui.fonts[layout.font]), FALSE);
        }
    }
    for (HFONT font : old) DeleteObject(font);
}

// The bitmaps of the old scale are let go while no control shows one, then
// the skins on screen come back from the new set.
void ReloadSkins() {
    WinUi& ui = TheUi();
    HWND skinView = ui.controls[ControlSkinView];
    HWND panel = ui.controls[ControlWarningPanel];
    if (skinView != nullptr) SendMessageA(skinView, STM_SETIMAGE, IMAGE_BITMAP, 0);
    if (panel != nullptr && ui.warningSkinSet) SendMessageA(panel, STM_SETIMAGE, IMAGE_BITMAP, 0);
    LetGoOfAllSkins(TheSkinCache());
    PlaceControls();
    if (skinView != nullptr) {
        SendMessageA(skinView, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(SkinBitmap(TheSkinCache().onScreen)));
    }
    if (panel != nullptr && ui.warningSkinSet) {
        SendMessageA(panel, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(SkinBitmap(SkinWarning)));
    }
    // A bitmap control takes the size of its picture; the layout's places stand.
    PlaceControls();
}

}  // namespace

int StartDpi() {
    static const auto systemDpi = SYSTEM_FUNCTION(L"user32.dll", GetDpiForSystem);
    return systemDpi != nullptr ? ClampDpi(static_cast<int>(systemDpi())) : ScreenDpi();
}

int WindowDpi(HWND window) {
    static const auto windowDpi = SYSTEM_FUNCTION(L"user32.dll", GetDpiForWindow);
    const int dpi = windowDpi != nullptr ? static_cast<int>(windowDpi(window)) : 0;
    return dpi > 0 ? ClampDpi(dpi) : ScreenDpi();
}

RECT DeviceRect(const PixelRect& rect) {
    const PixelRect r = ToDevice(rect, TheUi().dpi);
    return {r.x, r.y, r.x + r.width, r.y + r.height};
}

SIZE WindowDeviceSize() { return {ToDevice(kWindowWidth, TheUi().dpi), ToDevice(kWindowHeight, TheUi().dpi)}; }

void ChangeDpi(int dpi, const RECT& suggested) {
    WinUi& ui = TheUi();
    const int old = ui.dpi;
    ui.dpi = ClampDpi(dpi);
    const SIZE size = WindowDeviceSize();
    SetWindowPos(ui.mainWindow, nullptr, suggested.left, suggested.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (ui.dpi == old) return;
    OnDpiChanged(TheUpdater(), old, ui.dpi);
    RemakeFonts();
    ReloadSkins();
    RedrawWindow(ui.mainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}
