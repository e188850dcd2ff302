// The dialog procedures of the selection dialog and the About box; the
// decisions are the portable dialog logic's.
#include <cstdio>

#include "app/device_recording.h"
#include "app/support_report.h"
#include "app/updater_state.h"
#include "platform/report_facts.h"
#include "win/resource.h"
#include "ui/selection_dialog.h"
#include "win/win_ui.h"

namespace {

// Dialog 129 seen through its controls.
struct WinSelectionDialog final : SelectionDialogView {
    HWND dialog;
    explicit WinSelectionDialog(HWND window) : dialog(window) {}

    HWND List() const { return GetDlgItem(dialog, IDC_LOG_LIST); }
    void AppendRow(const char* text) override { SendMessageA(List(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }
    void ClearList() override { SendMessageA(List(), LB_RESETCONTENT, 0, 0); }
    int SelectedRow() override {
        const LRESULT row = SendMessageA(List(), LB_GETCURSEL, 0, 0);
        return row == LB_ERR ? -1 : static_cast<int>(row);
    }
    // The list's text is copied through a buffer of its own length, so a long
    // row is cut at `size` instead of overrunning it.
    void RowText(int row, char* out, size_t size) override {
        if (size == 0) return;
        out[0] = '\0';
        const LRESULT length = SendMessageA(List(), LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
        if (length == LB_ERR || length < 0) return;
        char text[1024];
        if (static_cast<size_t>(length) >= sizeof text) return;
        SendMessageA(List(), LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
        std::snprintf(out, size, "%s", text);
    }
    void SetPrompt(const char* text) override {
        SetWindowTextA(TheUi().promptText, text);
        FitPrompt();
    }
    // The prompt holds one line; a longer one (what happened to a unit's
    // last update) wraps upwards into lines taken from the bottom of the list.
    void FitPrompt() const {
        HWND prompt = TheUi().promptText;
        RECT box;
        GetWindowRect(prompt, &box);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&box), 2);
        char text[512];
        GetWindowTextA(prompt, text, sizeof text);
        RECT needed = {0, 0, box.right - box.left, 0};
        HDC dc = GetDC(prompt);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(prompt, WM_GETFONT, 0, 0)));
        DrawTextA(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(prompt, dc);
        if (needed.bottom <= box.bottom - box.top) return;
        const int top = box.bottom - needed.bottom;
        SetWindowLongA(prompt, GWL_STYLE, GetWindowLongA(prompt, GWL_STYLE) & ~SS_CENTERIMAGE);
        SetWindowPos(prompt, nullptr, box.left, top, box.right - box.left, needed.bottom, SWP_NOZORDER);
        RECT list;
        GetWindowRect(List(), &list);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&list), 2);
        SetWindowPos(List(), nullptr, 0, 0, list.right - list.left, top - 4 - list.top, SWP_NOZORDER | SWP_NOMOVE);
    }
    void SetTitle(const char* text) override { SetWindowTextA(dialog, text); }
    void End(int result) override { EndDialog(dialog, result); }
};

// Saves the support report in Documents (the working folder when there is
// none) and says where in a message box over the About box.
void SaveReport(HWND dialog) {
    UpdaterState& state = TheUpdater();
    char folder[kPathChars];
    if (!DocumentsFolder(folder, sizeof folder) && !state.system->CurrentFolder(folder, sizeof folder)) folder[0] = '\0';
    char message[768];
    const bool saved = SaveSupportReport(*state.system, folder, message, sizeof message);
    MessageBoxA(dialog, message, state.windowTitle, MB_OK | (saved ? MB_ICONINFORMATION : MB_ICONWARNING));
}

// Records the next device session into the data folder, until the program
// closes, and says where in a message box over the About box.
void RecordSession(HWND dialog) {
    UpdaterState& state = TheUpdater();
    char message[768];
    const bool recording = RecordNextDeviceSession(state, message, sizeof message);
    MessageBoxA(dialog, message, state.windowTitle, MB_OK | (recording ? MB_ICONINFORMATION : MB_ICONWARNING));
}

}  // namespace

INT_PTR CALLBACK SelectionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    WinUi& ui = TheUi();
    WinSelectionDialog view(dialog);
    switch (message) {
        case WM_INITDIALOG:
            ui.selectionDialog = dialog;
            ui.logList = GetDlgItem(dialog, IDC_LOG_LIST);
            ui.promptText = GetDlgItem(dialog, IDC_PROMPT_TEXT);
            ui.selectButton = GetDlgItem(dialog, IDOK);
            ui.cancelButton = GetDlgItem(dialog, IDCANCEL);
            OpenSelectionDialog(TheUpdater(), view);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == kSelectButton) {
                SelectFirmware(TheUpdater(), view);
                return TRUE;
            }
            if (LOWORD(wParam) == kCancelButton) {
                CancelSelection(TheUpdater(), view);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_SAVE_REPORT) {
        SaveReport(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_RECORD_SESSION) {
        RecordSession(dialog);
        return TRUE;
    }
    int result = 0;
    if (message == WM_COMMAND && AboutBoxCommand(LOWORD(wParam), result)) {
        EndDialog(dialog, result);
        return TRUE;
    }
    return FALSE;
}
