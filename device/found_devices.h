// FoundDevices: the devices found by the latest discovery pass, in listing
// order, with each one's firmware version and model. Discovery on the worker
// rewrites it while the UI thread may read it: a pass sets deviceCount to 0,
// rewrites rows in place and counts up again, and readers tolerate a pass
// half done (the next pass redraws).
#pragma once

#include <atomic>
#include <cstdint>

#include "device/shared_values.h"

// The kind code read from a device; any kind but KindHeadset counts as an adapter.
enum DeviceKind : uint32_t {
    KindAdapter = 12,
    KindHeadset = 13,
};

inline constexpr int kDeviceRows = 8;

// One row of deviceTable.
struct DeviceEntry {
    std::atomic<uint32_t> kind{0};
    std::atomic<int32_t> deviceIndex{0};  // the device's place in the listing
    std::atomic<uint32_t> productId{0};
    std::atomic<uint32_t> idPresent{0};
    // The four identity bytes as read, the first in the top byte, so the
    // hex digits read in memory order; 0 when the unit carries none.
    std::atomic<uint32_t> identity{0};
};

// One 64-byte row of firmwareLabel, belonging to the deviceTable row of the same number.
struct FirmwareLabel {
    SharedText<32> versionText;  // at most 3 characters, such as "1_0"
    SharedText<32> modelText;    // at most 4 characters: "RX93" or "RX71" when recognised
};

struct FoundDevices {
    DeviceEntry deviceTable[kDeviceRows];
    SharedInt deviceCount{0};  // rows filled by the latest pass; rows past it keep an earlier pass's
    FirmwareLabel firmwareLabel[kDeviceRows];
    // Supported devices the latest listing named, rows or not: a device that
    // could not be found or opened (a pass ends there) is still attached,
    // so a run counts these, never only the rows.
    SharedInt attachedCount{0};
    // Counts up each time the device of row 0 is lost or another takes its
    // place (another product id, kind, identity or model), as passes see it; runs on
    // one device see one value.
    SharedInt deviceTurn{0};
};
