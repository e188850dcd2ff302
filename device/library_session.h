// LibrarySession: the bound device library and the working values through
// which devices are listed, found, opened and probed. Discovery and the
// update engine share it on the one thread that calls the library.
#pragma once

#include <cstdint>

#include "device/device_library.h"
#include "device/shared_values.h"

struct LibrarySession {
    void* libraryModule = nullptr;  // the loaded hostapi_vmi.dll
    DeviceLibrary library;
    SharedInt lastStatus{0};  // the status of the latest library call
    DeviceQuery deviceQuery{};
    uint32_t listedProductIds[kMaxListedDevices] = {};  // the product ids of the latest listing
    int32_t listedCount = 0;
    DeviceHandle probeHandle = nullptr;  // the device a discovery pass has open
    int32_t foundIndex = 0;              // what AvDllFindDevice returned
    uint32_t kindValue = 0;              // the word the kind is read into; starts at 0
};
