#pragma once
// Which channels a command of the test window addresses.
//
// The window's two list pairs (card + sensor, card + output) name a target set: one channel, every
// channel of one card, the same channel on every card, or every channel of every installed card.
// Indices are zero-based: sensor (card - 1) * 4 + (sensor - 1), output (card - 1) * 2 + (output -
// 1).

#include "tlv880a/Dimensions.h"

#include <vector>

namespace multi {

inline constexpr int kMaxCards = tlv880::kMaxCards;
inline constexpr int kSensorsPerCard = tlv880::kSensorsPerCard;
inline constexpr int kOutputsPerCard = tlv880::kOutputsPerCard;
inline constexpr int kSensorCount = tlv880::kSensors;
inline constexpr int kOutputRows =
    tlv880::kOutputs; // 12 source outputs plus the two analog outputs
inline constexpr int kSourceOutputs = tlv880::kSourceOutputs;

// card: list position, 0 = "All Cards", 1..6 = "Card n"; channel: 0 = "All ...", else 1-based.
// numCards bounds the "All Cards" choices. Returns the addressed indices in ascending order; an
// out-of-range choice (no list entry selected) addresses nothing.
std::vector<int> ChannelTargets(int card, int channel, int numCards, int perCard);

inline std::vector<int> SensorTargets(int card, int sensor, int numCards)
{
    return ChannelTargets(card, sensor, numCards, kSensorsPerCard);
}

inline std::vector<int> OutputTargets(int card, int output, int numCards)
{
    return ChannelTargets(card, output, numCards, kOutputsPerCard);
}

// The single channel named by a card and channel choice, or -1 when either list names "All".
int SingleChannel(int card, int channel, int perCard);

} // namespace multi
