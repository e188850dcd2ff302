// The controls of the Windows program. A request from the worker thread is
// sent to the main window and carried out there, on the UI thread, which
// answers it from any message loop (also a modal dialog's); the worker waits
// until it is done. Once the window is gone, requests do nothing.
//
// A page's progress is the exception: the worker leaves it for the UI
// thread and goes on without waiting (see PendingProgress).
#include <cstdio>
#include <cstring>
#include <mutex>

#include "app/updater_state.h"
#include "win/access.h"
#include "ui/layout.h"
#include "win/skin_cache.h"
#include "win/win_ui.h"

namespace {

enum RequestKind {
    RequestShowMainWindow,
    RequestShow,
    RequestSetText,
    RequestRepaint,
    RequestSetFont,
    RequestShowSkin,
    RequestCloseDialog,
    RequestLogLine,
    RequestRun,
    RequestProgress,
};

struct ControlRequest {
    RequestKind kind;
    ControlId control;
    bool visible;
    const char* text;
    SkinId skin;
    FontId font;
    void (*action)(void*) = nullptr;
    void* context = nullptr;
    const char* percent = nullptr;  // RequestProgress: text is the bar
};

const ControlLayout& LayoutOf(ControlId control) {
    for (const ControlLayout& layout : kControlLayout) {
        if (layout.id == control) return layout;
    }
    return kControlLayout[0];
}

// Repaints the skin and every label over `rect` of the main window (all of
// it when null), so a label that has changed or gone leaves no old text
// behind: transparent and simple text controls never erase what they drew.
void RepaintArea(const RECT* rect, bool now = true) {
    HWND main = TheUi().mainWindow;
    const UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | (now ? RDW_UPDATENOW : 0);
    if (main != nullptr) RedrawWindow(main, rect, nullptr, flags);
}

RECT RectOf(ControlId control) { return DeviceRect(LayoutOf(control).rect); }

void RepaintUnder(ControlId control) {
    const RECT rect = RectOf(control);
    RepaintArea(&rect);
}

// Sets a control's text unless it already holds it; true when it changed.
// The caller repaints what changed: the text goes in as the default window
// procedure keeps it, without the static control's own paint, which Wine
// does at once (and without erasing) and which would only be painted over.
bool ChangeText(HWND control, const char* text) {
    char now[kProgressChars + 16];
    const int length = GetWindowTextA(control, now, sizeof now);
    if (length < static_cast<int>(sizeof now) - 1 && std::strcmp(now, text) == 0) return false;
    DefWindowProcA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    return true;
}

// The bar and the percentage as the separate requests would leave them
// (texts set, percentage shown), painting only what changed, in one pass.
void ShowProgressNow(const char* bar, const char* percent) {
    WinUi& ui = TheUi();
    HWND progress = ui.controls[ControlProgressText];
    HWND percentage = ui.controls[ControlPercentText];
    RECT dirty = {};
    if (progress != nullptr && ChangeText(progress, bar) && IsWindowVisible(progress)) {
        const RECT rect = RectOf(ControlProgressText);
        UnionRect(&dirty, &dirty, &rect);
    }
    if (percentage != nullptr) {
        const bool shown = IsWindowVisible(percentage) != FALSE;
        if (ChangeText(percentage, percent) || !shown) {
            const RECT rect = RectOf(ControlPercentText);
            UnionRect(&dirty, &dirty, &rect);
        }
        if (!shown) ShowWindow(percentage, SW_SHOW);
    }
    // The texts are set before the worker goes on; their pixels follow as
    // soon as this thread is idle, a few milliseconds later while the
    // device works on the page, rather than holding the worker (and the
    // run) through each page's paint.
    if (!IsRectEmpty(&dirty)) RepaintArea(&dirty, false);
}

void Execute(const ControlRequest& request) {
    WinUi& ui = TheUi();
    HWND control = request.kind == RequestShowMainWindow ? ui.mainWindow : ui.controls[request.control];
    // Made right after the first screen; here too, should a request beat it.
    if (request.kind != RequestShowMainWindow) LoadFonts();
    switch (request.kind) {
        case RequestShowMainWindow:
            if (control == nullptr) return;
            ShowWindow(control, SW_RESTORE);
            UpdateWindow(control);
            ExpectScreensAfter(TheSkinCache(), SkinIntro);
            PostMessageA(control, kIdleLoadMessage, 0, 0);
            return;
        case RequestShow:
            if (request.control == ControlWarningPanel) {
                ShowWarningPanel(request.visible);
                return;
            }
            if (control == nullptr) return;
            ShowWindow(control, request.visible ? SW_SHOW : SW_HIDE);
            // A transparent label that goes leaves its text unless what lies
            // beneath is painted again.
            if (!request.visible && LayoutOf(request.control).kind == KindWrapText) RepaintUnder(request.control);
            return;
        case RequestSetText:
            if (control == nullptr) return;
            SetWindowTextA(control, request.text);
            if (IsWindowVisible(control)) RepaintUnder(request.control);
            return;
        case RequestRepaint:
            if (control != nullptr) UpdateWindow(control);
            return;
        case RequestSetFont:
            if (control != nullptr) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(ui.fonts[request.font]), TRUE);
            return;
        case RequestShowSkin:
            if (control == nullptr) return;
            SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(SkinBitmap(request.skin)));
            NoteSkinShown(request.skin);
            RepaintArea(nullptr);
            ExpectScreensAfter(TheSkinCache(), request.skin);
            PostMessageA(ui.mainWindow, kIdleLoadMessage, 0, 0);
            return;
        case RequestCloseDialog:
            if (ui.selectionDialog != nullptr && IsWindow(ui.selectionDialog)) {
                SendMessageA(ui.selectionDialog, WM_COMMAND, IDCANCEL, 0);
            }
            return;
        case RequestLogLine:
            if (ui.logList != nullptr && IsWindow(ui.logList)) {
                SendMessageA(ui.logList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(request.text));
                UpdateWindow(ui.logList);
            }
            return;
        case RequestRun:
            request.action(request.context);
            return;
        case RequestProgress:
            ShowProgressNow(request.text, request.percent);
            return;
    }
}

