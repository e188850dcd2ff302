// One discovery pass: list the attached devices, keep the supported ones,
// read each one's kind and identity byte, ask its firmware version and name
// its model. The result is the found devices: deviceTable, deviceCount and
// firmwareLabel.
#pragma once

#include <cstdint>

struct FoundDevices;
struct LibrarySession;

// The five product ids that discovery keeps.
inline constexpr uint32_t kProductGenericAdapter = 0x170D0100;
inline constexpr uint32_t kProductGenericHeadset = 0x170D0101;
inline constexpr uint32_t kProductAdapterA = 0x28F80108;
inline constexpr uint32_t kProductAdapterB = 0x28F80109;
inline constexpr uint32_t kProductHeadset = 0x28F80106;

bool IsSupportedProduct(uint32_t productId);

// Runs one pass through the bound library of `session`. Allocates nothing;
// never writes a row past the eighth (devices listed after the table is full
// are not opened). True when a device's recognised reply changed the version
// text its row held, so that a screen showing it can be drawn again.
bool DiscoverDevices(FoundDevices& devices, LibrarySession& session);

// Reads a version reply into firmwareLabel row `row`. True when a recognised
// reply changed the row's version text. Exposed for tests.
bool InterpretVersionReply(FoundDevices& devices, int row, const uint8_t* reply);
