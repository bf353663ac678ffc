#pragma once

// The two shared routines the instrument class needs: the "##0.0" power text and DiffSeconds.

#include "common/GenUtil.h"
#include "common/NumberFormat.h"

namespace tlv::instrument {

inline QString formatPower(double percent)
{
    return tlv::Format(percent, QStringLiteral("##0.0"));
}

inline int diffSeconds(const QDateTime& first, const QDateTime& second)
{
    return ::DiffSeconds(first, second);
}

} // namespace tlv::instrument
