// The window system's side of the pointer handling and the dialogs.
#include "win/win_ui.h"

#include <shellapi.h>
#include <windowsx.h>

#include "app/updater_state.h"
#include "platform/system_library_win.h"
#include "ui/layout.h"
#include "win/resource.h"
#include "ui/window_ops.h"

namespace {

struct WinWindowOps final : WindowOps {
    ScreenPoint CursorPosition() override {
        POINT p{};
        GetCursorPos(&p);
        return {p.x, p.y};
    }
    ScreenPoint MessagePosition() override {
        const DWORD at = GetMessagePos();
        return {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    }
    ScreenPoint ClientOrigin() override {
        POINT p{0, 0};
        ClientToScreen(TheUi().mainWindow, &p);
        return {p.x, p.y};
    }
    ScreenRect CursorClip() override {
        RECT r{};
        GetClipCursor(&r);
        return {r.left, r.top, r.right, r.bottom};
    }
    void SetCursorClip(const ScreenRect& rect) override {
        const RECT r = {rect.left, rect.top, rect.right, rect.bottom};
        ClipCursor(&r);
    }
    void CapturePointer() override { SetCapture(TheUi().mainWindow); }
    void ReleasePointer() override { ReleaseCapture(); }
    ScreenRect WindowRect() override {
        RECT r{};
        GetWindowRect(TheUi().mainWindow, &r);
        return {r.left, r.top, r.right, r.bottom};
    }
    int Dpi() override { return TheUi().dpi; }
    void MoveWindow(ScreenPoint topLeft) override {
        const SIZE size = WindowDeviceSize();
        SetWindowPos(TheUi().mainWindow, HWND_TOP, topLeft.x, topLeft.y, size.cx, size.cy, SWP_DEFERERASE);
    }
    void Minimise() override { ShowWindow(TheUi().mainWindow, SW_MINIMIZE); }
    void SendCloseRequest() override { SendMessageA(TheUi().mainWindow, WM_CLOSE, 0, 0); }
    void OpenSelectionDialog() override {
        ThemedControls themed;
        DialogBoxParamA(TheUi().appInstance, MAKEINTRESOURCEA(IDD_SELECT_FIRMWARE), TheUi().mainWindow,
                        SelectionDialogProc, 0);
    }
    void OpenAboutBox() override {
        ThemedControls themed;  // its report's message box too
        DialogBoxParamA(TheUi().appInstance, MAKEINTRESOURCEA(IDD_ABOUTBOX), TheUi().mainWindow, AboutDialogProc, 0);
    }
    void OpenDocument(const char* address) override {
        // Bound on first use: shell32 and the libraries it brings are not
        // loaded at start for a link that is rarely clicked.
        static const auto open = SYSTEM_FUNCTION(L"shell32.dll", ShellExecuteA);
        if (open != nullptr) open(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
    }
};

}  // namespace

WindowOps& WindowsWindowOps() {
    static WinWindowOps ops;
    return ops;
}
