// The progress bar at scales other than 100 % (Windows only). The bar is a
// run of '|' in a font one pixel wide whose text and background share the
// bar's colour, so each character cell is a block of it. A glyph's advance
// is a whole pixel, so a scaled font could only double the run (and
// overflow the track at 150 %); instead the run is drawn with advances
// that add up to the run's width at 100 % times the scale, so a full bar
// ends where it does at 100 %, scaled. At 100 % the control paints itself.
#include "app/updater_state.h"
#include "ui/display_scale.h"
#include "win/win_ui.h"

namespace {

WNDPROC staticProc = nullptr;

// The advance of '|' in the bar's font at 100 %, in pixels.
int AdvanceAt100() {
    static int advance = 0;
    if (advance > 0) return advance;
    const FontLayout& layout = kFontLayout[FontProgress];
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(layout.cellHeight, layout.averageWidth, 0, 0, layout.weight, FALSE, FALSE, FALSE,
                             ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                             FF_SWISS | DEFAULT_PITCH, layout.face);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32A(dc, "|", 1, &size);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    advance = size.cx > 0 ? static_cast<int>(size.cx) : 1;
    return advance;
}

void PaintScaledBar(HWND control, HDC dc) {
    char text[kProgressChars + 1];
    const int length = GetWindowTextA(control, text, sizeof text);
    if (length <= 0) return;
    // The window answers the bar's colours, as it does for the control itself.
    SendMessageA(GetParent(control), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    const int dpi = TheUi().dpi;
    const int advance = AdvanceAt100();
    INT advances[kProgressChars];
    for (int i = 0; i < length; ++i) advances[i] = ToDevice((i + 1) * advance, dpi) - ToDevice(i * advance, dpi);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    ExtTextOutA(dc, 0, 0, 0, nullptr, text, static_cast<UINT>(length), advances);
    SelectObject(dc, old);
}

LRESULT CALLBACK ProgressBarProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT || TheUi().dpi == kLayoutDpi) {
        return CallWindowProcA(staticProc, control, message, wParam, lParam);
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(control, &paint);
    PaintScaledBar(control, dc);
    EndPaint(control, &paint);
    return 0;
}

}  // namespace

void AttachProgressBar(HWND progressControl) {
    if (progressControl == nullptr) return;
    staticProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(progressControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ProgressBarProc)));
}
