// The command line's session window. A console program that loads user32
// (this one does) is not told of a log-off or a shutdown by its console
// handler: Windows asks and tells its top-level windows instead. So while a
// command may run the device, a thread of its own owns a hidden top-level
// window (a message-only window hears no session broadcasts) and pumps its
// messages.
//
// During a run the window registers a reason with Windows and refuses
// WM_QUERYENDSESSION, as the program's window does, so the shutdown screen
// shows the run as blocking. Windows ends a program with no visible window
// that refuses without a registered reason at once, mid-page and with no
// record; so where no reason could be registered (Wine has none) the window
// lets the session end and relies on WM_ENDSESSION. When the session ends
// anyway it does what the console handler does for a log-off: the run stops
// after its page, the device is reset and closed at once, and the window
// answers once the run is recorded (bounded).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <atomic>
#include <cstring>

#include "cli/interrupt_win.h"
#include "cli/session_window.h"

namespace {

constexpr wchar_t kClassName[] = L"VeltraneCliSessionWindow";
// The shutdown screen names a blocking program by its window's title.
constexpr wchar_t kTitle[] = L"Veltrane Updater command line";
constexpr UINT kRunChangedMessage = WM_APP + 1;
// A window system that hangs never holds up the end of the program.
constexpr DWORD kStopWaitMs = 5000;

// Short, as the shutdown screen is read in a hurry; by [verifying][adapter].
constexpr const wchar_t* kReasons[2][2] = {
    {L"Updating the headset: do not turn off", L"Updating the adapter: do not turn off"},
    {L"Verifying the headset: do not turn off", L"Verifying the adapter: do not turn off"},
};

HANDLE thread = nullptr;
HANDLE stopped = nullptr;  // manual reset: set to end the thread
std::atomic<HWND> window{nullptr};
std::atomic<int> runVerifying{0};
std::atomic<int> runOnAdapter{0};
bool reasonRegistered = false;  // the window's thread only

// A run open has its reason registered, and none other has; re-registering
// replaces the text, should a station's next run open before this thread
// saw the last one recorded.
void MatchReasonToRun(HWND self) {
    if (RunIsOpen()) {
        reasonRegistered = ShutdownBlockReasonCreate(self, kReasons[runVerifying.load()][runOnAdapter.load()]) != FALSE;
    } else if (reasonRegistered) {
        ShutdownBlockReasonDestroy(self);
        reasonRegistered = false;
    }
}

LRESULT CALLBACK Answer(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kRunChangedMessage:
            MatchReasonToRun(self);
            return 0;
        case WM_QUERYENDSESSION:
            // Matched first: the run may have opened since the last posted change.
            MatchReasonToRun(self);
            return reasonRegistered ? FALSE : TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE) EndInHasteAwaitingRecord();
            return 0;
        case WM_CLOSE:
            return 0;  // only the command's end takes the window away
        default:
            return DefWindowProcW(self, message, wParam, lParam);
    }
}

HWND OpenWindow() {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW kind = {};
    kind.cbSize = sizeof kind;
    kind.lpfnWndProc = &Answer;
    kind.hInstance = module;
    kind.lpszClassName = kClassName;
    RegisterClassExW(&kind);  // an earlier command of this process may have registered it
    return CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, module, nullptr);
}

// Messages sent from other threads and processes are answered inside PeekMessage.
void PumpUntil(HANDLE stop) {
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (MsgWaitForMultipleObjects(1, &stop, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0 + 1) return;
    }
}

// `stop`: the event that ends the thread.
DWORD WINAPI WindowThread(void* stop) {
    const HWND self = OpenWindow();
    if (self == nullptr) return 0;
    window = self;
    MatchReasonToRun(self);  // a run may have opened before the window could hear of it
    PumpUntil(static_cast<HANDLE>(stop));
    window = nullptr;
    if (reasonRegistered) ShutdownBlockReasonDestroy(self);
    reasonRegistered = false;
    DestroyWindow(self);
    return 0;
}

}  // namespace

void StartSessionWindow() {
    if (thread != nullptr) return;
    stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stopped == nullptr) return;
    thread = CreateThread(nullptr, 0, &WindowThread, stopped, 0, nullptr);
    if (thread != nullptr) return;
    CloseHandle(stopped);
    stopped = nullptr;
}

void StopSessionWindow() {
    if (thread == nullptr) return;
    SetEvent(stopped);
    // A thread that did not end in time keeps its handles until the process goes.
    if (WaitForSingleObject(thread, kStopWaitMs) == WAIT_OBJECT_0) {
        CloseHandle(thread);
        CloseHandle(stopped);
    }
    thread = nullptr;
    stopped = nullptr;
}

void DescribeRunForShutdown(bool verifying, const char* deviceNoun) {
    runVerifying = verifying ? 1 : 0;
    runOnAdapter = deviceNoun != nullptr && std::strcmp(deviceNoun, "adapter") == 0 ? 1 : 0;
}

void SessionWindowHearsRunChange() {
    const HWND self = window.load();
    if (self != nullptr) PostMessageW(self, kRunChangedMessage, 0, 0);
}
