// The system services of the Windows program.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/precise_pause.h"
#include "platform/system.h"
#include "platform/system_library_win.h"
#include "platform/system_win.h"

namespace {

HWND sessionWindow = nullptr;
thread_local DWORD lastLoadError = 0;

constexpr char kDataFolderName[] = "\\Veltrane Updater";

// The device lock is machine-wide, so that a station run as a service
// (session 0) and a window in a user's session never program one device at
// once; the session's name serves where the process may not create the
// global one.
constexpr char kDeviceMutexName[] = "Global\\VELTRANEUPDATER-DEVICES";
constexpr char kSessionDeviceMutexName[] = "VELTRANEUPDATER-DEVICES";
// Every signed-in user and service may wait for it and release it.
constexpr char kDeviceMutexAccess[] = "D:(A;;0x00100001;;;AU)";  // SYNCHRONIZE | MUTEX_MODIFY_STATE

}  // namespace

bool KnownFolderAnsi(REFKNOWNFOLDERID id, char* out, size_t size) {
    // Bound on first use, which is a run's record or a report: shell32, ole32
    // and what they bring would otherwise be loaded before the window shows.
    static const auto knownFolderPath = SYSTEM_FUNCTION(L"shell32.dll", SHGetKnownFolderPath);
    static const auto freeTaskMemory = SYSTEM_FUNCTION(L"ole32.dll", CoTaskMemFree);
    if (knownFolderPath == nullptr || freeTaskMemory == nullptr) return false;
    PWSTR wide = nullptr;
    bool ok = SUCCEEDED(knownFolderPath(id, KF_FLAG_CREATE, nullptr, &wide));
    if (ok) {
        BOOL lossy = FALSE;
        int length = WideCharToMultiByte(CP_ACP, 0, wide, -1, out, static_cast<int>(size), nullptr, &lossy);
        if (length == 0 || lossy) {
            wchar_t shortPath[MAX_PATH];
            const DWORD got = GetShortPathNameW(wide, shortPath, MAX_PATH);
            lossy = FALSE;
            length = got > 0 && got < MAX_PATH
                         ? WideCharToMultiByte(CP_ACP, 0, shortPath, -1, out, static_cast<int>(size), nullptr, &lossy)
                         : 0;
        }
        ok = length > 0 && !lossy;
    }
    freeTaskMemory(wide);
    return ok;
}

namespace {

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

LARGE_INTEGER Frequency() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency;
}

uint64_t ToMicros(LONGLONG ticks, LONGLONG frequency) {
    return static_cast<uint64_t>(ticks / frequency) * 1000000u +
           static_cast<uint64_t>(ticks % frequency) * 1000000u / static_cast<uint64_t>(frequency);
}

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// How the pausing thread waits: on a waitable timer, high-resolution where
// Windows offers one (10 1803 and later), or by a delay in 100 ns steps
// (NtDelayExecution, what Sleep itself calls). Which of the two wakes closer
// to the time asked depends on the system (under Wine the timer is served
// in whole milliseconds, the delay to the microsecond; on Windows the delay
// follows the timer period), so the thread tries both in its first long
// pause and keeps the one usually less late.
using DelayFunction = LONG(WINAPI*)(BOOLEAN alertable, const LARGE_INTEGER* interval);

struct ThreadPauseTimer final : PauseTimer {
    LONGLONG frequency = Frequency().QuadPart;
    HANDLE timer = nullptr;
    DelayFunction delay = nullptr;
    bool chosen = false;
    bool useDelay = false;

    ThreadPauseTimer() {
        timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
        if (timer == nullptr) timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        if (HMODULE ntdll = GetModuleHandleA("ntdll.dll")) {
            delay = reinterpret_cast<DelayFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDelayExecution")));
        }
    }
    ~ThreadPauseTimer() override {
        if (timer != nullptr) CloseHandle(timer);
    }

    uint64_t NowMicros() override { return ToMicros(Now().QuadPart, frequency); }

    void WaitUntil(uint64_t wakeMicros) override {
        uint64_t now = NowMicros();
        if (!chosen && wakeMicros > now && wakeMicros - now >= kProbeSpanMicros) {
            Choose();
            now = NowMicros();
        }
        if (wakeMicros > now) WaitFor(wakeMicros - now, useDelay);
    }

    void Spin() override { YieldProcessor(); }

    void ChooseAgain() { chosen = false; }

