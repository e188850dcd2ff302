// The keyboard, the focus ring and the accessible tree of the main window
// (Windows only): the window procedure and the controls call these.
#pragma once

#include "ui/keyboard_focus.h"
#include "win/win_ui.h"

// Posted by the accessible tree's default action, so that a screen
// reader's call returns before the zone's action (perhaps a modal dialog)
// runs; wParam is the HitZone.
inline constexpr UINT kPressZoneMessage = WM_APP + 10;

// focus_ring.cpp: the ring is drawn by the skin and the warning panel
// over their bitmaps, around the focused zone that lies on them.
void AttachFocusRing(HWND bitmapControl);
// Repaints the area of `zone`'s ring, skin and labels included, so the ring
// appears there or leaves nothing behind.
void RepaintFocusRing(HitZone zone);

// keyboard.cpp
// WM_KEYDOWN and WM_SYSKEYDOWN; true when the key was the window's.
bool OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam);
// A skin was put on skinView (by the controls, on the UI thread).
void NoteSkinShown(SkinId skin);
// After each control request: the focus follows a new screen, the ring is
// repainted and assistive technology is told.
void FollowScreenChanges();
// The window gained or lost the keyboard focus: the ring shows only while
// it has it.
void OnWindowFocus();
// An assistive technology pressed a zone (kPressZoneMessage).
void OnPressZoneMessage(WPARAM zone);
// Repaints the ring and tells assistive technology where the focus went.
void ShowFocusNews(const FocusNews& news);

// accessible.cpp
struct AccessibleScreen;
// The screen as it shows now, read from the real controls.
void ReadScreen(AccessibleScreen& out);
// WM_GETOBJECT: true with `result` set when the window answered it.
bool AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, LRESULT& result);
// The screen changed: its name (headline) and description (body) are new.
void AnnounceScreen();
// The focus is on `zone` now (kNoZone: on the window itself).
void AnnounceFocus(HitZone zone);
// The bar reached another tenth.
void AnnounceProgress();
// The keyboard focus goes to `zone`, as Tab would take it there (an
// assistive technology's "take focus"); false when it cannot.
bool TakeFocus(HitZone zone);

// accessible_object.cpp: a new MSAA object for the main window's client
// area (one reference, the caller's), or null without memory.
struct IAccessible;
IAccessible* NewScreenAccessible(HWND window);
