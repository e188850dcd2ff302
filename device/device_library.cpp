// Binding the device library: the loader and the type-checked lookup.
#include "device/device_library.h"

#include <cstring>

#include "platform/system.h"

namespace {

// The three entry points whose absence is reported on standard output.
const char* MissingEntryLine(const char* name) {
    struct Line { const char* entry; const char* text; };
    static const Line kLines[] = {
        {"systemDeviceIdSet", "Failed to find systemDeviceIdSet\n"},
        {"systemPairedArbDeviceIdSet", "Failed to find systemPairedArbDeviceIdSet\n"},
        {"systemDeviceIdsCommit", "Failed to find systemDeviceIdsCommit\n"},
    };
    for (const Line& line : kLines) {
        if (std::strcmp(line.entry, name) == 0) return line.text;
    }
    return nullptr;
}

// The only place an address from the loader becomes a function pointer; the
// target type is the table member's, which the entry list declares.
template <typename Fn>
bool Resolve(System& system, void* module, const char* name, Fn*& slot) {
    void* address = system.FindEntryPoint(module, name);
    if (address == nullptr) {
        if (const char* line = MissingEntryLine(name)) system.WriteStandardOutput(line);
        return false;
    }
    slot = reinterpret_cast<Fn*>(address);
    return true;
}

}  // namespace

BindResult BindDeviceLibrary(System& system, const char* path, DeviceLibrary& library, void*& module) {
    module = system.LoadDynamicLibrary(path);
    if (module == nullptr) return BindNoLibrary;
#define DEVICE_LIBRARY_RESOLVE(name, params, args) \
    if (!Resolve(system, module, #name, library.name)) return BindMissingEntry;
    DEVICE_LIBRARY_ENTRY_POINTS(DEVICE_LIBRARY_RESOLVE)
#undef DEVICE_LIBRARY_RESOLVE
    return BindDone;
}

const char* FirstUnboundEntry(const DeviceLibrary& library) {
#define DEVICE_LIBRARY_FIRST_UNBOUND(name, params, args) \
    if (library.name == nullptr) return #name;
    DEVICE_LIBRARY_ENTRY_POINTS(DEVICE_LIBRARY_FIRST_UNBOUND)
#undef DEVICE_LIBRARY_FIRST_UNBOUND
    return nullptr;
}
