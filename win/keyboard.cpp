// The keyboard of the main window and the screen changes it follows
// (Windows only): keys become the core's keys; after every control request
// the focus follows a new screen, and the ring and assistive technology are
// brought up to date.
#include "app/updater_state.h"
#include "win/access.h"
#include "ui/accessible_screen.h"
#include "ui/pointer_input.h"

namespace {

SkinId skinShown = SkinIntro;  // the skin on skinView (UI thread)

bool Shown(HWND control) { return control != nullptr && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0; }

// The key of a key-down message, or false for one the window leaves alone.
bool KeyOf(UINT message, WPARAM virtualKey, Key& key) {
    if (message == WM_SYSKEYDOWN) {
        key = KeyAltF4;
        return virtualKey == VK_F4;
    }
    switch (virtualKey) {
        case VK_TAB: key = KeyTab; return true;
        case VK_RETURN: key = KeyEnter; return true;
        case VK_SPACE: key = KeySpace; return true;
        case VK_ESCAPE: key = KeyEscape; return true;
        default: return false;
    }
}

}  // namespace

bool OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    Key key = KeyTab;
    if (!KeyOf(message, wParam, key)) return false;
    // A held key repeats: Tab may walk on, but a press must not run on
    // through the screens it opens.
    const bool repeat = (lParam & (1L << 30)) != 0;
    if (repeat && key != KeyTab) return true;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    ShowFocusNews(OnKey(TheUpdater(), key, shift));
    return true;
}

void NoteSkinShown(SkinId skin) { skinShown = skin; }

void FollowScreenChanges() {
    WinUi& ui = TheUi();
    if (ui.mainWindow == nullptr) return;
    UpdaterState& state = TheUpdater();
    const FocusNews news = FollowScreen(state, skinShown, Shown(ui.controls[ControlWarningPanel]));
    if (news.screenChanged) AnnounceScreen();
    ShowFocusNews(news);
    HWND percent = ui.controls[ControlPercentText];
    char text[16] = {};
    if (percent != nullptr) GetWindowTextA(percent, text, sizeof text);
    if (ProgressTenthChanged(state, Shown(percent), text)) AnnounceProgress();
}

void ShowFocusNews(const FocusNews& news) {
    if (!news.focusMoved && !news.ringAppeared) return;
    RepaintFocusRing(news.from);
    RepaintFocusRing(news.to);
    if (news.focusMoved) AnnounceFocus(news.to);
}

void OnWindowFocus() { RepaintFocusRing(FocusRingZone(TheUpdater())); }

void OnPressZoneMessage(WPARAM zone) {
    UpdaterState& state = TheUpdater();
    HitZone order[kMaxScreenZones];
    const int count = FocusOrder(state, order);
    for (int i = 0; i < count; ++i) {
        if (order[i] != static_cast<HitZone>(zone)) continue;
        PressZone(state, order[i]);
        return;
    }
}
