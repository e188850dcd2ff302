// WindowOps for tests: a window at a fixed place on a fake screen, a
// scripted selection dialog, and a record of what was asked.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/selection_dialog.h"
#include "ui/window_ops.h"

struct UpdaterState;

// The selection dialog as a list of rows with a selection.
struct FakeSelectionDialog : SelectionDialogView {
    std::vector<std::string> rows;
    int selected = -1;
    std::string prompt, title;
    bool open = true;
    int result = 0;

    void AppendRow(const char* text) override { rows.push_back(text); }
    void ClearList() override { rows.clear(); }
    int SelectedRow() override { return selected >= 0 && selected < static_cast<int>(rows.size()) ? selected : -1; }
    void RowText(int row, char* out, size_t size) override;
    void SetPrompt(const char* text) override { prompt = text; }
    void SetTitle(const char* text) override { title = text; }
    void End(int code) override {
        open = false;
        result = code;
    }
};

struct RecordingWindowOps : WindowOps {
    explicit RecordingWindowOps(UpdaterState& state);

    ScreenPoint CursorPosition() override { return cursor; }
    ScreenPoint MessagePosition() override { return messagePosition ? *messagePosition : cursor; }
    ScreenPoint ClientOrigin() override { return {window.left, window.top}; }
    ScreenRect CursorClip() override { return clip; }
    void SetCursorClip(const ScreenRect& rect) override { clip = rect; }
    void CapturePointer() override { captured = true; }
    void ReleasePointer() override { captured = false; }
    ScreenRect WindowRect() override { return window; }
    int Dpi() override { return dpi; }
    void MoveWindow(ScreenPoint topLeft) override;
    void Minimise() override { ++minimised; }
    void SendCloseRequest() override;
    void OpenSelectionDialog() override;
    void OpenAboutBox() override { ++aboutBoxes; }
    void OpenDocument(const char* address) override { documents.push_back(address); }

    // Runs while the selection dialog is open; it selects, cancels, or lets
    // time pass. A dialog the script leaves open is cancelled afterwards.
    std::function<void(FakeSelectionDialog&)> dialogScript;
    // The dialog that is open now, if any (the worker's close request finds it here).
    FakeSelectionDialog* openDialog = nullptr;
    FakeSelectionDialog lastDialog;

    UpdaterState& state;
    ScreenPoint cursor{0, 0};
    // Where the message being handled put the pointer; the cursor when unset.
    std::optional<ScreenPoint> messagePosition;
    ScreenRect window{283, 109, 283 + 800, 109 + 550};
    int dpi = 96;
    ScreenRect clip{0, 0, 1366, 768};
    bool captured = false;
    int minimised = 0;
    int moves = 0;
    int aboutBoxes = 0;
    int dialogsOpened = 0;
    bool closed = false;  // a close request was let through
    std::vector<std::string> documents;
};
