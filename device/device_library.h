// The bound entry points of the device-access library and the binding step
// of start-up: load "./hostapi_vmi.dll" and resolve the 22 names in order.
#pragma once

#include "device/entry_points.h"

struct System;

// One pointer per entry point, named as the library exports it; null until bound.
struct DeviceLibrary {
#define DEVICE_LIBRARY_MEMBER(name, params, args) name##Fn* name = nullptr;
    DEVICE_LIBRARY_ENTRY_POINTS(DEVICE_LIBRARY_MEMBER)
#undef DEVICE_LIBRARY_MEMBER
};

inline constexpr char kDeviceLibraryPath[] = "./hostapi_vmi.dll";
inline constexpr char kDeviceLibraryFile[] = "hostapi_vmi.dll";

enum BindResult {
    BindDone,            // all 22 entry points resolved
    BindNoLibrary,       // the library could not be loaded
    BindMissingEntry,    // an entry point was missing; later ones were not looked up
};

// Loads the library through `system` and resolves the entry points in their
// list order, storing each in `library` the moment it is found. The first
// missing one ends the binding; for systemDeviceIdSet,
// systemPairedArbDeviceIdSet and systemDeviceIdsCommit a fixed line goes to
// standard output first. On BindMissingEntry the module stays loaded (start-up
// then ends without unloading anything). `module` receives the loaded module.
BindResult BindDeviceLibrary(System& system, const char* path, DeviceLibrary& library, void*& module);

// The name of the first entry point that `library` lacks, in binding order;
// after a BindMissingEntry it is the one that was missing. Null when all are bound.
const char* FirstUnboundEntry(const DeviceLibrary& library);
