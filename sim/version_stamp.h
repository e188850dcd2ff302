// Where a sample firmware image carries the version reply of a device that
// runs it. The sample-firmware tool writes the stamp into every image it
// makes; the simulator reads it from serial memory when the device is reset
// after an update, and from then on answers the version query with it.
#pragma once

#include <cstdint>
#include <cstring>

namespace sim {

// Image bytes 0x40..0x43 hold the magic, bytes 0x44..0x55 the 18 reply
// bytes that follow reply byte 5 (so "v1_2_RX93" puts the "v" at byte 6).
inline constexpr int kStampOffset = 0x40;
inline constexpr uint8_t kStampMagic[4] = {'V', 'R', 'P', 'L'};
inline constexpr int kStampReplyBytes = 18;
inline constexpr int kStampBytes = 4 + kStampReplyBytes;

// Copies the stamped reply out of `image` (of `size` bytes); false when
// there is no stamp.
inline bool ReadVersionStamp(const uint8_t* image, int32_t size, uint8_t (&reply)[kStampReplyBytes]) {
    if (size < kStampOffset + kStampBytes) return false;
    if (std::memcmp(image + kStampOffset, kStampMagic, sizeof kStampMagic) != 0) return false;
    std::memcpy(reply, image + kStampOffset + 4, kStampReplyBytes);
    return true;
}

}  // namespace sim
