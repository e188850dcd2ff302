// WinMain: the program's start-up and shutdown. Every start-up failure ends
// the process with exit code 0 and shows nothing.
#include "app/updater_state.h"
#include "device/device_library.h"
#include "platform/system_win.h"
#include "ui/resource.h"
#include "ui/win_ui.h"

namespace {

UpdaterState updater;
WinUi ui;

constexpr char kMutexName[] = "VELTRANEUPDATER";
constexpr DWORD kParkWaitMs = 10000;  // a discovery pass; a run never reaches here
constexpr DWORD kEndWaitMs = 2000;

// Waits up to `milliseconds` for `done`, still answering requests that other
// threads send to this thread's windows meanwhile.
template <typename Done>
bool WaitPumping(DWORD milliseconds, Done done) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    while (!done()) {
        if (GetTickCount64() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return true;
}

// The worker is asked to stop where it is not inside the library, the
// library is shut down, and only then is the worker let go and the library
// unloaded. Forced termination is the last resort for a worker that does
// not stop in time.
void Shutdown() {
    updater.stopRequested = 1;
    HANDLE worker = ui.workerThread;
    const bool parked = WaitPumping(kParkWaitMs, [&] {
        return updater.workerParked == 1 || (worker != nullptr && WaitForSingleObject(worker, 0) == WAIT_OBJECT_0);
    });
    updater.lastStatus = updater.library.AvDllShutdown();
    updater.workerRelease = 1;
    if (worker != nullptr) {
        const bool ended = parked && WaitPumping(kEndWaitMs, [&] { return WaitForSingleObject(worker, 0) == WAIT_OBJECT_0; });
        if (!ended) TerminateThread(worker, 0);
    }
    PlatformSystem().UnloadDynamicLibrary(updater.libraryModule);
}

}  // namespace

UpdaterState& TheUpdater() { return updater; }
WinUi& TheUi() { return ui; }

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CreateMutexA(nullptr, TRUE, kMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;

    updater.system = &PlatformSystem();
    updater.controls = &WindowsControls();
    updater.windowOps = &WindowsWindowOps();
    ui.uiThreadId = GetCurrentThreadId();
    LoadStringA(instance, IDS_APP_TITLE, updater.windowTitle, sizeof updater.windowTitle);
    LoadStringA(instance, IDS_WINDOW_CLASS, updater.windowClassName, sizeof updater.windowClassName);
    RegisterMainWindowClass(instance);
    if (!BuildMainWindow(instance)) return 0;
    SetSessionWindow(ui.mainWindow);
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_ACCELERATORS));

    if (BindDeviceLibrary(*updater.system, kDeviceLibraryPath, updater.library, updater.libraryModule) != BindDone) {
        return 0;
    }
    updater.lastStatus = updater.library.AvDllInitialize();
    if (updater.lastStatus != 0) return 0;

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) != 0) {
        if (TranslateAcceleratorA(message.hwnd, accelerators, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Shutdown();
    return static_cast<int>(message.wParam);
}
