#pragma once

// The dimensions of a TLV-880 system, shared by the card library, the instrument class and the
// programs: the exports' arrays, the instrument's tables and the forms' control arrays are all
// sized by them.

namespace tlv880 {

inline constexpr int kMaxCards = 6;                                // cards on one bus
inline constexpr int kSensorsPerCard = 4;                          // crystal channels of a card
inline constexpr int kSensors = kMaxCards * kSensorsPerCard;       // 24 sensors
inline constexpr int kOutputsPerCard = 2;                          // source outputs of a card
inline constexpr int kSourceOutputs = kMaxCards * kOutputsPerCard; // outputs 0..11
inline constexpr int kOutputs = kSourceOutputs + 2; // 14: and the analog outputs A1, A2
inline constexpr int kAnalogInputs = 4;             // on the master card's analog section

} // namespace tlv880
