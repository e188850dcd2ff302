// The skinned main window: its class, its build (skins, fonts, controls,
// the worker thread), and its window procedure. Only what the intro needs
// is made before the window shows; the fonts follow at once after, and the
// other skins as their screens draw near.
#include <windowsx.h>

#include "app/update_worker.h"
#include "app/updater_state.h"
#include "platform/system_win.h"
#include "win/access.h"
#include "ui/display_scale.h"
#include "ui/layout.h"
#include "ui/pointer_input.h"
#include "win/resource.h"
#include "win/skin_cache.h"
#include "win/win_ui.h"

namespace {

COLORREF Colour(const Rgb& rgb) { return RGB(rgb.r, rgb.g, rgb.b); }

// A pointer message's client coordinates in layout units, which the
// pointer logic works in (ui/display_scale.h).
int LayoutX(LPARAM lParam) { return ToLayout(GET_X_LPARAM(lParam), TheUi().dpi); }
int LayoutY(LPARAM lParam) { return ToLayout(GET_Y_LPARAM(lParam), TheUi().dpi); }

// Centred on the desktop; C++ division rounds toward zero, as the window's
// place has always been computed.
int CentredLeft(const RECT& desktop, SIZE size) { return (desktop.right - size.cx) / 2; }
int CentredTop(const RECT& desktop, SIZE size) { return (desktop.bottom - size.cy) / 2; }

DWORD WINAPI WorkerThread(LPVOID) {
    UpdateWorker(TheUpdater());
    return 0;
}

DWORD StaticStyle(ControlKind kind) {
    switch (kind) {
        case KindBitmap: return SS_BITMAP;
        case KindWrapText: return SS_LEFT;
        case KindSimpleText: return SS_SIMPLE;
    }
    return SS_LEFT;
}

// Creates one control of the layout table with its initial text or image;
// its font comes with the others (LoadFonts). The warning panel gets its
// skin when it is first shown.
void CreateControl(HINSTANCE instance, const ControlLayout& layout) {
    WinUi& ui = TheUi();
    const char* text = layout.id == ControlPowerCycleText ? kPowerCycleText
                       : layout.id == ControlProgressText ? TheUpdater().progressBuffer
                                                            : "";
    const bool visibleAtOnce = layout.kind == KindBitmap && layout.initiallyVisible;
    const RECT place = DeviceRect(layout.rect);
    HWND control = CreateWindowExA(WS_EX_TRANSPARENT, "STATIC", text,
                                   WS_CHILD | StaticStyle(layout.kind) | (visibleAtOnce ? WS_VISIBLE : 0), place.left,
                                   place.top, place.right - place.left, place.bottom - place.top, ui.mainWindow,
                                   nullptr, instance, nullptr);
    ui.controls[layout.id] = control;
    if (layout.kind == KindBitmap) AttachFocusRing(control);
    if (layout.id == ControlProgressText) AttachProgressBar(control);
    if (layout.id == ControlSkinView) {
        SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(SkinBitmap(SkinIntro)));
    } else if (layout.kind != KindBitmap && layout.initiallyVisible) {
        // Shown in place: no move, size or re-stacking (0x2247).
        SetWindowPos(control, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_DEFERERASE);
    }
}

// The colour a static control paints with, by the layout's rule.
LRESULT StaticColours(HDC dc, HWND control) {
    WinUi& ui = TheUi();
    ColourRule rule = ColourBackground;
    for (const ControlLayout& layout : kControlLayout) {
        if (ui.controls[layout.id] == control) rule = layout.colour;
    }
    switch (rule) {
        case ColourRed:
        case ColourWhite:
            SetTextColor(dc, Colour(rule == ColourRed ? kRed : kWhite));
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        case ColourBody:
            SetTextColor(dc, Colour(kBodyTextColour));
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        case ColourProgressBar:
            SetTextColor(dc, Colour(kProgressBarColour));
            SetBkColor(dc, Colour(kProgressBarColour));
            return reinterpret_cast<LRESULT>(ui.backgroundBrush);
        case ColourBackground:
            break;
    }
    return reinterpret_cast<LRESULT>(ui.backgroundBrush);
}

// The session ends anyway (WM_ENDSESSION): Windows ends the process once the
// window answers. A run going on stops at its next page and the device is
// reset and closed at once; the UI thread waits, bounded, until the worker
// has recorded the run. Meanwhile it answers the messages the worker sends
// it (the run's stage lines), which would otherwise hold the worker.
void AwaitRunRecord(UpdaterState& state) {
    constexpr ULONGLONG kRecordWaitMs = 4000;
    constexpr DWORD kLookMs = 10;
    state.sessionEnding = 1;
    const ULONGLONG deadline = GetTickCount64() + kRecordWaitMs;
    while (state.runUnrecorded == 1 && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kLookMs, QS_SENDMESSAGE);
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

void MakeFonts(int dpi, HFONT fonts[FontCount]) {
    for (const FontLayout& font : kFontLayout) {
        fonts[font.id] = CreateFontA(ToDevice(font.cellHeight, dpi), ToDevice(font.averageWidth, dpi), 0, 0,
                                     font.weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                     CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_SWISS | DEFAULT_PITCH, font.face);
    }
}

void LoadFonts() {
    WinUi& ui = TheUi();
    if (ui.fontsLoaded) return;
    ui.fontsLoaded = true;
    AddFontResourceExA(kPrivateFontFile, FR_PRIVATE, nullptr);
    MakeFonts(ui.dpi, ui.fonts);
    for (const ControlLayout& layout : kControlLayout) {
        HWND control = ui.controls[layout.id];
        if (layout.font >= 0 && control != nullptr) {
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(ui.fonts[layout.font]), TRUE);
        }
    }
}

