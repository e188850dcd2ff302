#include "tests/support/fake_system.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

uint64_t FakeSystem::NowMicros() const {
    std::lock_guard<std::mutex> guard(lock_);
    return now_;
}

void FakeSystem::UseSteppedClock() {
    std::lock_guard<std::mutex> guard(lock_);
    stepped_ = true;
    released_ = false;  // a program started again after its worker was let go
}

void FakeSystem::Sleep(uint32_t milliseconds) {
    Tell("pause " + std::to_string(milliseconds) + " ms");
    std::unique_lock<std::mutex> guard(lock_);
    if (!stepped_ || released_) {
        now_ += uint64_t{milliseconds} * 1000;
        pauses.push_back(milliseconds);
        if (onSleep) {
            guard.unlock();
            onSleep(milliseconds);
        }
        return;
    }
    wake_ = now_ + uint64_t{milliseconds} * 1000;
    sleeping_ = true;
    ++sleeps_;
    changed_.notify_all();
    changed_.wait(guard, [&] { return now_ >= wake_ || released_; });
    sleeping_ = false;
}

void FakeSystem::RunFor(uint64_t milliseconds) {
    std::unique_lock<std::mutex> guard(lock_);
    const uint64_t target = now_ + milliseconds * 1000;
    for (;;) {
        // Wait until the worker is asleep, so that nothing runs behind our
        // back; meanwhile run what it hands over.
        changed_.wait(guard, [&] { return sleeping_ || released_ || task_; });
        if (task_) {
            RunTask(guard);
            continue;
        }
        if (released_ || wake_ > target) break;
        const uint64_t before = sleeps_;
        now_ = wake_;
        changed_.notify_all();
        for (;;) {
            changed_.wait(guard, [&] { return sleeps_ > before || released_ || task_; });
            if (!task_) break;
            RunTask(guard);
        }
    }
    if (now_ < target) now_ = target;
}

void FakeSystem::RunTask(std::unique_lock<std::mutex>& guard) {
    std::function<void()> task = std::move(task_);
    task_ = nullptr;
    guard.unlock();
    task();
    guard.lock();
    ++tasksRun_;
    changed_.notify_all();
}

void FakeSystem::OnTestThread(std::function<void()> task) {
    std::unique_lock<std::mutex> guard(lock_);
    if (!stepped_ || released_) {
        guard.unlock();
        return task();
    }
    const uint64_t ticket = ++tasksPosted_;
    task_ = std::move(task);
    changed_.notify_all();
    changed_.wait(guard, [&] { return tasksRun_ >= ticket || released_; });
}

void FakeSystem::ReleaseSleepers() {
    std::lock_guard<std::mutex> guard(lock_);
    released_ = true;
    changed_.notify_all();
}

void FakeSystem::BeginTimerPeriod() {
    Tell("timer period raised");
    ++timerPeriodDepth;
    ++timerPeriodRaises;
}

void FakeSystem::EndTimerPeriod() {
    Tell("timer period lowered");
    --timerPeriodDepth;
}

bool FakeSystem::CurrentFolder(char* out, size_t size) {
    if (failCurrentFolder) return false;
    return PlatformSystem().CurrentFolder(out, size);
}

bool FakeSystem::ListFolder(const char* pattern, FolderVisitor visit, void* context) {
    if (!listInNameOrder) return PlatformSystem().ListFolder(pattern, visit, context);
    std::vector<FolderEntry> entries;
    auto keep = [](const FolderEntry& entry, void* list) {
        static_cast<std::vector<FolderEntry>*>(list)->push_back(entry);
    };
    if (!PlatformSystem().ListFolder(pattern, keep, &entries)) return false;
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return std::strcmp(a.name, b.name) < 0; });
    for (const FolderEntry& entry : entries) visit(entry, context);
    return true;
}

bool FakeSystem::DataFolder(char* out, size_t size) {
    ++dataFolderLookups;
    if (dataFolder.empty()) return CurrentFolder(out, size);
    if (dataFolder.size() >= size) return false;
    std::snprintf(out, size, "%s", dataFolder.c_str());
    return true;
}

void* FakeSystem::LoadDynamicLibrary(const char* path) {
    void* module = PlatformSystem().LoadDynamicLibrary(path);
    if (module != nullptr) ++librariesHeld;
    return module;
}

void* FakeSystem::FindEntryPoint(void* module, const char* name) {
    return PlatformSystem().FindEntryPoint(module, name);
}

void FakeSystem::UnloadDynamicLibrary(void* module) {
    if (module != nullptr) --librariesHeld;
    PlatformSystem().UnloadDynamicLibrary(module);
}
uint32_t FakeSystem::LastLoadError() { return PlatformSystem().LastLoadError(); }

void FakeSystem::WriteStandardOutput(const char* text) {
    Tell(std::string("standard output \"") + text + "\"");
    standardOutput += text;
}

void FakeSystem::KeepAwake(bool on) {
    Tell(on ? "keep awake on" : "keep awake off");
    keptAwake = on;
}

bool FakeSystem::TryLockDevices() {
    if (deviceLockHeldElsewhere && deviceLockDepth == 0) {
        Tell("device lock refused");
        ++deviceLockRefusals;
        return false;
    }
    Tell("device lock taken");
    ++deviceLockDepth;
    return true;
}

void FakeSystem::UnlockDevices() {
    Tell("device lock let go");
    if (deviceLockDepth > 0) --deviceLockDepth;
}
