// Register writes computed under the state mutex and carried out after it is released, so no
// register I/O ever happens while the state is locked. Fixed capacity: building one never
// allocates.
#pragma once

#include <cstdint>

namespace tlv880 {

// Register offsets of a TLV-880 card (address space 0).
namespace reg {
constexpr uint32_t kStatusPeriod = 0x00; // read: ready bit 31, count of channel 3; write: ~period
constexpr uint32_t kGate = 0x04;         // read: count of channel 0; write: ~gate
constexpr uint32_t kOutputs = 0x08;      // read: count of channel 1; write: output codes
constexpr uint32_t kControl = 0x0C;      // read: count of channel 2; write: restart sequence
constexpr uint32_t kFirmwarePanel = 0x10;
constexpr uint32_t kAnalogOutputs = 0x14;
constexpr uint32_t kIdentityAnalogControl = 0x18;
constexpr uint32_t kAnalogResult0 = 0x1C;
constexpr uint32_t kAnalogStatus = 0x2C;
} // namespace reg

struct RegisterWrite {
    int32_t card; // table position
    uint32_t offset;
    uint32_t value;
};

struct RegisterWrites {
    static constexpr int kCapacity = 96;
    RegisterWrite items[kCapacity];
    int count = 0;

    void add(int32_t card, uint32_t offset, uint32_t value)
    {
        if (count < kCapacity) items[count++] = RegisterWrite{card, offset, value};
    }
    void clear() { count = 0; }
};

} // namespace tlv880
