// What the pointer handling and the dialogs ask of the window system, on the
// UI thread: the cursor, pointer capture, moving and minimising the window,
// the close request, the modal dialogs and the shell. The Windows program
// implements it with the Win32 calls named beside each; tests record.
#pragma once

struct ScreenPoint {
    int x, y;
};

struct ScreenRect {
    int left, top, right, bottom;
};

struct WindowOps {
    virtual ~WindowOps() = default;

    virtual ScreenPoint CursorPosition() = 0;          // GetCursorPos
    // Where the pointer was when the message being handled was sent
    // (GetMessagePos); the pointer may have moved on since.
    virtual ScreenPoint MessagePosition() = 0;
    virtual ScreenPoint ClientOrigin() = 0;            // ClientToScreen of (0, 0)
    virtual ScreenRect CursorClip() = 0;               // GetClipCursor
    virtual void SetCursorClip(const ScreenRect& rect) = 0;  // ClipCursor
    virtual void CapturePointer() = 0;                 // SetCapture
    virtual void ReleasePointer() = 0;                 // ReleaseCapture
    virtual ScreenRect WindowRect() = 0;               // GetWindowRect
    // The DPI the window is laid out for (ui/display_scale.h): screen
    // positions are in its pixels, the pointer's client coordinates in
    // layout units.
    virtual int Dpi() = 0;
    // Moves the window's top-left corner to `topLeft`, keeping its size
    // (800 x 550 layout units), to the top of the stacking order
    // (SetWindowPos, SWP_DEFERERASE).
    virtual void MoveWindow(ScreenPoint topLeft) = 0;
    virtual void Minimise() = 0;                       // ShowWindow SW_MINIMIZE
    // Sends the close request to the main window and returns once it has
    // been handled (SendMessageA WM_CLOSE).
    virtual void SendCloseRequest() = 0;
    // Open a dialog modally, owned by the main window; return when it ends.
    virtual void OpenSelectionDialog() = 0;            // DialogBoxParamA 129
    virtual void OpenAboutBox() = 0;                   // DialogBoxParamA 103
    // Opens a document with the shell's "open" verb in a normal window
    // (ShellExecuteA); the result is not used.
    virtual void OpenDocument(const char* address) = 0;
};
