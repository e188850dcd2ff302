// RunRequest: what a run is asked to do: the firmware file, the device it
// was chosen for, whether to verify only, and the serial-memory type, which
// a file name that names none leaves as the run before on the same device
// set it. The window writes it before it hands a run to the worker (and the
// worker reads it only after); the command line fills its own.
#pragma once

#include <cstdint>

#include "device/shared_values.h"
#include "platform/system.h"

// The device a firmware file was chosen for. A run programs only that
// device: the same product id, kind and model.
struct ChosenDevice {
    uint32_t productId = 0;
    uint32_t kind = 0;
    char model[5] = {};
};

// The model of a unit whose version reply was not recognised, as the
// program tied it: from the record of an update of that very unit that did
// not finish, or as a person named it. It stands for the reply only on the
// device with this product id, kind and identity.
struct UnitModel {
    uint32_t productId = 0;
    uint32_t kind = 0;
    uint32_t identity = 0;
    char model[5] = {};
};

// The memory type before any file name named one.
inline constexpr int32_t kStartingMemoryType = 0;

struct RunRequest {
    char chosenFileName[kPathChars] = {};  // a file of the files folder
    ChosenDevice chosenFor;                // written with chosenFileName
    SharedInt activeDeviceRow{0};          // the row of the found devices a run works on; always 0
    Flag modeVerifyOnly{0};                // skip programming and only verify
    int32_t memoryType = kStartingMemoryType;  // the serial-memory code of the last file name that named one
    int32_t memoryTurn = 0;                    // the deviceTurn of the device that memoryType was set on
    UnitModel unitModel;                       // empty unless a unit is being finished
    bool requireSigned = false;  // only signed firmware, whatever the machine's policy (the command line's flag)
};