void Submit(const ControlRequest& request) {
    WinUi& ui = TheUi();
    if (GetCurrentThreadId() == ui.uiThreadId) {
        Execute(request);
        FollowScreenChanges();
    } else if (ui.mainWindow != nullptr) {
        SendMessageA(ui.mainWindow, kControlRequestMessage, 0, reinterpret_cast<LPARAM>(&request));
    }
}

// The progress of a page, left by the worker for the UI thread. Under Wine
// a message sent across threads holds the worker for a millisecond or more
// (the UI thread must wake, take the texts and answer), which each page
// would add to the pause before it; the bar moves a few times a second, and
// a person cannot tell a bar drawn now from one drawn a millisecond later.
// Order is kept: every request the worker sends after it is carried out
// only once the progress before it has been shown.
struct PendingProgress {
    std::mutex lock;
    bool waiting = false;
    char bar[kProgressChars + 1] = {};
    char percent[16] = {};
};

PendingProgress& ThePendingProgress() {
    static PendingProgress pending;
    return pending;
}

void LeaveProgress(const char* bar, const char* percent) {
    PendingProgress& pending = ThePendingProgress();
    bool posted;
    {
        std::lock_guard<std::mutex> guard(pending.lock);
        std::snprintf(pending.bar, sizeof pending.bar, "%s", bar);
        std::snprintf(pending.percent, sizeof pending.percent, "%s", percent);
        posted = pending.waiting;
        pending.waiting = true;
    }
    // One message for whatever has piled up; a full queue falls back to a wait.
    HWND main = TheUi().mainWindow;
    if (posted || main == nullptr) return;
    if (!PostMessageA(main, kProgressMessage, 0, 0)) SendMessageA(main, kProgressMessage, 0, 0);
}

struct WinControls final : Controls {
    void ShowMainWindow() override { Submit({RequestShowMainWindow, ControlSkinView, false, nullptr, SkinIntro, FontLabel}); }
    void Show(ControlId control, bool visible) override {
        Submit({RequestShow, control, visible, nullptr, SkinIntro, FontLabel});
    }
    void SetText(ControlId control, const char* text) override {
        Submit({RequestSetText, control, false, text, SkinIntro, FontLabel});
    }
    void Repaint(ControlId control) override { Submit({RequestRepaint, control, false, nullptr, SkinIntro, FontLabel}); }
    void SetFont(ControlId control, FontId font) override {
        Submit({RequestSetFont, control, false, nullptr, SkinIntro, font});
    }
    void ShowSkin(SkinId skin) override { Submit({RequestShowSkin, ControlSkinView, false, nullptr, skin, FontLabel}); }
    void CloseSelectionDialog() override { Submit({RequestCloseDialog, ControlSkinView, false, nullptr, SkinIntro, FontLabel}); }
    void AppendLogLine(const char* text) override {
        Submit({RequestLogLine, ControlSkinView, false, text, SkinIntro, FontLabel});
    }
    void RunOnUiThread(void (*action)(void*), void* context) override {
        Submit({RequestRun, ControlSkinView, false, nullptr, SkinIntro, FontLabel, action, context});
    }
    void ShowProgress(const char* bar, const char* percent) override {
        if (GetCurrentThreadId() != TheUi().uiThreadId) return LeaveProgress(bar, percent);
        Submit({RequestProgress, ControlProgressText, false, bar, SkinIntro, FontLabel, nullptr, nullptr, percent});
    }
};

}  // namespace

Controls& WindowsControls() {
    static WinControls controls;
    return controls;
}

void ShowPendingProgress() {
    PendingProgress& pending = ThePendingProgress();
    char bar[sizeof pending.bar];
    char percent[sizeof pending.percent];
    {
        std::lock_guard<std::mutex> guard(pending.lock);
        if (!pending.waiting) return;
        pending.waiting = false;
        std::memcpy(bar, pending.bar, sizeof bar);
        std::memcpy(percent, pending.percent, sizeof percent);
    }
    ShowProgressNow(bar, percent);
    FollowScreenChanges();
}

void CarryOutControlRequest(LPARAM request) {
    ShowPendingProgress();
    Execute(*reinterpret_cast<const ControlRequest*>(request));
    FollowScreenChanges();
}
