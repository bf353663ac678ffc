#include "TargetSets.h"

#include <algorithm>

namespace multi {

std::vector<int> ChannelTargets(int card, int channel, int numCards, int perCard)
{
    std::vector<int> targets;
    numCards = std::clamp(numCards, 0, kMaxCards);
    if (card < 0 || card > kMaxCards || channel < 0 || channel > perCard) return targets;

    const int firstCard = card == 0 ? 0 : card - 1;
    const int lastCard = card == 0 ? numCards - 1 : card - 1;
    for (int c = firstCard; c <= lastCard; ++c) {
        if (channel == 0) {
            for (int k = 0; k < perCard; ++k)
                targets.push_back(c * perCard + k);
        } else {
            targets.push_back(c * perCard + channel - 1);
        }
    }
    return targets;
}

int SingleChannel(int card, int channel, int perCard)
{
    if (card < 1 || card > kMaxCards || channel < 1 || channel > perCard) return -1;
    return (card - 1) * perCard + channel - 1;
}

} // namespace multi
