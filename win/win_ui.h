// The Windows program's window handles and its entry points into the user
// interface (Windows only). The portable core knows the controls by
// ControlId; this table maps them to windows.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "ui/controls.h"
#include "ui/layout.h"
#include "ui/skins.h"

struct UpdaterState;

// Window messages by which the worker's requests reach the UI thread.
inline constexpr UINT kControlRequestMessage = WM_APP + 1;
// Posted after the first screen and after each change of skin: the fonts,
// then the skins of the likely next screens, one per message, are loaded
// while the window is idle.
inline constexpr UINT kIdleLoadMessage = WM_APP + 3;
// Posted when a page's progress waits to be shown (see ShowPendingProgress).
inline constexpr UINT kProgressMessage = WM_APP + 4;

struct WinUi {
    HINSTANCE appInstance = nullptr;
    HWND mainWindow = nullptr;
    HWND controls[ControlCount] = {};
    HFONT fonts[FontCount] = {};
    bool fontsLoaded = false;
    bool warningSkinSet = false;  // the panel gets its skin when first shown
    HBRUSH backgroundBrush = nullptr;
    HANDLE workerThread = nullptr;
    // The DPI of the window's monitor; the window, controls, fonts and skins
    // are sized for it (ui/display_scale.h). UI thread only.
    int dpi = 96;
    DWORD uiThreadId = 0;
    // The selection dialog as last opened; kept after it closes.
    HWND selectionDialog = nullptr;
    HWND logList = nullptr;
    HWND promptText = nullptr;
    HWND selectButton = nullptr;
    HWND cancelButton = nullptr;
};

// While one lives, the dialogs and message boxes this thread makes get the
// system's themed controls (themed_controls.cpp).
class ThemedControls {
   public:
    ThemedControls();
    ~ThemedControls();
    ThemedControls(const ThemedControls&) = delete;
    ThemedControls& operator=(const ThemedControls&) = delete;

   private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

// The process's one state record and its window handles.
UpdaterState& TheUpdater();
WinUi& TheUi();

// main_window.cpp
void RegisterMainWindowClass(HINSTANCE instance);
int BuildMainWindow(HINSTANCE instance);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The fonts of the layout at `dpi`: each cell height (and width) scaled.
void MakeFonts(int dpi, HFONT fonts[FontCount]);
// Adds the private font file, makes the fonts and gives each text control
// its own; once, before any text is drawn. UI thread.
void LoadFonts();
// Loads what the next screens need while idle (kIdleLoadMessage).
void LoadAheadWhileIdle(HWND window);
// Shows or hides the warning panel, giving it its skin the first time.
void ShowWarningPanel(bool visible);

// display_scale.cpp: the monitor's DPI and what follows from it.
// The DPI of the primary monitor, before the window exists.
int StartDpi();
// The DPI of the monitor the window is on.
int WindowDpi(HWND window);
// A layout rectangle in the window's pixels now.
RECT DeviceRect(const PixelRect& rect);
// The window's size in its pixels now.
SIZE WindowDeviceSize();
// WM_DPICHANGED: the window moved to a monitor of another DPI (or the DPI
// of its monitor changed). Resizes the window into `suggested` and
// rebuilds the fonts, the controls' places and the skins for `dpi`.
void ChangeDpi(int dpi, const RECT& suggested);
// progress_bar.cpp: at scales other than 100 % the bar paints its run
// of characters spread over the scaled width of the same run at 100 %.
void AttachProgressBar(HWND progressControl);

// controls.cpp: the controls as the core reaches them, and the UI
// thread's side of a request from the worker.
Controls& WindowsControls();
void CarryOutControlRequest(LPARAM request);
// Shows the progress the worker reported last, if not shown yet.
void ShowPendingProgress();

// window_ops.cpp
struct WindowOps;
WindowOps& WindowsWindowOps();

// dialogs.cpp
INT_PTR CALLBACK SelectionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
