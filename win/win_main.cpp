// WinMain: the program's start-up and shutdown. A start-up failure is shown
// in a message box and ends the process with its own exit code
// (app/exit_codes.h); a second instance brings the first to the front.
#include "app/exit_codes.h"
#include "app/library_startup.h"
#include "app/run_recorder.h"
#include "app/updater_state.h"
#include "app/user_texts.h"
#include "app/window_seat.h"
#include "device/call_recording.h"
#include "device/device_library.h"
#include "device/pe_machine.h"
#include "platform/library_search.h"
#include "platform/system_win.h"
#include "ui/help_article.h"
#include "win/resource.h"
#include "win/win_ui.h"

namespace {

UpdaterState updater;
WinUi ui;
HANDLE instanceMutex = nullptr;
RunRecorder recorder;

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

// The running instance's window, restored if minimised and brought to the
// front. Nothing here waits on that window's thread, which may be busy.
void BringRunningWindowToFront(HINSTANCE instance) {
    char className[100] = {};
    LoadStringA(instance, IDS_WINDOW_CLASS, className, sizeof className);
    HWND running = FindWindowA(className, nullptr);
    if (running == nullptr) return;
    if (IsIconic(running)) ShowWindowAsync(running, SW_RESTORE);
    SetForegroundWindow(running);
}

void ShowStartupProblem(const StartupReport& report) {
    char message[1024];
    FormatStartupProblem(report, UPDATER_OTHER_PROGRAM, message, sizeof message);
    ThemedControls themed;
    MessageBoxA(ui.mainWindow, message, Text(TextStartupTitle), MB_OK | MB_ICONERROR);
}

// A library call that never returned holds the worker: shutting the library
// down or unloading it under that call could crash in it or leave the device
// half-commanded, so the process ends at once instead. The mutex goes first,
// so the next start is not refused while the system tears the process down.
[[noreturn]] void EndStuckProcess() {
    if (instanceMutex != nullptr) {
        ReleaseMutex(instanceMutex);
        CloseHandle(instanceMutex);
    }
    TerminateProcess(GetCurrentProcess(), ExitShutdownStuck);
    ExitProcess(ExitShutdownStuck);
}

// The worker is asked to stop where it is not inside the library, the
// library is shut down, and only then is the worker let go and the library
// unloaded.
void Shutdown() {
    updater.stopRequested = 1;
    HANDLE worker = ui.workerThread;
    auto workerEnded = [&] { return worker == nullptr || WaitForSingleObject(worker, 0) == WAIT_OBJECT_0; };
    if (!WaitPumping(kParkWaitMs, [&] { return updater.workerParked == 1 || workerEnded(); })) EndStuckProcess();
    updater.session.lastStatus = updater.session.library.AvDllShutdown();
    EndCallRecording();
    updater.workerRelease = 1;
    // Parked, the worker is outside the library and only has to return.
    if (!WaitPumping(kEndWaitMs, workerEnded)) TerminateThread(worker, 0);
    PlatformSystem().UnloadDynamicLibrary(updater.session.libraryModule);
}

}  // namespace

UpdaterState& TheUpdater() { return updater; }
WinUi& TheUi() { return ui; }

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    RestrictLibrarySearch();
    instanceMutex = CreateMutexA(nullptr, TRUE, kMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        BringRunningWindowToFront(instance);
        return ExitNormal;
    }

    updater.system = &PlatformSystem();
    updater.controls = &WindowsControls();
    updater.windowOps = &WindowsWindowOps();
    ui.uiThreadId = GetCurrentThreadId();
    LoadStringA(instance, IDS_APP_TITLE, updater.windowTitle, sizeof updater.windowTitle);
    LoadStringA(instance, IDS_WINDOW_CLASS, updater.windowClassName, sizeof updater.windowClassName);
    char helpArticle[kPathChars] = {};
    LoadStringA(instance, IDS_HELP_ARTICLE, helpArticle, sizeof helpArticle);
    ChooseHelpArticle(helpArticle, kHelpAddressFile, updater.helpArticle);
    InstallRunRecorder(updater, recorder);  // without a data folder, runs go unrecorded
    RegisterMainWindowClass(instance);
    if (!BuildMainWindow(instance)) return ExitNoWindow;
    SetSessionWindow(ui.mainWindow);
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_ACCELERATORS));

    StartupReport report;
    if (StartDeviceLibrary(*updater.system, updater.session, kProgramMachine, report) != StartupReady) {
        ShowStartupProblem(report);
        return StartupExitCode(report.problem);
    }

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) != 0) {
        if (TranslateAcceleratorA(message.hwnd, accelerators, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Shutdown();
    return static_cast<int>(message.wParam);
}
