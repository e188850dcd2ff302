// Copying a device's row out of the tables that discovery rewrites.
#include "cli/device_facts.h"

#include <cstdio>

#include "app/user_texts.h"
#include "device/found_devices.h"

const char* DeviceFacts::Noun() const { return DeviceNoun(kind); }

DeviceFacts DeviceFactsOfRow(const FoundDevices& devices, int row) {
    DeviceFacts facts;
    if (row < 0 || row >= kDeviceRows) return facts;
    facts.kind = devices.deviceTable[row].kind;
    facts.productId = devices.deviceTable[row].productId;
    devices.firmwareLabel[row].modelText.Load(facts.model, sizeof facts.model);
    devices.firmwareLabel[row].versionText.Load(facts.version, sizeof facts.version);
    std::snprintf(facts.productHex, sizeof facts.productHex, "%08X", static_cast<unsigned>(facts.productId));
    return facts;
}
