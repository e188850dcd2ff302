// The system services for native (Linux) builds: the same contracts as the
// Windows ones, by POSIX means.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/precise_pause.h"
#include "platform/system.h"

namespace {

// Creates `path` and any missing parents (mkdir -p); true when it is a folder.
bool MakeFolders(const char* path) {
    char partial[kPathChars];
    std::snprintf(partial, sizeof partial, "%s", path);
    for (char* at = partial + 1; *at != '\0'; ++at) {
        if (*at != '/') continue;
        *at = '\0';
        mkdir(partial, 0700);
        *at = '/';
    }
    mkdir(partial, 0700);
    struct stat info;
    return stat(partial, &info) == 0 && S_ISDIR(info.st_mode);
}

uint64_t MonotonicNow() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

struct MonotonicPauseTimer final : PauseTimer {
    uint64_t NowMicros() override { return MonotonicNow(); }

    // An absolute deadline on the monotonic clock: a signal cannot make the
    // wait shorter, and there is no drift from repeated relative waits.
    void WaitUntil(uint64_t wakeMicros) override {
        timespec wake;
        wake.tv_sec = static_cast<time_t>(wakeMicros / 1000000u);
        wake.tv_nsec = static_cast<long>(wakeMicros % 1000000u) * 1000L;
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
        }
    }

    void Spin() override {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
};

thread_local MonotonicPauseTimer pauseTimer;
thread_local WakeLateness wakeLateness;

struct PosixSystem final : System {
    void Sleep(uint32_t milliseconds) override { PauseFor(pauseTimer, wakeLateness, milliseconds); }

    uint64_t MonotonicMicros() override { return MonotonicNow(); }

    int64_t WallClockMillis() override {
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    }

    // The counterpart of a 1 ms timer period: the calling thread's timer
    // slack (50 us by default, which every 1 ms pause would add) drops to
    // nothing for the run.
    void BeginTimerPeriod() override {
        previousSlack_ = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
        prctl(PR_SET_TIMERSLACK, 1, 0, 0, 0);
        wakeLateness.inRun = true;
    }
    void EndTimerPeriod() override {
        wakeLateness.inRun = false;
        if (previousSlack_ > 0) prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(previousSlack_), 0, 0, 0);
    }

    bool CurrentFolder(char* out, size_t size) override {
        return getcwd(out, size) != nullptr;
    }

    bool ListFolder(const char* pattern, FolderVisitor visit, void* context) override {
        // The pattern is "<folder>/*": list <folder>.
        char folder[kPathChars];
        std::snprintf(folder, sizeof folder, "%s", pattern);
        char* star = std::strrchr(folder, '*');
        if (star == nullptr) return false;
        *star = '\0';
        DIR* dir = opendir(folder[0] != '\0' ? folder : ".");
        if (dir == nullptr) return false;
        while (const dirent* found = readdir(dir)) {
            FolderEntry entry{};
            std::snprintf(entry.name, sizeof entry.name, "%s", found->d_name);
            char path[2 * kPathChars];
            std::snprintf(path, sizeof path, "%s%s", folder, found->d_name);
            struct stat info;
            entry.isFolder = stat(path, &info) == 0 && S_ISDIR(info.st_mode);
            visit(entry, context);
        }
        closedir(dir);
        return true;
    }

    bool DataFolder(char* out, size_t size) override {
        char folder[kPathChars];
        const char* state = std::getenv("XDG_STATE_HOME");
        const char* home = std::getenv("HOME");
        int length = -1;
        if (state != nullptr && state[0] == '/') {
            length = std::snprintf(folder, sizeof folder, "%s/veltrane-updater", state);
        } else if (home != nullptr && home[0] == '/') {
            length = std::snprintf(folder, sizeof folder, "%s/.local/state/veltrane-updater", home);
        }
        if (length > 0 && static_cast<size_t>(length) < sizeof folder && static_cast<size_t>(length) < size &&
            MakeFolders(folder)) {
            std::memcpy(out, folder, static_cast<size_t>(length) + 1);
            return true;
        }
        return CurrentFolder(out, size);
    }

    void* LoadDynamicLibrary(const char* path) override { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
    void* FindEntryPoint(void* module, const char* name) override { return dlsym(module, name); }
    void UnloadDynamicLibrary(void* module) override { dlclose(module); }

    void WriteStandardOutput(const char* text) override {
        std::fputs(text, stdout);
        std::fflush(stdout);
    }

    void KeepAwake(bool) override {}

    bool RequireSignedFirmware() override {
        const char* policy = std::getenv("VELTRANE_REQUIRE_SIGNED_FIRMWARE");
        return policy != nullptr && std::strcmp(policy, "1") == 0;
    }

    // An advisory lock on a file: the kernel lets it go when the process
    // ends, however it ends, so a crashed program never leaves it held.
    bool TryLockDevices() override {
        std::lock_guard<std::mutex> guard(lockGuard_);
        if (lockDepth_ > 0) {
            ++lockDepth_;
            return true;
        }
        char path[kPathChars];
        DeviceLockPath(path, sizeof path);
        const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return false;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return false;
        }
        lockFd_ = fd;
        lockDepth_ = 1;
        return true;
    }

    void UnlockDevices() override {
        std::lock_guard<std::mutex> guard(lockGuard_);
        if (lockDepth_ == 0 || --lockDepth_ > 0) return;
        flock(lockFd_, LOCK_UN);
        close(lockFd_);
        lockFd_ = -1;
    }

   private:
    static void DeviceLockPath(char* out, size_t size) {
        const char* named = std::getenv("VELTRANE_DEVICE_LOCK");
        if (named != nullptr && named[0] != '\0') {
            std::snprintf(out, size, "%s", named);
            return;
        }
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        std::snprintf(out, size, "%s/veltrane-updater-devices.lock", runtime != nullptr && runtime[0] != '\0' ? runtime : "/tmp");
    }

    int previousSlack_ = 0;
    std::mutex lockGuard_;
    int lockDepth_ = 0;
    int lockFd_ = -1;
};

}  // namespace

System& PlatformSystem() {
    static PosixSystem system;
    return system;
}

PauseTimer& ThisThreadPauseTimer() { return pauseTimer; }
WakeLateness& ThisThreadWakeLateness() { return wakeLateness; }
