// The controls over the skin, as the core sees them: every change is one
// synchronous request, carried out on the UI thread (the worker waits until
// it is done). The Windows program implements this with the real window
// calls; tests use RecordingControls, which keeps each control's state.
#pragma once

#include "ui/skins.h"

enum ControlId : int {
    ControlSkinView,
    ControlCurrentVersionText,
    ControlChosenFirmwareText,
    ControlProgressText,
    ControlNewVersionText,
    ControlPercentText,
    ControlPowerCycleText,
    ControlReasonText,  // why a run stopped, on the failed and mismatch screens
    ControlWarningPanel,
    ControlCount,
};

enum FontId : int {
    FontLabel,
    FontChosen,
    FontProgress,
    FontNewVersion,
    FontPercent,
    FontCount,
};

struct Controls {
    virtual ~Controls() = default;

    // Shows the main window in its restored state and paints it at once
    // (ShowWindow SW_RESTORE, UpdateWindow).
    virtual void ShowMainWindow() = 0;
    // Shows or hides a control (ShowWindow SW_SHOW / SW_HIDE).
    virtual void Show(ControlId control, bool visible) = 0;
    // Sets a control's text (SetWindowTextA); the text is copied.
    virtual void SetText(ControlId control, const char* text) = 0;
    // Paints a control now (UpdateWindow).
    virtual void Repaint(ControlId control) = 0;
    // Sets a control's font, with redraw (WM_SETFONT).
    virtual void SetFont(ControlId control, FontId font) = 0;
    // Puts a skin on skinView (STM_SETIMAGE).
    virtual void ShowSkin(SkinId skin) = 0;
    // Sends Cancel to the selection dialog; nothing happens when it is not open.
    virtual void CloseSelectionDialog() = 0;
    // Adds a line at the end of the selection dialog's list and paints it;
    // dropped while no dialog is open.
    virtual void AppendLogLine(const char* text) = 0;
    // Runs `action(context)` on the UI thread and returns when it is done.
    // The worker decides and draws a screen this way, so that what it reads
    // of the state and what it draws cannot interleave with a click.
    virtual void RunOnUiThread(void (*action)(void* context), void* context) = 0;

    // A page's progress: the bar's text on progressText and the percentage
    // on percentText (shown), both painted before it returns. By default the
    // separate requests, in order; a window may do it in one.
    virtual void ShowProgress(const char* bar, const char* percent) {
        SetText(ControlProgressText, bar);
        Repaint(ControlProgressText);
        Show(ControlPercentText, false);
        SetText(ControlPercentText, percent);
        Repaint(ControlPercentText);
        Show(ControlPercentText, true);
    }
};
