#include "CardOrder.h"

#include <utility>

namespace tlv880 {

void OrderCards(const uint32_t* identityRegister, int count, int* order)
{
    for (int p = 0; p < count; ++p)
        order[p] = p;
    if (count < 2) return;
    auto identity = [&](int position) { return CardIdentity(identityRegister[order[position]]); };

    if (identity(0) != kIdentityMaster && identity(0) != kIdentityMasterAnalog) {
        for (int k = 1; k < count; ++k)
            if (identity(k) == kIdentityMaster || identity(k) == kIdentityMasterAnalog)
                std::swap(order[0], order[k]);
    }
    if (identity(1) != kIdentitySlave) {
        for (int k = 1; k < count; ++k)
            if (identity(k) == kIdentitySlave) std::swap(order[1], order[k]);
    }
    for (int pass = 0; pass < count; ++pass) {
        for (int k = 3; k < count; ++k) {
            const auto earlier = static_cast<int32_t>(identityRegister[order[k - 1]]);
            const auto later = static_cast<int32_t>(identityRegister[order[k]]);
            if (later < earlier) std::swap(order[k - 1], order[k]);
        }
    }
}

} // namespace tlv880
