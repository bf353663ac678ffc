// Ordering of the cards found at start-up: a master card (identity 0x1F or 0x1E) to position 0,
// a slave card (0x0F) to position 1, the rest ascending by their identity register.
#pragma once

#include <cstdint>

namespace tlv880 {

constexpr uint32_t kIdentityMasterAnalog = 0x1E;
constexpr uint32_t kIdentityMaster = 0x1F;
constexpr uint32_t kIdentitySlave = 0x0F;

inline uint32_t CardIdentity(uint32_t identityRegister)
{
    return (identityRegister >> 16) & 0xFF;
}

// order[p] receives the scan index (0-based) of the card at table position p; identityRegister
// holds register 0x18 of each card in scan order.
void OrderCards(const uint32_t* identityRegister, int count, int* order);

} // namespace tlv880
