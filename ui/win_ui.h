// The Windows program's window handles and its entry points into the user
// interface (Windows only). The portable core knows the controls by
// ControlId; this table maps them to windows.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "ui/controls.h"
#include "ui/skins.h"

struct UpdaterState;

// Window messages by which the worker's requests reach the UI thread.
inline constexpr UINT kControlRequestMessage = WM_APP + 1;
// Posted after the first screen and after each change of skin: the fonts,
// then the skins of the likely next screens, one per message, are loaded
// while the window is idle.
inline constexpr UINT kIdleLoadMessage = WM_APP + 3;

struct WinUi {
    HINSTANCE appInstance = nullptr;
    HWND mainWindow = nullptr;
    HWND controls[ControlCount] = {};
    HFONT fonts[FontCount] = {};
    bool fontsLoaded = false;
    bool warningSkinSet = false;  // the panel gets its skin when first shown
    HBRUSH backgroundBrush = nullptr;
    HANDLE workerThread = nullptr;
    DWORD uiThreadId = 0;
    // The selection dialog as last opened; kept after it closes.
    HWND selectionDialog = nullptr;
    HWND logList = nullptr;
    HWND promptText = nullptr;
    HWND selectButton = nullptr;
    HWND cancelButton = nullptr;
};

// The process's one state record and its window handles.
UpdaterState& TheUpdater();
WinUi& TheUi();

// main_window_win.cpp
void RegisterMainWindowClass(HINSTANCE instance);
int BuildMainWindow(HINSTANCE instance);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Adds the private font file, makes the fonts and gives each text control
// its own; once, before any text is drawn. UI thread.
void LoadFonts();
// Loads what the next screens need while idle (kIdleLoadMessage).
void LoadAheadWhileIdle(HWND window);
// Shows or hides the warning panel, giving it its skin the first time.
void ShowWarningPanel(bool visible);

// controls_win.cpp: the controls as the core reaches them, and the UI
// thread's side of a request from the worker.
Controls& WindowsControls();
void CarryOutControlRequest(LPARAM request);

// window_ops_win.cpp
struct WindowOps;
WindowOps& WindowsWindowOps();

// dialogs_win.cpp
INT_PTR CALLBACK SelectionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
