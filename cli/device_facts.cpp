// Copying a device's row out of the tables that discovery rewrites.
#include "cli/device_facts.h"

#include <cstdio>

#include "app/updater_state.h"
#include "app/user_texts.h"

const char* DeviceFacts::Noun() const { return DeviceNoun(kind); }

DeviceFacts DeviceFactsOfRow(const UpdaterState& state, int row) {
    DeviceFacts facts;
    if (row < 0 || row >= kDeviceRows) return facts;
    facts.kind = state.deviceTable[row].kind;
    facts.productId = state.deviceTable[row].productId;
    state.firmwareLabel[row].modelText.Load(facts.model, sizeof facts.model);
    state.firmwareLabel[row].versionText.Load(facts.version, sizeof facts.version);
    std::snprintf(facts.productHex, sizeof facts.productHex, "%08X", static_cast<unsigned>(facts.productId));
    return facts;
}