void LoadAheadWhileIdle(HWND window) {
    LoadFonts();
    if (LoadOneLikelySkin(TheSkinCache())) PostMessageA(window, kIdleLoadMessage, 0, 0);
}

void ShowWarningPanel(bool visible) {
    WinUi& ui = TheUi();
    HWND panel = ui.controls[ControlWarningPanel];
    if (panel == nullptr) return;
    if (visible && !ui.warningSkinSet) {
        SendMessageA(panel, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(SkinBitmap(SkinWarning)));
        ui.warningSkinSet = true;
    }
    ShowWindow(panel, visible ? SW_SHOW : SW_HIDE);
}

void RegisterMainWindowClass(HINSTANCE instance) {
    WinUi& ui = TheUi();
    ui.backgroundBrush = CreateSolidBrush(Colour(kBackgroundColour));
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = 0;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APPLICATION_ICON));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = ui.backgroundBrush;
    windowClass.lpszClassName = TheUpdater().windowClassName;
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL_ICON));
    RegisterClassExA(&windowClass);
}

int BuildMainWindow(HINSTANCE instance) {
    WinUi& ui = TheUi();
    UpdaterState& state = TheUpdater();
    ui.appInstance = instance;
    ui.dpi = StartDpi();
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    SIZE size = WindowDeviceSize();
    ui.mainWindow = CreateWindowExA(0, state.windowClassName, state.windowTitle, 0, CentredLeft(desktop, size),
                                    CentredTop(desktop, size), size.cx, size.cy, nullptr, nullptr, instance, nullptr);
    if (ui.mainWindow == nullptr) return 0;
    // Created on a monitor of another DPI than the primary one's: sized for
    // the monitor it is on, still centred on the desktop.
    if (WindowDpi(ui.mainWindow) != ui.dpi) {
        ui.dpi = WindowDpi(ui.mainWindow);
        size = WindowDeviceSize();
        SetWindowPos(ui.mainWindow, nullptr, CentredLeft(desktop, size), CentredTop(desktop, size), size.cx, size.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowLongA(ui.mainWindow, GWL_STYLE, 0);
    SetWindowLongA(ui.mainWindow, GWL_STYLE, WS_MINIMIZE | WS_MINIMIZEBOX);
    ui.workerThread = CreateThread(nullptr, 0, WorkerThread, nullptr, CREATE_SUSPENDED, nullptr);
    InitSkinCache(instance);
    CreateControl(instance, kControlLayout[0]);  // skinView, with the intro skin
    for (const ControlLayout& layout : kControlLayout) {
        if (layout.id != ControlSkinView) CreateControl(instance, layout);
    }
    if (ui.workerThread != nullptr) ResumeThread(ui.workerThread);
    return 1;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    UpdaterState& state = TheUpdater();
    switch (message) {
        case WM_DESTROY:
            if (TheUi().fontsLoaded) RemoveFontResourceExA(kPrivateFontFile, FR_PRIVATE, nullptr);
            PostQuitMessage(0);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_CLOSE:
            if (!OnCloseRequest(state)) return 0;
            break;
        case WM_WINDOWPOSCHANGING:
        case WM_WINDOWPOSCHANGED:
        case WM_STYLECHANGING:
        case WM_STYLECHANGED:
            return 0;
        case WM_COMMAND:
            if (OnCommand(state, LOWORD(wParam))) return 0;
            break;
        case WM_CTLCOLORSTATIC:
            return StaticColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_MOUSEMOVE:
            OnPointerMove(state, static_cast<uint32_t>(wParam), LayoutX(lParam), LayoutY(lParam));
            return 0;
        case WM_LBUTTONDOWN:
            OnLeftButtonDown(state, LayoutX(lParam), LayoutY(lParam));
            return 0;
        case WM_LBUTTONUP:
            OnLeftButtonUp(state);
            return 0;
        case WM_CAPTURECHANGED:
            OnPointerCaptureLost(state);
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (OnKeyMessage(message, wParam, lParam)) return 0;
            break;
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            OnWindowFocus();
            return 0;
        case WM_GETOBJECT: {
            LRESULT object = 0;
            if (AnswerGetObject(window, wParam, lParam, object)) return object;
            break;
        }
        case kPressZoneMessage:
            OnPressZoneMessage(wParam);
            return 0;
        case WM_QUERYENDSESSION:
            // Log-off and shutdown wait while an operation is requested, as a close does.
            return state.updateRequested == 1 ? FALSE : TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE) AwaitRunRecord(state);
            return 0;
        case kControlRequestMessage:
            CarryOutControlRequest(lParam);
            return 0;
        case kProgressMessage:
            ShowPendingProgress();
            return 0;
        case kKeepAwakeMessage:
            ApplyKeepAwake(window, wParam != 0);
            return 0;
        case WM_DPICHANGED:
            ChangeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case kIdleLoadMessage:
            LoadAheadWhileIdle(window);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
