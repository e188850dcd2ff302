// The support report's facts of a Windows machine.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

#include "platform/report_facts.h"
#include "platform/system_library_win.h"
#include "platform/system_win.h"

namespace {

// RTL_OSVERSIONINFOW by its own layout, to need no driver headers.
struct OsVersion {
    ULONG size;
    ULONG major;
    ULONG minor;
    ULONG build;
    ULONG platform;
    WCHAR servicePack[128];
};
using RtlGetVersionCall = LONG(WINAPI*)(OsVersion*);

}  // namespace

void SystemVersionText(char* out, size_t size) {
    OsVersion version = {};
    version.size = sizeof version;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto call = ntdll != nullptr ? reinterpret_cast<RtlGetVersionCall>(
                                       reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                                 : nullptr;
    if (call != nullptr && call(&version) == 0) {
        std::snprintf(out, size, "Windows %lu.%lu (build %lu)", version.major, version.minor, version.build);
    } else {
        std::snprintf(out, size, "Windows (version unknown)");
    }
}

bool DocumentsFolder(char* out, size_t size) { return KnownFolderAnsi(FOLDERID_Documents, out, size); }

bool FileVersionText(const char* path, char* out, size_t size) {
    // version.dll is not always taken from System32: no static import.
    static const auto sizeOf = SYSTEM_FUNCTION(L"version.dll", GetFileVersionInfoSizeA);
    static const auto read = SYSTEM_FUNCTION(L"version.dll", GetFileVersionInfoA);
    static const auto query = SYSTEM_FUNCTION(L"version.dll", VerQueryValueA);
    if (sizeOf == nullptr || read == nullptr || query == nullptr) return false;
    static char block[1 << 16];  // UI thread only; version resources are a few KiB
    DWORD ignored = 0;
    const DWORD bytes = sizeOf(path, &ignored);
    if (bytes == 0 || bytes > sizeof block) return false;
    if (!read(path, 0, bytes, block)) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!query(block, "\\", reinterpret_cast<void**>(&info), &length) || info == nullptr ||
        length < sizeof *info) {
        return false;
    }
    std::snprintf(out, size, "%u.%u.%u.%u", unsigned{HIWORD(info->dwFileVersionMS)},
                  unsigned{LOWORD(info->dwFileVersionMS)}, unsigned{HIWORD(info->dwFileVersionLS)},
                  unsigned{LOWORD(info->dwFileVersionLS)});
    return true;
}
