// A found device as the command line tells it: kind, product id, model and
// firmware version, copied out of one row of the discovery tables.
#pragma once

#include <cstdint>

struct FoundDevices;

struct DeviceFacts {
    uint32_t kind = 0;
    uint32_t productId = 0;
    char model[8] = {};      // "RX93", "RX71", or empty when the reply was not recognised
    char version[8] = {};    // "1_2", or empty
    char productHex[12] = {};  // "28F80106"

    const char* Noun() const;  // "headset" or "adapter"
};

DeviceFacts DeviceFactsOfRow(const FoundDevices& devices, int row);
