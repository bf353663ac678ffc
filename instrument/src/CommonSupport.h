#pragma once

// The two shared routines the instrument class needs: the "##0.0" power text and DiffSeconds.

#include <QDateTime>
#include <QString>

#ifdef TLV_HAVE_COMMON
#include "common/GenUtil.h"
#include "common/NumberFormat.h"
#else
#include <cmath>
#endif

namespace tlv::instrument {

inline QString formatPower(double percent)
{
#ifdef TLV_HAVE_COMMON
    return tlv::Format(percent, QStringLiteral("##0.0"));
#else
    const double rounded = std::round(percent * 10.0) / 10.0;
    return QString::number(rounded, 'f', 1);
#endif
}

inline int diffSeconds(const QDateTime& first, const QDateTime& second)
{
#ifdef TLV_HAVE_COMMON
    return ::DiffSeconds(first, second);
#else
    if (!first.isValid() || !second.isValid()) return 0;
    return static_cast<int>(std::nearbyint(first.msecsTo(second) / 1000.0));
#endif
}

} // namespace tlv::instrument
