// What the portable core asks of the operating system: pauses and the timer
// period, the current folder and folder listings, dynamic loading, standard
// output, keeping the computer awake during an operation, and the lock that
// keeps two programs off the devices at once.
//
// The Windows implementation uses the Win32 calls named beside each function;
// the POSIX one serves native builds and tests; tests also use FakeSystem,
// which runs every pause on a fake clock.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int kPathChars = 260;  // paths and file names, terminator included

struct FolderEntry {
    char name[kPathChars];  // the entry's name, without the folder
    bool isFolder;
};

// Called once per listed entry, in the listing's own order.
using FolderVisitor = void (*)(const FolderEntry& entry, void* context);

struct System {
    virtual ~System() = default;

    // Blocks the calling thread for at least `milliseconds` (Sleep). Called by
    // the worker thread only.
    virtual void Sleep(uint32_t milliseconds) = 0;
    // A monotonic clock in microseconds (QueryPerformanceCounter,
    // CLOCK_MONOTONIC); tests see their fake clock.
    virtual uint64_t MonotonicMicros() = 0;
    // The time of day: milliseconds since 1970-01-01 00:00 UTC
    // (GetSystemTimePreciseAsFileTime, CLOCK_REALTIME).
    virtual int64_t WallClockMillis() = 0;
    // Raises the timer resolution to 1 ms for a run and lowers it again
    // (timeBeginPeriod(1), timeEndPeriod(1)); meanwhile the calling thread's
    // long pauses end as closely as its short ones. Always called in pairs,
    // on the thread that pauses.
    virtual void BeginTimerPeriod() = 0;
    virtual void EndTimerPeriod() = 0;

    // Copies the current folder into `out` (GetCurrentDirectoryA), without a
    // trailing separator. False when it fails or does not fit in `size`.
    virtual bool CurrentFolder(char* out, size_t size) = 0;
    // Lists the entries matching `pattern` (FindFirstFileA, FindNextFileA), a
    // folder path followed by a separator and "*", including the folder's own
    // "." and ".." entries. False when the folder cannot be listed.
    virtual bool ListFolder(const char* pattern, FolderVisitor visit, void* context) = 0;
    // The per-user folder that keeps the run log and the history, created
    // when missing: the local application data folder + "\Veltrane Updater"
    // (SHGetKnownFolderPath, CreateDirectoryA); $XDG_STATE_HOME or
    // ~/.local/state, + "/veltrane-updater", elsewhere. The current folder
    // when neither can be had. Without a trailing separator; false only when
    // not even the current folder fits in `size`.
    virtual bool DataFolder(char* out, size_t size) = 0;

    // Dynamic loading (LoadLibraryExW by full path, with the library's own
    // folder and System32 searched for its dependencies; GetProcAddress;
    // FreeLibrary). Null when the module or the name is absent.
    virtual void* LoadDynamicLibrary(const char* path) = 0;
    virtual void* FindEntryPoint(void* module, const char* name) = 0;
    virtual void UnloadDynamicLibrary(void* module) = 0;
    // Why the latest LoadDynamicLibrary of this thread failed: the system's
    // error code (GetLastError), or 0 where there is none.
    virtual uint32_t LastLoadError() { return 0; }

    // Writes `text` unchanged to standard output (printf); the Windows
    // program, which has no console of its own, uses its parent's.
    virtual void WriteStandardOutput(const char* text) = 0;

    // While on, the computer does not sleep and log-off or shutdown is
    // refused with a reason (SetThreadExecutionState,
    // ShutdownBlockReasonCreate). Called on the UI thread.
    virtual void KeepAwake(bool on) = 0;

    // The machine's policy that only firmware signed by the maker be
    // written: the DWORD RequireSignedFirmware under
    // HKLM\SOFTWARE\Policies\Veltrane\Updater, non-zero (RegGetValueA),
    // where IT tools write policies; elsewhere the environment variable
    // VELTRANE_REQUIRE_SIGNED_FIRMWARE set to 1. Read at every run, so a
    // policy pushed while the program is open holds from the next run.
    virtual bool RequireSignedFirmware() { return false; }

    // The system-wide device lock: the window and the command line each hold
    // it for a device operation (a discovery pass, a run), so that two
    // programs never talk to the device library at once. Takes it without
    // waiting; false when another process holds it. Takings in one process
    // nest: the lock is let go with the last UnlockDevices. The lock is a
    // named mutex on Windows and a lock file elsewhere, both named by the
    // environment variable VELTRANE_DEVICE_LOCK when it is set (so that
    // tests and side-by-side simulated benches keep apart). A System
    // without a lock (the base) always grants it.
    virtual bool TryLockDevices() { return true; }
    virtual void UnlockDevices() {}
};

// Holds the device lock for a scope, when it could be had.
class DeviceLockScope {
   public:
    explicit DeviceLockScope(System& system) : system_(system), held_(system.TryLockDevices()) {}
    ~DeviceLockScope() {
        if (held_) system_.UnlockDevices();
    }
    DeviceLockScope(const DeviceLockScope&) = delete;
    DeviceLockScope& operator=(const DeviceLockScope&) = delete;
    bool Held() const { return held_; }

   private:
    System& system_;
    bool held_;
};

// The platform's separator in the paths the core builds.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The real implementation for this platform; lives as long as the process.
System& PlatformSystem();