   private:
    static constexpr uint64_t kProbeMicros = 500;
    static constexpr uint64_t kProbeSpanMicros = 50000;  // the first 100 ms poll has room

    void WaitFor(uint64_t micros, bool byDelay) {
        if (micros == 0) return;
        LARGE_INTEGER due;
        due.QuadPart = -static_cast<LONGLONG>(micros * 10);  // relative, in 100 ns steps
        if (byDelay && delay != nullptr) {
            delay(FALSE, &due);
        } else if (timer != nullptr && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
            WaitForSingleObject(timer, INFINITE);
        } else {
            ::Sleep(static_cast<DWORD>((micros + 999) / 1000));
        }
    }

    // Short waits of both kinds, taken out of a long pause, each timed, the
    // kinds taking turns so that both meet the same load.
    void Choose() {
        chosen = true;
        if (delay == nullptr || timer == nullptr) {
            useDelay = timer == nullptr && delay != nullptr;
            return;
        }
        uint64_t late[2][kWaitProbeRounds] = {};
        for (int round = 0; round < kWaitProbeRounds; ++round) {
            for (int kind = 0; kind < 2; ++kind) {
                const uint64_t start = NowMicros();
                WaitFor(kProbeMicros, kind == 1);
                const uint64_t took = NowMicros() - start;
                late[kind][round] = took > kProbeMicros ? took - kProbeMicros : 0;
            }
        }
        useDelay = SecondWaitIsCloser(late[0], late[1]);
    }
};

// Each pausing thread has its own timer and learns its own lateness.
thread_local ThreadPauseTimer pauseTimer;
thread_local WakeLateness wakeLateness;

struct WindowsSystem final : System {
    LARGE_INTEGER frequency{};
    std::mutex lockGuard;
    HANDLE deviceMutex = nullptr;  // opened at the first taking, kept
    int lockDepth = 0;
    DWORD lockThread = 0;

    WindowsSystem() { QueryPerformanceFrequency(&frequency); }

    // Sleep alone may end a tick late (a 1 ms Sleep often lasts 2 ms): a
    // timer wait ends just before the deadline and a short spin the rest.
    void Sleep(uint32_t milliseconds) override { PauseFor(pauseTimer, wakeLateness, milliseconds); }

    uint64_t MonotonicMicros() override { return ToMicros(Now().QuadPart, frequency.QuadPart); }

    // FILETIME counts 100 ns steps since 1601; 11644473600 s lie before 1970.
    int64_t WallClockMillis() override {
        FILETIME now;
        GetSystemTimePreciseAsFileTime(&now);
        const int64_t ticks = (static_cast<int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        return ticks / 10000 - 11644473600000LL;
    }

    // The way of waiting is chosen again in the run's first long pause: the
    // first choice was made while the window started.
    void BeginTimerPeriod() override {
        TimeBeginPeriod(1);
        wakeLateness.inRun = true;
        pauseTimer.ChooseAgain();
    }
    void EndTimerPeriod() override {
        wakeLateness.inRun = false;
        TimeEndPeriod(1);
    }

    bool CurrentFolder(char* out, size_t size) override {
        const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(size), out);
        return length != 0 && length < size;
    }

    bool ListFolder(const char* pattern, FolderVisitor visit, void* context) override {
        WIN32_FIND_DATAA found;
        HANDLE listing = FindFirstFileA(pattern, &found);
        if (listing == INVALID_HANDLE_VALUE) return false;
        do {
            FolderEntry entry{};
            std::snprintf(entry.name, sizeof entry.name, "%s", found.cFileName);
            entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            visit(entry, context);
        } while (FindNextFileA(listing, &found));
        FindClose(listing);
        return true;
    }

    bool DataFolder(char* out, size_t size) override {
        char base[MAX_PATH];
        char folder[MAX_PATH];
        if (KnownFolderAnsi(FOLDERID_LocalAppData, base, sizeof base)) {
            const int length = std::snprintf(folder, sizeof folder, "%s%s", base, kDataFolderName);
            if (length > 0 && static_cast<size_t>(length) < sizeof folder && static_cast<size_t>(length) < size &&
                (CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)) {
                std::memcpy(out, folder, static_cast<size_t>(length) + 1);
                return true;
            }
        }
        return CurrentFolder(out, size);
    }

