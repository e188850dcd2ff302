// Ends the program the way Windows does, for the tests under Wine.
//
//     session_end console <program.exe> <event>
//         The console's close (2), log-off (5) or shutdown (6): a thread is
//         started in the program at CtrlRoutine with the event, as the
//         console does. Waits up to 10 s for the program to end.
//     session_end window <window title>
//     session_end class <window class>
//         Asks the top-level window of that title or class whether the
//         session may end (WM_QUERYENDSESSION), then tells it that it ends
//         anyway (WM_ENDSESSION), and ends its process once it answers, as
//         Windows does.
//
// Prints one line of key=value pairs: the wall clock at the event in Unix
// milliseconds, and the milliseconds until the program ended (console) or
// until WM_ENDSESSION returned (window; with whether this system keeps the
// reason a window gives for holding off a shutdown). Exit 1 when the target
// is not found.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD kEndWaitMs = 10000;

long long UnixMillisNow() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    return static_cast<long long>((ticks.QuadPart - 116444736000000000ULL) / 10000);
}

long long ElapsedMs(LARGE_INTEGER start) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
}

DWORD FindProcess(const char* exe) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && found == 0; more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, exe) == 0) found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

// The console starts its handler thread here; system libraries lie at the
// same address in every process of the session.
LPTHREAD_START_ROUTINE CtrlRoutineAddress() {
    const wchar_t* const modules[] = {L"kernel32.dll", L"kernelbase.dll"};
    for (const wchar_t* module : modules) {
        HMODULE handle = GetModuleHandleW(module);
        FARPROC routine = handle != nullptr ? GetProcAddress(handle, "CtrlRoutine") : nullptr;
        // Through the generic function type: the routine takes the event as its argument.
        if (routine != nullptr) return reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(routine));
    }
    return nullptr;
}

int EndConsole(const char* exe, DWORD event) {
    const DWORD id = FindProcess(exe);
    LPTHREAD_START_ROUTINE routine = CtrlRoutineAddress();
    if (id == 0 || routine == nullptr) {
        std::printf("error=%s\n", id == 0 ? "no_process" : "no_ctrl_routine");
        return 1;
    }
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, id);
    if (process == nullptr) return 1;
    const long long at = UnixMillisNow();
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, routine, reinterpret_cast<LPVOID>(static_cast<DWORD_PTR>(event)),
                                       0, nullptr);
    if (thread == nullptr) {
        std::printf("error=no_thread\n");
        return 1;
    }
    const bool ended = WaitForSingleObject(process, kEndWaitMs) == WAIT_OBJECT_0;
    std::printf("event_unix_ms=%lld ended=%d ended_after_ms=%lld\n", at, ended ? 1 : 0, ElapsedMs(start));
    CloseHandle(thread);
    CloseHandle(process);
    return 0;
}

// Wine takes no reason, and so a program cannot tell it why it refuses.
bool SystemKeepsBlockReasons() {
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    const bool kept = probe != nullptr && ShutdownBlockReasonCreate(probe, L"probe") != FALSE;
    if (probe != nullptr) DestroyWindow(probe);
    return kept;
}

int EndWindow(HWND window) {
    if (window == nullptr) {
        std::printf("error=no_window\n");
        return 1;
    }
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    DWORD_PTR mayEnd = 0;
    SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &mayEnd);
    const long long at = UnixMillisNow();
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    DWORD_PTR ignored = 0;
    const bool answered =
        SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, kEndWaitMs, &ignored) != 0;
    const long long answeredAfter = ElapsedMs(start);
    if (process != nullptr) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, kEndWaitMs);
        CloseHandle(process);
    }
    std::printf("may_end=%d event_unix_ms=%lld answered=%d answered_after_ms=%lld block_reasons=%d\n",
                mayEnd != 0 ? 1 : 0, at, answered ? 1 : 0, answeredAfter, SystemKeepsBlockReasons() ? 1 : 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "console") == 0) {
        return EndConsole(argv[2], static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
    }
    if (argc == 3 && std::strcmp(argv[1], "window") == 0) return EndWindow(FindWindowA(nullptr, argv[2]));
    if (argc == 3 && std::strcmp(argv[1], "class") == 0) return EndWindow(FindWindowA(argv[2], nullptr));
    std::fprintf(stderr, "usage: session_end console <program.exe> <event> | window <title> | class <class>\n");
    return 2;
}
