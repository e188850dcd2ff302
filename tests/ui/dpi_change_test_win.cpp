// The real window told that its DPI changed (WM_DPICHANGED, as when it is
// dragged to a monitor of another scale), in-process: Wine has one monitor
// and never sends it. The window, its controls, fonts and skins must follow
// each change, and back at 96 DPI be what they were. Windows tree; runs
// under Wine in a display (tests/gui/dpi_matrix.py starts it).
#include <cstdio>

#include "app/updater_state.h"
#include "platform/system.h"
#include "ui/display_scale.h"
#include "win/skin_cache.h"
#include "win/win_ui.h"

namespace {

UpdaterState updater;
WinUi ui;
int passed = 0, failed = 0;

void Check(bool ok, const char* what, int dpi) {
    char line[200];
    std::snprintf(line, sizeof line, "%s: %s at %d DPI\n", ok ? "ok" : "FAILED", what, dpi);
    PlatformSystem().WriteStandardOutput(line);
    ++(ok ? passed : failed);
}

void Pump() {
    MSG message;
    for (int i = 0; i < 50; ++i) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(10);
    }
}

SIZE BitmapSize(HWND control) {
    BITMAP bitmap = {};
    HGDIOBJ image = reinterpret_cast<HGDIOBJ>(SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
    if (image != nullptr) GetObjectA(image, sizeof bitmap, &bitmap);
    return {bitmap.bmWidth, bitmap.bmHeight};
}

RECT ClientRectOf(HWND control) {
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, ui.mainWindow, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool SameRect(const RECT& a, const PixelRect& b) {
    return a.left == b.x && a.top == b.y && a.right == b.x + b.width && a.bottom == b.y + b.height;
}

// The window at `dpi` as ChangeDpi must leave it.
void CheckScale(int dpi, int left, int top) {
    RECT window = {};
    GetWindowRect(ui.mainWindow, &window);
    Check(window.left == left && window.top == top && window.right - window.left == ToDevice(kWindowWidth, dpi) &&
              window.bottom - window.top == ToDevice(kWindowHeight, dpi),
          "the window's size, at the place the system suggested", dpi);
    bool placed = true;
    for (const ControlLayout& layout : kControlLayout) {
        placed = placed && SameRect(ClientRectOf(ui.controls[layout.id]), ToDevice(layout.rect, dpi));
    }
    Check(placed, "every control at its scaled place", dpi);
    const SIZE skin = BitmapSize(ui.controls[ControlSkinView]);
    const PixelRect expected = SkinDeviceRect(SkinIntro, dpi);
    Check(skin.cx == expected.width && skin.cy == expected.height, "the skin on screen from this scale's set", dpi);
    const SIZE panel = BitmapSize(ui.controls[ControlWarningPanel]);
    const PixelRect panelExpected = SkinDeviceRect(SkinWarning, dpi);
    Check(panel.cx == panelExpected.width && panel.cy == panelExpected.height, "the warning panel's skin too", dpi);
    LOGFONTA font = {};
    GetObjectA(ui.fonts[FontLabel], sizeof font, &font);
    Check(font.lfHeight == ToDevice(kFontLayout[FontLabel].cellHeight, dpi), "the label font's cell height", dpi);
}

void SendDpiChange(int dpi, int left, int top) {
    RECT suggested = {left, top, left + ToDevice(kWindowWidth, dpi), top + ToDevice(kWindowHeight, dpi)};
    SendMessageA(ui.mainWindow, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    Pump();
}

}  // namespace

UpdaterState& TheUpdater() { return updater; }
WinUi& TheUi() { return ui; }

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    updater.system = &PlatformSystem();
    updater.controls = &WindowsControls();
    updater.windowOps = &WindowsWindowOps();
    ui.uiThreadId = GetCurrentThreadId();
    std::snprintf(updater.windowTitle, sizeof updater.windowTitle, "DPI change test");
    std::snprintf(updater.windowClassName, sizeof updater.windowClassName, "VELTRANEDPITEST");
    RegisterMainWindowClass(instance);
    if (!BuildMainWindow(instance)) return 1;
    Pump();
    ShowWarningPanel(true);
    Pump();
    const int start = ui.dpi;
    RECT window = {};
    GetWindowRect(ui.mainWindow, &window);
    CheckScale(start, window.left, window.top);
    SendDpiChange(144, 10, 20);
    CheckScale(144, 10, 20);
    SendDpiChange(120, 30, 40);  // between the sets: the 150 % set reduced
    CheckScale(120, 30, 40);
    SendDpiChange(192, 0, 0);
    CheckScale(192, 0, 0);
    SendDpiChange(96, 50, 60);
    CheckScale(96, 50, 60);
    char line[80];
    std::snprintf(line, sizeof line, "%d passed, %d failed\n", passed, failed);
    PlatformSystem().WriteStandardOutput(line);
    ExitProcess(failed == 0 ? 0 : 1);
}