    void* LoadDynamicLibrary(const char* path) override {
        return reinterpret_cast<void*>(LoadLibraryByFullPath(path, lastLoadError));
    }
    uint32_t LastLoadError() override { return lastLoadError; }
    void* FindEntryPoint(void* module, const char* name) override {
        return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
    }
    void UnloadDynamicLibrary(void* module) override { FreeLibrary(static_cast<HMODULE>(module)); }

    // A GUI program has no console: write to a redirected standard output
    // when there is one, else to the console of the parent, else nowhere.
    void WriteStandardOutput(const char* text) override {
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        if (out == nullptr || out == INVALID_HANDLE_VALUE) {
            if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
            out = GetStdHandle(STD_OUTPUT_HANDLE);
            if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
        }
        DWORD written = 0;
        WriteFile(out, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    }

    // The execution state belongs to the thread that sets it, and the block
    // reason to the window's thread: both are set on the session window's.
    void KeepAwake(bool on) override {
        if (sessionWindow == nullptr) return;
        if (GetWindowThreadProcessId(sessionWindow, nullptr) == GetCurrentThreadId()) {
            ApplyKeepAwake(sessionWindow, on);
        } else {
            SendMessageA(sessionWindow, kKeepAwakeMessage, on ? 1 : 0, 0);
        }
    }

    bool RequireSignedFirmware() override {
        DWORD value = 0;
        DWORD size = sizeof value;
        const LSTATUS read = RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Policies\\Veltrane\\Updater",
                                          "RequireSignedFirmware", RRF_RT_REG_DWORD, nullptr, &value, &size);
        return read == ERROR_SUCCESS && value != 0;
    }

    // A named mutex: the system lets it go (abandoned) when its owner ends,
    // however it ends. A mutex belongs to the thread that took it, so the
    // process's takings are counted here and the thread that took it first
    // is the one that lets it go.
    bool TryLockDevices() override {
        std::lock_guard<std::mutex> guard(lockGuard);
        if (lockDepth > 0) {
            ++lockDepth;
            return true;
        }
        if (deviceMutex == nullptr) {
            const char* named = std::getenv("VELTRANE_DEVICE_LOCK");
            deviceMutex = named != nullptr && named[0] != '\0' ? CreateMutexA(nullptr, FALSE, named)
                                                                : OpenDeviceMutex(CreateDeviceMutex);
            if (deviceMutex == nullptr) return false;
        }
        const DWORD waited = WaitForSingleObject(deviceMutex, 0);
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return false;
        lockDepth = 1;
        lockThread = GetCurrentThreadId();
        return true;
    }

    void UnlockDevices() override {
        std::lock_guard<std::mutex> guard(lockGuard);
        if (lockDepth == 0 || --lockDepth > 0) return;
        if (lockThread == GetCurrentThreadId()) ReleaseMutex(deviceMutex);
    }
};

}  // namespace

void SetSessionWindow(HWND window) { sessionWindow = window; }

HANDLE OpenDeviceMutex(HANDLE (*create)(const char* name)) {
    HANDLE mutex = create(kDeviceMutexName);
    if (mutex == nullptr && GetLastError() == ERROR_ACCESS_DENIED) mutex = create(kSessionDeviceMutexName);
    return mutex;
}

// Only the rights a lock needs are asked for: a mutex another user created
// grants no more to this one. advapi32 serves this one call, so it is bound
// at the first taking rather than imported.
HANDLE CreateDeviceMutex(const char* name) {
    static const auto fromText = SYSTEM_FUNCTION(L"advapi32.dll", ConvertStringSecurityDescriptorToSecurityDescriptorA);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (fromText != nullptr) fromText(kDeviceMutexAccess, SDDL_REVISION_1, &descriptor, nullptr);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    HANDLE mutex = CreateMutexExA(descriptor != nullptr ? &attributes : nullptr, name, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE);
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    SetLastError(error);
    return mutex;
}

void ApplyKeepAwake(HWND window, bool on) {
    if (on) {
        SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
        ShutdownBlockReasonCreate(window, L"A firmware update is in progress. Closing now would put the headset out of order.");
    } else {
        SetThreadExecutionState(ES_CONTINUOUS);
        ShutdownBlockReasonDestroy(window);
    }
}

System& PlatformSystem() {
    static WindowsSystem system;
    return system;
}

PauseTimer& ThisThreadPauseTimer() { return pauseTimer; }
WakeLateness& ThisThreadWakeLateness() { return wakeLateness; }
