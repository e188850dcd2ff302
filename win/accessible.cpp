// The main window's accessible tree as MSAA sees it (Windows only): the
// answer to WM_GETOBJECT and the events that tell screen readers of a new
// screen, a moved focus and the progress. MSAA through oleacc rather than a
// UI Automation provider: the window is a handful of simple elements, which
// MSAA covers with one small object, Wine's oleacc serves it, and UI
// Automation clients read it through their MSAA proxy. oleacc, ole32 and
// oleaut32 are loaded from System32 on the first request, so a start that
// no assistive technology asks about loads none of them.
#include <oleacc.h>

#include "app/updater_state.h"
#include "platform/system_library_win.h"
#include "win/access.h"
#include "ui/accessible_screen.h"

namespace {

// COM on the UI thread, once, before the first object is handed out.
bool ComReady() {
    static int ready = -1;
    if (ready < 0) {
        static const auto initialize = SYSTEM_FUNCTION(L"ole32.dll", CoInitializeEx);
        const HRESULT result = initialize != nullptr ? initialize(nullptr, COINIT_APARTMENTTHREADED) : E_FAIL;
        ready = SUCCEEDED(result) || result == RPC_E_CHANGED_MODE ? 1 : 0;
    }
    return ready == 1;
}

void Notify(DWORD event, LONG child) {
    HWND main = TheUi().mainWindow;
    if (main != nullptr) NotifyWinEvent(event, main, OBJID_CLIENT, child);
}

}  // namespace

void ReadScreen(AccessibleScreen& out) {
    WinUi& ui = TheUi();
    HWND panel = ui.controls[ControlWarningPanel];
    ScreenFacts facts;
    facts.skin = static_cast<SkinId>(TheUpdater().keyboard.skin);
    facts.panel = panel != nullptr && (GetWindowLongA(panel, GWL_STYLE) & WS_VISIBLE) != 0;
    facts.windowFocused = ui.mainWindow != nullptr && GetFocus() == ui.mainWindow;
    static char texts[ControlCount][kPathChars + 16];
    for (int c = 0; c < ControlCount; ++c) {
        HWND control = ui.controls[c];
        texts[c][0] = '\0';
        if (control == nullptr) continue;
        GetWindowTextA(control, texts[c], sizeof texts[c]);
        facts.controls[c] = {(GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0, texts[c]};
    }
    DescribeScreen(TheUpdater(), facts, out);
}

bool AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT || !ComReady()) return false;
    static const auto fromObject = SYSTEM_FUNCTION(L"oleacc.dll", LresultFromObject);
    if (fromObject == nullptr) return false;
    IAccessible* object = NewScreenAccessible(window);
    if (object == nullptr) return false;
    result = fromObject(__uuidof(IAccessible), wParam, object);
    object->Release();
    return true;
}

void AnnounceScreen() {
    Notify(EVENT_OBJECT_NAMECHANGE, CHILDID_SELF);
    Notify(EVENT_OBJECT_DESCRIPTIONCHANGE, CHILDID_SELF);
}

void AnnounceFocus(HitZone zone) {
    HWND main = TheUi().mainWindow;
    if (main == nullptr || GetFocus() != main) return;
    AccessibleScreen screen;
    ReadScreen(screen);
    Notify(EVENT_OBJECT_FOCUS, ItemOfZone(screen, zone) + 1);  // 0, the window itself, for none
}

void AnnounceProgress() {
    AccessibleScreen screen;
    ReadScreen(screen);
    const int bar = ItemOfControl(screen, ControlProgressText);
    if (bar >= 0 && (screen.items[bar].states & StateInvisible) == 0) Notify(EVENT_OBJECT_VALUECHANGE, bar + 1);
}

bool TakeFocus(HitZone zone) {
    UpdaterState& state = TheUpdater();
    HitZone order[kMaxScreenZones];
    const int count = FocusOrder(state, order);
    for (int i = 0; i < count; ++i) {
        if (order[i] != zone) continue;
        FocusNews news;
        news.from = static_cast<HitZone>(state.keyboard.zone);
        news.to = zone;
        news.focusMoved = news.from != zone;
        state.keyboard.zone = zone;
        ShowFocusNews(news);
        return true;
    }
    return false;
}
